#pragma once

// The work of the unit and formula fuzz target on one input, shared with the regression test
// that replays what the fuzzer once found.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "values/FormulaMath.h"
#include "values/UnitSpec.h"
#include "values/ValueInput.h"

namespace morlo::fuzz {

// Unit definitions and formulas as they come from the database, and values typed or read from
// a file: any text parses, evaluates to a defined result, and converts or is refused.
inline void FeedUnitsAndFormulas(std::string_view input) {
    const std::string text(input);
    auto constants = [](ObjectKey key) -> std::optional<std::int32_t> {
        if (key % 3 == 0) {
            return std::nullopt;
        }
        return key % 1000;
    };
    for (const auto& unit : ParseUnitSpec(text)) {
        auto outcome = EvaluateFormula(unit.formula, 12345.5, constants);
        TruncateToInt64(outcome.value);
    }
    EvaluateFormula(text, -7.25, constants);

    // The first line is the unit definition, the rest the typed value.
    const std::size_t newline = text.find('\n');
    const std::string spec = text.substr(0, newline);
    const std::string typed = newline == std::string::npos ? "" : text.substr(newline + 1);
    const auto units = ParseUnitSpec(spec);
    for (const char* type : {"U8", "I8", "U16", "I16", "U32", "I32", "VISIBLE STRING"}) {
        const InputTarget target{"object", type};
        for (const char* format : {"DEC", "HEX", "ASCII", ""}) {
            ConvertInput(target, format, typed, units, constants);
        }
        for (const auto& unit : units) {
            ConvertInput(target, unit.name, typed, units, constants);
        }
    }
}

}  // namespace morlo::fuzz
