#include <gtest/gtest.h>

#include "TempFolder.h"
#include "dictionary/DictionarySource.h"
#include "text/Encoding.h"
#include "transfer/DriveDataFiles.h"
#include "transfer/DriveDataKey.h"
#include "transfer/DriveDataReport.h"
#include "transfer/DriveDataSidecar.h"
#include "transfer/DriveValueText.h"

namespace morlo::transfer {
namespace {

using test::TempFolder;

// A row as a run leaves it.
TransferRow Row(std::uint32_t key, const char* name, const char* load, const char* value,
                RowResult result, RowNote note = RowNote::None, const char* noteArg = "") {
    TransferRow row;
    row.key = key;
    row.keyText = DriveDataKeyText(key);
    row.name = name;
    row.loadValue = load;
    row.value = value;
    row.result = result;
    row.note = note;
    row.noteArg = noteArg;
    return row;
}

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
    rows[0] = Row(0x30000110, "Offset", "", "-2", RowResult::True);
    rows[1] = Row(0x40000110, "", "", "0x06020000", RowResult::Fail, RowNote::Refused);
    rows[2] = Row(0x40000218, "", "", "", RowResult::Fail, RowNote::BadSize);
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

// A backup and its description in a folder with a Chinese name, on Windows under a drive letter:
// the path goes through the file functions and the messages whole.
TEST(DriveDataFile, RoundTripsInAChineseFolderUnderAnyRoot) {
    TempFolder folder;
    const std::filesystem::path dir = folder.Path() / std::filesystem::path(u8"参数备份");
    std::filesystem::create_directories(dir);
    const std::filesystem::path file = dir / std::filesystem::path(u8"驱动器 1.cdi");
#ifdef _WIN32
    ASSERT_TRUE(file.has_root_name()) << PathUtf8(file);  // "C:"
    EXPECT_EQ(file.root_name().native().size(), 2u);
#endif
    std::vector<TransferRow> rows(2);
    rows[0] = Row(0x30000110, "Offset", "", "-2", RowResult::True);
    rows[1] = Row(0x20010110, "Gain", "", "0x0190", RowResult::True);
    ASSERT_TRUE(WriteFileReplacing(file, WriteDriveDataText(rows)));
    DriveDataSidecar sidecar;
    sidecar.rows = {{"20010110", "速度环比例增益", "U16", "Hz"}};
    ASSERT_TRUE(WriteFileReplacing(SidecarPathOf(file), WriteSidecarText(sidecar)));

    std::string bytes;
    ASSERT_TRUE(ReadFileBytes(file, bytes));
    EXPECT_EQ(bytes, "30000110,-2,True\r\n20010110,0x0190,True\r\n");
    const auto lines = ReadDriveDataLines(bytes);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].loadValue, "0x0190");
    ASSERT_TRUE(ReadFileBytes(dir / std::filesystem::path(u8"驱动器 1.cdi.ini"), bytes));
    const auto back = ReadSidecarText(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->rows[0].name, "速度环比例增益");
    EXPECT_NE(PathUtf8(file).find("参数备份"), std::string::npos);
    const std::filesystem::path chosen = dir / std::filesystem::path(u8"驱动器.2024.cdi");
    EXPECT_EQ(SavePathFor(chosen, ChosenExtension(chosen, "cdi")),
              dir / std::filesystem::path(u8"驱动器.cdi"));
}

