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
    bool Usable() const { return bits == 8 || bits == 16 || bits == 32; }
};

// A type text is unsigned when it starts with 'U' or 'u'; its width is the number its digits
// form ("I16" is 16, "VISIBLE STRING" 0).
ValueFormat FormatOfType(std::string_view dataType);
ValueFormat FormatOfKey(std::uint32_t key);

// The text of a value the drive reported, masked to the width: typed formats in decimal with
// the type's sign, the others as "0x" and 2, 4 or 8 lower-case hexadecimal digits.
std::string FormatValue(std::uint32_t raw, const ValueFormat& format);
// "0x" and 8 lower-case hexadecimal digits.
std::string FormatAbortCode(std::uint32_t code);
// Whether two values agree in the low bits of the width.
bool SameValue(std::uint32_t a, std::uint32_t b, int bits);

struct LoadValue {
    std::optional<std::uint32_t> raw;  // the bit pattern to send, masked to the command width
    RowNote note = RowNote::None;      // why there is none
};

// The value a file row asks for, read strictly: in hexadecimal when the text holds a lower-case
// 'x' ("0x0005": a bit pattern of the width), else as a decimal number of the type's range.
// It must also fit the width of the write command. Nothing is ever wrapped to fit.
LoadValue LoadValueToRaw(std::string_view text, const ValueFormat& format, int commandBits);

}  // namespace morlo::transfer
