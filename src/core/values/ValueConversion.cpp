#include "values/ValueConversion.h"

#include <cstdio>
#include <cstdlib>

#include "link/SdoFrame.h"
#include "text/Encoding.h"
#include "text/NumberText.h"

namespace morlo {
namespace {

constexpr const char* kUnknownWidthText = "???";

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

ValueConversion::RowFacts ValueConversion::FindRow(const ValueRows& rows, ObjectKey key) {
    for (int row = 0; row < rows.RowCount(); ++row) {
        if (ParseDecimalLoose(rows.CellText(row, kColumnKey)) == key) {
            return {row, rows.CellText(row, kColumnUnit), rows.CellText(row, kColumnDataType)};
        }
    }
    return {};
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

bool ValueConversion::ApplyUnit(engine::ReceiverId window, ObjectKey key, const std::string& unit,
                                double& number, std::string& formula) {
    evaluator_.UpdateConstant(key, static_cast<std::int32_t>(TruncateToInt64(number)));
    if (unit.empty() || unit == kUnitDec || unit == kUnitAscii || unit == kUnitHex) {
        formula.clear();
        return true;
    }
    UnitRecord record;
    if (!units_.Find(key, record)) {
        return false;
    }
    for (const auto& u : record.units) {
        if (!u.label.empty()) {
            if (unit != u.label) {
                continue;
            }
            double result = 0.0;
            if (evaluator_.Evaluate(window, u.formula, number, result)) {
                number = result;
                formula = u.formula;
                return true;
            }
            evaluator_.StorePending(key, link::kCmdRead, 0.0, u.formula);
        } else if (unit == u.name) {
            formula = u.formula;
            return true;
        }
    }
    return false;
}

std::string ValueConversion::FormatNumber(std::string_view unit, std::string_view dataType,
                                          std::string_view formula, double number) {
    const std::int64_t t = TruncateToInt64(number);
    const int width = WidthOf(dataType);
    char text[64];
    if (unit.empty() || unit == kUnitAscii) {
        int bytes = width / 8;
        if (width != 8 && width != 16 && width != 32) {
            return kUnknownWidthText;
        }
        std::string raw;
        for (int i = 0; i < bytes; ++i) {
            char c = static_cast<char>((static_cast<std::uint64_t>(t) >> (8 * i)) & 0xFF);
            if (c == '\0') {
                break;
            }
            raw += c;
        }
        return Gb18030ToUtf8(raw);
    }
    if (unit == kUnitDec || (unit != kUnitHex && formula == kIdentityFormula)) {
        if (width == 8 || width == 16) {
            std::snprintf(text, sizeof text, "%d", static_cast<int>(t));
        } else if (width == 32) {
            if (IsUnsigned(dataType)) {
                std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(t));
            } else {
                std::snprintf(text, sizeof text, "%d", static_cast<int>(t));
            }
        } else {
            return kUnknownWidthText;
        }
        return text;
    }
    if (unit == kUnitHex) {
        std::uint64_t mask = width == 8 ? 0xFF : width == 16 ? 0xFFFF : 0xFFFFFFFF;
        if (width != 8 && width != 16 && width != 32) {
            return kUnknownWidthText;
        }
        std::snprintf(text, sizeof text, "%llx",
                      static_cast<unsigned long long>(static_cast<std::uint64_t>(t) & mask));
        return text;
    }
    std::snprintf(text, sizeof text, "%0.3f", number);
    return text;
}

bool ValueConversion::WriteRow(engine::ReceiverId window, const ValueRows& rows, int row) {
    const ObjectKey key = ParseDecimalLoose(rows.CellText(row, kColumnKey));
    const std::string dataType = rows.CellText(row, kColumnDataType);
    const std::string valueText = rows.CellText(row, kColumnValue);
    const std::string unit = rows.CellText(row, kColumnUnit);
    const int width = WidthOf(dataType);
    const std::uint8_t command = link::WriteCommandForWidth(width);
    std::int64_t value = 0;

    if (unit == kUnitAscii) {
        std::string bytes = Utf8ToGb18030(valueText);
        if ((width != 8 && width != 16 && width != 32) ||
            bytes.size() != static_cast<std::size_t>(width / 8)) {
            return false;
        }
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            value |= static_cast<std::int64_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
        }
    } else if (unit.empty() || unit == kUnitDec) {
        // Read wide, so that unsigned 32-bit values above 2^31 are written as typed.
        value = std::strtoll(valueText.c_str(), nullptr, 10);
    } else if (unit == kUnitHex) {
        if (width != 8 && width != 16 && width != 32) {
            return false;
        }
        value = static_cast<std::uint32_t>(ParseHexLoose(valueText));
    } else {
        UnitRecord record;
        if (!units_.Find(key, record)) {
            return false;
        }
        const UnitDefinition* match = nullptr;
        for (const auto& u : record.units) {
            if (u.name == unit) {
                match = &u;
                break;
            }
        }
        if (!match) {
            return false;
        }
        const double typed = std::strtod(valueText.c_str(), nullptr);
        if (!evaluator_.EvaluateToInteger(window, match->formula, typed, value)) {
            evaluator_.StorePending(key, command, typed, match->formula);
            return true;
        }
    }
    if (submit_) {
        submit_(window, command, key, static_cast<std::int32_t>(value));
    }
    return true;
}

std::string ValueConversion::HelpText(const DictionaryEntry& entry) {
    char head[64];
    std::snprintf(head, sizeof head, "Index: 0x%04X%02X",
                  static_cast<unsigned>(entry.index & 0xFFFF),
                  static_cast<unsigned>(entry.subIndex));
    std::string help = ReplaceAll(ReplaceAll(entry.help, "\n", "\r\n"), "。", "。\r\n");
    return std::string(head) + "\r\nName: " + entry.name + "\r\nData Type: " + entry.dataType +
           "  " + entry.attribute + "\r\nOperator Help:\r\n" + help;
}

void ValueConversion::ShowObjectHelp(ObjectKey key) {
    DictionaryEntry entry;
    if (!dictionary_.FindByKey(key, entry) || !showHelp_) {
        return;
    }
    showHelp_(HelpText(entry));
}

}  // namespace morlo