TEST(DriveDataValues, ShownAsReceivedNeverMaskedToTheListedSize) {
    struct Case {
        std::uint32_t raw;
        int answerBits;  // 0: the answer did not say
        ValueFormat format;
        const char* text;
        RowNote note;
    };
    const ValueFormat i16 = FormatOfType("I16");
    const ValueFormat key8 = FormatOfKey(0x40000108);
    const ValueFormat key16 = FormatOfKey(0x40000110);
    const Case cases[] = {
        {0xFFFE, 16, i16, "-2", RowNote::None},
        {0xFFFE, 16, FormatOfType("U16"), "65534", RowNote::None},
        {0xFFFE, 0, i16, "-2", RowNote::None},      // an answer without size, as the Part reads it
        {0xFFFFFFFE, 0, i16, "-2", RowNote::None},  // an echo with all 4 bytes, sign-extended
        {0xFFFFFFFE, 32, i16, "-2", RowNote::AnswerSizeDiffers},
        {0x0000FFFE, 32, i16, "65534", RowNote::AnswerSizeDiffers},
        {0x0001FFFE, 0, i16, "131070", RowNote::DriveValueDoesNotFit},
        {0x80, 8, FormatOfType("I8"), "-128", RowNote::None},
        {0xFFFFFFFF, 32, FormatOfType("U32"), "4294967295", RowNote::None},
        {0xFFFFFFFF, 32, FormatOfType("I32"), "-1", RowNote::None},
        {5, 16, key16, "0x0005", RowNote::None},
        {0xAB, 8, key8, "0xab", RowNote::None},
        {5, 32, FormatOfKey(0x40000120), "0x00000005", RowNote::None},
        // A drive answering wider than the list: the whole value, and never "True".
        {0x1234, 16, key8, "0x1234", RowNote::AnswerSizeDiffers},
        {0x34, 16, key8, "0x34", RowNote::AnswerSizeDiffers},
        {0xFFFFFFFE, 32, key16, "0xfffffffe", RowNote::AnswerSizeDiffers},
        {0x5634, 0, key8, "0x5634", RowNote::DriveValueDoesNotFit},
    };
    for (const Case& c : cases) {
        const DriveValue value = ReadDriveValue(c.raw, c.answerBits, c.format);
        SCOPED_TRACE(c.text);
        EXPECT_EQ(value.text, c.text);
        EXPECT_EQ(value.note, c.note);
    }
    EXPECT_EQ(ReadDriveValue(0x1234, 16, key8).noteArg, "16");
    EXPECT_EQ(ReadDriveValue(0x1FFFE, 0, i16).noteArg, "I16");
    EXPECT_EQ(FormatAbortCode(0x06020000), "0x06020000");
    EXPECT_FALSE(FormatOfType("VISIBLE STRING").Usable());
    EXPECT_FALSE(FormatOfKey(0x40000118).Usable());
    EXPECT_EQ(DriveDataKeyText(0x2ff0108), "02FF0108");
    EXPECT_EQ(ObjectKeyOf(0xFFFF0110), 0xFFFF01);
}

TEST(DriveDataValues, LoadValuesAreReadStrictlyAndNeverWrapped) {
    struct Case {
        const char* text;
        ValueFormat format;
        std::optional<std::uint32_t> raw;
        RowNote note;
        const char* noteArg;
    };
    const ValueFormat i16 = FormatOfType("I16");
    const ValueFormat u16 = FormatOfType("U16");
    const ValueFormat u32 = FormatOfType("U32");
    const ValueFormat key16 = FormatOfKey(0x40000110);
    const ValueFormat key8 = FormatOfKey(0x40000108);
    const Case cases[] = {
        {"-2", i16, 0xFFFEu, RowNote::None, ""},
        {"0xFFFE", i16, 0xFFFEu, RowNote::None, ""},  // hexadecimal is the bit pattern
        {"65534", u16, 0xFFFEu, RowNote::None, ""},
        {"0x0005", key16, 5u, RowNote::None, ""},
        {"-1", key16, 0xFFFFu, RowNote::None, ""},
        {" 7 ", u16, 7u, RowNote::None, ""},
        {"4294967295", u32, 0xFFFFFFFFu, RowNote::None, ""},
        {"65534", i16, std::nullopt, RowNote::DoesNotFit, "I16"},
        {"-1", u16, std::nullopt, RowNote::DoesNotFit, "U16"},
        {"0x10000", i16, std::nullopt, RowNote::DoesNotFit, "I16"},
        {"65536", key16, std::nullopt, RowNote::DoesNotFit, "16 bits"},
        {"0x1234", key8, std::nullopt, RowNote::DoesNotFit, "8 bits"},
        {"99999999999999999999", u32, std::nullopt, RowNote::UnreadableValue, ""},
        {"1.5", u16, std::nullopt, RowNote::UnreadableValue, ""},
        {"12abc", u16, std::nullopt, RowNote::UnreadableValue, ""},
        {"5x", u16, std::nullopt, RowNote::UnreadableValue, ""},
        {"", u16, std::nullopt, RowNote::EmptyValue, ""},
        {"5", FormatOfType("VISIBLE STRING"), std::nullopt, RowNote::BadSize, ""},
    };
    for (const Case& c : cases) {
        const LoadValue load = LoadValueToRaw(c.text, c.format);
        SCOPED_TRACE(c.text);
        EXPECT_EQ(load.raw, c.raw);
        EXPECT_EQ(load.note, c.note);
        EXPECT_EQ(load.noteArg, c.noteArg);
    }
    EXPECT_EQ(LoadValueToRaw("0xFFFE", i16).number, -2);  // compared as the drive's -2
}

