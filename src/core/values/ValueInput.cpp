#include "values/ValueInput.h"

#include <algorithm>
#include <cmath>

#include "link/AbortCode.h"
#include "text/Encoding.h"
#include "text/NumberIo.h"
#include "text/NumberText.h"
#include "values/UnitTable.h"

namespace morlo {
namespace {

// Refusal texts: "<object name>: <text> <reason>!!".
constexpr std::string_view kRefusalEnd = "!!";
constexpr std::string_view kEmptyText = "the empty text";
constexpr std::string_view kNotANumber = "is not a number";
constexpr std::string_view kNotWhole = "is not a whole number";
constexpr std::string_view kNotHex = "is not a hexadecimal number";
constexpr std::string_view kOutOfRange = "is out of range";
constexpr std::string_view kNotUnit = "is not a unit of this object";
constexpr std::string_view kTypeNotWritable = "values of type";
constexpr std::string_view kCannotBeWritten = "cannot be written";
constexpr std::string_view kAsciiLength = "is not";
constexpr std::string_view kCharacters = "characters long";
constexpr std::string_view kCharacter = "character long";
constexpr std::string_view kDriveRefused = "the drive refused";
constexpr int kAbortCodeDigits = 8;

// Whole numbers up to 2^53 are exact in a double.
constexpr double kExactIntegerLimit = 9007199254740992.0;
constexpr int kRangeDecimals = 3;

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

InputResult Refuse(const InputTarget& target, std::string_view text, std::string_view reason) {
    InputResult result;
    result.status = InputStatus::Refused;
    result.refusal = target.name + ": " + std::string(text.empty() ? kEmptyText : text) + " " +
                     std::string(reason) + std::string(kRefusalEnd);
    return result;
}

// "6553.500" -> "6553.5", "-0.000" -> "0".
std::string ShortDecimal(double value) {
    std::string text = WriteFixed(value, kRangeDecimals);
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0') {
            text.pop_back();
        }
        if (text.back() == '.') {
            text.pop_back();
        }
    }
    return text == "-0" ? "0" : text;
}

// The accepted range as the user reads it: in the unit's shown numbers where it has a display
// group, else raw.
std::string RangeText(const RawLimits& limits, std::string_view unit,
                      const std::vector<UnitDefinition>& units, const ConstantLookup& constants) {
    const std::string raw = WriteInteger(limits.min) + " .. " + WriteInteger(limits.max);
    if (unit == kUnitHex) {
        return "0 .. " + WriteHex(static_cast<std::uint64_t>(limits.max - limits.min));
    }
    if (unit.empty() || unit == kUnitDec) {
        return raw;
    }
    const UnitDefinition* display = nullptr;
    for (const auto& u : units) {
        if (u.label == unit || (u.label.empty() && u.name == unit)) {
            display = &u;
            break;
        }
    }
    if (!display || display->formula == kIdentityFormula) {
        return raw;
    }
    const FormulaOutcome low = EvaluateFormula(display->formula, double(limits.min), constants);
    const FormulaOutcome high = EvaluateFormula(display->formula, double(limits.max), constants);
    if (!low.ok || !high.ok || !std::isfinite(low.value) || !std::isfinite(high.value)) {
        return raw;
    }
    return ShortDecimal(std::min(low.value, high.value)) + " .. " +
           ShortDecimal(std::max(low.value, high.value));
}

InputResult Fit(const InputTarget& target, const RawLimits& limits, std::string_view text,
                std::optional<double> value, std::string_view unit,
                const std::vector<UnitDefinition>& units, const ConstantLookup& constants) {
    std::optional<std::int64_t> whole = value ? RoundToInt64(*value) : std::nullopt;
    if (!whole || *whole < limits.min || *whole > limits.max) {
        return Refuse(
            target, text,
            std::string(kOutOfRange) + " (" + RangeText(limits, unit, units, constants) + ")");
    }
    InputResult result;
    result.status = InputStatus::Accepted;
    result.raw = static_cast<std::uint32_t>(static_cast<std::uint64_t>(*whole));
    return result;
}

// A whole decimal number; digits are read exactly, other number texts must be whole.
InputResult ConvertDecimal(const InputTarget& target, const RawLimits& limits,
                           std::string_view text) {
    if (std::optional<std::int64_t> integer = ReadInteger(text)) {
        return Fit(target, limits, text, double(*integer), kUnitDec, {}, {});
    }
    std::optional<double> number = ReadNumber(text);
    if (!number) {
        return Refuse(target, text, kNotANumber);
    }
    if (std::abs(*number) < kExactIntegerLimit && std::trunc(*number) != *number) {
        return Refuse(target, text, kNotWhole);
    }
    return Fit(target, limits, text, *number, kUnitDec, {}, {});
}

