// The oscilloscope page's export and import: the buttons, the files they write, a file of
// the command-line tool imported, and the pictures.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstring>

#include "ChildProcess.h"
#include "OscilloscopeTestSupport.h"
#include "ScopeControls.h"
#include "TempFolder.h"
#include "scope/ScaleText.h"
#include "scope/ScopeFiles.h"

namespace morlo::gui::test {
namespace {

using namespace std::chrono_literals;
using morlo::test::ReadFile;
using morlo::test::TempFolder;

QCheckBox* Auto(CDriverOscillo* page, int channel) {
    return page->Control<QCheckBox>(ctl::kAuto[static_cast<std::size_t>(channel)]);
}
std::vector<double> PlotValues(CDriverOscillo* page, int channel) {
    std::vector<double> values;
    for (const auto& point : page->Plot().Curve(channel).points) {
        values.push_back(point.value);
    }
    return values;
}

// What the page asked the file dialog for.
struct DialogAsked {
    bool save = false;
    QString proposal;
    QString filter;
    QString title;
};

// Clicks a button of the page as a user does; the file dialog is answered with `chosen`.
DialogAsked ClickWithFile(ScopeProgram& p, CDriverOscillo* page, int button,
                          const QString& chosen) {
    DialogAsked asked;
    p.program.Context().fileChooser = [chosen, &asked](bool save, const QString& proposal,
                                                       const QString& filter,
                                                       const QString& title) {
        asked = {save, proposal, filter, title};
        return chosen;
    };
    QApplication::setActiveWindow(page->window());
    QTest::mouseClick(page->Control<QPushButton>(button), Qt::LeftButton);
    p.program.Context().fileChooser = nullptr;
    return asked;
}

// A capture of the drive's default channels 1-3 and velocity on channel 4, shown in r/min,
// channel 2 with a scale of its own, and the velocity as the trigger.
CDriverOscillo* CaptureWithSettings(ScopeProgram& p) {
    p.OpenLink();
    CDriverOscillo* page = p.Open();
    const int before = page->ReadBackClosings();
    EXPECT_TRUE(Choose(Item(page, 3), "Velocity actual value"));
    Check(page, 3)->click();
    EXPECT_TRUE(WaitUntil([&] { return page->ReadBackClosings() > before; }));
    EXPECT_TRUE(Choose(page->Control<QComboBox>(ctl::kTrigger), "Position actual value"));
    EXPECT_TRUE(p.DriveHolds(scope::kRecorderTriggerObject, 0x60640020));
    auto* samples = page->Control<QLineEdit>(ctl::kSamples);
    samples->setText("200");
    emit samples->returnPressed();
    EXPECT_TRUE(p.DriveHolds(scope::kRecorderSamples, 200));
    EXPECT_TRUE(Choose(Unit(page, 3), "r/min"));
    Auto(page, 1)->click();
    page->Control<QLineEdit>(ctl::kScale[1])->setText("5e2");
    page->Control<QLineEdit>(ctl::kOffset[1])->setText("-125.000");
    EXPECT_TRUE(p.RunCapture(page));
    return page;
}

TEST(OscilloscopeFiles, ExportThenImportRestoresSettingsAndCurves) {
    TempFolder folder;
    ScopeProgram first;
    CDriverOscillo* page = CaptureWithSettings(first);
    ASSERT_EQ(page->Plot().Curve(3).points.size(), 200u);
    ASSERT_TRUE(WaitUntil([&] { return !page->IdentityReading(); }));
    ClickWithFile(first, page, ctl::kExport,
                  QString::fromStdString((folder / "run.1.txt").string()));
    ASSERT_TRUE(std::filesystem::exists(folder / "run.txt")) << "the name is cut at its first dot";
    EXPECT_TRUE(first.program.messages.empty());
    // The file says which drive made the capture, and over which link.
    const scope::ScopeReadResult file = scope::ReadScopeText(ReadFile(folder / "run.txt"));
    EXPECT_EQ(file.data.description.deviceName, "MS-D2 Servo Drive");
    EXPECT_EQ(file.data.description.softwareVersion, "SW 3.07");
    EXPECT_EQ(file.data.description.link, "Open simulated drive");
    EXPECT_EQ(file.data.description.captured.size(), 19u);
    EXPECT_EQ(file.data.channels[3].unitText, "r/min");

    // Another program, not linked to any drive, shows the capture again.
    ScopeProgram second;
    CDriverOscillo* shown = second.Open();
    ASSERT_NE(shown, nullptr);
    ClickWithFile(second, shown, ctl::kImport,
                  QString::fromStdString((folder / "run.txt").string()));
    EXPECT_TRUE(second.program.messages.empty());
    EXPECT_EQ(shown->Control<QComboBox>(ctl::kTrigger)->currentText(), "Position actual value");
    EXPECT_EQ(shown->Control<QLineEdit>(ctl::kPeriodTime)->text(), "1.00ms");
    EXPECT_EQ(shown->Control<QLineEdit>(ctl::kSamples)->text(), "200");
    for (int n = 0; n < 4; ++n) {
        SCOPED_TRACE(n);
        EXPECT_TRUE(Check(shown, n)->isChecked());
        EXPECT_EQ(Item(shown, n)->currentText(), Item(page, n)->currentText());
        EXPECT_EQ(Unit(shown, n)->currentText(), Unit(page, n)->currentText());
        EXPECT_EQ(Auto(shown, n)->isChecked(), Auto(page, n)->isChecked());
        EXPECT_NEAR(shown->Plot().Scale(n), page->Plot().Scale(n), 1e-6);
        EXPECT_NEAR(shown->Plot().Offset(n), page->Plot().Offset(n), 1e-6);
        EXPECT_EQ(PlotValues(shown, n), PlotValues(page, n));  // integers: exact
        EXPECT_EQ(shown->Control<QLineEdit>(ctl::kScale[static_cast<std::size_t>(n)])->text(),
                  page->Control<QLineEdit>(ctl::kScale[static_cast<std::size_t>(n)])->text());
    }
    EXPECT_EQ(Unit(shown, 3)->currentText(), "r/min");
    EXPECT_FALSE(Auto(shown, 1)->isChecked());
    EXPECT_EQ(shown->Plot().Scale(1), 500);
    EXPECT_EQ(shown->Plot().Offset(1), -125);
    EXPECT_EQ(shown->Control<QLineEdit>(ctl::kOffset[1])->text(), "-125.000");
    // Nothing went to a drive: the second program has no link.
    EXPECT_EQ(second.drive->WriteCount(scope::kRecorderSlot1), 0u);

    // Exported again, the file is the same, description included.
    ClickWithFile(second, shown, ctl::kExport,
                  QString::fromStdString((folder / "again.txt").string()));
    EXPECT_EQ(ReadFile(folder / "again.txt"), ReadFile(folder / "run.txt"));
}

TEST(OscilloscopeFiles, CsvPicturesAndFilesThatCannotBeWritten) {
    TempFolder folder;
    ScopeProgram p;
    CDriverOscillo* page = CaptureWithSettings(p);
    ClickWithFile(p, page, ctl::kExport, QString::fromStdString((folder / "run.1.csv").string()));
    const std::string csv = ReadFile(folder / "run.csv");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 200);
    const auto first = csv.substr(0, csv.find("\r\n"));
    std::string expected;
    for (int n = 0; n < 4; ++n) {
        expected += std::to_string(static_cast<long long>(PlotValues(page, n)[0])) + ",";
    }
    EXPECT_EQ(first, expected);

