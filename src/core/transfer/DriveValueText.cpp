#include "transfer/DriveValueText.h"

#include <algorithm>

#include "text/NumberIo.h"
#include "text/NumberText.h"
#include "transfer/TransferConstants.h"

namespace morlo::transfer {
namespace {

constexpr int kBitsPerHexDigit = 4;
constexpr int kWidestBits = 32;
constexpr std::size_t kAbortCodeDigits = 8;

std::uint64_t Mask(int bits) {
    return bits >= kWidestBits ? 0xFFFFFFFFull : (1ull << bits) - 1;
}

std::string PaddedHex(std::uint64_t value, std::size_t digits) {
    std::string text = WriteHex(value);
    return "0x" + std::string(digits - std::min(digits, text.size()), '0') + text;
}

std::int64_t SignExtended(std::uint64_t pattern, int bits) {
    if (bits > 0 && bits <= kWidestBits && pattern >= (1ull << (bits - 1))) {
        return static_cast<std::int64_t>(pattern) - (std::int64_t{1} << bits);
    }
    return static_cast<std::int64_t>(pattern);
}

// The range of numbers a format holds: the type's range for a known object, both the signed
// and the unsigned reading of the width for the others.
bool FitsDecimal(std::int64_t number, const ValueFormat& format) {
    const std::int64_t half = std::int64_t{1} << (format.bits - 1);
    const std::int64_t low = (format.typed && !format.isSigned) ? 0 : -half;
    const std::int64_t high =
        (format.typed && format.isSigned) ? half - 1 : (std::int64_t{1} << format.bits) - 1;
    return number >= low && number <= high;
}

}  // namespace

std::string ValueFormat::Name() const {
    return typed ? typeText : WriteInteger(bits) + " bits";
}

ValueFormat FormatOfType(std::string_view dataType) {
    ValueFormat format;
    format.typed = true;
    format.typeText = std::string(dataType);
    format.bits = DigitsOf(dataType);
    format.isSigned = dataType.empty() || (dataType.front() != 'U' && dataType.front() != 'u');
    return format;
}

ValueFormat FormatOfKey(std::uint32_t key) {
    ValueFormat format;
    format.bits = static_cast<int>(key & kKeySizeMask);
    return format;
}

DriveValue ReadDriveValue(std::uint32_t raw, int answerBits, const ValueFormat& format) {
    DriveValue value;
    // The width the value is read in: what the answer says, else the format's when the value
    // lies within it (as the drive family's echoes do), else all four bytes.
    const int width = answerBits != 0            ? answerBits
                      : raw <= Mask(format.bits) ? format.bits
                                                 : kWidestBits;
    const std::uint64_t pattern = raw & Mask(width);
    bool fits = pattern <= Mask(format.bits);
    if (format.typed) {
        value.number =
            format.isSigned ? SignExtended(pattern, width) : static_cast<std::int64_t>(pattern);
        value.text = WriteInteger(value.number);
        fits = FitsDecimal(value.number, format);
    } else {
        value.number = static_cast<std::int64_t>(pattern);
        value.text = PaddedHex(pattern, static_cast<std::size_t>(format.bits / kBitsPerHexDigit));
    }
    if (answerBits != 0 && answerBits != format.bits) {
        value.note = RowNote::AnswerSizeDiffers;
        value.noteArg = WriteInteger(answerBits);
    } else if (!fits) {
        value.note = RowNote::DriveValueDoesNotFit;
        value.noteArg = format.Name();
    }
    return value;
}

std::string FormatAbortCode(std::uint32_t code) {
    return PaddedHex(code, kAbortCodeDigits);
}

LoadValue LoadValueToRaw(std::string_view text, const ValueFormat& format) {
    LoadValue load;
    if (text.empty()) {
        load.note = RowNote::EmptyValue;
        return load;
    }
    if (!format.Usable()) {
        load.note = RowNote::BadSize;
        return load;
    }
    if (text.find('x') != std::string_view::npos) {
        auto pattern = ReadHexInteger(text);
        if (!pattern) {
            load.note = RowNote::UnreadableValue;
        } else if (*pattern > Mask(format.bits)) {
            load.note = RowNote::DoesNotFit;
            load.noteArg = format.Name();
        } else {
            load.raw = static_cast<std::uint32_t>(*pattern);
            load.number = format.typed && format.isSigned ? SignExtended(*pattern, format.bits)
                                                          : static_cast<std::int64_t>(*pattern);
        }
        return load;
    }
    auto number = ReadInteger(text);
    if (!number) {
        load.note = RowNote::UnreadableValue;
    } else if (!FitsDecimal(*number, format)) {
        load.note = RowNote::DoesNotFit;
        load.noteArg = format.Name();
    } else {
        const std::uint64_t pattern = static_cast<std::uint64_t>(*number) & Mask(format.bits);
        load.raw = static_cast<std::uint32_t>(pattern);
        load.number = format.typed ? *number : static_cast<std::int64_t>(pattern);
    }
    return load;
}

}  // namespace morlo::transfer
