#include "transfer/DriveDataSidecar.h"

#include <algorithm>

#include "link/AbortCode.h"
#include "profile/IniDocument.h"
#include "text/Encoding.h"
#include "text/NumberIo.h"
#include "transfer/DriveDataKey.h"
#include "transfer/DriveValueText.h"
#include "transfer/TransferConstants.h"

namespace morlo::transfer {
namespace {

constexpr const char* kBackupSection = "backup";
constexpr const char* kRowSectionPrefix = "row ";
constexpr const char* kDate = "date";
constexpr const char* kLink = "link";
constexpr const char* kNode = "node";
constexpr const char* kDeviceName = "device name";
constexpr const char* kHardwareVersion = "hardware version";
constexpr const char* kSoftwareVersion = "software version";
constexpr const char* kRows = "rows";
constexpr const char* kKey = "key";
constexpr const char* kName = "name";
constexpr const char* kType = "type";
constexpr const char* kUnit = "unit";

// A value on one line: line breaks become blanks.
std::string OneLine(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return text;
}

void AddLine(std::string& text, std::string_view key, const std::string& value) {
    text.append(key).append("=").append(OneLine(value)).append(kLineEnd);
}

}  // namespace

const SidecarRow* DriveDataSidecar::RowOf(std::uint32_t key) const {
    for (const SidecarRow& row : rows) {
        if (ParseDriveDataKey(row.keyText) == key) {
            return &row;
        }
    }
    return nullptr;
}

std::filesystem::path SidecarPathOf(const std::filesystem::path& dataFile) {
    std::filesystem::path path = dataFile;
    path += kSidecarSuffix;
    return path;
}

std::vector<SidecarRow> DescribeRows(const std::vector<TransferRow>& rows,
                                     const ObjectDictionary& dictionary, UnitTable& units) {
    std::vector<SidecarRow> described;
    for (const TransferRow& row : rows) {
        SidecarRow out;
        out.keyText = DriveDataKeyText(row.key);
        DictionaryEntry entry;
        if (dictionary.FindByKey(ObjectKeyOf(row.key), entry)) {
            out.name = entry.name;
            out.dataType = entry.dataType;
            units.AddUnits(entry.key, entry.unitSpec, out.unit);
        } else {
            out.name = row.name;
        }
        described.push_back(std::move(out));
    }
    return described;
}

std::string WriteSidecarText(const DriveDataSidecar& sidecar) {
    std::string text;
    text.append("[").append(kBackupSection).append("]").append(kLineEnd);
    AddLine(text, kDate, sidecar.date);
    AddLine(text, kLink, sidecar.link);
    AddLine(text, kNode, WriteInteger(sidecar.node));
    AddLine(text, kDeviceName, sidecar.identity.deviceName);
    AddLine(text, kHardwareVersion, sidecar.identity.hardwareVersion);
    AddLine(text, kSoftwareVersion, sidecar.identity.softwareVersion);
    AddLine(text, kRows, WriteInteger(static_cast<std::int64_t>(sidecar.rows.size())));
    for (std::size_t i = 0; i < sidecar.rows.size(); ++i) {
        const SidecarRow& row = sidecar.rows[i];
        text.append("[").append(kRowSectionPrefix).append(WriteInteger(std::int64_t(i) + 1));
        text.append("]").append(kLineEnd);
        AddLine(text, kKey, row.keyText);
        AddLine(text, kName, row.name);
        AddLine(text, kType, row.dataType);
        AddLine(text, kUnit, row.unit);
    }
    return Utf8ToGb18030(text);
}

std::optional<DriveDataSidecar> ReadSidecarText(std::string_view bytes) {
    const IniDocument ini = IniDocument::Parse(Gb18030ToUtf8(bytes));
    if (!ini.HasSection(kBackupSection)) {
        return std::nullopt;
    }
    auto get = [&ini](std::string_view section, std::string_view key) {
        return ini.Get(section, key).value_or("");
    };
    DriveDataSidecar sidecar;
    sidecar.date = get(kBackupSection, kDate);
    sidecar.link = get(kBackupSection, kLink);
    sidecar.node = static_cast<int>(ReadInteger(get(kBackupSection, kNode)).value_or(0));
    sidecar.identity.deviceName = get(kBackupSection, kDeviceName);
    sidecar.identity.hardwareVersion = get(kBackupSection, kHardwareVersion);
    sidecar.identity.softwareVersion = get(kBackupSection, kSoftwareVersion);
    const std::string prefix = kRowSectionPrefix;
    for (const std::string& section : ini.SectionNames()) {
        if (section.rfind(prefix, 0) != 0) {
            continue;
        }
        SidecarRow row;
        row.keyText = get(section, kKey);
        row.name = get(section, kName);
        row.dataType = get(section, kType);
        row.unit = get(section, kUnit);
        sidecar.rows.push_back(std::move(row));
    }
    return sidecar;
}

std::vector<RefusedRow> RefusedRows(const std::vector<TransferRow>& rows,
                                    const DriveDataSidecar* sidecar) {
    std::vector<RefusedRow> refused;
    for (const TransferRow& row : rows) {
        if (row.note != RowNote::Refused) {
            continue;
        }
        RefusedRow out{
            row.keyText, row.name, "", "",
            FormatAbortCode(row.abortCode) + " " + std::string(link::AbortCodeText(row.abortCode))};
        if (const SidecarRow* described = sidecar ? sidecar->RowOf(row.key) : nullptr) {
            out.name = described->name;
            out.dataType = described->dataType;
            out.unit = described->unit;
        }
        refused.push_back(std::move(out));
    }
    return refused;
}

std::vector<IdentityDifference> IdentityDifferences(const DriveIdentity& file,
                                                    const DriveIdentity& drive) {
    std::vector<IdentityDifference> differences;
    auto compare = [&](const char* what, const std::string& a, const std::string& b) {
        if (!a.empty() && !b.empty() && a != b) {
            differences.push_back({what, a, b});
        }
    };
    compare(kDeviceName, file.deviceName, drive.deviceName);
    compare(kSoftwareVersion, file.softwareVersion, drive.softwareVersion);
    return differences;
}

std::string DescribeDifferences(const std::vector<IdentityDifference>& differences) {
    std::string text;
    for (const IdentityDifference& d : differences) {
        text += d.what + ": file '" + d.file + "', drive '" + d.drive + "'\n";
    }
    return text;
}

}  // namespace morlo::transfer
