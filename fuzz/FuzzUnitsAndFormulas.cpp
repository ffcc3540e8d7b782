// Unit definitions, formulas and typed values: see UnitsAndFormulasInput.h.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "UnitsAndFormulasInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    morlo::fuzz::FeedUnitsAndFormulas(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
