#include <gtest/gtest.h>

#include <map>

#include "LocaleFixture.h"
#include "values/ValueInput.h"

namespace morlo {
namespace {

using test::UnderLocale;

constexpr const char* kHertz = "[hertz Hz]N/10,[Hz DEC]N*10";
constexpr const char* kDegrees = "[pdeg deg]N*360/[20300320],[deg DEC]N*[20300320]/360";

class ValueInputTest : public UnderLocale {
  protected:
    InputResult Convert(const std::string& type, const std::string& unit, const std::string& text,
                        const std::string& spec = "") {
        return ConvertInput({"Target position", type}, unit, text, ParseUnitSpec(spec),
                            [this](ObjectKey key) -> std::optional<std::int32_t> {
                                auto it = constants.find(key);
                                if (it == constants.end()) {
                                    return std::nullopt;
                                }
                                return it->second;
                            });
    }
    // The raw value sent, or the refusal text.
    std::string Outcome(const std::string& type, const std::string& unit, const std::string& text,
                        const std::string& spec = "") {
        InputResult r = Convert(type, unit, text, spec);
        switch (r.status) {
            case InputStatus::Accepted:
                return "raw " + std::to_string(static_cast<std::int32_t>(r.raw));
            case InputStatus::Refused:
                return r.refusal;
            case InputStatus::WaitingForConstant:
                return "waiting " + std::to_string(r.missingConstant);
        }
        return {};
    }
    std::map<ObjectKey, std::int32_t> constants;
};

std::string OutOfRange(const std::string& text, const std::string& range) {
    return "Target position: " + text + " is out of range (" + range + ")!!";
}

TEST_P(ValueInputTest, DecimalLimitsOfEveryType) {
    struct Case {
        const char* type;
        const char* min;
        const char* max;
        const char* belowMin;
        const char* aboveMax;
    };
    const Case cases[] = {
        {"U8", "0", "255", "-1", "256"},
        {"I8", "-128", "127", "-129", "128"},
        {"U16", "0", "65535", "-1", "65536"},
        {"I16", "-32768", "32767", "-32769", "32768"},
        {"U32", "0", "4294967295", "-1", "4294967296"},
        {"I32", "-2147483648", "2147483647", "-2147483649", "2147483648"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        const std::string range = std::string(c.min) + " .. " + c.max;
        EXPECT_EQ(Convert(c.type, "DEC", c.min).status, InputStatus::Accepted);
        EXPECT_EQ(Convert(c.type, "DEC", c.max).status, InputStatus::Accepted);
        EXPECT_EQ(Outcome(c.type, "DEC", c.belowMin), OutOfRange(c.belowMin, range));
        EXPECT_EQ(Outcome(c.type, "", c.aboveMax), OutOfRange(c.aboveMax, range));
    }
    // The bits sent: two's complement over 32 bits.
    EXPECT_EQ(Outcome("I8", "DEC", "-128"), "raw -128");
    EXPECT_EQ(Outcome("U32", "DEC", "4294967295"), "raw -1");
    EXPECT_EQ(Outcome("I32", "DEC", " -2147483648\t"), "raw -2147483648");
    // Whole numbers in other spellings; far out of range is still "out of range".
    EXPECT_EQ(Outcome("U16", "DEC", "1e3"), "raw 1000");
    EXPECT_EQ(Outcome("U16", "DEC", "12.0"), "raw 12");
    EXPECT_EQ(Outcome("I32", "DEC", "99999999999999999999"),
              OutOfRange("99999999999999999999", "-2147483648 .. 2147483647"));
    // The cases of the fault report: a sign flip and a wrap.
    EXPECT_EQ(Outcome("I32", "DEC", "3000000000"),
              OutOfRange("3000000000", "-2147483648 .. 2147483647"));
    EXPECT_EQ(Outcome("U8", "DEC", "300"), OutOfRange("300", "0 .. 255"));
}

TEST_P(ValueInputTest, HexLimitsOfEveryType) {
    EXPECT_EQ(Outcome("U8", "HEX", "ff"), "raw 255");
    EXPECT_EQ(Outcome("U8", "HEX", "100"), OutOfRange("100", "0 .. ff"));
    EXPECT_EQ(Outcome("I8", "HEX", "80"), "raw -128");  // the bit pattern of a signed object
    EXPECT_EQ(Outcome("I8", "HEX", "7F"), "raw 127");
    EXPECT_EQ(Outcome("U16", "HEX", "0xFFFF"), "raw 65535");
    EXPECT_EQ(Outcome("I16", "HEX", "1ffff"), OutOfRange("1ffff", "0 .. ffff"));
    EXPECT_EQ(Outcome("I16", "HEX", "8000"), "raw -32768");
    EXPECT_EQ(Outcome("U32", "HEX", " 60400010 "), "raw 1614807056");
    EXPECT_EQ(Outcome("I32", "HEX", "ffffffff"), "raw -1");
    EXPECT_EQ(Outcome("U32", "HEX", "100000000"), OutOfRange("100000000", "0 .. ffffffff"));
    EXPECT_EQ(Outcome("U32", "HEX", "123456789abcdef01"),
              OutOfRange("123456789abcdef01", "0 .. ffffffff"));
}

TEST_P(ValueInputTest, ScaledUnitLimitsOfEveryType) {
    // Hz shows raw/10 and writes typed*10.
    EXPECT_EQ(Outcome("U8", "Hz", "25.5", kHertz), "raw 255");
    EXPECT_EQ(Outcome("U8", "Hz", "25.6", kHertz), OutOfRange("25.6", "0 .. 25.5"));
    EXPECT_EQ(Outcome("I8", "Hz", "-12.8", kHertz), "raw -128");
    EXPECT_EQ(Outcome("I8", "Hz", "-12.9", kHertz), OutOfRange("-12.9", "-12.8 .. 12.7"));
    EXPECT_EQ(Outcome("U16", "Hz", "6553.5", kHertz), "raw 65535");
    EXPECT_EQ(Outcome("U16", "Hz", "6553.6", kHertz), OutOfRange("6553.6", "0 .. 6553.5"));
    EXPECT_EQ(Outcome("I16", "Hz", "3276.7", kHertz), "raw 32767");
    EXPECT_EQ(Outcome("I16", "Hz", "3276.8", kHertz), OutOfRange("3276.8", "-3276.8 .. 3276.7"));
    EXPECT_EQ(Outcome("U32", "Hz", "429496729.5", kHertz), "raw -1");
    EXPECT_EQ(Outcome("U32", "Hz", "-0.1", kHertz), OutOfRange("-0.1", "0 .. 429496729.5"));
    EXPECT_EQ(Outcome("I32", "Hz", "-214748364.8", kHertz), "raw -2147483648");
    EXPECT_EQ(Outcome("I32", "Hz", "214748364.8", kHertz),
              OutOfRange("214748364.8", "-214748364.8 .. 214748364.7"));
    EXPECT_EQ(Outcome("I32", "Hz", "1e300", kHertz),
              OutOfRange("1e300", "-214748364.8 .. 214748364.7"));
    // A unit that only writes (no display group of that label) names the raw range.
    EXPECT_EQ(Outcome("U8", "x2", "200", "[x2 DEC]N*2"), OutOfRange("200", "0 .. 255"));
}

TEST_P(ValueInputTest, UnitResultsRoundToTheNearestRawStep) {
    const char* ohm = "[ohms ohm]N/100,[ohm DEC]N*100";
    EXPECT_EQ(Outcome("U16", "ohm", "1.15", ohm), "raw 115");  // 114.99999999999999
    EXPECT_EQ(Outcome("U16", "ohm", "2.01", ohm), "raw 201");
    EXPECT_EQ(Outcome("U16", "ohm", "0.29", ohm), "raw 29");
    EXPECT_EQ(Outcome("I16", "half", "3", "[half]N*0.5"), "raw 2");  // 1.5: away from zero
    EXPECT_EQ(Outcome("I16", "half", "-3", "[half]N*0.5"), "raw -2");
    EXPECT_EQ(Outcome("I16", "half", "2.9", "[half]N*0.5"), "raw 1");
    // A formula with a fraction in it reads the same under any locale.
    EXPECT_EQ(Outcome("U16", "us", "6250", "[usec us]N*62.5,[us DEC]N/62.5"), "raw 100");
}

TEST_P(ValueInputTest, JunkIsRefusedAndNamed) {
    for (const char* junk : {"abc", "12abc", "1,5", "0x10", "--1", "inf", "nan", "1 2", "5%"}) {
        EXPECT_EQ(Outcome("I32", "DEC", junk),
                  std::string("Target position: ") + junk + " is not a number!!");
    }
    EXPECT_EQ(Outcome("I32", "DEC", ""), "Target position: the empty text is not a number!!");
    EXPECT_EQ(Outcome("I32", "DEC", "   "), "Target position: the empty text is not a number!!");
    EXPECT_EQ(Outcome("I32", "DEC", "1.5"), "Target position: 1.5 is not a whole number!!");
    EXPECT_EQ(Outcome("U16", "Hz", "1,5", kHertz), "Target position: 1,5 is not a number!!");
    EXPECT_EQ(Outcome("U16", "Hz", "", kHertz),
              "Target position: the empty text is not a number!!");
    EXPECT_EQ(Outcome("U16", "HEX", "12g"), "Target position: 12g is not a hexadecimal number!!");
    EXPECT_EQ(Outcome("U16", "HEX", "-1"), "Target position: -1 is not a hexadecimal number!!");
    EXPECT_EQ(Outcome("U16", "furlong", "1", kHertz),
              "Target position: furlong is not a unit of this object!!");
    EXPECT_EQ(Outcome("VISIBLE STRING", "DEC", "1"),
              "Target position: values of type VISIBLE STRING cannot be written!!");
}

TEST_P(ValueInputTest, AsciiTakesExactlyTheWidth) {
    EXPECT_EQ(Outcome("U16", "ASCII", "AB"), "raw 16961");         // 0x4241
    EXPECT_EQ(Outcome("U8", "ASCII", " "), "raw 32");              // a blank is a character here
    EXPECT_EQ(Outcome("U32", "ASCII", "MS-D"), "raw 1143821133");  // 0x442D534D
    EXPECT_EQ(Outcome("U16", "ASCII", "ABC"), "Target position: ABC is not 2 characters long!!");
    EXPECT_EQ(Outcome("U8", "ASCII", "AB"), "Target position: AB is not 1 character long!!");
}

TEST_P(ValueInputTest, ConstantsAreAskedForThenUsed) {
    EXPECT_EQ(Outcome("I32", "deg", "90", kDegrees), "waiting " + std::to_string(0x203003));
    constants[0x203003] = 10000;
    EXPECT_EQ(Outcome("I32", "deg", "90", kDegrees), "raw 2500");
    EXPECT_EQ(Outcome("I16", "deg", "2000", kDegrees), OutOfRange("2000", "-1179.648 .. 1179.612"));
}

INSTANTIATE_TEST_SUITE_P(Locales, ValueInputTest, test::kTestLocales);

TEST(ValueInputLimits, WidthAndSignFromTheTypeText) {
    auto u16 = LimitsOf("U16");
    ASSERT_TRUE(u16);
    EXPECT_EQ(u16->width, 16);
    EXPECT_TRUE(u16->isUnsigned);
    EXPECT_EQ(u16->max, 65535);
    auto i32 = LimitsOf("I32");
    ASSERT_TRUE(i32);
    EXPECT_EQ(i32->min, -2147483648LL);
    EXPECT_FALSE(LimitsOf("VISIBLE STRING"));
    EXPECT_FALSE(LimitsOf("DOMAIN"));
    EXPECT_FALSE(LimitsOf("U12"));
}

}  // namespace
}  // namespace morlo
