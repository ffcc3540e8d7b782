#include <gtest/gtest.h>

#include <filesystem>

#include "TempFolder.h"
#include "UnitsAndFormulasInput.h"

namespace morlo {
namespace {

// Every input the unit and formula fuzzer once failed on runs to its end. A regression shows
// as a crash or as a test that never ends (ctest's time-out).
TEST(FuzzFindings, UnitsAndFormulasInputsEnd) {
    const std::filesystem::path folder =
        std::filesystem::path(MORLO_TEST_DATA_DIR) / "fuzz" / "units";
    int replayed = 0;
    for (const auto& item : std::filesystem::directory_iterator(folder)) {
        SCOPED_TRACE(item.path().filename().string());
        fuzz::FeedUnitsAndFormulas(test::ReadFile(item.path()));
        ++replayed;
    }
    EXPECT_GE(replayed, 1);
}

}  // namespace
}  // namespace morlo
