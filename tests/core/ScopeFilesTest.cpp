// The oscilloscope's export formats: CSV, the text data file and its import, bitmaps, and the
// export path.

#include <gtest/gtest.h>

#include <cstring>

#include "scope/ScopeBitmap.h"
#include "scope/ScopeFiles.h"
#include "text/Encoding.h"

namespace morlo::scope {
namespace {

std::string Utf16(std::string_view utf8) {
    return Utf8ToUtf16Le(utf8);
}

// A capture of channels 1 and 3 with three samples each.
ScopeFileData TwoChannelCapture() {
    ScopeFileData data;
    data.period = 16;
    data.pointerOffset = 100;
    data.samples = 3;
    data.triggerItem = 2;
    data.triggerKey = 0x606C00;
    data.levelText = "12.500000";
    data.triggerUnit = 1;
    data.continuous = true;
    data.channels[0] = {true, 0x606C0021, 200, -350, 0.5, 2, false, "Velocity actual value", "rpm"};
    data.channels[2] = {true, 0x20500211, 1e-6, 0, 1, 0, true, "Current", "DEC"};
    data.curves[0] = {1, -2, 700.6};
    data.curves[2] = {-32768, 0, 32767};
    data.description = {"2026-12-08 09:30:00", "MS-D2 Servo Drive", "SW 3.07", "sim"};
    return data;
}

TEST(ScopeCsv, OneLinePerRowWithATrailingCommaAndCrLf) {
    Curves curves;
    curves[0] = {1};
    curves[1] = {-2};
    curves[2] = {3};
    EXPECT_EQ(WriteScopeCsv(curves), "1,-2,3,\r\n");

    // Values are rounded; a shorter curve simply stops, so later lines hold fewer fields;
    // four wide negative values make a line longer than any fixed buffer would hold.
    curves = {};
    curves[0] = {1.4, -2147483648.0, 5};
    curves[1] = {-0.6, -2147483648.0};
    curves[2] = {9, -2147483648.0};
    curves[3] = {2.5, -2147483648.0};
    EXPECT_EQ(WriteScopeCsv(curves),
              "1,-1,9,2,\r\n"
              "-2147483648,-2147483648,-2147483648,-2147483648,\r\n"
              "5,\r\n");
    EXPECT_EQ(WriteScopeCsv(Curves{}), "");
}

TEST(ScopeTextFile, WritesEveryKeyInOrderAsUtf16WithLfEnds) {
    const std::string bytes = WriteScopeText(TwoChannelCapture());
    EXPECT_EQ(bytes.substr(0, 4), std::string("[\0o\0", 4)) << "no byte-order mark";
    EXPECT_EQ(bytes.size() % 2, 0u);
    EXPECT_EQ(Utf16LeToUtf8(bytes),
              "[oscilloscope]\n"
              "time=16\n"
              "offset=100\n"
              "number=3\n"
              "trigger item=2\n"
              "trigger item value=6319104\n"
              "trigger collect value=12.500000\n"
              "trigger collect unit=1\n"
              "continue=1\n"
              "ch1 check=1\n"
              "ch1 item=1617690657\n"
              "ch1 scale=200.000000\n"
              "ch1 offset=-350.000000\n"
              "ch1 unit coef=0.500000\n"
              "ch1 unit=2\n"
              "ch1 auto=0\n"
              "ch2 check=0\n"
              "ch3 check=1\n"
              "ch3 item=542114321\n"
              "ch3 scale=0.000001\n"
              "ch3 offset=0.000000\n"
              "ch3 unit coef=1.000000\n"
              "ch3 unit=0\n"
              "ch3 auto=1\n"
              "ch4 check=0\n"
              "ch1-1=1\n"
              "ch3-1=-32768\n"
              "ch1-2=-2\n"
              "ch3-2=0\n"
              "ch1-3=701\n"
              "ch3-3=32767\n"
              "captured=2026-12-08 09:30:00\n"
              "device name=MS-D2 Servo Drive\n"
              "software version=SW 3.07\n"
              "link=sim\n"
              "ch1 name=Velocity actual value\n"
              "ch1 unit text=rpm\n"
              "ch3 name=Current\n"
              "ch3 unit text=DEC\n");
    EXPECT_EQ(bytes.find("\r\0", 0, 2), std::string::npos);

    // A mapping with the index's top bit set is the drive's signed 32-bit value.
    ScopeFileData high;
    high.channels[1] = {true, 0xA0000010, 1, 0, 1, 0, true, "", ""};
    EXPECT_NE(Utf16LeToUtf8(WriteScopeText(high)).find("ch2 item=-1610612720\n"),
              std::string::npos);
    const ScopeReadResult back = ReadScopeText(WriteScopeText(high));
    EXPECT_EQ(back.data.channels[1].item, 0xA0000010u);
}

TEST(ScopeTextFile, ExportThenImportRestoresSettingsAndCurves) {
    const ScopeFileData written = TwoChannelCapture();
    const ScopeReadResult read = ReadScopeText(WriteScopeText(written));
    ASSERT_EQ(read.status, ScopeReadStatus::Read);
    EXPECT_TRUE(read.warnings.empty());
    const ScopeFileData& d = read.data;
    EXPECT_EQ(d.period, 16);
    EXPECT_EQ(d.pointerOffset, 100);
    EXPECT_EQ(d.samples, 3);
    EXPECT_EQ(d.triggerItem, 2);
    EXPECT_EQ(d.triggerKey, 0x606C00);
    EXPECT_EQ(d.levelText, "12.500000");
    EXPECT_EQ(d.triggerUnit, 1);
    EXPECT_TRUE(d.continuous);
    for (int n : {0, 2}) {
        const ChannelFileBlock& w = written.channels[static_cast<std::size_t>(n)];
        const ChannelFileBlock& r = d.channels[static_cast<std::size_t>(n)];
        SCOPED_TRACE(n);
        EXPECT_TRUE(r.checked);
        EXPECT_EQ(r.item, w.item);
        EXPECT_DOUBLE_EQ(r.scale, w.scale);
        EXPECT_DOUBLE_EQ(r.offset, w.offset);
        EXPECT_DOUBLE_EQ(r.coefficient, w.coefficient);
        EXPECT_EQ(r.unit, w.unit);
        EXPECT_EQ(r.autoScale, w.autoScale);
        EXPECT_EQ(r.name, w.name);
        EXPECT_EQ(r.unitText, w.unitText);
    }
    EXPECT_FALSE(d.channels[1].checked);
    EXPECT_FALSE(d.channels[3].checked);
    EXPECT_EQ(d.curves[0], (std::vector<double>{1, -2, 701}));  // rounded to integers
    EXPECT_EQ(d.curves[2], (std::vector<double>{-32768, 0, 32767}));
    EXPECT_TRUE(d.curves[1].empty());
    EXPECT_EQ(d.description.deviceName, "MS-D2 Servo Drive");
    EXPECT_EQ(d.description.link, "sim");
}

TEST(ScopeTextFile, CoefficientsOfFineEncodersKeepEveryDigit) {
    // r/min at 2^24 and 2^23 counts per revolution, and values "%f" writes exactly.
    for (const double coefficient : {60.0 / 16777216, 60.0 / 8388608, 0.1, 2.5}) {
        SCOPED_TRACE(coefficient);
        ScopeFileData data = TwoChannelCapture();
        data.channels[0].coefficient = coefficient;
        data.channels[0].offset = -350 * coefficient;
        const std::string text = Utf16LeToUtf8(WriteScopeText(data));
        const std::size_t at = text.find("ch1 unit coef=");
        ASSERT_NE(at, std::string::npos);
        const std::string value = text.substr(at + 14, text.find('\n', at) - at - 14);
        // A plain decimal number with at least six decimals, as "%f" would read it.
        EXPECT_EQ(value.find_first_not_of("0123456789.-"), std::string::npos) << value;
        EXPECT_GE(value.size() - value.find('.') - 1, 6u) << value;
        const ScopeReadResult back = ReadScopeText(WriteScopeText(data));
        EXPECT_EQ(back.data.channels[0].coefficient, coefficient);
        EXPECT_EQ(back.data.channels[0].offset, data.channels[0].offset);
    }
}

TEST(ScopeTextFile, ImportToleratesWhatOtherWritersLeaveOut) {
    // A file of the plain format: no description, keys in any case, a byte-order mark,
    // an unknown key, and "number" beyond the sample lines present.
    const ScopeReadResult r = ReadScopeText("\xFF\xFE" + Utf16("[Oscilloscope]\n"
                                                               "TIME=3\n"
                                                               "number=4\n"
                                                               "colour=green\n"
                                                               "ch2 check=1\n"
                                                               "ch2 item=1617690640\n"
                                                               "ch2-1=5\n"
                                                               "ch2-3=-7\n"));
    ASSERT_EQ(r.status, ScopeReadStatus::Read);
    EXPECT_TRUE(r.warnings.empty());
    EXPECT_EQ(r.data.period, 3);
    EXPECT_EQ(r.data.triggerItem, 0);  // missing: 0, the manual trigger
    EXPECT_EQ(r.data.channels[1].scale, 0);
    EXPECT_EQ(r.data.curves[1], (std::vector<double>{5, 0, -7, 0}));
    EXPECT_TRUE(r.data.curves[0].empty());
    EXPECT_TRUE(r.data.description.deviceName.empty());

    // Sample lines of an unticked channel are not read; no "number" means no samples.
    const ScopeReadResult noNumber =
        ReadScopeText(Utf16("[oscilloscope]\nch1 check=0\nch1-1=5\nch2 check=1\nch2-1=5\n"));
    EXPECT_TRUE(noNumber.data.curves[0].empty());
    EXPECT_TRUE(noNumber.data.curves[1].empty());
}

TEST(ScopeTextFile, BrokenFilesAreRefusedOrDescribed) {
    // An 8-bit text, an empty file and another INI file are no data files at all.
    EXPECT_EQ(ReadScopeText("[oscilloscope]\ntime=3\n").status, ScopeReadStatus::NotScopeFile);
    EXPECT_EQ(ReadScopeText("").status, ScopeReadStatus::NotScopeFile);
    EXPECT_EQ(ReadScopeText(Utf16("[trigger]\n1=606C00\n")).status, ScopeReadStatus::NotScopeFile);
    EXPECT_EQ(ReadScopeText(std::string("\x5B\x00\x6F", 3)).status, ScopeReadStatus::NotScopeFile);

    // Values that are not numbers read as 0 and are named; a sample count beyond any record
    // is cut instead of filling the memory with zeros.
    const ScopeReadResult r = ReadScopeText(
        Utf16("[oscilloscope]\ntime=12abc\nnumber=2000000000\nch1 check=1\nch1 scale=x\n"
              "ch1-1=1.5\n"));
    ASSERT_EQ(r.status, ScopeReadStatus::Read);
    EXPECT_EQ(r.data.period, 0);
    EXPECT_EQ(r.data.channels[0].scale, 0);
    EXPECT_EQ(r.data.curves[0].size(), kImportSamplesLimit);
    EXPECT_EQ(r.data.curves[0][0], 0);
    ASSERT_EQ(r.warnings.size(), 4u);
    EXPECT_EQ(r.warnings[0], "time=12abc is not a number; read as 0");
    EXPECT_NE(r.warnings[2].find("number=2000000000"), std::string::npos);

    // Negative sample counts import nothing.
    EXPECT_TRUE(
        ReadScopeText(Utf16("[oscilloscope]\nnumber=-5\nch1 check=1\n")).data.curves[0].empty());
}

TEST(ScopeExportPath, TheFileNameIsCutAtItsFirstDot) {
    EXPECT_EQ(ExportPathFor("/my.data/run.1.csv", "csv").path, "/my.data/run.csv");
    EXPECT_EQ(ExportPathFor("C:\\my.data\\run.1.csv", "csv").path, "C:\\my.data\\run.csv");
    EXPECT_EQ(ExportPathFor("/home/u/run", "bmp").path, "/home/u/run.bmp");
    EXPECT_EQ(ExportPathFor("run.txt", "txt").path, "run.txt");
    EXPECT_EQ(ExportPathFor("/a/.hidden.png", "png").path, "/a/.png");
    EXPECT_EQ(ExportPathFor("/a/run.1.csv", "csv").kind, ExportKind::Csv);
    EXPECT_EQ(ExportPathFor("/a/run.txt", "txt").kind, ExportKind::Text);
    EXPECT_EQ(ExportPathFor("/a/run.bmp", "bmp").kind, ExportKind::Bitmap);
    EXPECT_EQ(ExportPathFor("/a/run.png", "png").kind, ExportKind::Png);
    // The extension is compared exactly: capitals are another type.
    EXPECT_EQ(ExportPathFor("/a/run.CSV", "CSV").kind, ExportKind::Unknown);
    EXPECT_EQ(ExtensionOf("/my.data/run.1.csv"), "csv");
    EXPECT_EQ(ExtensionOf("/my.data/run"), "");
    // A long path is kept whole.
    const std::string deep = "/" + std::string(300, 'd') + "/run.1.bmp";
    EXPECT_EQ(ExportPathFor(deep, "bmp").path, "/" + std::string(300, 'd') + "/run.bmp");
}

std::uint32_t Le32(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, b.data() + at, 4);
    return v;
}
std::uint16_t Le16(const std::string& b, std::size_t at) {
    std::uint16_t v = 0;
    std::memcpy(&v, b.data() + at, 2);
    return v;
}

TEST(ScopeBitmapFile, HeadersAndPaddedBottomUpRows) {
    // 3 x 2 pixels: the top row red, green, blue; the bottom row white.
    const PixelImage image{
        3, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}};
    const std::string b = WriteBitmap(image, 24);
    const std::size_t row = 12;  // 9 bytes of pixels padded to 12
    ASSERT_EQ(b.size(), 54 + 2 * row);
    EXPECT_EQ(b.substr(0, 2), "BM");
    EXPECT_EQ(Le32(b, 2), b.size());
    EXPECT_EQ(Le16(b, 6), 0);
    EXPECT_EQ(Le16(b, 8), 0);
    EXPECT_EQ(Le32(b, 10), 54u);
    EXPECT_EQ(Le32(b, 14), 40u);
    EXPECT_EQ(Le32(b, 18), 3u);
    EXPECT_EQ(Le32(b, 22), 2u);
    EXPECT_EQ(Le16(b, 26), 1);
    EXPECT_EQ(Le16(b, 28), 24);
    for (std::size_t at = 30; at < 54; at += 4) {
        EXPECT_EQ(Le32(b, at), 0u) << "info header field at " << at;
    }
    // First stored row is the bottom one; pixels are blue, green, red.
    EXPECT_EQ(b.substr(54, 9), std::string(9, '\xFF'));
    EXPECT_EQ(b.substr(54 + 9, 3), std::string(3, '\0'));
    EXPECT_EQ(b.substr(54 + row, 9), std::string("\x00\x00\xFF\x00\xFF\x00\xFF\x00\x00", 9));

    const std::string wide = WriteBitmap(image, 32);
    EXPECT_EQ(wide.size(), 54 + 2 * 12u);
    EXPECT_EQ(Le16(wide, 28), 32);
    EXPECT_EQ(Le32(wide, 2), wide.size());

    EXPECT_EQ(BitmapBitCount(16), 24);
    EXPECT_EQ(BitmapBitCount(24), 24);
    EXPECT_EQ(BitmapBitCount(32), 32);
    EXPECT_TRUE(WriteBitmap(PixelImage{}, 24).empty());
    EXPECT_TRUE(WriteBitmap(PixelImage{2, 2, {1, 2, 3}}, 24).empty());
}

}  // namespace
}  // namespace morlo::scope
