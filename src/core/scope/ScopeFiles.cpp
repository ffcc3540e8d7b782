#include "scope/ScopeFiles.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <unordered_map>

#include "profile/IniDocument.h"
#include "text/Encoding.h"
#include "text/NumberIo.h"

namespace morlo::scope {
namespace {

constexpr std::string_view kByteOrderMark = "\xFF\xFE";
constexpr char kLineEnd = '\n';
constexpr const char* kCsvLineEnd = "\r\n";
constexpr std::size_t kWarningsShown = 10;  // a broken file is described, not listed

std::string ChannelKey(int channel, std::string_view name) {
    return "ch" + WriteInteger(channel + 1) + " " + std::string(name);
}

std::string SampleKey(int channel, std::size_t row) {
    return "ch" + WriteInteger(channel + 1) + "-" + WriteUnsigned(row);
}

std::string Rounded(double value) {
    return WriteFixed(value, 0);
}

class LineWriter {
  public:
    void Add(std::string_view key, std::string_view value) {
        text_ += key;
        text_ += '=';
        text_ += value;
        text_ += kLineEnd;
    }
    void Add(std::string_view key, std::int64_t value) { Add(key, WriteInteger(value)); }
    void AddFixed(std::string_view key, double value) {
        Add(key, WriteExactFixed(value, kFileDecimals));
    }
    void Header(std::string_view section) {
        text_ += '[';
        text_ += section;
        text_ += ']';
        text_ += kLineEnd;
    }
    const std::string& Text() const { return text_; }

  private:
    std::string text_;
};

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// The section's values by lower-case key; the first of equal keys counts, as a profile read.
class KeyValues {
  public:
    KeyValues(const IniDocument& document, std::vector<std::string>& warnings)
        : warnings_(warnings) {
        for (auto& [key, value] : document.Entries(kFileSection)) {
            values_.try_emplace(Lower(key), std::move(value));
        }
    }

    const std::string* Find(std::string_view key) const {
        auto it = values_.find(std::string(key));
        return it == values_.end() ? nullptr : &it->second;
    }
    std::string Text(std::string_view key) const {
        const std::string* value = Find(key);
        return value ? *value : std::string();
    }
    // A missing or empty value is 0; a value that is not a whole number is 0 and noted.
    std::int64_t Integer(std::string_view key, std::int64_t low, std::int64_t high) {
        const std::string* value = Find(key);
        if (!value || value->empty()) {
            return 0;
        }
        const auto number = ReadInteger(*value);
        if (!number || *number < low || *number > high) {
            Note(key, *value);
            return 0;
        }
        return *number;
    }
    int Int(std::string_view key) { return static_cast<int>(Integer(key, INT32_MIN, INT32_MAX)); }
    bool Flag(std::string_view key) { return Int(key) != 0; }
    double Number(std::string_view key) {
        const std::string* value = Find(key);
        if (!value || value->empty()) {
            return 0;
        }
        const auto number = ReadNumber(*value);
        if (!number) {
            Note(key, *value);
            return 0;
        }
        return *number;
    }

  private:
    void Note(std::string_view key, std::string_view value) {
        if (warnings_.size() < kWarningsShown) {
            warnings_.push_back(std::string(key) + "=" + std::string(value) +
                                " is not a number; read as 0");
        }
    }

