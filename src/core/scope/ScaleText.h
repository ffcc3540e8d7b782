#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace morlo::scope {

// A scale (value per grid row) is also kept as a text "<m>e<exp>" with m 1, 2 or 5.
inline constexpr const char* kSmallestScaleText = "1e-6";
inline constexpr double kSmallestScale = 1e-6;

// The scale a text names; texts shorter than 3 characters or not starting with 1, 2 or 5
// name the smallest scale.
double ParseScaleText(std::string_view text);
// The text of a scale, from its six-decimal form: 0.000002 is "2e-6", 5 is "5e0", 20 "2e1".
std::string FormatScaleText(double scale);
// One 1-2-5 step up (1 -> 2 -> 5 -> 10) or down; the smallest scale does not step down.
std::string StepScaleText(std::string_view text, bool up);

// Rounds a positive value up to a 1-2-5 value by its first significant digit, read from its
// six-decimal form (values whose six decimals are all zero give the smallest scale).
double RoundUpOneTwoFive(double x);

// The sampling period as a time: up to 15 units "937.5us", below 16000 "999.94ms", from 16000
// on "1.00s". Nothing for a negative period.
std::optional<std::string> PeriodText(std::int32_t period);

}  // namespace morlo::scope
