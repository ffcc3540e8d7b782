#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/ObjectKey.h"
#include "values/FormulaMath.h"
#include "values/UnitSpec.h"

namespace morlo {

// Text typed by a user (or held in a file) turned into the raw value of one drive object, or
// a clear refusal. Every face that writes such a value uses this one conversion: the page
// cells, the command-line `write`, the drive-data restore and the oscilloscope's trigger level.
// A refused text must never reach the drive.

// The object a value is for: its name (for the refusal text) and its data type.
struct InputTarget {
    std::string name;      // shown at the start of a refusal, e.g. "Target position"
    std::string dataType;  // "U8", "I8", "U16", "I16", "U32", "I32"; others cannot be written
};

enum class InputStatus {
    Accepted,            // `raw` holds the value to send
    Refused,             // `refusal` holds the text to show; nothing may be sent
    WaitingForConstant,  // the unit's formula needs the object `missingConstant`: read it,
                         // then convert again
};

struct InputResult {
    InputStatus status = InputStatus::Refused;
    std::uint32_t raw = 0;          // Accepted: the bits to send, two's complement in the width
    std::string refusal;            // Refused, e.g.
                                    // "Target position: 3000000000 is out of range
                                    // (-2147483648 .. 2147483647)!!"
    ObjectKey missingConstant = 0;  // WaitingForConstant
};

// Converts `text` typed in `unit` into the raw value of `target`. Blanks around the text are
// allowed, anything else that is not part of the number refuses it. The units:
//   "DEC" or "": a whole decimal number ("1e3" and "12.0" are whole, "1.5" is not);
//   "HEX":       hexadecimal digits, "0x" allowed, no sign, at most the width's value;
//   "ASCII":     exactly width/8 characters (in the database's 8-bit code);
//   otherwise:   a decimal number in the object's unit whose name is `unit` (the write group
//                of `units`), through its formula with `constants`, rounded to the nearest
//                raw step, halves away from zero.
// The result must fit the data type's width and sign. Refusals name the object; a value out of
// range also names the accepted range, in the unit when the unit shows values (its display
// group, found by label), else raw.
InputResult ConvertInput(const InputTarget& target, std::string_view unit, std::string_view text,
                         const std::vector<UnitDefinition>& units, const ConstantLookup& constants);

// A value that passed ConvertInput and that the drive refused, in the form of the refusals:
// "Position loop proportional gain: the drive refused 5000 (value of parameter written too
// high, 0x06090031)!!".
std::string DriveRefusalText(std::string_view name, std::string_view text, std::uint32_t abortCode);

// The raw range of a data type: width 8, 16 or 32 from its digits, unsigned when it starts with
// "U" or "u". nullopt for any other width ("VISIBLE STRING", "DOMAIN").
struct RawLimits {
    int width = 0;
    bool isUnsigned = false;
    std::int64_t min = 0;
    std::int64_t max = 0;
};
std::optional<RawLimits> LimitsOf(std::string_view dataType);

}  // namespace morlo
