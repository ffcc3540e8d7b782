#include "transfer/DriveDataReport.h"

#include <algorithm>
#include <map>

#include "text/Csv.h"
#include "text/NumberIo.h"
#include "transfer/DriveDataKey.h"
#include "transfer/DriveValueText.h"
#include "transfer/TransferConstants.h"

namespace morlo::transfer {
namespace {

constexpr const char* kColumnSeparator = "  ";
// Characters from here on (CJK and beyond) take two cells of a terminal.
constexpr std::uint32_t kFirstWideCharacter = 0x2E80;

struct Values {
    std::string unit;
    std::string first;
    std::string second;
};

// Both values in the unit when every value there is can be shown in it, else both raw.
Values InUnitOrRaw(std::uint32_t key, std::optional<std::uint32_t> firstRaw,
                   const std::string& firstText, bool secondHasValue,
                   std::optional<std::uint32_t> secondRaw, const std::string& secondText,
                   const UnitShower& show) {
    std::optional<UnitValue> first;
    std::optional<UnitValue> second;
    if (show) {
        first = firstRaw ? show(key, *firstRaw) : std::nullopt;
        second = secondRaw ? show(key, *secondRaw) : std::nullopt;
    }
    const bool firstOk = !firstRaw || first;
    const bool secondOk = !secondHasValue || (secondRaw && second);
    if (firstOk && secondOk && (first || second)) {
        return {first ? first->unit : second->unit, first ? first->text : firstText,
                second ? second->text : secondText};
    }
    return {"", firstText, secondText};
}

// Cells of a terminal the UTF-8 text takes.
std::size_t DisplayWidth(const std::string& text) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        std::uint32_t code = length == 1 ? lead : lead & (0xFF >> (length + 1));
        for (std::size_t k = 1; k < length && i + k < text.size(); ++k) {
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        width += code >= kFirstWideCharacter ? 2 : 1;
        i += length;
    }
    return width;
}

// The table: row, key, name, the value(s), unit, result, note. The CSV: key, name, unit, both
// values, result, note.
std::vector<std::string> Header(ReportKind kind, bool table) {
    std::string first = "file value";
    std::string second = "drive value";
    if (kind == ReportKind::FileAgainstFile) {
        first = "first value";
        second = "second value";
    }
    if (!table) {
        return {"key", "name", "unit", first, second, "result", "note"};
    }
    std::vector<std::string> header{"row", "key", "name"};
    if (kind == ReportKind::Backup) {
        header.push_back("value");
    } else {
        header.push_back(first.substr(0, first.find(' ')));
        header.push_back(second.substr(0, second.find(' ')));
    }
    for (const char* column : {"unit", "result", "note"}) {
        header.push_back(column);
    }
    return header;
}

}  // namespace

std::vector<ReportRow> ReportOfRun(const std::vector<TransferRow>& rows, const UnitShower& show,
                                   bool differencesOnly) {
    std::vector<ReportRow> report;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const TransferRow& row = rows[i];
        if (differencesOnly && row.result == RowResult::True) {
            continue;
        }
        // A drive value that does not fit the object is shown as received, never converted.
        const bool driveFits =
            row.note != RowNote::AnswerSizeDiffers && row.note != RowNote::DriveValueDoesNotFit;
        const Values values = InUnitOrRaw(row.key, row.fileRaw, row.loadValue, !row.value.empty(),
                                          driveFits ? row.driveRaw : std::nullopt, row.value, show);
        ReportRow out;
        out.number = static_cast<int>(i) + 1;
        out.keyText = row.keyText;
        out.name = row.name;
        out.unit = values.unit;
        out.fileValue = values.first;
        out.driveValue = values.second;
        out.result = std::string(ResultText(row.result));
        out.note = NoteText(row);
        report.push_back(std::move(out));
    }
    return report;
}

