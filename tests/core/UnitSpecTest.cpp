#include <gtest/gtest.h>

#include "values/UnitSpec.h"

namespace morlo {
namespace {

TEST(UnitSpec, GroupsWithNamesLabelsAndFormulas) {
    auto units = ParseUnitSpec("[rpm r/min]N*60/512,[rps]N/512");
    ASSERT_EQ(units.size(), 2u);
    EXPECT_EQ(units[0].name, "rpm");
    EXPECT_EQ(units[0].label, "r/min");
    EXPECT_EQ(units[0].formula, "N*60/512");
    EXPECT_EQ(units[0].DisplayName(), "r/min");
    EXPECT_EQ(units[1].name, "rps");
    EXPECT_EQ(units[1].label, "");
    EXPECT_EQ(units[1].formula, "N/512");
    EXPECT_EQ(units[1].DisplayName(), "rps");
}

TEST(UnitSpec, MalformedTexts) {
    EXPECT_TRUE(ParseUnitSpec("").empty());
    EXPECT_TRUE(ParseUnitSpec("ms").empty());
    // Without a separator the next group's "[" belongs to the formula; the "b" ends it.
    auto glued = ParseUnitSpec("[a]N*2[b]N*3");
    ASSERT_EQ(glued.size(), 1u);
    EXPECT_EQ(glued[0].formula, "N*2[");
    // Constant references stay inside the formula.
    auto constant = ParseUnitSpec("[pdeg deg]N*360/[20300220],[deg DEC]N*[20300220]/360");
    ASSERT_EQ(constant.size(), 2u);
    EXPECT_EQ(constant[0].formula, "N*360/[20300220]");
    EXPECT_EQ(constant[1].name, "deg");
    EXPECT_EQ(constant[1].label, "DEC");
    // A "]" before the first "[" gives an empty group instead of reading out of bounds.
    auto reversed = ParseUnitSpec("x]y[z");
    ASSERT_EQ(reversed.size(), 1u);
    EXPECT_EQ(reversed[0].name, "");
    // Text before the first group is ignored; a label keeps everything after the first blank.
    auto label = ParseUnitSpec("junk [A two words]N*1;");
    ASSERT_EQ(label.size(), 1u);
    EXPECT_EQ(label[0].label, "two words");
}

}  // namespace
}  // namespace morlo
