#include "values/ValueConversion.h"

#include <algorithm>
#include <cctype>

#include "link/SdoFrame.h"
#include "text/Encoding.h"
#include "text/NumberIo.h"
#include "text/NumberText.h"

namespace morlo {
namespace {

constexpr const char* kUnknownWidthText = "???";
constexpr int kUnitDecimals = 3;
// A waiting write whose constant the drive refused: "<name>: <text> cannot be converted,
// object IIII:SS could not be read!!".
constexpr const char* kCannotConvert = " cannot be converted, object ";
constexpr const char* kCouldNotBeRead = " could not be read!!";

std::string ObjectAddress(ObjectKey key) {
    return WriteUpperHex(static_cast<std::uint32_t>(IndexOf(key)), 4) + ":" +
           WriteUpperHex(static_cast<std::uint32_t>(SubIndexOf(key)), 2);
}

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
    std::size_t pos = 0;
    while ((pos = text.find(from, pos)) != std::string::npos) {
        text.replace(pos, from.size(), to);
        pos += to.size();
    }
    return text;
}

}  // namespace

ValueConversion::ValueConversion(const ObjectDictionary& dictionary, UnitTable& units,
                                 FormulaEvaluator& evaluator, RequestSubmitter submit,
                                 HelpPresenter showHelp)
    : dictionary_(dictionary),
      units_(units),
      evaluator_(evaluator),
      submit_(std::move(submit)),
      showHelp_(std::move(showHelp)) {}

int ValueConversion::WidthOf(std::string_view dataType) {
    return DigitsOf(dataType);
}

bool ValueConversion::IsUnsigned(std::string_view dataType) {
    return !dataType.empty() && (dataType.front() == 'U' || dataType.front() == 'u');
}

int ValueRows::RowOfKey(ObjectKey key) const {
    for (int row = 0; row < RowCount(); ++row) {
        if (ParseDecimalLoose(CellText(row, kColumnKey)) == key) {
            return row;
        }
    }
    return -1;
}

ValueConversion::RowFacts ValueConversion::FindRow(const ValueRows& rows, ObjectKey key) {
    const int row = rows.RowOfKey(key);
    if (row < 0) {
        return {};
    }
    return {row, rows.CellText(row, kColumnUnit), rows.CellText(row, kColumnDataType)};
}

std::optional<double> ValueConversion::RawToNumber(std::string_view dataType, std::uint32_t raw) {
    if (dataType.empty()) {
        return std::nullopt;
    }
    const bool isUnsigned = IsUnsigned(dataType);
    switch (WidthOf(dataType)) {
        case 8:
            return (isUnsigned || raw <= 127) ? double(raw) : double(raw) - 256.0;
        case 16:
            return (isUnsigned || raw <= 0x7FFF) ? double(raw) : double(raw) - 65536.0;
        case 32:
            return isUnsigned ? double(raw) : double(static_cast<std::int32_t>(raw));
        default:
            return std::nullopt;
    }
}

ValueConversion::UnitResult ValueConversion::ApplyUnit(engine::ReceiverId window, ObjectKey key,
                                                       const std::string& unit, double& number,
                                                       std::string& formula) {
    evaluator_.UpdateConstant(key, static_cast<std::int32_t>(TruncateToInt64(number)));
    if (unit.empty() || unit == kUnitDec || unit == kUnitAscii || unit == kUnitHex) {
        formula.clear();
        return UnitResult::Applied;
    }
    UnitRecord record;
    if (!units_.Find(key, record)) {
        return UnitResult::NoUnit;
    }
    bool waiting = false;
    for (const auto& u : record.units) {
        if (!u.label.empty()) {
            if (unit != u.label) {
                continue;
            }
            double result = 0.0;
            if (evaluator_.Evaluate(window, u.formula, number, result)) {
                number = result;
                formula = u.formula;
                return UnitResult::Applied;
            }
            waiting = true;  // the constant is being read; a later unit may still match
        } else if (unit == u.name) {
            formula = u.formula;
            return UnitResult::Applied;
        }
    }
    return waiting ? UnitResult::WaitingForConstant : UnitResult::NoUnit;
}

std::string ValueConversion::FormatNumber(std::string_view unit, std::string_view dataType,
                                          std::string_view formula, double number) {
    const std::int64_t t = TruncateToInt64(number);
    const int width = WidthOf(dataType);
    const bool knownWidth = width == 8 || width == 16 || width == 32;
    if (unit.empty() || unit == kUnitAscii) {
        if (!knownWidth) {
            return kUnknownWidthText;
        }
        std::string raw;
        for (int i = 0; i < width / 8; ++i) {
            char c = static_cast<char>((static_cast<std::uint64_t>(t) >> (8 * i)) & 0xFF);
            if (c == '\0') {
                break;
            }
            raw += c;
        }
        return Gb18030ToUtf8(raw);
    }
    if (unit == kUnitDec || (unit != kUnitHex && formula == kIdentityFormula)) {
        if (!knownWidth) {
            return kUnknownWidthText;
        }
        if (width == 32 && IsUnsigned(dataType)) {
            return WriteUnsigned(static_cast<std::uint32_t>(t));
        }
        return WriteInteger(width == 32 ? static_cast<std::int32_t>(t) : t);
    }
    if (unit == kUnitHex) {
        if (!knownWidth) {
            return kUnknownWidthText;
        }
        const std::uint64_t mask = (std::uint64_t{1} << width) - 1;
        return WriteHex(static_cast<std::uint64_t>(t) & mask);
    }
    return WriteFixed(number, kUnitDecimals);
}

