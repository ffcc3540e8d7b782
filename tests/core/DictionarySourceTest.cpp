#include <gtest/gtest.h>

#include "dictionary/DatabaseLayout.h"
#include "dictionary/DictionarySource.h"

namespace morlo {
namespace {

constexpr const char* kTwoObjects = R"(# loops
[2000:01]
name-zh = 位置环增益
name-en = Position gain
type = U16
access = RW
unit = [1/s]N*1
default = 0x20
min = 1
max = 1000
help-zh = 第一行\n第二行
help-en = Line one\nLine two \\ end

[1008:00]
name-zh = 设备名称
name-en = Device name
type = VISIBLE STRING
access = R
default = MS-D2 Servo Drive
help-zh = 名称
help-en = Name
)";

TEST(DictionarySource, ParsesFieldsAndEscapes) {
    auto source = ParseDictionarySource(kTwoObjects, "x.txt");
    EXPECT_TRUE(source.issues.empty());
    ASSERT_EQ(source.objects.size(), 2u);
    const auto& gain = source.objects[0];
    EXPECT_EQ(gain.Key(), 0x200001);
    EXPECT_EQ(gain.nameChinese, "位置环增益");
    EXPECT_EQ(gain.unitSpec, "[1/s]N*1");
    EXPECT_EQ(gain.helpChinese, "第一行\n第二行");
    EXPECT_EQ(gain.helpEnglish, "Line one\nLine two \\ end");
    EXPECT_EQ(gain.line, 2);
    EXPECT_TRUE(ValidateSourceObject(gain).empty());
    EXPECT_EQ(source.objects[1].defaultText, "MS-D2 Servo Drive");
    EXPECT_TRUE(ValidateSourceObject(source.objects[1]).empty());
}

TEST(DictionarySource, ReportsWhatIsWrong) {
    auto source = ParseDictionarySource(
        "[20001]\nname-en = x\n[2000:02]\nname-en = y\ncolour = red\nstray line\n", "bad.txt");
    ASSERT_EQ(source.objects.size(), 1u);
    // malformed header, field outside an object, unknown field, line without '=', and the
    // required fields the second object lacks
    EXPECT_GE(source.issues.size(), 5u);
    EXPECT_EQ(source.issues[0].line, 1);

    SourceObject object = ParseDictionarySource(kTwoObjects, "x.txt").objects[0];
    object.defaultText = "2000";  // above max
    EXPECT_EQ(ValidateSourceObject(object).size(), 1u);
    object.defaultText = "12";
    object.dataType = "U12";
    EXPECT_EQ(ValidateSourceObject(object).size(), 1u);
    object.dataType = "I8";
    object.maxText = "300";  // outside the type
    EXPECT_FALSE(ValidateSourceObject(object).empty());
    object.maxText = "";
    object.nameChinese = std::string(50, 'A') + "超过限制的长名称长名称";
    object.access = "WR";
    EXPECT_EQ(ValidateSourceObject(object).size(), 2u);
}

TEST(DictionarySource, RecordLayout) {
    auto object = ParseDictionarySource(kTwoObjects, "x.txt").objects[0];
    std::string record = EncodeDatabaseRecord(object);
    ASSERT_EQ(record.size(), database::kRecordSize);
    EXPECT_EQ(record.substr(0, 6), "200001");
    EXPECT_EQ(record.substr(database::kNameChinese.offset, 10),
              "\xCE\xBB\xD6\xC3\xBB\xB7\xD4\xF6\xD2\xE6");
    EXPECT_EQ(record[database::kNameChinese.offset + 10], '\0');
    EXPECT_EQ(record.substr(database::kNameEnglish.offset, 13), "Position gain");
    EXPECT_EQ(record.substr(database::kDataType.offset, 4), std::string("U16\0", 4));
    EXPECT_EQ(record.substr(database::kUnitSpec.offset, 8), "[1/s]N*1");
}

TEST(DictionarySource, Numbers) {
    EXPECT_EQ(ParseSourceNumber("0x1F"), 31);
    EXPECT_EQ(ParseSourceNumber("-5"), -5);
    EXPECT_EQ(ParseSourceNumber(" 12 "), 12);
    EXPECT_EQ(ParseSourceNumber("1e3"), std::nullopt);
    EXPECT_EQ(ParseSourceNumber(""), std::nullopt);
    EXPECT_EQ(RangeOfType("I16")->min, -32768);
    EXPECT_FALSE(RangeOfType("VISIBLE STRING"));
}

}  // namespace
}  // namespace morlo