    // The picture is the page as it draws itself, in both formats.
    const QImage drawn = page->PagePicture();
    ClickWithFile(p, page, ctl::kExport, QString::fromStdString((folder / "pic.bmp").string()));
    const std::string bmp = ReadFile(folder / "pic.bmp");
    ASSERT_GT(bmp.size(), 54u);
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bits = 0;
    std::memcpy(&width, bmp.data() + 18, 4);
    std::memcpy(&height, bmp.data() + 22, 4);
    std::memcpy(&bits, bmp.data() + 28, 2);
    EXPECT_EQ(width, drawn.width());
    EXPECT_EQ(height, drawn.height());
    EXPECT_TRUE(bits == 24 || bits == 32) << bits;
    QImage loaded(QString::fromStdString((folder / "pic.bmp").string()));
    ASSERT_FALSE(loaded.isNull());
    for (const QPoint at : {QPoint(width / 2, height / 3), QPoint(5, 5), QPoint(width - 1, 0)}) {
        EXPECT_EQ(loaded.pixel(at) & 0xFFFFFF, drawn.pixel(at) & 0xFFFFFF);
    }
    ClickWithFile(p, page, ctl::kExport, QString::fromStdString((folder / "pic.png").string()));
    QImage png(QString::fromStdString((folder / "pic.png").string()));
    ASSERT_FALSE(png.isNull());
    EXPECT_EQ(png.size(), drawn.size());
    EXPECT_TRUE(p.program.messages.empty());

