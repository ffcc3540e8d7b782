// Unit definitions and formulas as they come from the database: any text parses and
// evaluates to a defined result.

#include <cstdint>
#include <optional>
#include <string>

#include "values/FormulaMath.h"
#include "values/UnitSpec.h"

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
    return 0;
}
