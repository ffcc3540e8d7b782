#include "dictionary/DictionarySource.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "dictionary/DatabaseLayout.h"
#include "text/Encoding.h"
#include "text/NumberText.h"

namespace morlo {
namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

// "\n" becomes a line break, "\\" a backslash.
std::string Unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            if (text[i + 1] == 'n') {
                out += '\n';
                ++i;
                continue;
            }
            if (text[i + 1] == '\\') {
                out += '\\';
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::optional<std::int32_t> ParseHexField(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    std::int32_t value = 0;
    for (char c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0 || value > 0xFFFF) {
            return std::nullopt;
        }
        value = value * 16 + digit;
    }
    return value;
}

std::string* FieldOf(SourceObject& object, std::string_view name) {
    if (name == "name-zh")
        return &object.nameChinese;
    if (name == "name-en")
        return &object.nameEnglish;
    if (name == "type")
        return &object.dataType;
    if (name == "access")
        return &object.access;
    if (name == "unit")
        return &object.unitSpec;
    if (name == "default")
        return &object.defaultText;
    if (name == "min")
        return &object.minText;
    if (name == "max")
        return &object.maxText;
    if (name == "help-zh")
        return &object.helpChinese;
    if (name == "help-en")
        return &object.helpEnglish;
    return nullptr;
}

void CheckRequired(const SourceObject& object, std::vector<SourceIssue>& issues) {
    const std::pair<const std::string*, const char*> required[] = {
        {&object.nameChinese, "name-zh"}, {&object.nameEnglish, "name-en"},
        {&object.dataType, "type"},       {&object.access, "access"},
        {&object.helpChinese, "help-zh"}, {&object.helpEnglish, "help-en"},
    };
    for (const auto& [value, field] : required) {
        if (value->empty()) {
            issues.push_back({object.file, object.line, std::string("missing field ") + field});
        }
    }
}

void PutField(std::string& record, database::Field field, std::string_view bytes) {
    std::size_t n = std::min(bytes.size(), field.size);
    std::copy_n(bytes.data(), n, record.begin() + static_cast<std::ptrdiff_t>(field.offset));
}

}  // namespace

DictionarySource ParseDictionarySource(std::string_view text, std::string_view fileName) {
    DictionarySource result;
    SourceObject* current = nullptr;
    int lineNo = 0;
    auto finish = [&] {
        if (current) {
            CheckRequired(*current, result.issues);
        }
    };
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNo;
        line = Trim(line);
        if (line.empty() || line.front() == '#') {
            continue;
        }
        if (line.front() == '[') {
            finish();
            current = nullptr;
            std::size_t colon = line.find(':');
            std::size_t close = line.find(']');
            std::optional<std::int32_t> index;
            std::optional<std::int32_t> sub;
            if (colon != std::string_view::npos && close != std::string_view::npos &&
                colon < close && close == line.size() - 1) {
                index = ParseHexField(line.substr(1, colon - 1));
                sub = ParseHexField(line.substr(colon + 1, close - colon - 1));
            }
            if (!index || !sub || *index == 0 || *index > 0xFFFF || *sub > 0xFF) {
                result.issues.push_back({std::string(fileName), lineNo,
                                         "malformed object header " + std::string(line)});
                continue;
            }
            SourceObject object;
            object.index = *index;
            object.subIndex = *sub;
            object.file = std::string(fileName);
            object.line = lineNo;
            result.objects.push_back(std::move(object));
            current = &result.objects.back();
            continue;
        }
        std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || !current) {
            result.issues.push_back(
                {std::string(fileName), lineNo, "line outside an object or without '='"});
            continue;
        }
        std::string_view name = Trim(line.substr(0, eq));
        std::string* field = FieldOf(*current, name);
        if (!field) {
            result.issues.push_back(
                {std::string(fileName), lineNo, "unknown field " + std::string(name)});
            continue;
        }
        *field = Unescape(Trim(line.substr(eq + 1)));
    }
    finish();
    return result;
}

DictionarySource LoadDictionarySource(const std::filesystem::path& folder) {
    DictionarySource all;
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& item : std::filesystem::directory_iterator(folder, ec)) {
        if (item.is_regular_file() && item.path().extension() == ".txt") {
            files.push_back(item.path());
        }
    }
    if (ec) {
        all.issues.push_back({PathUtf8(folder), 0, "cannot read the folder: " + ec.message()});
        return all;
    }
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        std::ifstream in(file, std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        DictionarySource part = ParseDictionarySource(text, PathUtf8(file.filename()));
        std::move(part.objects.begin(), part.objects.end(), std::back_inserter(all.objects));
        std::move(part.issues.begin(), part.issues.end(), std::back_inserter(all.issues));
    }
    return all;
}