    // A folder that does not exist, and a type that is not one of the four: reported, and
    // nothing is written.
    ClickWithFile(p, page, ctl::kExport,
                  QString::fromStdString((folder / "no" / "x.csv").string()));
    ASSERT_EQ(p.program.messages.size(), 1u);
    EXPECT_EQ(p.program.messages.back(), "open file failure!! \n");
    ClickWithFile(p, page, ctl::kExport, QString::fromStdString((folder / "x.CSV").string()));
    ASSERT_EQ(p.program.messages.size(), 2u);
    EXPECT_TRUE(p.program.messages.back().contains("CSV"));
    EXPECT_FALSE(std::filesystem::exists(folder / "no"));
    EXPECT_FALSE(std::filesystem::exists(folder / "x.CSV"));
    EXPECT_TRUE(page->Control<QPushButton>(ctl::kExport)->isEnabled());

    // Files that cannot be imported change nothing.
    const auto before = PlotValues(page, 3);
    ClickWithFile(p, page, ctl::kImport, QString::fromStdString((folder / "missing.txt").string()));
    ASSERT_EQ(p.program.messages.size(), 3u);
    EXPECT_EQ(p.program.messages.back(), "open file failure!! \n");
    ClickWithFile(p, page, ctl::kImport, QString::fromStdString((folder / "run.csv").string()));
    ASSERT_EQ(p.program.messages.size(), 4u);
    EXPECT_EQ(PlotValues(page, 3), before);
    EXPECT_EQ(Unit(page, 3)->currentText(), "r/min");
    // Cancelled dialogs do nothing. The dialogs propose <working folder>/user/name.
    const DialogAsked import = ClickWithFile(p, page, ctl::kImport, QString());
    EXPECT_FALSE(import.save);
    EXPECT_EQ(import.proposal, p.program.Context().workDir + "/user/name");
    EXPECT_EQ(import.filter, "File(*.txt)");
    EXPECT_EQ(import.title, "Choose import to file");
    const DialogAsked save = ClickWithFile(p, page, ctl::kExport, QString());
    EXPECT_TRUE(save.save);
    EXPECT_EQ(save.proposal, p.program.Context().workDir + "/user/name");
    EXPECT_EQ(save.filter, "File(*.csv);;File(*.txt);;File(*.bmp);;File(*.png)");
    EXPECT_EQ(save.title, "save data to file");
    EXPECT_EQ(p.program.messages.size(), 4u);
}

// An imported capture is drawn whole with auto-scale; the next Start reads the recorder's
// settings again and draws with the drive's period, objects and units, not the file's.
TEST(OscilloscopeFiles, ImportThenStartUsesTheDrivesSettings) {
    TempFolder folder;
    ScopeProgram p;
    CDriverOscillo* page = CaptureWithSettings(p);  // period 16, channel 4 in r/min
    const double wholeScale = page->Plot().Scale(3);
    page->Plot().Zoom(2, 30);  // a zoomed window has a scale of its own
    page->Plot().Recompute();
    ASSERT_NE(page->Plot().Scale(3), wholeScale);
    ClickWithFile(p, page, ctl::kExport, QString::fromStdString((folder / "run.txt").string()));
    ASSERT_TRUE(std::filesystem::exists(folder / "run.txt"));

    // The drive moves on: another period, and channel 4 shown in counts/s.
    auto* period = page->Control<QLineEdit>(ctl::kPeriod);
    period->setText("8");
    emit period->returnPressed();
    ASSERT_TRUE(p.DriveHolds(scope::kRecorderPeriod, 8));
    ASSERT_TRUE(Choose(Unit(page, 3), "counts/s"));

    ClickWithFile(p, page, ctl::kImport, QString::fromStdString((folder / "run.txt").string()));
    EXPECT_TRUE(p.program.messages.empty());
    EXPECT_EQ(page->Plot().Period(), 16);
    EXPECT_EQ(page->Control<QLineEdit>(ctl::kPeriodTime)->text(), "1.00ms");
    EXPECT_EQ(Unit(page, 3)->currentText(), "r/min");
    EXPECT_DOUBLE_EQ(page->Plot().Scale(3), wholeScale);  // auto-scaled over the whole capture
    EXPECT_EQ(page->Plot().WindowLast(), 200);

    ASSERT_TRUE(p.RunCapture(page));
    EXPECT_EQ(page->Plot().Period(), 8);
    EXPECT_EQ(page->Control<QLineEdit>(ctl::kPeriodTime)->text(), "500.0us");
    EXPECT_EQ(page->Control<QLineEdit>(ctl::kPeriod)->text(), "8");
    EXPECT_EQ(Unit(page, 3)->currentText(), "counts/s");
    EXPECT_EQ(page->Plot().Curve(3).coefficient, 1.0);
    EXPECT_EQ(page->Plot().Curve(3).points.size(), 200u);
}

// What the command-line tool captured (from its built-in simulated drive), imported into the
// page; the picture of it is exported as a screenshot.
void ImportFromTheTool(bool chinese) {
    TempFolder folder;
    const std::string txt = (folder / "cli.txt").string();
    morlo::test::ChildProcess cli(MORLO_CLI_PATH,
                                  {"scope", "--ch", "606C:00", "--ch", "6077:00", "--ch", "2050:02",
                                   "--samples", "400", "--period", "2", "--txt", txt},
                                  MORLO_BUILT_RUNTIME_DIR);
    ASSERT_TRUE(cli.Started());
    ASSERT_TRUE(cli.Wait(30s));
    ASSERT_EQ(cli.ExitCode(), 0) << cli.Errors();
    const scope::ScopeReadResult file = scope::ReadScopeText(ReadFile(txt));
    ASSERT_EQ(file.status, scope::ScopeReadStatus::Read);

    ScopeProgram p(chinese);
    CDriverOscillo* page = p.Open();
    ClickWithFile(p, page, ctl::kImport, QString::fromStdString(txt));
    EXPECT_TRUE(p.program.messages.empty());
    EXPECT_EQ(Item(page, 0)->currentText(), chinese ? "实际速度" : "Velocity actual value");
    EXPECT_EQ(Item(page, 1)->currentText(), chinese ? "实际转矩" : "Torque actual value");
    EXPECT_FALSE(Check(page, 3)->isChecked());
    EXPECT_EQ(Unit(page, 0)->currentText(), "DEC");
    EXPECT_EQ(page->Control<QComboBox>(ctl::kTrigger)->currentIndex(), 0);
    for (int n = 0; n < 3; ++n) {
        EXPECT_TRUE(Check(page, n)->isChecked());
        EXPECT_EQ(PlotValues(page, n), file.data.curves[static_cast<std::size_t>(n)]);
        EXPECT_TRUE(Auto(page, n)->isChecked());
        EXPECT_DOUBLE_EQ(page->Plot().Scale(n),
                         file.data.channels[static_cast<std::size_t>(n)].scale);
    }
    EXPECT_EQ(page->Plot().SampleCount(), 400);
    std::filesystem::create_directories(MORLO_SCREENSHOT_DIR);
    const QString shot =
        QString("%1/oscilloscope-export-%2").arg(MORLO_SCREENSHOT_DIR, chinese ? "zh" : "en");
    ASSERT_TRUE(page->ExportTo(shot + ".png", "png"));
    EXPECT_FALSE(QImage(shot + ".png").isNull());
}

TEST(OscilloscopeFiles, ImportsWhatTheCommandLineToolCaptured) {
    ImportFromTheTool(false);
    ImportFromTheTool(true);
}

}  // namespace
}  // namespace morlo::gui::test
