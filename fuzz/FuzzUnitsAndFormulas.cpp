// Unit definitions and formulas as they come from the database, and values typed or read from
// a file: any text parses, evaluates to a defined result, and converts or is refused.

#include <cstdint>
#include <optional>
#include <string>

#include "values/FormulaMath.h"
#include "values/UnitSpec.h"
#include "values/ValueInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    auto constants = [](morlo::ObjectKey key) -> std::optional<std::int32_t> {
        if (key % 3 == 0) {
            return std::nullopt;
        }
        return key % 1000;
    };
    for (const auto& unit : morlo::ParseUnitSpec(text)) {
        auto outcome = morlo::EvaluateFormula(unit.formula, 12345.5, constants);
        morlo::TruncateToInt64(outcome.value);
    }
    morlo::EvaluateFormula(text, -7.25, constants);

    // The first line is the unit definition, the rest the typed value.
    const std::size_t newline = text.find('\n');
    const std::string spec = text.substr(0, newline);
    const std::string typed = newline == std::string::npos ? "" : text.substr(newline + 1);
    const auto units = morlo::ParseUnitSpec(spec);
    for (const char* type : {"U8", "I8", "U16", "I16", "U32", "I32", "VISIBLE STRING"}) {
        const morlo::InputTarget target{"object", type};
        for (const char* format : {"DEC", "HEX", "ASCII", ""}) {
            morlo::ConvertInput(target, format, typed, units, constants);
        }
        for (const auto& unit : units) {
            morlo::ConvertInput(target, unit.name, typed, units, constants);
        }
    }
    return 0;
}
