// The oscilloscope beyond the drive: trigger marks, measurements, references, the spectrum,
// wheel zoom with its history, the engineering table; screenshots in both languages.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTableWidget>
#include <QWheelEvent>

#include "MeasurementTable.h"
#include "OscilloscopeTestSupport.h"
#include "ScopePlotWidget.h"
#include "SpectrumView.h"
#include "TempFolder.h"
#include "profile/FileAccess.h"
#include "scope/ScopeMeasure.h"
#include "text/NumberIo.h"

namespace morlo::gui::test {
namespace {

// A capture of velocity (channel 4) triggered on it with 100 samples before the trigger.
CDriverOscillo* TriggeredCapture(ScopeProgram& p, bool chinese = false) {
    p.OpenLink();
    CDriverOscillo* page = p.Open();
    EXPECT_NE(page, nullptr);
    const QString velocity = chinese ? "实际速度" : "Velocity actual value";
    Record(p, page, 3, velocity);
    EXPECT_TRUE(p.DriveHolds(scope::kRecorderWideB, 0x606C0020));
    Enter(page, ctl::kPointerOffset, "100");
    EXPECT_TRUE(p.DriveHolds(scope::kRecorderPointerOffset, 100));
    EXPECT_TRUE(Choose(page->Control<QComboBox>(ctl::kTrigger), velocity));
    EXPECT_TRUE(p.DriveHolds(scope::kRecorderTriggerObject, 0x606C0020));
    EXPECT_TRUE(WaitUntil([&] { return page->Capture().Mirror().triggerObject == 0x606C0020; }));
    EXPECT_TRUE(p.RunCapture(page));
    return page;
}

void Wheel(ScopePlotWidget* plot, QPoint at, int delta, Qt::KeyboardModifiers modifiers = {}) {
    QWheelEvent wheel(at, plot->mapToGlobal(at), {}, {0, delta}, Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot, &wheel);
}

QString Cell(MeasurementTable* table, int row, int column) {
    return table->item(row, column)->text();
}

TEST(OscilloscopeAnalysis, TriggerMarkTimeAxisAndMeasurements) {
    ScopeProgram p;
    CDriverOscillo* page = TriggeredCapture(p);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(Status(page), "finish, triggered");
    // The marker where the drive says it triggered: the sample after the 100 pre-trigger
    // samples, or earlier when the trigger came first; the level line on the channel
    // recording the trigger object.
    ASSERT_TRUE(WaitUntil([&] { return page->Plot().Trigger()->sample != 101; }) ||
                p.drive->Value(scope::kRecorderTriggerPosition) == 100);
    const auto& mark = page->Plot().Trigger();
    ASSERT_TRUE(mark);
    const auto index = p.drive->Value(scope::kRecorderTriggerPosition);
    ASSERT_TRUE(index);
    EXPECT_LE(*index, 100);
    EXPECT_EQ(mark->sample, *index + 1);
    EXPECT_FALSE(mark->manual);
    EXPECT_EQ(mark->channel, 3);
    EXPECT_EQ(mark->level,
              static_cast<double>(p.drive->Value(scope::kRecorderTriggerLevel).value_or(-9)));
    const scope::PlotGeometry g = page->Plot().Geometry();
    const int usable = g.width - scope::kLayoutReserve;
    EXPECT_EQ(page->Plot().TriggerX(), g.left + (*index + 1) * usable / 1000 + 1);

    // Time from the trigger: the cursor left of the marker reads a negative time.
    page->Control<QRadioButton>(ctl::kCursorMode[1])->click();
    page->Control<QSlider>(ctl::kCursor1Slider)->setValue(1);
    EXPECT_FALSE(page->Control<QLineEdit>(ctl::kCursor1Time)->text().startsWith('-'));
    page->Control<QCheckBox>(ctl::kTimeFromTrigger)->click();
    EXPECT_EQ(page->Plot().TimeZero(), *index + 1);
    EXPECT_TRUE(page->Control<QLineEdit>(ctl::kCursor1Time)->text().startsWith('-'));

    // Measurements: one row per shown channel, the whole record with one cursor, between
    // the cursors with two; in the display unit.
    MeasurementTable* table = page->Measurements();
    int rows = 0;
    for (int n = 0; n < 4; ++n) {
        rows += page->Plot().Curve(n).points.empty() ? 0 : 1;
    }
    ASSERT_EQ(table->rowCount(), rows);
    const int last = rows - 1;
    ASSERT_EQ(Cell(table, last, 0), "4");
    auto expectFigures = [&](scope::SampleRange range) {
        const scope::ChannelCurve& curve = page->Plot().Curve(3);
        const auto m = scope::Measure(scope::SamplesIn(curve, range), curve.coefficient);
        ASSERT_TRUE(m);
        EXPECT_EQ(Cell(table, last, 1), Unit(page, 3)->currentText());
        EXPECT_EQ(Cell(table, last, 2).toStdString(), WriteSignificant(m->minimum, 6));
        EXPECT_EQ(Cell(table, last, 3).toStdString(), WriteSignificant(m->maximum, 6));
        EXPECT_EQ(Cell(table, last, 5).toStdString(), WriteSignificant(m->rms, 6));
        EXPECT_EQ(Cell(table, last, 6).toStdString(), WriteSignificant(m->peakToPeak, 6));
        // The copied text keeps every digit.
        EXPECT_TRUE(table->Text().contains(QString::fromStdString(WriteShortest(m->rms))));
    };
    expectFigures({1, 1000});
    page->Control<QRadioButton>(ctl::kCursorMode[2])->click();
    page->Control<QSlider>(ctl::kCursor1Slider)->setValue(300);
    page->Control<QSlider>(ctl::kCursor2Slider)->setValue(100);
    const scope::SampleRange between = scope::MeasuredRange(page->Plot(), 3);
    EXPECT_GT(between.first, 1);
    EXPECT_LT(between.last, 1000);
    expectFigures(between);
    const auto span = scope::CursorSpanOf(page->Plot(), 3);
    ASSERT_TRUE(span && span->hertz);
    EXPECT_TRUE(table->SpanText().contains(
        QString::fromStdString("1/Δt = " + WriteFixed(*span->hertz, 3) + " Hz")));
    // Copied as text: the headers, the rows and the span, tab-separated.
    page->Control<QPushButton>(ctl::kCopyMeasurements)->click();
    EXPECT_EQ(page->Control<QLabel>(ctl::kMeasuredSpan)->text(), table->SpanText());
    const QString copied = QApplication::clipboard()->text();
    EXPECT_EQ(copied, table->Text());
    EXPECT_TRUE(copied.startsWith("Ch\tUnit\tMin\tMax\tMean\tRMS\tp-p\n")) << copied.toStdString();
    EXPECT_TRUE(copied.contains("\n4\t" + Unit(page, 3)->currentText() + "\t"));

    // A capture started by hand says so and marks its first sample.
    ASSERT_TRUE(Choose(page->Control<QComboBox>(ctl::kTrigger), "manual trigger"));
    ASSERT_TRUE(p.DriveHolds(scope::kRecorderTriggerObject, 0));
    ASSERT_TRUE(WaitUntil([&] { return page->Capture().Mirror().triggerObject == 0; }));
    ASSERT_TRUE(p.RunCapture(page));
    EXPECT_EQ(Status(page), "finish, started by hand");
    EXPECT_TRUE(page->Plot().Trigger()->manual);
    EXPECT_EQ(page->Plot().Trigger()->sample, 1);
    EXPECT_FALSE(page->Plot().TriggerLevelY());
}

TEST(OscilloscopeAnalysis, ReferencesSpectrumZoomHistoryAndTheEngineeringTable) {
    morlo::test::TempFolder folder;
    ScopeProgram p;
    CDriverOscillo* page = TriggeredCapture(p);
    ASSERT_NE(page, nullptr);

    // A kept reference survives the next capture and is drawn; hidden it is not.
    ASSERT_TRUE(page->KeepAsReference());
    auto* list = page->Control<QListWidget>(ctl::kReferenceList);
    ASSERT_EQ(list->count(), 1);
    ASSERT_TRUE(p.RunCapture(page));
    ASSERT_EQ(page->Plot().References().size(), 1u);
    EXPECT_FALSE(page->Plot().ReferencePath(0, 3).empty());
    list->item(0)->setCheckState(Qt::Unchecked);
    EXPECT_TRUE(page->Plot().References()[0].hidden);
    EXPECT_TRUE(page->Plot().ReferencePath(0, 3).empty());
    // A text data file as a reference, named after the file; at most four.
    const QString file = QString::fromStdString((folder / "gain-40.txt").string());
    ASSERT_TRUE(page->ExportTo(file, "txt"));
    ASSERT_TRUE(page->ImportReferenceFrom(file));
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(page->Plot().References()[1].name, "gain-40");
    std::vector<double> live;
    for (const auto& point : page->Plot().Curve(3).points) {
        live.push_back(point.value);
    }
    EXPECT_EQ(page->Plot().References()[1].values[3], live);
    ASSERT_TRUE(page->KeepAsReference());
    ASSERT_TRUE(page->KeepAsReference());
    EXPECT_FALSE(page->Control<QPushButton>(ctl::kKeepReference)->isEnabled());
    int messages = 0;
    p.program.Context().messageInterceptor = [&](const QString&, QMessageBox::Icon) { ++messages; };
    EXPECT_FALSE(page->KeepAsReference());
    EXPECT_EQ(messages, 1);
    list->setCurrentRow(0);
    page->Control<QPushButton>(ctl::kRemoveReference)->click();
    EXPECT_EQ(list->count(), 3);
    EXPECT_EQ(page->Plot().References()[0].name, "gain-40");

    // The spectrum of a channel: its strongest peak named, dB or linear in the unit.
    SpectrumView* spectrum = page->ShowSpectrum();
    ASSERT_TRUE(spectrum->ChooseChannel(3));
    ASSERT_TRUE(spectrum->Spectrum());
    // Period 16: one sample per millisecond, so bins of 1000 Hz / 1000 samples.
    EXPECT_DOUBLE_EQ(spectrum->Spectrum()->binHertz, 1.0);
    EXPECT_TRUE(spectrum->PeakText().startsWith("peak: ")) << spectrum->PeakText().toStdString();
    EXPECT_TRUE(spectrum->PeakText().endsWith(" dB"));
    spectrum->SetDecibels(false);
    EXPECT_TRUE(spectrum->PeakText().endsWith(" " + Unit(page, 3)->currentText()));
    spectrum->SetCursorHertz(250.4);
    EXPECT_EQ(spectrum->CursorBin(), 250u);
    EXPECT_TRUE(spectrum->CursorText().startsWith("cursor: 250.000 Hz"));
    spectrum->close();

    // The wheel zooms time around the mouse, Ctrl+wheel the value axis of the cursor
    // channel; Back goes one view back, Reset to the whole record auto-scaled.
    ScopePlotWidget* plot = page->PlotWidget();
    QApplication::setActiveWindow(page->window());
    ASSERT_TRUE(Choose(page->Control<QComboBox>(ctl::kCursorChannel), "4"));
    Wheel(plot, QPoint(450, 150), 240);
    const int first = page->Plot().WindowFirst();
    const int last = page->Plot().WindowLast();
    EXPECT_GT(first, 1);
    EXPECT_LT(last, 1000);
    Wheel(plot, QPoint(450, 150), 120, Qt::ControlModifier);
    EXPECT_FALSE(page->Control<QCheckBox>(ctl::kAuto[3])->isChecked());
    EXPECT_EQ(page->ViewHistoryDepth(), 2u);
    page->Control<QPushButton>(ctl::kViewBack)->click();
    EXPECT_TRUE(page->Control<QCheckBox>(ctl::kAuto[3])->isChecked());
    EXPECT_EQ(page->Plot().WindowFirst(), first);
    EXPECT_EQ(page->Plot().WindowLast(), last);
    page->Control<QPushButton>(ctl::kViewReset)->click();
    EXPECT_EQ(page->Plot().WindowFirst(), 1);
    EXPECT_EQ(page->Plot().WindowLast(), 1000);
    EXPECT_FALSE(page->Control<QPushButton>(ctl::kViewBack)->isEnabled());

    // The engineering table: time in ms on the axis shown, values in the display units.
    page->SetTimeFromTrigger(true);
    const QString table = QString::fromStdString((folder / "table.csv").string());
    ASSERT_TRUE(page->ExportTableTo(table));
    const std::string text = ReadWholeFile(std::filesystem::path(table.toStdString())).bytes;
    std::string header = "time_ms";
    for (int n = 0; n < 4; ++n) {
        if (!page->Plot().Curve(n).points.empty()) {
            header += "," + Item(page, n)->currentText().toStdString() + " [" +
                      Unit(page, n)->currentText().toStdString() + "]";
        }
    }
    EXPECT_EQ(text.substr(0, text.find('\n')), header);
    const std::string firstRow =
        text.substr(header.size() + 1, text.find('\n', header.size() + 1) - header.size() - 1);
    EXPECT_EQ(firstRow.substr(0, firstRow.find(',')),
              WriteSignificant(1.0 - page->Plot().TimeZero(), 15));
    const double coefficient = page->Plot().Curve(3).coefficient;
    EXPECT_EQ(firstRow.substr(firstRow.rfind(',') + 1),
              WriteSignificant(page->Plot().Curve(3).points[0].value * coefficient, 15));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1001);
}

// The page after two captures with a reference, marks, two cursors and the measurements, and
// the spectrum of the velocity, as a user sees them at 1366 x 768.
void Screenshots(bool chinese) {
    ScopeProgram p(chinese);
    CDriverOscillo* page = TriggeredCapture(p, chinese);
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(page->KeepAsReference());
    Enter(page, ctl::kPeriod, "12");  // the next capture runs faster: the reference differs
    ASSERT_TRUE(p.DriveHolds(scope::kRecorderPeriod, 12));
    ASSERT_TRUE(p.RunCapture(page));
    page->SetTimeFromTrigger(true);
    page->Control<QRadioButton>(ctl::kCursorMode[2])->click();
    page->Control<QSlider>(ctl::kCursor1Slider)->setValue(160);
    page->Control<QSlider>(ctl::kCursor2Slider)->setValue(560);
    ASSERT_TRUE(Choose(page->Control<QComboBox>(ctl::kCursorChannel), "4"));
    std::filesystem::create_directories(MORLO_SCREENSHOT_DIR);
    const char* language = chinese ? "zh" : "en";
    QCoreApplication::processEvents();
    ASSERT_TRUE(p.program.Frame().grab().save(
        QString("%1/oscilloscope-analysis-1366x768-%2.png").arg(MORLO_SCREENSHOT_DIR, language)));
    SpectrumView* spectrum = page->ShowSpectrum();
    ASSERT_TRUE(spectrum->ChooseChannel(2));  // the DC bus ripple
    spectrum->SetCursorHertz(spectrum->Spectrum()->PeakHertz() * 2);
    QCoreApplication::processEvents();
    ASSERT_TRUE(spectrum->grab().save(
        QString("%1/oscilloscope-spectrum-%2.png").arg(MORLO_SCREENSHOT_DIR, language)));
    spectrum->close();
}

TEST(OscilloscopeAnalysis, ScreenshotsWithMarksMeasurementsAReferenceAndTheSpectrum) {
    Screenshots(false);
    Screenshots(true);
}

}  // namespace
}  // namespace morlo::gui::test
