#include <gtest/gtest.h>

#include "TempFolder.h"
#include "transfer/DriveDataFiles.h"
#include "transfer/DriveDataKey.h"
#include "transfer/DriveValueText.h"

namespace morlo::transfer {
namespace {

using test::TempFolder;

TEST(ObjectListFile, OneKeyPerPieceOfALine) {
    const std::vector<std::uint32_t> expected = {0x60400010, 0, 0x606C0020};
    EXPECT_EQ(ReadObjectList("60400010\r\n\r\n606C0020"), expected);
    EXPECT_EQ(ReadObjectList("60400010\r\n\r\n606C0020\r\n"), expected);
    EXPECT_EQ(ReadObjectList("60400010\n\n606c0020\n"), expected);
    // Blanks, an "x" and a colon are skipped; digits wrap like the 32-bit reader they are.
    EXPECT_EQ(ReadObjectList(" 0x2001:0110 \n-1\n"),
              (std::vector<std::uint32_t>{0x20010110, 0xFFFFFFFF}));
    // A line longer than a piece gives more keys: 23 characters and its line end make two.
    EXPECT_EQ(ReadObjectList(std::string(23, '1') + "\n"),
              (std::vector<std::uint32_t>{0x11111111, 0}));
    EXPECT_EQ(ReadObjectList(std::string(22, '2') + "\n").size(), 1u);
    EXPECT_TRUE(ReadObjectList("").empty());
}

TEST(DriveDataFile, TakesRowsWithACommaAndDropsFailRowsWithoutGaps) {
    const std::string text =
        "30000110,-2,True\r\n"
        "30000210,0x06020000,Fail\r\n"
        "\r\n"
        "no comma here\r\n"
        "40000110,0x0005,True\r\n"
        "30000220,7\r\n"    // no second comma: no load value
        ",5,True\r\n"       // the key is what stands before the first comma
        "2FF00108,1,True";  // no line end at the end
    const auto lines = ReadDriveDataLines(text);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].keyText, "30000110");
    EXPECT_EQ(lines[0].loadValue, "-2");
    EXPECT_EQ(lines[1].keyText, "40000110");
    EXPECT_EQ(lines[1].loadValue, "0x0005");
    EXPECT_EQ(lines[2].loadValue, "");
    EXPECT_EQ(lines[3].keyText, "");
    EXPECT_EQ(lines[3].loadValue, "5");
    EXPECT_EQ(lines[4].loadValue, "1");
    // A line of 300 characters is two pieces; the tail has no comma and is skipped.
    EXPECT_EQ(ReadDriveDataLines("1,2," + std::string(296, 'T') + "\r\n").size(), 1u);
}

TEST(DriveDataFile, WritesKeyValueAndResultPerRow) {
    std::vector<TransferRow> rows(3);
    rows[0] = {0x30000110, "30000110", "Offset", "", "-2", RowResult::True, RowNote::None};
    rows[1] = {0x40000110, "", "", "", "0x06020000", RowResult::Fail, RowNote::None};
    rows[2] = {0x40000218, "", "", "", "", RowResult::Fail, RowNote::BadSize};
    EXPECT_EQ(WriteDriveDataText(rows),
              "30000110,-2,True\r\n"
              "40000110,0x06020000,Fail\r\n"
              "40000218,size not 8/16/32 bits,Fail\r\n");
    EXPECT_EQ(WriteDriveDataText({}), "");
    // What is written reads back without the failed rows.
    const auto back = ReadDriveDataLines(WriteDriveDataText(rows));
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].loadValue, "-2");
}

TEST(DriveDataFile, SaveNameIsCutAtTheFirstDotOfTheFileName) {
    EXPECT_EQ(SavePathFor("/u/backup.2013.cdi", ChosenExtension("/u/backup.2013.cdi", "cdi")),
              "/u/backup.cdi");
    EXPECT_EQ(SavePathFor("/u/backup.txt", ChosenExtension("/u/backup.txt", "cdi")),
              "/u/backup.txt");
    EXPECT_EQ(SavePathFor("/u/my.folder/backup", ChosenExtension("/u/my.folder/backup", "cdi")),
              "/u/my.folder/backup.cdi");
    EXPECT_EQ(SavePathFor("/u/backup", ChosenExtension("/u/backup", "txt")), "/u/backup.txt");
    EXPECT_EQ(SavePathFor("/u/.hidden", ChosenExtension("/u/.hidden", "cdi")), "/u/.hidden.cdi");
    // Anything but exactly "cdi" saves as text.
    EXPECT_EQ(SavePathFor("/u/backup.CDI", ChosenExtension("/u/backup.CDI", "cdi")),
              "/u/backup.txt");
}