ValueConversion::Shown ValueConversion::ShowRaw(engine::ReceiverId window, ObjectKey key,
                                                const std::string& unit,
                                                const std::string& dataType, std::uint32_t raw) {
    Shown shown;
    std::optional<double> number = RawToNumber(dataType, raw);
    if (!number) {
        return shown;
    }
    std::string formula;
    switch (ApplyUnit(window, key, unit, *number, formula)) {
        case UnitResult::Applied:
            shown.status = Shown::Status::Shown;
            shown.text = FormatNumber(unit, dataType, formula, *number);
            break;
        case UnitResult::WaitingForConstant:
            shown.status = Shown::Status::WaitingForConstant;
            shown.missingConstant = evaluator_.LastMissingConstant();
            break;
        case UnitResult::NoUnit:
            break;
    }
    return shown;
}

ValueConversion::WriteResult ValueConversion::WriteRow(engine::ReceiverId window,
                                                       const ValueRows& rows, int row,
                                                       RefusalHandler refused) {
    Write write;
    write.window = window;
    write.key = ParseDecimalLoose(rows.CellText(row, kColumnKey));
    write.target.name = rows.CellText(row, kColumnName);
    write.target.dataType = rows.CellText(row, kColumnDataType);
    write.unit = rows.CellText(row, kColumnUnit);
    write.text = rows.CellText(row, kColumnValue);
    write.refused = std::move(refused);
    if (write.target.name.empty()) {
        DictionaryEntry entry;
        if (dictionary_.FindByKey(write.key, entry)) {
            write.target.name = entry.name;
        }
    }
    return Convert(write);
}

ValueConversion::WriteResult ValueConversion::Convert(const Write& write) {
    UnitRecord record;
    units_.Find(write.key, record);
    const InputResult input =
        ConvertInput(write.target, write.unit, write.text, record.units,
                     [this](ObjectKey constant) { return evaluator_.FindConstant(constant); });
    switch (input.status) {
        case InputStatus::Accepted:
            if (submit_) {
                submit_(write.window, link::WriteCommandForWidth(WidthOf(write.target.dataType)),
                        write.key, static_cast<std::int32_t>(input.raw));
            }
            return WriteResult::Sent;
        case InputStatus::Refused:
            if (write.refused) {
                write.refused(input.refusal);
            }
            return WriteResult::Refused;
        case InputStatus::WaitingForConstant:
            break;
    }
    const ObjectKey constant = input.missingConstant;
    evaluator_.RequestConstant(constant);
    evaluator_.StorePending(
        constant, [this, write] { Convert(write); },
        [write, constant] {
            if (write.refused) {
                write.refused(write.target.name + ": " + write.text + kCannotConvert +
                              ObjectAddress(constant) + kCouldNotBeRead);
            }
        });
    return WriteResult::Waiting;
}

std::vector<ObjectKey> ValueConversion::ConstantsOfUnits() const {
    std::vector<ObjectKey> keys;
    DictionaryEntry entry;
    for (int i = 0; i < dictionary_.GetCount(); ++i) {
        if (!dictionary_.GetAt(i, entry) || entry.unitSpec.find('[', 1) == std::string::npos) {
            continue;
        }
        for (const UnitDefinition& unit : ParseUnitSpec(entry.unitSpec)) {
            for (ObjectKey key : ConstantReferences(unit.formula)) {
                if (std::find(keys.begin(), keys.end(), key) == keys.end()) {
                    keys.push_back(key);
                }
            }
        }
    }
    return keys;
}

std::string ValueConversion::HelpText(const DictionaryEntry& entry) {
    const std::string head = "Index: 0x" + WriteUpperHex(entry.index & 0xFFFF, 4) +
                             WriteUpperHex(static_cast<std::uint32_t>(entry.subIndex), 2);
    std::string help = ReplaceAll(ReplaceAll(entry.help, "\n", "\r\n"), "。", "。\r\n");
    return head + "\r\nName: " + entry.name + "\r\nData Type: " + entry.dataType + "  " +
           entry.attribute + "\r\nOperator Help:\r\n" + help;
}

void ValueConversion::ShowObjectHelp(ObjectKey key) {
    DictionaryEntry entry;
    if (!dictionary_.FindByKey(key, entry) || !showHelp_) {
        return;
    }
    showHelp_(HelpText(entry));
}

}  // namespace morlo
