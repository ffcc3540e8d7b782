#include <gtest/gtest.h>

#include "TempFolder.h"
#include "profile/IniDocument.h"
#include "profile/Profile.h"

namespace morlo {
namespace {

using test::ReadFile;
using test::TempFolder;
using test::WriteFile;

TEST(Profile, MissingThingsReadAsEmptyText) {
    TempFolder folder;
    auto file = folder / "sys.ini";
    EXPECT_EQ(Profile::ReadString(file, "sys", "lang", 4), "");
    WriteFile(file, "[sys]\r\nlang=1\r\n");
    EXPECT_EQ(Profile::ReadString(file, "com", "lang", 4), "");
    EXPECT_EQ(Profile::ReadString(file, "sys", "comm", 4), "");
    EXPECT_EQ(Profile::ReadInt(file, "sys", "comm", 4), 0);
}

TEST(Profile, NumbersAreWholeTexts) {
    TempFolder folder;
    auto file = folder / "sys.ini";
    WriteFile(file, "[sys]\ncomm = 2 \nlang=x\ncan=12abc\nbig=99999999999\nneg=-5\n");
    EXPECT_EQ(Profile::ReadInt(file, "sys", "comm", 4), 2);
    EXPECT_EQ(Profile::ReadInt(file, "sys", "lang", 4), 0);  // "x" is offline, as before
    EXPECT_EQ(Profile::ReadInt(file, "sys", "can", 8), 0);
    EXPECT_EQ(Profile::ReadInt(file, "sys", "big", 16), 0);
    EXPECT_EQ(Profile::ReadInt(file, "sys", "neg", 4), -5);
}

TEST(Profile, NamesCompareWithoutCaseAndValuesAreTrimmed) {
    TempFolder folder;
    auto file = folder / "a.ini";
    WriteFile(file, "[SyS]\nLang = 2 \nquoted=\"x y\"\n");
    EXPECT_EQ(Profile::ReadString(file, "sys", "LANG", 4), "2");
    EXPECT_EQ(Profile::ReadString(file, "sys", "quoted", 16), "x y");
}

TEST(Profile, ValuesAreCutToTheBuffer) {
    TempFolder folder;
    auto file = folder / "page.ini";
    std::string longValue(40, '7');
    WriteFile(file, "[Page]\n1=" + longValue + "\n");
    EXPECT_EQ(Profile::ReadString(file, "Page", "1", 32), std::string(31, '7'));
    EXPECT_EQ(Profile::ReadString(file, "Page", "1", 4), "777");
}

TEST(Profile, WriteCreatesFileSectionAndKey) {
    TempFolder folder;
    auto file = folder / "new.ini";
    ASSERT_TRUE(Profile::WriteString(file, "sys", "lang", "1"));
    ASSERT_TRUE(Profile::WriteString(file, "com", "comid", "/dev/ttyUSB0"));
    ASSERT_TRUE(Profile::WriteString(file, "sys", "comm", "2"));
    EXPECT_EQ(ReadFile(file), "[sys]\r\nlang=1\r\ncomm=2\r\n[com]\r\ncomid=/dev/ttyUSB0\r\n");
    EXPECT_FALSE(std::filesystem::exists(folder / "new.ini.tmp"));
}

TEST(Profile, WriteKeepsEveryOtherLine) {
    TempFolder folder;
    auto file = folder / "sys.ini";
    const std::string before =
        "; settings\n[sys]\nlang=1\ncomm=5\n\n[can]\nbuadrate=28\nodd line\n[com]\nx=1";
    WriteFile(file, before);
    ASSERT_TRUE(Profile::WriteString(file, "SYS", "Comm", "2"));
    ASSERT_TRUE(Profile::WriteString(file, "can", "driverid", "3"));
    ASSERT_TRUE(Profile::WriteString(file, "com", "y", "2"));
    EXPECT_EQ(ReadFile(file),
              "; settings\n[sys]\nlang=1\nComm=2\n\n[can]\nbuadrate=28\nodd line\n"
              "driverid=3\n[com]\nx=1\ny=2\n");
}

TEST(Profile, UnwritableFileIsReported) {
    TempFolder folder;
    EXPECT_FALSE(Profile::WriteString(folder / "missing" / "x.ini", "a", "b", "c"));
}

TEST(Profile, SectionKeysInFileOrder) {
    TempFolder folder;
    auto file = folder / "Oscilloscope.ini";
    WriteFile(file, "[trigger]\n2=b\n1=a\n[channel]\n1=c\n");
    auto entries = Profile::ReadSection(file, "TRIGGER");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0], (std::pair<std::string, std::string>{"2", "b"}));
    EXPECT_EQ(entries[1], (std::pair<std::string, std::string>{"1", "a"}));
    EXPECT_TRUE(Profile::ReadSection(file, "none").empty());
}

TEST(Profile, EightBitFilesHoldChineseInGb18030) {
    TempFolder folder;
    auto file = folder / "DataInOut.ini";
    WriteFile(file, "[in]\nch0001=\xCA\xB9\xC4\xDC\n");  // 使能 in GB18030
    EXPECT_EQ(Profile::ReadString(file, "in", "ch0001", 256), "使能");
    ASSERT_TRUE(Profile::WriteString(file, "in", "ch0002", "复位"));
    EXPECT_EQ(ReadFile(file), "[in]\nch0001=\xCA\xB9\xC4\xDC\nch0002=\xB8\xB4\xCE\xBB\n");
}

TEST(Profile, Utf16FileWithoutByteOrderMark) {
    TempFolder folder;
    auto file = folder / "scope.txt";
    std::u16string text = u"[oscilloscope]\ntime=16\nch1 unit=\u8f6c\n";
    std::string bytes(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    WriteFile(file, bytes);
    EXPECT_EQ(Profile::ReadString(file, "oscilloscope", "time", 64, ProfileEncoding::Utf16Le),
              "16");
    EXPECT_EQ(Profile::ReadString(file, "oscilloscope", "ch1 unit", 64, ProfileEncoding::Utf16Le),
              "转");
    ASSERT_TRUE(
        Profile::WriteString(file, "oscilloscope", "number", "5", ProfileEncoding::Utf16Le));
    std::u16string expected = u"[oscilloscope]\ntime=16\nch1 unit=\u8f6c\nnumber=5\n";
    EXPECT_EQ(ReadFile(file),
              std::string(reinterpret_cast<const char*>(expected.data()), expected.size() * 2));
    // A byte-order mark written by another program is accepted too.
    WriteFile(file, std::string("\xFF\xFE", 2) + bytes);
    EXPECT_EQ(Profile::ReadString(file, "oscilloscope", "time", 64, ProfileEncoding::Utf16Le),
              "16");
}

TEST(IniDocument, FirstSectionAndFirstKeyWin) {
    auto doc = IniDocument::Parse("[a]\nk=1\nk=2\n[a]\nk=3\nj=4\n");
    EXPECT_EQ(doc.Get("a", "k"), "1");
    EXPECT_EQ(doc.Get("a", "j"), std::nullopt);
    doc.Set("a", "k", "9");
    EXPECT_EQ(doc.ToText(), "[a]\nk=9\nk=2\n[a]\nk=3\nj=4\n");
}

}  // namespace
}  // namespace morlo
