#include "text/NumberText.h"

#include <limits>

namespace morlo {

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

std::int32_t ParseHexLoose(std::string_view text) {
    std::uint32_t value = 0;
    for (char c : text) {
        const int digit = HexDigitValue(c);
        if (digit >= 0) {
            value = value * 16u + static_cast<std::uint32_t>(digit);
        }
    }
    if (!text.empty() && text.front() == '-') {
        value = 0u - value;
    }
    return static_cast<std::int32_t>(value);
}

std::int32_t ParseDecimalLoose(std::string_view text) {
    std::uint32_t value = 0;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            value = value * 10u + static_cast<std::uint32_t>(c - '0');
        }
    }
    if (!text.empty() && text.front() == '-') {
        value = 0u - value;
    }
    return static_cast<std::int32_t>(value);
}

std::int32_t ParseDecimalPrefix(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' ||
                               text[i] == '\n' || text[i] == '\v' || text[i] == '\f')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kLimit) {
            value = kLimit;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > std::numeric_limits<std::int32_t>::max()) {
        value = std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(value);
}

int DigitsOf(std::string_view text) {
    int value = 0;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            if (value > 100000000) {
                return value;  // far beyond any width; stop before overflowing
            }
            value = value * 10 + (c - '0');
        }
    }
    return value;
}

}  // namespace morlo
