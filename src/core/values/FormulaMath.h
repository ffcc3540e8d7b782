#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/ObjectKey.h"

namespace morlo {

// The identity formula; it is never parsed.
inline constexpr std::string_view kIdentityFormula = "N*1";

// Message texts of formula evaluation.
inline constexpr const char* kMsgFormulaCharacter = "Formula =>ASC: ";
inline constexpr const char* kMsgSqrtExpression = "sqrt function express error!! \n";
inline constexpr const char* kMsgFormulaStack = "Formula stack is Err!!!!!\n";

struct FormulaOutcome {
    bool ok = false;                    // false: a constant is not known yet
    double value = 0.0;                 // valid when ok
    ObjectKey missingConstant = 0;      // valid when !ok
    std::vector<std::string> messages;  // texts to show the user, in order
};

// Looks up the current value of another drive object; nullopt when it is not known yet.
using ConstantLookup = std::function<std::optional<std::int32_t>(ObjectKey)>;

// Evaluates a unit formula on N, strictly left to right: "*" and "/" continue, "+" and any
// other operator end the evaluation after applying it. "S(...)" is the square root and
// "[IIIISSLL]" the value of object IIII:SS. Malformed formulas give a defined result (a
// division by zero gives 0, a square root of a negative number 0) and never fail otherwise.
FormulaOutcome EvaluateFormula(std::string_view formula, double n, const ConstantLookup& constants);

// A double truncated toward zero into 64 bits; NaN gives 0 and out-of-range values saturate.
std::int64_t TruncateToInt64(double value);

// A double rounded to the nearest integer, halves away from zero (114.99999999999999 gives
// 115, -2.5 gives -3); nullopt when it is not finite or does not fit 64 bits.
std::optional<std::int64_t> RoundToInt64(double value);

// The objects a formula's constant references "[IIIISSLL]" name, each once, in order.
std::vector<ObjectKey> ConstantReferences(std::string_view formula);

}  // namespace morlo
