#include "transfer/DriveValueText.h"

#include <algorithm>

#include "text/NumberIo.h"
#include "text/NumberText.h"

namespace morlo::transfer {
namespace {

constexpr int kBitsPerHexDigit = 4;
constexpr std::size_t kAbortCodeDigits = 8;

std::uint64_t Mask(int bits) {
    return bits >= 32 ? 0xFFFFFFFFull : (1ull << bits) - 1;
}

std::string PaddedHex(std::uint64_t value, std::size_t digits) {
    std::string text = WriteHex(value);
    return "0x" + std::string(digits - std::min(digits, text.size()), '0') + text;
}

// The range of decimal numbers a format takes: the type's range for a known object, both the
// signed and the unsigned reading of the width for the others.
bool FitsDecimal(std::int64_t number, int bits, bool isSigned, bool typed) {
    const std::int64_t half = std::int64_t{1} << (bits - 1);
    const std::int64_t low = (typed && !isSigned) ? 0 : -half;
    const std::int64_t high = (typed && isSigned) ? half - 1 : (std::int64_t{1} << bits) - 1;
    return number >= low && number <= high;
}

}  // namespace

ValueFormat FormatOfType(std::string_view dataType) {
    ValueFormat format;
    format.typed = true;
    format.bits = DigitsOf(dataType);
    format.isSigned = dataType.empty() || (dataType.front() != 'U' && dataType.front() != 'u');
    return format;
}

ValueFormat FormatOfKey(std::uint32_t key) {
    ValueFormat format;
    format.bits = static_cast<int>(key & 0xFF);
    return format;
}

std::string FormatValue(std::uint32_t raw, const ValueFormat& format) {
    const std::uint64_t value = raw & Mask(format.bits);
    if (!format.typed) {
        return PaddedHex(value, static_cast<std::size_t>(format.bits / kBitsPerHexDigit));
    }
    if (format.isSigned && format.bits > 0 && value >= (1ull << (format.bits - 1))) {
        return WriteInteger(static_cast<std::int64_t>(value) - (std::int64_t{1} << format.bits));
    }
    return WriteUnsigned(value);
}

std::string FormatAbortCode(std::uint32_t code) {
    return PaddedHex(code, kAbortCodeDigits);
}

bool SameValue(std::uint32_t a, std::uint32_t b, int bits) {
    return ((a ^ b) & Mask(bits)) == 0;
}

LoadValue LoadValueToRaw(std::string_view text, const ValueFormat& format, int commandBits) {
    if (text.empty()) {
        return {std::nullopt, RowNote::EmptyValue};
    }
    if (!format.Usable() || (commandBits != 8 && commandBits != 16 && commandBits != 32)) {
        return {std::nullopt, RowNote::BadSize};
    }
    if (text.find('x') != std::string_view::npos) {
        auto pattern = ReadHexInteger(text);
        if (!pattern) {
            return {std::nullopt, RowNote::UnreadableValue};
        }
        if (*pattern > Mask(format.bits) || *pattern > Mask(commandBits)) {
            return {std::nullopt, RowNote::OutOfRange};
        }
        return {static_cast<std::uint32_t>(*pattern), RowNote::None};
    }
    auto number = ReadInteger(text);
    if (!number) {
        return {std::nullopt, RowNote::UnreadableValue};
    }
    if (!FitsDecimal(*number, format.bits, format.isSigned, format.typed) ||
        !FitsDecimal(*number, commandBits, false, false)) {
        return {std::nullopt, RowNote::OutOfRange};
    }
    return {static_cast<std::uint32_t>(static_cast<std::uint64_t>(*number) & Mask(commandBits)),
            RowNote::None};
}

}  // namespace morlo::transfer
