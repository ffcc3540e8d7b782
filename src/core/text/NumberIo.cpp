#include "text/NumberIo.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <system_error>

namespace morlo {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Accepts only [sign] digits [. digits] [e [sign] digits] with at least one mantissa digit,
// so that from_chars never sees "inf", "nan" or a hexadecimal float.
bool LooksDecimal(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    std::size_t mantissaDigits = 0;
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
        ++mantissaDigits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0) {
        return false;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        std::size_t exponentDigits = 0;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
            ++exponentDigits;
        }
        if (exponentDigits == 0) {
            return false;
        }
    }
    return i == text.size();
}

template <typename T>
std::string ToChars(T value) {
    std::array<char, 32> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return ec == std::errc() ? std::string(buffer.data(), end) : std::string();
}

}  // namespace

std::optional<double> ReadNumber(std::string_view text) {
    text = TrimBlanks(text);
    if (!LooksDecimal(text)) {
        return std::nullopt;
    }
    if (text.front() == '+') {
        text.remove_prefix(1);  // from_chars takes no plus sign
    }
    double value = 0.0;
    auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::int64_t> ReadInteger(std::string_view text) {
    text = TrimBlanks(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') {
            return std::nullopt;
        }
    }
    if (text.empty() || (text.front() == '-' && text.size() == 1)) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::uint64_t> ReadHexInteger(std::string_view text) {
    text = TrimBlanks(text);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    }
    if (text.empty() || text.front() == '-' || text.front() == '+') {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::string WriteFixed(double value, int decimals) {
    if (std::isnan(value)) {
        return "nan";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-inf" : "inf";
    }
    // Large enough for any double in fixed notation (309 digits) plus the decimals.
    std::array<char, 400> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                   std::chars_format::fixed, decimals);
    if (ec != std::errc()) {
        return {};
    }
    std::string text(buffer.data(), end);
    // A value that rounds to zero is shown as zero, not "-0.000".
    if (text.front() == '-' && text.find_first_not_of("-0.") == std::string::npos) {
        text.erase(0, 1);
    }
    return text;
}

std::string WriteExactFixed(double value, int decimals) {
    std::string text = WriteFixed(value, decimals);
    if (!std::isfinite(value) || ReadNumber(text) == value) {
        return text;
    }
    std::array<char, 1100> buffer{};  // the longest fixed form of a double
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                         std::chars_format::fixed);
    return ec == std::errc() ? std::string(buffer.data(), end) : text;
}

std::string WriteShortest(double value) {
    std::array<char, 64> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return ec == std::errc() ? std::string(buffer.data(), end) : std::string();
}

std::string WriteSignificant(double value, int digits) {
    std::array<char, 64> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                   std::chars_format::general, digits);
    return ec == std::errc() ? std::string(buffer.data(), end) : std::string();
}

std::string WriteInteger(std::int64_t value) {
    return ToChars(value);
}

std::string WriteUnsigned(std::uint64_t value) {
    return ToChars(value);
}

std::string WriteHex(std::uint64_t value) {
    std::array<char, 32> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, 16);
    return ec == std::errc() ? std::string(buffer.data(), end) : std::string();
}

std::string WriteUpperHex(std::uint64_t value, std::size_t digits) {
    std::string text = WriteHex(value);
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text.size() < digits ? std::string(digits - text.size(), '0') + text : text;
}

std::string WriteObjectAddress(ObjectKey key) {
    constexpr std::string_view kDigits = "0123456789ABCDEF";
    std::string text = "0000:00";
    auto index = static_cast<std::uint32_t>(IndexOf(key));
    for (int i = 3; i >= 0; --i, index >>= 4) {
        text[static_cast<std::size_t>(i)] = kDigits[index & 0xF];
    }
    const auto sub = static_cast<std::uint32_t>(SubIndexOf(key));
    text[5] = kDigits[sub >> 4];
    text[6] = kDigits[sub & 0xF];
    return text;
}

}  // namespace morlo