TEST(DriveDataFile, AFileWithoutAUsableRowIsRefusedWhole) {
    struct Case {
        std::string text;
        bool usable;
    };
    const Case cases[] = {
        {"", false},
        {"60600008\r\n20010110\r\n", false},  // an object list given by mistake
        {std::string("\x7F"
                     "ELF\x02\x01,\x00\x00",
                     10),
         false},                         // a binary file
        {"20010110,,True\r\n", false},   // no value
        {"40000118,5,True\r\n", false},  // no size of 8, 16 or 32 bits
        {"2001011,5,True\r\n", false},   // seven digits
        {"20010110,400,True\r\n", true},
        {" 20010110 ,400,True\r\n", true},
        {"20010110,400\r\n", false},  // the value stands between two commas
        {"20010110,,True\r\n60410010,0x0005,Alarm\r\n", true},  // one usable row is enough
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HasUsableLine(ReadDriveDataLines(c.text)), c.usable) << c.text;
    }
}

TEST(DriveDataSidecarFile, DescribesTheBackupAndReadsBack) {
    DriveDataSidecar sidecar;
    sidecar.date = "2025-03-04 05:06:07";
    sidecar.link = "serial:/dev/ttyUSB0@115200";
    sidecar.node = 3;
    sidecar.identity = {"MS-D2 Servo Drive", "HW 1.2", "SW 3.07"};
    sidecar.rows = {{"20010110", "速度环比例增益", "U16", "Hz"}, {"40000108", "? ? ? ?", "", ""}};
    const std::string text = WriteSidecarText(sidecar);
    EXPECT_EQ(text.substr(0, 10), "[backup]\r\n");
    const auto back = ReadSidecarText(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->date, sidecar.date);
    EXPECT_EQ(back->link, sidecar.link);
    EXPECT_EQ(back->node, 3);
    EXPECT_EQ(back->identity.softwareVersion, "SW 3.07");
    ASSERT_EQ(back->rows.size(), 2u);
    EXPECT_EQ(back->rows[0].name, "速度环比例增益");  // 8-bit on disk, as the data files
    EXPECT_EQ(back->RowOf(0x20010110)->unit, "Hz");
    EXPECT_EQ(back->RowOf(0x30000110), nullptr);
    EXPECT_FALSE(ReadSidecarText("[sys]\r\nlang=1\r\n"));
    EXPECT_EQ(SidecarPathOf("/u/a.cdi"), "/u/a.cdi.ini");

    // Which differences are named before a file is written into a drive.
    DriveIdentity drive = sidecar.identity;
    EXPECT_TRUE(IdentityDifferences(sidecar.identity, drive).empty());
    drive.hardwareVersion = "HW 2.0";  // another board, the same parameters
    EXPECT_TRUE(IdentityDifferences(sidecar.identity, drive).empty());
    drive.softwareVersion = "SW 3.08";
    const auto differences = IdentityDifferences(sidecar.identity, drive);
    ASSERT_EQ(differences.size(), 1u);
    EXPECT_EQ(DescribeDifferences(differences),
              "software version: file 'SW 3.07', drive 'SW 3.08'\n");
    drive.deviceName.clear();  // a drive without a name is no difference
    EXPECT_EQ(IdentityDifferences(sidecar.identity, drive).size(), 1u);
}

