#include "scope/ScopeValues.h"

#include <cctype>

#include "link/LinkConstants.h"
#include "scope/MappingValue.h"
#include "scope/ScopeConstants.h"
#include "text/NumberIo.h"
#include "values/FormulaMath.h"

namespace morlo::scope {
namespace {

constexpr int kUnitDecimals = 6;
// A level is shown with more decimals when six would not write back the same raw value.
constexpr int kLevelDecimalsMost = 15;

std::optional<int> SizeCodeOfKey(const ObjectDictionary& dictionary, ObjectKey key) {
    DictionaryEntry entry;
    if (!dictionary.FindByKey(key, entry)) {
        return std::nullopt;
    }
    return SizeCodeOf(entry.dataType);
}

bool IsSigned(int sizeCode) {
    return (sizeCode & static_cast<int>(kSignedBit)) != 0;
}

double AsNumber(int sizeCode, std::int32_t value) {
    return IsSigned(sizeCode) ? static_cast<double>(value)
                              : static_cast<double>(static_cast<std::uint32_t>(value));
}

std::string UpperHex(std::uint64_t value) {
    std::string text = WriteHex(value);
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

// Upper-case hexadecimal digits of the value's bit pattern in the object's width.
std::string HexForm(int sizeCode, std::int32_t value) {
    const int width = sizeCode >= 8 ? (sizeCode & ~1) : 32;
    const std::uint64_t mask = (std::uint64_t{1} << width) - 1;
    return UpperHex(static_cast<std::uint32_t>(value) & mask);
}

struct Converted {
    double number;
    std::string formula;
};

// The unit shown under this text, converted like a list row's value, but without making the
// number the object's present value: the recorder's numbers are levels and samples.
std::optional<Converted> ConvertToUnit(const ScopeUnits& u, ObjectKey key, const std::string& unit,
                                       double number) {
    UnitRecord record;
    if (!u.units.Find(key, record)) {
        return std::nullopt;
    }
    for (const auto& definition : record.units) {
        if (!definition.label.empty()) {
            if (unit != definition.label) {
                continue;
            }
            double result = 0.0;
            if (u.evaluator.Evaluate(u.window, definition.formula, number, result)) {
                return Converted{result, definition.formula};
            }
            // The conversion is tried again when the key's value comes back to the window.
            u.evaluator.ParkRead(u.evaluator.LastMissingConstant(), u.window, key);
        } else if (unit == definition.name) {
            return Converted{number, definition.formula};
        }
    }
    return std::nullopt;
}

// The unit of the object that turns a number typed in `unit` back into a raw value.
std::optional<UnitDefinition> WriteBackUnit(const ScopeUnits& u, ObjectKey key,
                                            const std::string& unit) {
    UnitRecord record;
    if (!u.units.Find(key, record)) {
        return std::nullopt;
    }
    for (const auto& definition : record.units) {
        if (definition.name == unit) {
            return definition;
        }
    }
    return std::nullopt;
}

struct Range {
    std::int64_t minimum;
    std::int64_t maximum;
};
Range RangeOf(int sizeCode) {
    const int width = sizeCode & ~1;
    if (IsSigned(sizeCode)) {
        return {-(std::int64_t{1} << (width - 1)), (std::int64_t{1} << (width - 1)) - 1};
    }
    return {0, (std::int64_t{1} << width) - 1};
}

LevelConversion Checked(std::int64_t value, int sizeCode) {
    const Range range = RangeOf(sizeCode);
    if (value < range.minimum || value > range.maximum) {
        return {LevelOutcome::OutOfRange, 0, range.minimum, range.maximum};
    }
    return {LevelOutcome::Raw, static_cast<std::int32_t>(static_cast<std::uint32_t>(value)),
            range.minimum, range.maximum};
}

}  // namespace

std::string IntegerForm(int sizeCode, std::int32_t value) {
    switch (sizeCode) {
        case 8:
        case 16:
        case 32:
            return WriteUnsigned(static_cast<std::uint32_t>(value));
        case 9:
        case 17:
        case 33:
            return WriteInteger(value);
        default:
            return {};
    }
}

std::string DisplayForm(const ScopeUnits& u, ObjectKey key, std::int32_t value,
                        const std::string& unit) {
    const int sizeCode = SizeCodeOfKey(u.dictionary, key).value_or(0);
    if (unit == kUnitDec) {
        return IntegerForm(sizeCode, value);
    }
    if (unit == kUnitHex) {
        return HexForm(sizeCode, value);
    }
    const auto converted = ConvertToUnit(u, key, unit, AsNumber(sizeCode, value));
    if (!converted) {
        return {};
    }
    if (converted->formula == kIdentityFormula) {
        return IntegerForm(sizeCode, value);
    }
    return WriteFixed(converted->number, kUnitDecimals);
}

std::string LevelForm(const ScopeUnits& u, ObjectKey key, std::int32_t value,
                      const std::string& unit) {
    const int sizeCode = SizeCodeOfKey(u.dictionary, key).value_or(0);
    if (unit == kUnitDec || unit == kUnitHex) {
        return DisplayForm(u, key, value, unit);
    }
    const auto converted = ConvertToUnit(u, key, unit, AsNumber(sizeCode, value));
    if (!converted) {
        return {};
    }
    if (converted->formula == kIdentityFormula) {
        return IntegerForm(sizeCode, value);
    }
    const auto back = WriteBackUnit(u, key, unit);
    const auto raw = static_cast<std::int64_t>(AsNumber(sizeCode, value));
    for (int decimals = kUnitDecimals; back && decimals <= kLevelDecimalsMost; ++decimals) {
        const std::string text = WriteFixed(converted->number, decimals);
        std::int64_t written = 0;
        if (!u.evaluator.EvaluateToInteger(u.window, back->formula, ReadNumber(text).value_or(0.0),
                                           written)) {
            break;  // cannot be checked now: the usual form
        }
        if (written == raw) {
            return text;
        }
    }
    return WriteFixed(converted->number, kUnitDecimals);
}

std::string DifferenceForm(const ScopeUnits& u, ObjectKey key, std::int64_t difference,
                           const std::string& unit) {
    if (unit == kUnitDec) {
        return WriteInteger(difference);
    }
    const std::uint64_t magnitude = difference < 0 ? 0 - static_cast<std::uint64_t>(difference)
                                                   : static_cast<std::uint64_t>(difference);
    if (unit == kUnitHex) {
        return difference < 0 ? "-" + UpperHex(magnitude) : UpperHex(magnitude);
    }
    const auto converted = ConvertToUnit(u, key, unit, static_cast<double>(difference));
    if (!converted) {
        return {};
    }
    if (converted->formula == kIdentityFormula) {
        return WriteInteger(difference);
    }
    return WriteFixed(converted->number, kUnitDecimals);
}

std::optional<double> UnitValue(const ScopeUnits& u, ObjectKey key, double number,
                                const std::string& unit) {
    if (unit == kUnitDec || unit == kUnitHex) {
        return number;
    }
    const auto converted = ConvertToUnit(u, key, unit, number);
    if (!converted) {
        return std::nullopt;
    }
    return converted->number;
}

double UnitCoefficient(const ScopeUnits& u, ObjectKey key, const std::string& unit) {
    return UnitValue(u, key, 1.0, unit).value_or(0.0);
}

LevelConversion TriggerLevelToRaw(const ScopeUnits& u, ObjectKey triggerKey,
                                  const std::string& text, const std::string& unit) {
    const auto sizeCode = SizeCodeOfKey(u.dictionary, triggerKey);
    if (!sizeCode) {
        return {LevelOutcome::UnknownUnit};
    }
    const Range range = RangeOf(*sizeCode);
    if (unit == kUnitHex) {
        // Hexadecimal digits whatever formula the object's unit of that name has.
        const auto value = ReadHexInteger(text);
        const int width = *sizeCode & ~1;
        if (!value) {
            return {LevelOutcome::NotANumber, 0, range.minimum, range.maximum};
        }
        if (*value >> width != 0) {
            return {LevelOutcome::OutOfRange, 0, range.minimum, range.maximum};
        }
        // The digits are the object's bit pattern; a signed object's pattern is sign-extended.
        std::int64_t pattern = static_cast<std::int64_t>(*value);
        if (IsSigned(*sizeCode) && (pattern >> (width - 1)) != 0) {
            pattern -= std::int64_t{1} << width;
        }
        return Checked(pattern, *sizeCode);
    }
    const auto named = WriteBackUnit(u, triggerKey, unit);
    if (unit == kUnitDec || (named && named->formula == kIdentityFormula)) {
        const auto value = ReadInteger(text);
        if (!value) {
            return {LevelOutcome::NotANumber, 0, range.minimum, range.maximum};
        }
        return Checked(*value, *sizeCode);
    }
    if (!named) {
        return {LevelOutcome::UnknownUnit, 0, range.minimum, range.maximum};
    }
    const auto typed = ReadNumber(text);
    if (!typed) {
        return {LevelOutcome::NotANumber, 0, range.minimum, range.maximum};
    }
    std::int64_t raw = 0;
    if (!u.evaluator.EvaluateToInteger(u.window, named->formula, *typed, raw)) {
        // Converted again, range check included, once the drive value has arrived; written
        // only when it then fits.
        const ScopeUnits again = u;
        u.evaluator.StorePending(
            u.evaluator.LastMissingConstant(), [again, triggerKey, text, unit] {
                const LevelConversion later = TriggerLevelToRaw(again, triggerKey, text, unit);
                if (later.outcome == LevelOutcome::Raw) {
                    again.evaluator.Submit(again.window, link::kCmdWrite32, kRecorderTriggerLevel,
                                           later.raw);
                }
            });
        return {LevelOutcome::Parked, 0, range.minimum, range.maximum};
    }
    return Checked(raw, *sizeCode);
}

}  // namespace morlo::scope
