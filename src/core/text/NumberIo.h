#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/ObjectKey.h"

namespace morlo {

// The one strict, locale-independent way to read and write numbers. A number text is the
// whole text: blanks (space, tab) around it are allowed, anything else makes it invalid. The
// process locale never changes what is read or written ("1.5" is one and a half everywhere).

// A decimal number: optional sign, digits with an optional fraction ("1.", ".5" allowed), an
// optional exponent. Infinity, NaN, hexadecimal floats and out-of-range values are invalid.
std::optional<double> ReadNumber(std::string_view text);

// A decimal integer: optional sign and digits only. Invalid when it does not fit 64 bits.
std::optional<std::int64_t> ReadInteger(std::string_view text);

// A hexadecimal integer: hexadecimal digits (either case) with an optional "0x"/"0X" prefix,
// no sign. Invalid when it does not fit 64 bits.
std::optional<std::uint64_t> ReadHexInteger(std::string_view text);

// Fixed-point text with the given number of decimals, rounded to nearest (what printf would
// write with a precision, without the locale). Non-finite values give "nan", "inf" or "-inf".
std::string WriteFixed(double value, int decimals);

// Fixed-point text with `decimals` decimals where that reads back as the same double, else with
// as many decimals as it takes (still no exponent): a fine encoder's coefficient keeps its digits.
std::string WriteExactFixed(double value, int decimals);

// Shortest text that reads back as the same double ("62.5", "1e-06", "0.1").
std::string WriteShortest(double value);

// At most `digits` significant digits, as printf's %g writes them ("102713", "3099.6",
// "1.23457e+09"), without the locale.
std::string WriteSignificant(double value, int digits);

std::string WriteInteger(std::int64_t value);
std::string WriteUnsigned(std::uint64_t value);
// Lower-case hexadecimal digits without prefix ("ffffffff").
std::string WriteHex(std::uint64_t value);
// Upper-case hexadecimal digits, at least `digits` of them ("06090031").
std::string WriteUpperHex(std::uint64_t value, std::size_t digits);
// An object's address as the user types it: "IIII:SS", upper-case hexadecimal ("607A:00").
std::string WriteObjectAddress(ObjectKey key);

}  // namespace morlo