TEST(DriveDataReportFile, RowsByNameAndUnitAsTableAndCsv) {
    std::vector<TransferRow> rows(3);
    rows[0] = Row(0x20010110, "Velocity gain", "400", "555", RowResult::Alarm);
    rows[0].fileRaw = 400;
    rows[0].driveRaw = 555;
    rows[1] = Row(0x20000110, "Position gain", "250", "250", RowResult::True);
    rows[1].fileRaw = 250;
    rows[1].driveRaw = 250;
    rows[2] = Row(0x40000108, "? ? ? ?", "0x34", "0x1234", RowResult::Alarm,
                  RowNote::AnswerSizeDiffers, "16");
    rows[2].fileRaw = 0x34;
    rows[2].driveRaw = 0x1234;
    // Gains in Hz (raw / 10); the unknown object has no unit.
    const UnitShower hz = [](std::uint32_t key, std::uint32_t raw) -> std::optional<UnitValue> {
        if (key == 0x40000108) {
            return std::nullopt;
        }
        return UnitValue{std::to_string(raw / 10) + "." + std::to_string(raw % 10), "Hz"};
    };
    const auto differences = ReportOfRun(rows, hz, true);
    ASSERT_EQ(differences.size(), 2u);
    EXPECT_EQ(FormatReportTable(differences, ReportKind::DriveAgainstFile),
              "row  key       name           file  drive   unit  result  note\n"
              "1    20010110  Velocity gain  40.0  55.5    Hz    Alarm\n"
              "3    40000108  ? ? ? ?        0x34  0x1234        Alarm   the drive answered 16 "
              "bits, listed as 8\n");
    EXPECT_EQ(
        WriteReportCsv(ReportOfRun(rows, hz, false), ReportKind::DriveAgainstFile),
        "key,name,unit,file value,drive value,result,note\r\n"
        "20010110,Velocity gain,Hz,40.0,55.5,Alarm,\r\n"
        "20000110,Position gain,Hz,25.0,25.0,True,\r\n"
        "40000108,? ? ? ?,,0x34,0x1234,Alarm,\"the drive answered 16 bits, listed as 8\"\r\n");
    EXPECT_EQ(FormatReportTable({}, ReportKind::Backup), "");
}

TEST(DriveDataReportFile, TwoFilesAreComparedByObjectAndType) {
    test::TempFolder folder;
    SourceObject gain;
    gain.index = 0x2001;
    gain.subIndex = 1;
    gain.nameChinese = gain.nameEnglish = "Velocity gain";
    gain.dataType = "I16";
    gain.access = "RW";
    gain.helpChinese = gain.helpEnglish = "-";
    test::WriteFile(folder / "TARNEX.dat", EncodeDatabaseRecord(gain));
    ObjectDictionary dictionary;
    ASSERT_TRUE(dictionary.LoadFile(folder / "TARNEX.dat", 2));
    const auto first = ReadDriveDataLines(
        "20010110,-2,True\r\n40000110,0x0005,True\r\n40000210,7,True\r\n40000310,1,True\r\n");
    const auto second = ReadDriveDataLines(
        "40000110,5,True\r\n20010110,0xfffe,True\r\n40000210,8,True\r\n40000410,x,True\r\n");
    const auto rows = DiffDriveData(first, second, dictionary);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].result, RowResult::True);  // -2 and 0xfffe are the same I16
    EXPECT_EQ(rows[0].name, "Velocity gain");
    EXPECT_EQ(rows[1].result, RowResult::True);  // 0x0005 and 5 in 16 bits
    EXPECT_EQ(rows[2].result, RowResult::Alarm);
    EXPECT_EQ(rows[3].result, RowResult::Fail);
    EXPECT_EQ(rows[3].note, "only in the first file");
    EXPECT_EQ(rows[4].note, "only in the second file");
    EXPECT_EQ(WriteReportCsv(ReportOfDiff(rows, {}, true), ReportKind::FileAgainstFile),
              "key,name,unit,first value,second value,result,note\r\n"
              "40000210,? ? ? ?,,7,8,Alarm,\r\n"
              "40000310,? ? ? ?,,1,,Fail,only in the first file\r\n"
              "40000410,? ? ? ?,,,x,Fail,only in the second file\r\n");
}

}  // namespace
}  // namespace morlo::transfer