std::vector<DiffRow> DiffDriveData(const std::vector<DriveDataLine>& first,
                                   const std::vector<DriveDataLine>& second,
                                   const ObjectDictionary& dictionary) {
    auto formatOf = [&](std::uint32_t key, std::string& name) {
        DictionaryEntry entry;
        if (dictionary.FindByKey(ObjectKeyOf(key), entry)) {
            name = entry.name;
            return FormatOfType(entry.dataType);
        }
        name = kUnknownName;
        return FormatOfKey(key);
    };
    // The second file's lines by object, in file order; each is matched once.
    std::multimap<ObjectKey, std::size_t> unmatched;
    for (std::size_t i = 0; i < second.size(); ++i) {
        unmatched.emplace(ObjectKeyOf(ParseDriveDataKey(second[i].keyText)), i);
    }
    std::vector<bool> matched(second.size(), false);
    std::vector<DiffRow> rows;
    auto compare = [&](const DriveDataLine* a, const DriveDataLine* b) {
        DiffRow row;
        const DriveDataLine& given = a ? *a : *b;
        row.keyText = given.keyText;
        row.key = ParseDriveDataKey(given.keyText);
        const ValueFormat format = formatOf(row.key, row.name);
        row.first = a ? a->loadValue : "";
        row.second = b ? b->loadValue : "";
        if (!a || !b) {
            row.result = RowResult::Fail;
            row.note = a ? "only in the first file" : "only in the second file";
            rows.push_back(std::move(row));
            return;
        }
        // Objects outside the dictionary are read by each file's own key size.
        const LoadValue x = LoadValueToRaw(a->loadValue, format);
        const LoadValue y = LoadValueToRaw(
            b->loadValue, format.typed ? format : FormatOfKey(ParseDriveDataKey(b->keyText)));
        row.firstRaw = x.raw;
        row.secondRaw = y.raw;
        if (!x.raw || !y.raw) {
            const bool sameText = a->loadValue == b->loadValue;
            row.result = sameText ? RowResult::True : RowResult::Fail;
            TransferRow noted;
            noted.key = row.key;
            noted.note = x.raw ? y.note : x.note;
            noted.noteArg = x.raw ? y.noteArg : x.noteArg;
            row.note = (x.raw ? "second value: " : "first value: ") + NoteText(noted);
        } else {
            row.result = x.number == y.number ? RowResult::True : RowResult::Alarm;
        }
        rows.push_back(std::move(row));
    };
    for (const DriveDataLine& line : first) {
        auto it = unmatched.find(ObjectKeyOf(ParseDriveDataKey(line.keyText)));
        if (it == unmatched.end()) {
            compare(&line, nullptr);
            continue;
        }
        matched[it->second] = true;
        compare(&line, &second[it->second]);
        unmatched.erase(it);
    }
    for (std::size_t i = 0; i < second.size(); ++i) {
        if (!matched[i]) {
            compare(nullptr, &second[i]);
        }
    }
    return rows;
}

std::vector<ReportRow> ReportOfDiff(const std::vector<DiffRow>& rows, const UnitShower& show,
                                    bool differencesOnly) {
    std::vector<ReportRow> report;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const DiffRow& row = rows[i];
        if (differencesOnly && row.result == RowResult::True) {
            continue;
        }
        const Values values = InUnitOrRaw(row.key, row.firstRaw, row.first, !row.second.empty(),
                                          row.secondRaw, row.second, show);
        ReportRow out;
        out.number = static_cast<int>(i) + 1;
        out.keyText = row.keyText;
        out.name = row.name;
        out.unit = values.unit;
        out.fileValue = values.first;
        out.driveValue = values.second;
        out.result = std::string(ResultText(row.result));
        out.note = row.note;
        report.push_back(std::move(out));
    }
    return report;
}

std::string WriteReportCsv(const std::vector<ReportRow>& rows, ReportKind kind) {
    std::string text;
    const std::vector<std::string> header = Header(kind, false);
    for (std::size_t i = 0; i < header.size(); ++i) {
        text += (i == 0 ? "" : ",") + header[i];
    }
    text += kLineEnd;
    for (const ReportRow& row : rows) {
        for (const std::string* field : {&row.keyText, &row.name, &row.unit, &row.fileValue,
                                         &row.driveValue, &row.result, &row.note}) {
            text += (field == &row.keyText ? "" : ",") + CsvField(*field);
        }
        text += kLineEnd;
    }
    return text;
}

std::string FormatReportTable(const std::vector<ReportRow>& rows, ReportKind kind) {
    if (rows.empty()) {
        return "";
    }
    std::vector<std::vector<std::string>> cells{Header(kind, true)};
    for (const ReportRow& row : rows) {
        std::vector<std::string> line{WriteInteger(row.number), row.keyText, row.name};
        if (kind != ReportKind::Backup) {
            line.push_back(row.fileValue);
        }
        line.insert(line.end(), {row.driveValue, row.unit, row.result, row.note});
        cells.push_back(std::move(line));
    }
    return FormatTable(cells);
}

std::string FormatTable(const std::vector<std::vector<std::string>>& cells) {
    std::vector<std::size_t> widths;
    for (const auto& line : cells) {
        widths.resize(std::max(widths.size(), line.size()), 0);
        for (std::size_t c = 0; c < line.size(); ++c) {
            widths[c] = std::max(widths[c], DisplayWidth(line[c]));
        }
    }
    std::string text;
    for (const auto& line : cells) {
        std::string out;
        for (std::size_t c = 0; c < line.size(); ++c) {
            out += line[c];
            if (c + 1 < line.size()) {
                out += std::string(widths[c] - DisplayWidth(line[c]), ' ') + kColumnSeparator;
            }
        }
        while (!out.empty() && out.back() == ' ') {
            out.pop_back();
        }
        text += out + "\n";
    }
    return text;
}

}  // namespace morlo::transfer
