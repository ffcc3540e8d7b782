#pragma once

#include <cstdint>
#include <string_view>

namespace morlo {

// The value of a hexadecimal digit (either case), or -1 for any other character.
int HexDigitValue(char c);

// The lenient hexadecimal reader of the file formats: a leading '-' negates, every 0-9/A-F
// (either case) adds a digit, every other character is skipped. Wraps modulo 2^32.
std::int32_t ParseHexLoose(std::string_view text);

// The lenient decimal reader: empty gives 0, a leading '-' negates, every digit adds a digit,
// every other character is skipped. Wraps modulo 2^32.
std::int32_t ParseDecimalLoose(std::string_view text);

// C-style integer reading: leading blanks, an optional sign, then digits up to the first
// non-digit; no digits give 0. Saturates at the 32-bit range.
std::int32_t ParseDecimalPrefix(std::string_view text);

// The decimal number formed by all digits of the text ("U16" gives 16, "VISIBLE STRING" 0).
int DigitsOf(std::string_view text);

}  // namespace morlo
