#include "scope/ScaleText.h"

#include <cmath>

#include "scope/ScopeConstants.h"
#include "text/NumberIo.h"
#include "text/NumberText.h"

namespace morlo::scope {
namespace {

constexpr int kScaleDecimals = 6;
constexpr double kMicrosecondsPerMillisecond = 1e3;
constexpr double kMicrosecondsPerSecond = 1e6;

bool IsMantissa(char c) {
    return c == '1' || c == '2' || c == '5';
}

// m x 10^exp as the double nearest to the decimal value.
double Decimal(int mantissa, int exponent) {
    return ReadNumber(WriteInteger(mantissa) + "e" + WriteInteger(exponent)).value_or(0.0);
}

std::string Text(char mantissa, int exponent) {
    return std::string(1, mantissa) + "e" + WriteInteger(exponent);
}

// The 1-2-5 value above a first significant digit d at the given power of ten.
double StepAbove(int digit, int power) {
    if (digit == 1) {
        return Decimal(2, power);
    }
    if (digit <= 4) {
        return Decimal(5, power);
    }
    return Decimal(1, power + 1);
}

}  // namespace

double ParseScaleText(std::string_view text) {
    if (text.size() < 3 || !IsMantissa(text[0])) {
        return kSmallestScale;
    }
    return Decimal(text[0] - '0', ParseDecimalPrefix(text.substr(2)));
}

std::string FormatScaleText(double scale) {
    const std::string text = WriteFixed(std::fabs(scale), kScaleDecimals);
    const std::size_t point = text.find('.');
    if (point == 1 && text[0] == '0') {
        std::size_t zeros = 0;
        while (zeros < kScaleDecimals && text[2 + zeros] == '0') {
            ++zeros;
        }
        if (zeros == kScaleDecimals) {
            return kSmallestScaleText;
        }
        return Text(text[2 + zeros], -static_cast<int>(zeros + 1));
    }
    if (point == 1) {
        return Text(text[0], 0);
    }
    return Text(text[0], static_cast<int>(point) - 1);
}

std::string StepScaleText(std::string_view given, bool up) {
    std::string_view text = given;
    if (text.size() < 3 || !IsMantissa(text[0])) {
        text = kSmallestScaleText;
    }
    const char m = text[0];
    const int exp = ParseDecimalPrefix(text.substr(2));
    if (up) {
        if (m == '1') {
            return Text('2', exp);
        }
        if (m == '2') {
            return Text('5', exp);
        }
        return Text('1', exp + 1);
    }
    if (m == '1' && Decimal(1, exp) <= kSmallestScale) {
        return std::string(text);
    }
    if (m == '5') {
        return Text('2', exp);
    }
    if (m == '2') {
        return Text('1', exp);
    }
    return Text('5', exp - 1);
}

double RoundUpOneTwoFive(double x) {
    const std::string text = WriteFixed(std::fabs(x), kScaleDecimals);
    const std::size_t point = text.find('.');
    if (point == std::string::npos) {
        return kSmallestScale;  // not finite
    }
    if (point == 1 && text[0] == '0') {
        for (int i = 1; i <= kScaleDecimals; ++i) {
            const int digit = text[point + static_cast<std::size_t>(i)] - '0';
            if (digit != 0) {
                return StepAbove(digit, -i);
            }
        }
        return kSmallestScale;
    }
    return StepAbove(text[0] - '0', static_cast<int>(point) - 1);
}

std::optional<std::string> PeriodText(std::int32_t period) {
    if (period < 0) {
        return std::nullopt;
    }
    const double us = period * kPeriodUnitMicroseconds;
    if (period <= kPeriodMicrosecondsUpTo) {
        return WriteFixed(us, 1) + "us";
    }
    if (period >= kPeriodSecondsFrom) {
        return WriteFixed(us / kMicrosecondsPerSecond, 2) + "s";
    }
    return WriteFixed(us / kMicrosecondsPerMillisecond, 2) + "ms";
}

}  // namespace morlo::scope
