#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/ObjectKey.h"
#include "dictionary/ObjectDictionary.h"
#include "engine/EngineConstants.h"
#include "values/FormulaEvaluator.h"
#include "values/UnitTable.h"

namespace morlo::scope {

// What converting the oscilloscope's values needs: the dictionary, the units, the formula
// evaluator, and the receiver of the drive reads a conversion makes.
struct ScopeUnits {
    const ObjectDictionary& dictionary;
    UnitTable& units;
    FormulaEvaluator& evaluator;
    engine::ReceiverId window = engine::kNoReceiver;
};

// A raw 32-bit value as an integer text by the object's size code: unsigned for 8, 16 and 32,
// signed for 9, 17 and 33, empty for anything else.
std::string IntegerForm(int sizeCode, std::int32_t value);

// The text of a raw value of the object in a unit: "DEC" the integer form, "HEX" upper-case
// hexadecimal digits of the object's width, any other unit its formula's result ("N*1" as the
// integer form, else six decimals). Empty when the unit cannot convert it (yet: a drive value
// the formula needs has been asked for, and the window gets its key's answer).
std::string DisplayForm(const ScopeUnits& units, ObjectKey key, std::int32_t value,
                        const std::string& unit);

// The display form of a trigger level: with as many decimals as it takes for the text, entered
// again in the same unit, to write back the same raw value.
std::string LevelForm(const ScopeUnits& units, ObjectKey key, std::int32_t value,
                      const std::string& unit);

// A signed difference of raw values in a unit (cursor read-outs): "DEC" and "HEX" with a
// sign, any other unit the formula's result for the difference.
std::string DifferenceForm(const ScopeUnits& units, ObjectKey key, std::int64_t difference,
                           const std::string& unit);

// A raw number in a unit at full precision; nullopt while the unit cannot convert it.
std::optional<double> UnitValue(const ScopeUnits& units, ObjectKey key, double number,
                                const std::string& unit);

// The factor from raw values to the unit at full precision (1 for "DEC" and "HEX"; 0 while
// the unit cannot convert).
double UnitCoefficient(const ScopeUnits& units, ObjectKey key, const std::string& unit);

// Entering the trigger level: the text in the trigger unit to the raw value the recorder
// takes, or why not.
enum class LevelOutcome {
    Raw,          // raw holds the value to write
    Parked,       // the write waits for a drive value the formula needs; it is sent later
    NotANumber,   // the text is not a number of the unit
    OutOfRange,   // the value does not fit the trigger object (minimum .. maximum)
    UnknownUnit,  // the trigger object has no such unit
};
struct LevelConversion {
    LevelOutcome outcome = LevelOutcome::NotANumber;
    std::int32_t raw = 0;
    std::int64_t minimum = 0;
    std::int64_t maximum = 0;
};
LevelConversion TriggerLevelToRaw(const ScopeUnits& units, ObjectKey triggerKey,
                                  const std::string& text, const std::string& unit);

}  // namespace morlo::scope
