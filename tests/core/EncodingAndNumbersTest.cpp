#include <gtest/gtest.h>

#include "text/Encoding.h"
#include "text/NumberText.h"

namespace morlo {
namespace {

TEST(HexReader, FollowsTheLenientFileRule) {
    EXPECT_EQ(ParseHexLoose("6041"), 0x6041);
    EXPECT_EQ(ParseHexLoose("60 1"), 0x601);  // blanks are skipped
    EXPECT_EQ(ParseHexLoose("-001"), -1);
    EXPECT_EQ(ParseHexLoose("0x606300"), 0x606300);  // the X is skipped, the 0 adds nothing
    EXPECT_EQ(ParseHexLoose("1f4"), 0x1F4);
    EXPECT_EQ(ParseHexLoose(""), 0);
    EXPECT_EQ(ParseHexLoose("FFFFFFFF"), -1);  // 32-bit wrap, not overflow
    EXPECT_EQ(ParseHexLoose("123456789"), 0x23456789);
}

TEST(DecimalReaders, LooseSkipsAndPrefixStops) {
    EXPECT_EQ(ParseDecimalLoose(""), 0);
    EXPECT_EQ(ParseDecimalLoose("-12a3"), -123);
    EXPECT_EQ(ParseDecimalLoose("1,000"), 1000);

    EXPECT_EQ(ParseDecimalPrefix("x"), 0);  // a non-numeric [sys] comm reads as 0
    EXPECT_EQ(ParseDecimalPrefix("  -42abc"), -42);
    EXPECT_EQ(ParseDecimalPrefix("+7"), 7);
    EXPECT_EQ(ParseDecimalPrefix("99999999999"), 2147483647);
    EXPECT_EQ(ParseDecimalPrefix("-99999999999"), -2147483647 - 1);

    EXPECT_EQ(DigitsOf("U16"), 16);
    EXPECT_EQ(DigitsOf("VISIBLE STRING"), 0);
    EXPECT_EQ(DigitsOf("I32"), 32);
}

TEST(Encoding, Gb18030RoundTripsAndSurvivesBadBytes) {
    const std::string chinese = "位置环";
    std::string gbk = Utf8ToGb18030(chinese);
    EXPECT_EQ(gbk.size(), 6u);
    EXPECT_EQ(gbk, "\xCE\xBB\xD6\xC3\xBB\xB7");
    EXPECT_EQ(Gb18030ToUtf8(gbk), chinese);
    EXPECT_EQ(Gb18030ToUtf8("abc"), "abc");
    // A lone lead byte in the middle does not lose the text around it.
    EXPECT_EQ(Gb18030ToUtf8("a\xFFz"), "a\xEF\xBF\xBDz");
    EXPECT_EQ(Gb18030ToUtf8("ok\xCE"), "ok\xEF\xBF\xBD");
}

TEST(Encoding, Utf16LittleEndianWithoutMark) {
    std::string bytes = Utf8ToUtf16Le("a=位\n");
    EXPECT_EQ(bytes, std::string("a\0=\0\x4D\x4F\n\0", 8));
    EXPECT_EQ(Utf16LeToUtf8(bytes), "a=位\n");
}

TEST(Encoding, TruncatesWholeCharacters) {
    EXPECT_EQ(Utf16Length("abc"), 3u);
    EXPECT_EQ(Utf16Length("位置"), 2u);
    EXPECT_EQ(TruncateUtf16Units("位置环", 2), "位置");
    EXPECT_EQ(TruncateUtf16Units("abc", 10), "abc");
    EXPECT_EQ(TruncateUtf16Units("abc", 0), "");
}

}  // namespace
}  // namespace morlo
