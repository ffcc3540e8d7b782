#include <gtest/gtest.h>

#include <limits>

#include "LocaleFixture.h"
#include "text/NumberIo.h"

namespace morlo {
namespace {

// Every check runs in the "C" locale and under a decimal-comma locale: nothing may change.
using NumberIoLocales = test::UnderLocale;

TEST_P(NumberIoLocales, ReadsWholeTextsOnly) {
    EXPECT_EQ(ReadNumber("1.15"), 1.15);
    EXPECT_EQ(ReadNumber("  -62.5\t"), -62.5);
    EXPECT_EQ(ReadNumber("+3"), 3.0);
    EXPECT_EQ(ReadNumber("1e-6"), 1e-6);
    EXPECT_EQ(ReadNumber(".5"), 0.5);
    EXPECT_EQ(ReadNumber("2."), 2.0);
    for (const char* junk : {"", " ", "abc", "12abc", "1,5", "1.2.3", "-", "+", "e5", "1e", "inf",
                             "nan", "0x10", "1 2", "--1", "+-1", "１"}) {
        EXPECT_FALSE(ReadNumber(junk).has_value()) << '"' << junk << '"';
    }
    EXPECT_FALSE(ReadNumber("1e999").has_value());

    EXPECT_EQ(ReadInteger(" 3000000000 "), 3000000000LL);
    EXPECT_EQ(ReadInteger("-2147483648"), -2147483648LL);
    EXPECT_EQ(ReadInteger("+7"), 7);
    for (const char* junk :
         {"", "abc", "12abc", "1.0", "1e3", "-", "+-1", "99999999999999999999"}) {
        EXPECT_FALSE(ReadInteger(junk).has_value()) << '"' << junk << '"';
    }

    EXPECT_EQ(ReadHexInteger("ffffffff"), 0xFFFFFFFFu);
    EXPECT_EQ(ReadHexInteger(" 0x60400010 "), 0x60400010u);
    EXPECT_EQ(ReadHexInteger("1F4"), 0x1F4u);
    for (const char* junk : {"", "0x", "g1", "-1", "+1", "12 34", "1.0", "10000000000000000"}) {
        EXPECT_FALSE(ReadHexInteger(junk).has_value()) << '"' << junk << '"';
    }
}

TEST_P(NumberIoLocales, WritesWithAPoint) {
    EXPECT_EQ(WriteFixed(1000.0, 3), "1000.000");
    EXPECT_EQ(WriteFixed(1.15, 3), "1.150");
    EXPECT_EQ(WriteFixed(-0.0005, 3), "-0.001");
    EXPECT_EQ(WriteFixed(-0.0004, 3), "0.000");
    EXPECT_EQ(WriteFixed(-0.0, 0), "0");
    EXPECT_EQ(WriteObjectAddress(MakeObjectKey(0x607A, 0)), "607A:00");
    EXPECT_EQ(WriteObjectAddress(MakeObjectKey(0x2FF1, 0xAB)), "2FF1:AB");
    EXPECT_EQ(WriteFixed(2.0, 0), "2");
    EXPECT_EQ(WriteFixed(1e300, 1).size(), 303u);
    EXPECT_EQ(WriteShortest(62.5), "62.5");
    EXPECT_EQ(WriteShortest(1e-6), "1e-06");
    EXPECT_EQ(WriteInteger(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
    EXPECT_EQ(WriteUnsigned(4294967295u), "4294967295");
    EXPECT_EQ(WriteHex(0xFFFFFFFFu), "ffffffff");
    // What is written reads back as the same number.
    for (double v : {0.1, 62.5, -1234.5678, 1e-6, 123456789.0}) {
        EXPECT_EQ(ReadNumber(WriteShortest(v)), v);
    }
}

INSTANTIATE_TEST_SUITE_P(CAndDecimalComma, NumberIoLocales, test::kTestLocales);

}  // namespace
}  // namespace morlo
