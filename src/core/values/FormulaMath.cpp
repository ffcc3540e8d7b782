#include "values/FormulaMath.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "text/NumberIo.h"
#include "text/NumberText.h"

namespace morlo {
namespace {

struct Token {
    bool isOperator = false;
    char op = 0;
    double operand = 0.0;
};

constexpr std::size_t kConstantReferenceLength = 9;  // "IIIISSLL]" after the "["

// A run of digits and points as a number; a second point ends the number ("1.2.3" is 1.2).
double ReadDigitRun(std::string_view run) {
    const std::size_t first = run.find('.');
    const std::size_t second = first == std::string_view::npos ? first : run.find('.', first + 1);
    return ReadNumber(run.substr(0, second)).value_or(0.0);
}

bool Contains(std::string_view text, char c) {
    return text.find(c) != std::string_view::npos;
}

// The square-root operand for the "S" at position p.
double SquareRootOperand(std::string_view formula, std::size_t p, double n,
                         std::vector<std::string>& messages) {
    std::size_t close = formula.find(')');
    std::size_t end = close == std::string_view::npos || close < p ? formula.size() : close;
    double d = 0.0;
    for (std::size_t i = p; i < end; ++i) {
        if (formula[i] >= '0' && formula[i] <= '9') {
            d = d * 10.0 + (formula[i] - '0');
        }
    }
    std::string_view rest = formula.substr(p);
    double argument = 0.0;
    if (!Contains(rest, 'N') && !Contains(rest, 'n')) {
        argument = d;
    } else if (Contains(rest, '*')) {
        argument = d * n;
    } else if (Contains(formula, '/')) {
        argument = d == 0.0 ? 0.0 : n / d;
    } else if (Contains(formula, '+')) {
        argument = d + n;
    } else if (Contains(formula, '-')) {
        argument = n - d;
    } else {
        messages.emplace_back(kMsgSqrtExpression);
        return 0.0;
    }
    return argument > 0.0 ? std::sqrt(argument) : 0.0;
}

}  // namespace

FormulaOutcome EvaluateFormula(std::string_view formula, double n,
                               const ConstantLookup& constants) {
    FormulaOutcome outcome;
    if (formula == kIdentityFormula) {
        outcome.ok = true;
        outcome.value = n;
        return outcome;
    }
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < formula.size()) {
        char c = formula[i];
        if (c == '*' || c == '+' || c == '-' || c == '/') {
            tokens.push_back({true, c, 0.0});
            ++i;
        } else if (c >= '0' && c <= '9') {
            std::size_t end = i;
            while (end < formula.size() &&
                   ((formula[end] >= '0' && formula[end] <= '9') || formula[end] == '.')) {
                ++end;
            }
            tokens.push_back({false, 0, ReadDigitRun(formula.substr(i, end - i))});
            i = end;
        } else if (c == 'N' || c == 'n') {
            tokens.push_back({false, 0, n});
            ++i;
        } else if (c == 'S' || c == 's') {
            tokens.push_back({false, 0, SquareRootOperand(formula, i, n, outcome.messages)});
            // Scanning goes on after the formula's first ")"; one that stands before this "S"
            // would send the scan back, so then it goes on right after the "S".
            std::size_t close = formula.find(')');
            i = close == std::string_view::npos ? formula.size() : close > i ? close + 1 : i + 1;
        } else if (c == '[') {
            std::string_view reference = formula.substr(i + 1, kConstantReferenceLength);
            auto key =
                static_cast<ObjectKey>(static_cast<std::uint32_t>(ParseHexLoose(reference)) / 256u);
            std::optional<std::int32_t> value = constants ? constants(key) : std::nullopt;
            if (!value) {
                outcome.ok = false;
                outcome.missingConstant = key;
                return outcome;
            }
            tokens.push_back({false, 0, static_cast<double>(*value)});
            i += 1 + kConstantReferenceLength;
        } else {
            outcome.messages.push_back(std::string(kMsgFormulaCharacter) +
                                       WriteUnsigned(static_cast<unsigned char>(c)));
            break;
        }
    }

    outcome.ok = true;
    if (tokens.empty()) {
        outcome.messages.emplace_back(kMsgFormulaStack);
        outcome.value = 0.0;
        return outcome;
    }
    // operand, operator, operand, ...; a leading operator stands after an implicit 0.
    std::size_t t = 0;
    double result = 0.0;
    if (!tokens[0].isOperator) {
        result = tokens[0].operand;
        t = 1;
    }
    while (t + 1 < tokens.size() && tokens[t].isOperator && !tokens[t + 1].isOperator) {
        char op = tokens[t].op;
        double operand = tokens[t + 1].operand;
        t += 2;
        if (op == '*') {
            result *= operand;
        } else if (op == '/') {
            result = operand == 0.0 ? 0.0 : result / operand;
        } else {
            result = op == '+' ? result + operand : result - operand;
            break;
        }
    }
    outcome.value = result;
    return outcome;
}

std::int64_t TruncateToInt64(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 9.2e18) {
        return std::numeric_limits<std::int64_t>::max();
    }
    if (value <= -9.2e18) {
        return std::numeric_limits<std::int64_t>::min();
    }
    return static_cast<std::int64_t>(value);
}

std::optional<std::int64_t> RoundToInt64(double value) {
    // 2^63 is the first double beyond the range; std::round rounds halves away from zero.
    constexpr double kLimit = 9223372036854775808.0;
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    const double rounded = std::round(value);
    if (rounded >= kLimit || rounded < -kLimit) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(rounded);
}

std::vector<ObjectKey> ConstantReferences(std::string_view formula) {
    std::vector<ObjectKey> keys;
    for (std::size_t i = formula.find('['); i != std::string_view::npos;
         i = formula.find('[', i + 1)) {
        std::string_view reference = formula.substr(i + 1, kConstantReferenceLength);
        auto key =
            static_cast<ObjectKey>(static_cast<std::uint32_t>(ParseHexLoose(reference)) / 256u);
        if (std::find(keys.begin(), keys.end(), key) == keys.end()) {
            keys.push_back(key);
        }
    }
    return keys;
}

}  // namespace morlo
