#include "StateFile.h"

#include "text/NumberIo.h"
#include "text/NumberText.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "ErrorLog.h"
#include "SimConstants.h"

namespace morlo::sim {
namespace {

constexpr const char* kHeader = "# simulated drive state: IIII:SS=value\n";
constexpr std::size_t kKeyLength = 7;  // "IIII:SS"
constexpr std::size_t kColon = 4;
constexpr int kHexBase = 16;

std::string_view TrimEnd(std::string_view text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == ' ')) {
        text.remove_suffix(1);
    }
    return text;
}

std::optional<int> HexDigits(std::string_view text) {
    int value = 0;
    for (char c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * kHexBase + digit;
    }
    return value;
}

bool IsStored(const SimObject& object) {
    if (ErrorLog::IsLogObject(object.key)) {
        return object.kind == ValueKind::Integer;
    }
    if (!object.writable || object.live || object.kind == ValueKind::Domain) {
        return false;
    }
    return std::find(kCommandObjects.begin(), kCommandObjects.end(), object.key) ==
           kCommandObjects.end();
}

}  // namespace

std::optional<std::pair<ObjectKey, std::string>> ParseStateLine(std::string_view line) {
    line = TrimEnd(line);
    if (line.size() < kKeyLength + 1 || line[kColon] != ':' || line[kKeyLength] != '=') {
        return std::nullopt;
    }
    auto index = HexDigits(line.substr(0, kColon));
    auto sub = HexDigits(line.substr(kColon + 1, kKeyLength - kColon - 1));
    if (!index || !sub) {
        return std::nullopt;
    }
    return std::make_pair(MakeObjectKey(*index, *sub), std::string(line.substr(kKeyLength + 1)));
}

StoredValues ReadStateFile(const std::filesystem::path& path) {
    StoredValues values;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (in && std::getline(in, line)) {
        if (auto entry = ParseStateLine(line)) {
            values[entry->first] = std::move(entry->second);
        }
    }
    return values;
}

bool WriteStateFile(const std::filesystem::path& path, const StoredValues& values) {
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            return false;
        }
        out << kHeader;
        for (const auto& [objectKey, text] : values) {
            out << WriteObjectAddress(objectKey) << '=' << text << '\n';
        }
        if (!out.flush()) {
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    return !ec;
}

StoredValues CaptureStoredValues(const ObjectStore& objects) {
    StoredValues values;
    objects.ForEach([&](const SimObject& object) {
        if (!IsStored(object)) {
            return;
        }
        values[object.key] =
            object.kind == ValueKind::Text ? object.text : std::to_string(object.Number());
    });
    return values;
}

void ApplyStoredValues(ObjectStore& objects, const StoredValues& values) {
    for (const auto& [key, text] : values) {
        SimObject* object = objects.Find(key);
        if (!object || !IsStored(*object)) {
            continue;
        }
        if (object->kind == ValueKind::Text) {
            object->text = text;
            continue;
        }
        auto number = ParseSourceNumber(text);
        if (!number) {
            continue;
        }
        if (*number >= object->min && *number <= object->max) {
            object->value = object->Encode(*number);
        }
    }
}

}  // namespace morlo::sim