std::optional<TypeRange> RangeOfType(std::string_view dataType) {
    if (dataType == "U8")
        return TypeRange{0, 0xFF, 8, false};
    if (dataType == "I8")
        return TypeRange{-0x80, 0x7F, 8, true};
    if (dataType == "U16")
        return TypeRange{0, 0xFFFF, 16, false};
    if (dataType == "I16")
        return TypeRange{-0x8000, 0x7FFF, 16, true};
    if (dataType == "U32")
        return TypeRange{0, 0xFFFFFFFFLL, 32, false};
    if (dataType == "I32")
        return TypeRange{-0x80000000LL, 0x7FFFFFFF, 32, true};
    return std::nullopt;
}

std::optional<std::int64_t> ParseSourceNumber(std::string_view text) {
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty() || text.size() > 12) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    for (char c : text) {
        const int digit = base == 16 ? HexDigitValue(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * base + digit;
    }
    return negative ? -value : value;
}

std::vector<SourceIssue> ValidateSourceObject(const SourceObject& object) {
    std::vector<SourceIssue> issues;
    auto issue = [&](std::string text) {
        char key[16];
        std::snprintf(key, sizeof key, "%04X:%02X ", static_cast<unsigned>(object.index),
                      static_cast<unsigned>(object.subIndex));
        issues.push_back({object.file, object.line, key + std::move(text)});
    };
    auto checkBytes = [&](const std::string& text, database::Field field, const char* what) {
        // One byte of every field stays NUL so that the text ends inside the field.
        if (Utf8ToGb18030(text).size() >= field.size) {
            issue(std::string(what) + " is too long for its database field");
        }
    };
    checkBytes(object.nameChinese, database::kNameChinese, "name-zh");
    checkBytes(object.nameEnglish, database::kNameEnglish, "name-en");
    checkBytes(object.dataType, database::kDataType, "type");
    checkBytes(object.access, database::kAttribute, "access");
    checkBytes(object.helpChinese, database::kHelpChinese, "help-zh");
    checkBytes(object.helpEnglish, database::kHelpEnglish, "help-en");
    checkBytes(object.unitSpec, database::kUnitSpec, "unit");

    if (object.access != "R" && object.access != "RW" && object.access != "RL" &&
        object.access != "RWL") {
        issue("access must be R, RW, RL or RWL");
    }
    auto range = RangeOfType(object.dataType);
    if (!range) {
        if (object.dataType != "VISIBLE STRING" && object.dataType != "DOMAIN") {
            issue("unknown type " + object.dataType);
        }
        return issues;
    }
    std::int64_t low = range->min;
    std::int64_t high = range->max;
    auto checkNumber = [&](const std::string& text, const char* what, std::int64_t& into) {
        if (text.empty()) {
            return;
        }
        auto value = ParseSourceNumber(text);
        if (!value) {
            issue(std::string(what) + " is not a number");
        } else if (*value < range->min || *value > range->max) {
            issue(std::string(what) + " is outside the type's range");
        } else {
            into = *value;
        }
    };
    checkNumber(object.minText, "min", low);
    checkNumber(object.maxText, "max", high);
    std::int64_t value = low;
    checkNumber(object.defaultText, "default", value);
    if (low > high) {
        issue("min is above max");
    } else if (!object.defaultText.empty() && (value < low || value > high)) {
        issue("default is outside min..max");
    }
    return issues;
}

std::string EncodeDatabaseRecord(const SourceObject& object) {
    using namespace database;
    std::string record(kRecordSize, '\0');
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04X", static_cast<unsigned>(object.index & 0xFFFF));
    PutField(record, kIndex, digits);
    std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned>(object.subIndex & 0xFF));
    PutField(record, kSubIndex, digits);
    PutField(record, kNameChinese, Utf8ToGb18030(object.nameChinese));
    PutField(record, kNameEnglish, Utf8ToGb18030(object.nameEnglish));
    PutField(record, kDataType, Utf8ToGb18030(object.dataType));
    PutField(record, kAttribute, Utf8ToGb18030(object.access));
    PutField(record, kHelpChinese, Utf8ToGb18030(object.helpChinese));
    PutField(record, kHelpEnglish, Utf8ToGb18030(object.helpEnglish));
    PutField(record, kUnitSpec, Utf8ToGb18030(object.unitSpec));
    return record;
}

}  // namespace morlo
