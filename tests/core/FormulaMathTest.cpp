#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "LocaleFixture.h"
#include "values/FormulaMath.h"

namespace morlo {
namespace {

FormulaOutcome Eval(std::string_view formula, double n,
                    std::map<ObjectKey, std::int32_t> constants = {}) {
    return EvaluateFormula(formula, n, [&](ObjectKey key) -> std::optional<std::int32_t> {
        auto it = constants.find(key);
        if (it == constants.end()) {
            return std::nullopt;
        }
        return it->second;
    });
}

// Formulas hold fractions ("N*62.5"): every test runs in "C" and under a decimal comma.
class FormulaMath : public test::UnderLocale {};

TEST_P(FormulaMath, LeftToRight) {
    EXPECT_DOUBLE_EQ(Eval("N*60/512", 1024).value, 120.0);
    EXPECT_DOUBLE_EQ(Eval("N/10+5", 100).value, 15.0);
    EXPECT_DOUBLE_EQ(Eval("N+5*2", 1).value, 6.0);  // the trailing multiplication is ignored
    EXPECT_DOUBLE_EQ(Eval("N-5", 1).value, -4.0);
    EXPECT_DOUBLE_EQ(Eval("N*0.5", 3).value, 1.5);
    EXPECT_DOUBLE_EQ(Eval("n*2", 3).value, 6.0);
}

TEST_P(FormulaMath, IdentityIsNeverParsed) {
    auto outcome = Eval("N*1", 12345.678);
    EXPECT_TRUE(outcome.ok);
    EXPECT_DOUBLE_EQ(outcome.value, 12345.678);
    EXPECT_TRUE(outcome.messages.empty());
}

TEST_P(FormulaMath, SquareRoot) {
    EXPECT_DOUBLE_EQ(Eval("sqrt(N*4)", 9).value, 6.0);
    EXPECT_DOUBLE_EQ(Eval("sqrt(16)", 0).value, 4.0);
    EXPECT_DOUBLE_EQ(Eval("sqrt(N/4)", 16).value, 2.0);
    EXPECT_DOUBLE_EQ(Eval("sqrt(N+7)", 9).value, 4.0);
    EXPECT_DOUBLE_EQ(Eval("sqrt(N-7)", 16).value, 3.0);
    auto bad = Eval("sqrt(N)", 9);
    EXPECT_DOUBLE_EQ(bad.value, 0.0);
    EXPECT_EQ(bad.messages, std::vector<std::string>{kMsgSqrtExpression});
    EXPECT_DOUBLE_EQ(Eval("sqrt(N-20)", 4).value, 0.0);  // no NaN from a negative argument
    // A second root after the first ")" ends; the scan never runs backwards.
    EXPECT_TRUE(Eval("*ssqs)s2\xa5s", 1).ok);
    EXPECT_DOUBLE_EQ(Eval("s(4)*s9", 0).value, 2.0 * 3.0);
}

TEST_P(FormulaMath, StrangeCharactersStopTheScan) {
    auto outcome = Eval("N*2 +1", 3);
    EXPECT_DOUBLE_EQ(outcome.value, 6.0);
    ASSERT_EQ(outcome.messages.size(), 1u);
    EXPECT_EQ(outcome.messages[0], "Formula =>ASC: 32");
}

TEST_P(FormulaMath, MalformedFormulasHaveDefinedResults) {
    auto empty = Eval("", 3);
    EXPECT_TRUE(empty.ok);
    EXPECT_DOUBLE_EQ(empty.value, 0.0);
    EXPECT_EQ(empty.messages, std::vector<std::string>{kMsgFormulaStack});
    EXPECT_DOUBLE_EQ(Eval("N/0", 5).value, 0.0);
    EXPECT_DOUBLE_EQ(Eval("N*", 5).value, 5.0);
    EXPECT_DOUBLE_EQ(Eval("7", 5).value, 7.0);
    EXPECT_DOUBLE_EQ(Eval("*3", 5).value, 0.0);
    EXPECT_DOUBLE_EQ(Eval("N**3", 5).value, 5.0);
}

TEST_P(FormulaMath, Constants) {
    auto missing = Eval("[20100300]*N", 2);
    EXPECT_FALSE(missing.ok);
    EXPECT_EQ(missing.missingConstant, 0x201003);
    auto known = Eval("[20100300]*N", 2, {{0x201003, 21}});
    EXPECT_TRUE(known.ok);
    EXPECT_DOUBLE_EQ(known.value, 42.0);
    EXPECT_DOUBLE_EQ(Eval("N*360/[20300220]", 5000, {{0x203002, 10000}}).value, 180.0);
    // A reference cut short by the end of the formula reads what is there.
    EXPECT_FALSE(Eval("N*[2030", 1).ok);
}

TEST_P(FormulaMath, FractionsAndConstantLists) {
    EXPECT_DOUBLE_EQ(Eval("N*62.5", 16).value, 1000.0);
    EXPECT_DOUBLE_EQ(Eval("N/0.0625", 1).value, 16.0);
    EXPECT_DOUBLE_EQ(Eval("N*1.2.3", 10).value, 12.0);  // a second point ends the number
    EXPECT_EQ(ConstantReferences("N*[20300B10]/100000*[20300320]/[20300B10]"),
              (std::vector<ObjectKey>{0x20300B, 0x203003}));
    EXPECT_TRUE(ConstantReferences("N*60/512").empty());
}

INSTANTIATE_TEST_SUITE_P(Locales, FormulaMath, test::kTestLocales);

TEST(FormulaRounding, HalvesAwayFromZero) {
    EXPECT_EQ(RoundToInt64(114.99999999999999), 115);
    EXPECT_EQ(RoundToInt64(2.5), 3);
    EXPECT_EQ(RoundToInt64(-2.5), -3);
    EXPECT_EQ(RoundToInt64(-2.4), -2);
    EXPECT_FALSE(RoundToInt64(NAN));
    EXPECT_FALSE(RoundToInt64(1e300));
    EXPECT_FALSE(RoundToInt64(9223372036854775808.0));
    EXPECT_EQ(RoundToInt64(-9223372036854775808.0), INT64_MIN);
}

TEST(FormulaRounding, TruncationSaturates) {
    EXPECT_EQ(TruncateToInt64(-2.9), -2);
    EXPECT_EQ(TruncateToInt64(2.9), 2);
    EXPECT_EQ(TruncateToInt64(NAN), 0);
    EXPECT_EQ(TruncateToInt64(1e300), INT64_MAX);
    EXPECT_EQ(TruncateToInt64(-1e300), INT64_MIN);
}

}  // namespace
}  // namespace morlo
