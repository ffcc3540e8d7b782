#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "transfer/TransferRow.h"

namespace morlo::transfer {

// How the value of a row is read and shown: by the dictionary's data type when the object is
// known, else by the size byte of its key.
struct ValueFormat {
    int bits = 0;
    bool isSigned = false;
    bool typed = false;
    std::string typeText;  // the data type of a typed format
    bool Usable() const { return bits == 8 || bits == 16 || bits == 32; }
    // How a note names the format: the data type ("I16"), or the width ("16 bits").
    std::string Name() const;
};

// A type text is unsigned when it starts with 'U' or 'u'; its width is the number its digits
// form ("I16" is 16, "VISIBLE STRING" 0).
ValueFormat FormatOfType(std::string_view dataType);
ValueFormat FormatOfKey(std::uint32_t key);

// What the drive's answer says of a row: its text as received, never masked to the listed
// size (typed formats in decimal with the type's sign, the others as "0x" and at least 2, 4
// or 8 lower-case hexadecimal digits), the number it stands for, and why it cannot be "True"
// whatever its value: the answer carried another size than the format's, or a value the
// format cannot hold. answerBits 0: the answer did not say its size.
struct DriveValue {
    std::string text;
    std::int64_t number = 0;  // with the type's sign (typed), else the bit pattern
    RowNote note = RowNote::None;
    std::string noteArg;
};
DriveValue ReadDriveValue(std::uint32_t raw, int answerBits, const ValueFormat& format);

// "0x" and 8 lower-case hexadecimal digits.
std::string FormatAbortCode(std::uint32_t code);

// The value a file row asks for, read strictly: in hexadecimal when the text holds a lower-case
// 'x' ("0x0005": a bit pattern of the width), else as a decimal number of the type's range
// (either reading of the width for an object outside the dictionary). Nothing is ever
// wrapped to fit.
struct LoadValue {
    std::optional<std::uint32_t> raw;  // the bit pattern to send, of the format's width
    std::int64_t number = 0;           // what it stands for, as DriveValue::number
    RowNote note = RowNote::None;      // why there is none
    std::string noteArg;
};
LoadValue LoadValueToRaw(std::string_view text, const ValueFormat& format);

}  // namespace morlo::transfer