    std::unordered_map<std::string, std::string> values_;
    std::vector<std::string>& warnings_;
};

}  // namespace

std::string WriteScopeText(const ScopeFileData& data) {
    LineWriter w;
    w.Header(kFileSection);
    w.Add(kKeyTime, data.period);
    w.Add(kKeyOffset, data.pointerOffset);
    w.Add(kKeyNumber, data.samples);
    w.Add(kKeyTriggerItem, data.triggerItem);
    w.Add(kKeyTriggerItemValue, data.triggerKey);
    w.Add(kKeyTriggerLevel, data.levelText);
    w.Add(kKeyTriggerUnit, data.triggerUnit);
    w.Add(kKeyContinuous, data.continuous ? 1 : 0);
    for (int n = 0; n < kChannelCount; ++n) {
        const ChannelFileBlock& c = data.channels[static_cast<std::size_t>(n)];
        w.Add(ChannelKey(n, kKeyCheck), c.checked ? 1 : 0);
        if (!c.checked) {
            continue;
        }
        // The mapping as the drive's 32-bit signed value, as the page shows it.
        w.Add(ChannelKey(n, kKeyItem), static_cast<std::int32_t>(c.item));
        w.AddFixed(ChannelKey(n, kKeyScale), c.scale);
        w.AddFixed(ChannelKey(n, kKeyChannelOffset), c.offset);
        w.AddFixed(ChannelKey(n, kKeyCoefficient), c.coefficient);
        w.Add(ChannelKey(n, kKeyUnit), c.unit);
        w.Add(ChannelKey(n, kKeyAuto), c.autoScale ? 1 : 0);
    }
    std::size_t rows = 0;
    for (const auto& curve : data.curves) {
        rows = std::max(rows, curve.size());
    }
    for (std::size_t row = 0; row < rows; ++row) {
        for (int n = 0; n < kChannelCount; ++n) {
            const auto& curve = data.curves[static_cast<std::size_t>(n)];
            if (row < curve.size()) {
                w.Add(SampleKey(n, row + 1), Rounded(curve[row]));
            }
        }
    }
    const CaptureDescription& d = data.description;
    w.Add(kKeyCaptured, d.captured);
    w.Add(kKeyDeviceName, d.deviceName);
    w.Add(kKeySoftwareVersion, d.softwareVersion);
    w.Add(kKeyLink, d.link);
    for (int n = 0; n < kChannelCount; ++n) {
        const ChannelFileBlock& c = data.channels[static_cast<std::size_t>(n)];
        if (c.checked) {
            w.Add(ChannelKey(n, kKeyName), c.name);
            w.Add(ChannelKey(n, kKeyUnitText), c.unitText);
        }
    }
    return Utf8ToUtf16Le(w.Text());
}

ScopeReadResult ReadScopeText(std::string_view bytes) {
    ScopeReadResult result;
    if (bytes.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        bytes.remove_prefix(kByteOrderMark.size());
    }
    const IniDocument document = IniDocument::Parse(Utf16LeToUtf8(bytes));
    if (!document.HasSection(kFileSection)) {
        return result;
    }
    result.status = ScopeReadStatus::Read;
    ScopeFileData& data = result.data;
    KeyValues keys(document, result.warnings);
    data.period = keys.Int(kKeyTime);
    data.pointerOffset = keys.Int(kKeyOffset);
    data.samples = keys.Int(kKeyNumber);
    data.triggerItem = keys.Int(kKeyTriggerItem);
    data.triggerKey = keys.Int(kKeyTriggerItemValue);
    data.levelText = keys.Text(kKeyTriggerLevel);
    data.triggerUnit = keys.Int(kKeyTriggerUnit);
    data.continuous = keys.Flag(kKeyContinuous);
    for (int n = 0; n < kChannelCount; ++n) {
        ChannelFileBlock& c = data.channels[static_cast<std::size_t>(n)];
        c.checked = keys.Flag(ChannelKey(n, kKeyCheck));
        if (!c.checked) {
            continue;
        }
        c.item = static_cast<std::uint32_t>(
            keys.Integer(ChannelKey(n, kKeyItem), INT32_MIN, std::int64_t{UINT32_MAX}));
        c.scale = keys.Number(ChannelKey(n, kKeyScale));
        c.offset = keys.Number(ChannelKey(n, kKeyChannelOffset));
        c.coefficient = keys.Number(ChannelKey(n, kKeyCoefficient));
        c.unit = keys.Int(ChannelKey(n, kKeyUnit));
        c.autoScale = keys.Flag(ChannelKey(n, kKeyAuto));
        c.name = keys.Text(ChannelKey(n, kKeyName));
        c.unitText = keys.Text(ChannelKey(n, kKeyUnitText));
    }
    std::size_t rows = data.samples > 0 ? static_cast<std::size_t>(data.samples) : 0;
    if (rows > kImportSamplesLimit) {
        result.warnings.push_back("number=" + WriteInteger(data.samples) + " is more than " +
                                  WriteUnsigned(kImportSamplesLimit) + " samples; the rest is " +
                                  "not read");
        rows = kImportSamplesLimit;
    }
    for (int n = 0; n < kChannelCount; ++n) {
        if (!data.channels[static_cast<std::size_t>(n)].checked) {
            continue;
        }
        auto& curve = data.curves[static_cast<std::size_t>(n)];
        curve.reserve(rows);
        for (std::size_t row = 1; row <= rows; ++row) {
            curve.push_back(
                static_cast<double>(keys.Integer(SampleKey(n, row), INT64_MIN, INT64_MAX)));
        }
    }
    data.description = {keys.Text(kKeyCaptured), keys.Text(kKeyDeviceName),
                        keys.Text(kKeySoftwareVersion), keys.Text(kKeyLink)};
    return result;
}

std::string WriteScopeCsv(const Curves& curves) {
    std::size_t rows = 0;
    for (const auto& curve : curves) {
        rows = std::max(rows, curve.size());
    }
    std::string text;
    for (std::size_t row = 0; row < rows; ++row) {
        for (const auto& curve : curves) {
            if (row < curve.size()) {
                text += Rounded(curve[row]);
                text += ',';
            }
        }
        text += kCsvLineEnd;
    }
    return text;
}

std::string ExtensionOf(std::string_view chosen) {
    const std::size_t slash = chosen.find_last_of("/\\");
    const std::string_view name =
        slash == std::string_view::npos ? chosen : chosen.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string() : std::string(name.substr(dot + 1));
}

ExportTarget ExportPathFor(std::string_view chosen, std::string_view extension) {
    std::string path(chosen);
    const std::string suffix = "." + std::string(extension);
    if (!extension.empty() && path.size() >= suffix.size() &&
        path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0) {
        path.erase(path.size() - suffix.size());
    }
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.find('.', nameStart);
    if (dot != std::string::npos) {
        path.erase(dot);
    }
    ExportTarget target;
    target.path = path + suffix;
    if (extension == kExtensionCsv) {
        target.kind = ExportKind::Csv;
    } else if (extension == kExtensionText) {
        target.kind = ExportKind::Text;
    } else if (extension == kExtensionBitmap) {
        target.kind = ExportKind::Bitmap;
    } else if (extension == kExtensionPng) {
        target.kind = ExportKind::Png;
    }
    return target;
}

}  // namespace morlo::scope