InputResult ConvertHex(const InputTarget& target, const RawLimits& limits, std::string_view text) {
    std::optional<std::uint64_t> bits = ReadHexInteger(text);
    if (!bits) {
        // Digits that only overflow 64 bits are out of range, not junk.
        std::string_view digits = text;
        if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
            digits.remove_prefix(2);
        }
        const bool allDigits =
            !digits.empty() &&
            std::all_of(digits.begin(), digits.end(), [](char c) { return HexDigitValue(c) >= 0; });
        if (!allDigits) {
            return Refuse(target, text, kNotHex);
        }
    }
    const std::uint64_t mask = static_cast<std::uint64_t>(limits.max - limits.min);
    if (!bits || *bits > mask) {
        return Refuse(target, text,
                      std::string(kOutOfRange) + " (" + RangeText(limits, kUnitHex, {}, {}) + ")");
    }
    // The digits are the bit pattern: a signed object takes them as its negative values too.
    InputResult result;
    result.status = InputStatus::Accepted;
    std::uint64_t value = *bits;
    if (!limits.isUnsigned && value > static_cast<std::uint64_t>(limits.max)) {
        value |= ~mask;  // sign-extend into 32 bits
    }
    result.raw = static_cast<std::uint32_t>(value);
    return result;
}

InputResult ConvertAscii(const InputTarget& target, const RawLimits& limits,
                         std::string_view text) {
    // No trimming: blanks are characters here.
    const std::string bytes = Utf8ToGb18030(text);
    const std::size_t wanted = static_cast<std::size_t>(limits.width / 8);
    if (bytes.size() != wanted) {
        return Refuse(target, text,
                      std::string(kAsciiLength) + " " + WriteUnsigned(wanted) + " " +
                          std::string(wanted == 1 ? kCharacter : kCharacters));
    }
    InputResult result;
    result.status = InputStatus::Accepted;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        result.raw |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    }
    return result;
}

InputResult ConvertInUnit(const InputTarget& target, const RawLimits& limits, std::string_view unit,
                          std::string_view text, const std::vector<UnitDefinition>& units,
                          const ConstantLookup& constants) {
    const auto write = std::find_if(units.begin(), units.end(),
                                    [&](const UnitDefinition& u) { return u.name == unit; });
    if (write == units.end()) {
        return Refuse(target, unit, kNotUnit);
    }
    std::optional<double> typed = ReadNumber(text);
    if (!typed) {
        return Refuse(target, text, kNotANumber);
    }
    const FormulaOutcome outcome = EvaluateFormula(write->formula, *typed, constants);
    if (!outcome.ok) {
        InputResult result;
        result.status = InputStatus::WaitingForConstant;
        result.missingConstant = outcome.missingConstant;
        return result;
    }
    return Fit(target, limits, text, outcome.value, unit, units, constants);
}

}  // namespace

std::string DriveRefusalText(std::string_view name, std::string_view text,
                             std::uint32_t abortCode) {
    return std::string(name) + ": " + std::string(kDriveRefused) + " " +
           std::string(text.empty() ? kEmptyText : text) + " (" +
           std::string(link::AbortCodeText(abortCode)) + ", 0x" +
           WriteUpperHex(abortCode, kAbortCodeDigits) + ")" + std::string(kRefusalEnd);
}

std::optional<RawLimits> LimitsOf(std::string_view dataType) {
    RawLimits limits;
    limits.width = DigitsOf(dataType);
    limits.isUnsigned = !dataType.empty() && (dataType.front() == 'U' || dataType.front() == 'u');
    if (limits.width != 8 && limits.width != 16 && limits.width != 32) {
        return std::nullopt;
    }
    const std::int64_t span = std::int64_t{1} << limits.width;
    limits.min = limits.isUnsigned ? 0 : -span / 2;
    limits.max = limits.isUnsigned ? span - 1 : span / 2 - 1;
    return limits;
}

InputResult ConvertInput(const InputTarget& target, std::string_view unit, std::string_view text,
                         const std::vector<UnitDefinition>& units,
                         const ConstantLookup& constants) {
    std::optional<RawLimits> limits = LimitsOf(target.dataType);
    if (!limits) {
        return Refuse(target, std::string(kTypeNotWritable) + " " + target.dataType,
                      kCannotBeWritten);
    }
    if (unit == kUnitAscii) {
        return ConvertAscii(target, *limits, text);
    }
    text = TrimBlanks(text);
    if (unit.empty() || unit == kUnitDec) {
        return ConvertDecimal(target, *limits, text);
    }
    if (unit == kUnitHex) {
        return ConvertHex(target, *limits, text);
    }
    return ConvertInUnit(target, *limits, unit, text, units, constants);
}

}  // namespace morlo