TEST(DriveDataFile, WritingReplacesTheWholeFileOrNothing) {
    TempFolder folder;
    const auto target = folder / "backup.cdi";
    test::WriteFile(target, "old content that is longer than the new one\r\n");
    ASSERT_TRUE(WriteFileReplacing(target, "new\r\n"));
    EXPECT_EQ(test::ReadFile(target), "new\r\n");
    EXPECT_FALSE(std::filesystem::exists(folder / "backup.cdi.tmp"));
    EXPECT_FALSE(WriteFileReplacing(folder / "missing" / "backup.cdi", "x"));
    EXPECT_FALSE(std::filesystem::exists(folder / "missing"));
    std::filesystem::create_directories(folder / "a-folder");
    EXPECT_FALSE(WriteFileReplacing(folder / "a-folder", "x"));

    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(target, bytes));
    EXPECT_EQ(bytes, "new\r\n");
    EXPECT_FALSE(ReadFileBytes(folder / "a-folder", bytes));
    EXPECT_FALSE(ReadFileBytes(folder / "nothing.cdo", bytes));
}

TEST(DriveDataValues, ShownByTypeOrByTheKeySize) {
    EXPECT_EQ(FormatValue(0xFFFE, FormatOfType("I16")), "-2");
    EXPECT_EQ(FormatValue(0xFFFE, FormatOfType("U16")), "65534");
    EXPECT_EQ(FormatValue(0xFFFFFFFE, FormatOfType("I16")), "-2");  // an echo with all 4 bytes
    EXPECT_EQ(FormatValue(0x1FF, FormatOfType("U8")), "255");
    EXPECT_EQ(FormatValue(0x80, FormatOfType("I8")), "-128");
    EXPECT_EQ(FormatValue(0xFFFFFFFF, FormatOfType("U32")), "4294967295");
    EXPECT_EQ(FormatValue(0xFFFFFFFF, FormatOfType("I32")), "-1");
    EXPECT_EQ(FormatValue(5, FormatOfKey(0x40000110)), "0x0005");
    EXPECT_EQ(FormatValue(0xAB, FormatOfKey(0x40000108)), "0xab");
    EXPECT_EQ(FormatValue(5, FormatOfKey(0x40000120)), "0x00000005");
    EXPECT_EQ(FormatAbortCode(0x06020000), "0x06020000");
    EXPECT_FALSE(FormatOfType("VISIBLE STRING").Usable());
    EXPECT_FALSE(FormatOfKey(0x40000118).Usable());
    EXPECT_EQ(DriveDataKeyText(0x2ff0108), "02FF0108");
    EXPECT_EQ(ObjectKeyOf(0xFFFF0110), 0xFFFF01);
}

TEST(DriveDataValues, LoadValuesAreReadStrictlyAndNeverWrapped) {
    const ValueFormat i16 = FormatOfType("I16");
    const ValueFormat u16 = FormatOfType("U16");
    const ValueFormat u32 = FormatOfType("U32");
    const ValueFormat key16 = FormatOfKey(0x40000110);
    auto raw = [](std::string_view text, const ValueFormat& f, int bits) {
        return LoadValueToRaw(text, f, bits).raw;
    };
    auto note = [](std::string_view text, const ValueFormat& f, int bits) {
        return LoadValueToRaw(text, f, bits).note;
    };
    EXPECT_EQ(raw("-2", i16, 16), 0xFFFEu);
    EXPECT_EQ(raw("0xFFFE", i16, 16), 0xFFFEu);  // hexadecimal is the bit pattern
    EXPECT_EQ(raw("65534", u16, 16), 0xFFFEu);
    EXPECT_EQ(raw("0x0005", key16, 16), 5u);
    EXPECT_EQ(raw("-1", key16, 16), 0xFFFFu);
    EXPECT_EQ(raw(" 7 ", u16, 16), 7u);
    EXPECT_EQ(raw("4294967295", u32, 32), 0xFFFFFFFFu);
    EXPECT_EQ(note("65534", i16, 16), RowNote::OutOfRange);
    EXPECT_EQ(note("-1", u16, 16), RowNote::OutOfRange);
    EXPECT_EQ(note("0x10000", i16, 16), RowNote::OutOfRange);
    EXPECT_EQ(note("65536", key16, 16), RowNote::OutOfRange);
    EXPECT_EQ(note("300", u16, 8), RowNote::OutOfRange);  // wider than the write command
    EXPECT_EQ(note("99999999999999999999", u32, 32), RowNote::UnreadableValue);
    EXPECT_EQ(note("1.5", u16, 16), RowNote::UnreadableValue);
    EXPECT_EQ(note("12abc", u16, 16), RowNote::UnreadableValue);
    EXPECT_EQ(note("5x", u16, 16), RowNote::UnreadableValue);
    EXPECT_EQ(note("", u16, 16), RowNote::EmptyValue);
    EXPECT_EQ(note("5", FormatOfType("VISIBLE STRING"), 16), RowNote::BadSize);
}

}  // namespace
}  // namespace morlo::transfer
