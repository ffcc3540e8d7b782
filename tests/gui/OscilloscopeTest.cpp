#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <algorithm>

#include "OscilloscopeTestSupport.h"
#include "ScopeControls.h"
#include "ScopePlotWidget.h"
#include "ScopeWidgets.h"
#include "scope/MappingValue.h"
#include "scope/ScaleText.h"
#include "text/NumberIo.h"

namespace morlo::gui::test {
namespace {

using namespace std::chrono_literals;

constexpr ObjectKey kVelocity = 0x606C00;
constexpr ObjectKey kWideA = scope::kRecorderWideA;
constexpr ObjectKey kWideB = scope::kRecorderWideB;

std::int64_t Field(const std::string& record, std::size_t at, std::size_t bytes, bool isSigned) {
    std::uint32_t raw = 0;
    for (std::size_t i = 0; i < bytes; ++i) {
        raw |= std::uint32_t(std::uint8_t(record[at + i])) << (8 * i);
    }
    if (bytes == 2) {
        return isSigned ? std::int16_t(raw) : std::int64_t(std::uint16_t(raw));
    }
    return isSigned ? std::int32_t(raw) : std::int64_t(raw);
}

std::vector<double> PlotValues(CDriverOscillo* page, int channel) {
    std::vector<double> values;
    for (const auto& point : page->Plot().Curve(channel).points) {
        values.push_back(point.value);
    }
    return values;
}

TEST(Oscilloscope, OpensFromToolbarAndMenuAndMirrorsTheRecorder) {
    ScopeProgram p;
    p.OpenLink();
    CDriverOscillo* page = p.Open();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(p.program.Context().Link().PriorityWindow(), page->Id());
    EXPECT_EQ(page->Control<QLineEdit>(ctl::kPeriod)->text(), "16");
    EXPECT_EQ(page->Control<QLineEdit>(ctl::kPeriodTime)->text(), "1.00ms");
    EXPECT_EQ(page->Control<QLineEdit>(ctl::kSamples)->text(), "1000");
    EXPECT_EQ(page->Control<QLineEdit>(ctl::kPointerOffset)->text(), "100");
    // The drive's default mapping: torque, current and bus voltage on channels 1-3.
    EXPECT_TRUE(Check(page, 0)->isChecked());
    EXPECT_EQ(Item(page, 0)->currentText(), "Torque actual value");
    EXPECT_EQ(Unit(page, 0)->currentText(), "DEC");  // the last unit entry
    EXPECT_EQ(Item(page, 2)->currentText(), "DC bus voltage");
    EXPECT_FALSE(Check(page, 3)->isChecked());
    EXPECT_EQ(page->Control<QComboBox>(ctl::kTrigger)->currentIndex(), 0);
    EXPECT_EQ(page->Control<QComboBox>(ctl::kTrigger)->currentText(), "manual trigger");
    EXPECT_FALSE(page->Control<QLineEdit>(ctl::kLevel)->isEnabled());
    EXPECT_EQ(Status(page), "finish");
    EXPECT_EQ(page->Control<QLineEdit>(ctl::kTimeHeader)->text(), "time(us)");

    // An offset edit holding "-0" is rewritten as 0.000 when the page reads back.
    page->Control<QLineEdit>(ctl::kOffset[1])->setText("-0");
    int closings = page->ReadBackClosings();
    page->PageNotify(notify::kRefresh);
    ASSERT_TRUE(WaitUntil([&] { return page->ReadBackClosings() > closings; }));
    EXPECT_EQ(page->Control<QLineEdit>(ctl::kOffset[1])->text(), "0.000");

    // Saved into a project under page number 18, as shown.
    const auto project = p.program.Folder().Path() / "user" / "a.ksp";
    p.program.Context().Dictionary().SetProjectWritePath(project);
    page->PageNotify(notify::kSaveProject);
    EXPECT_EQ(Profile::ReadString(project, "MorloSero:1", "18", 64).substr(0, 2), "1,");

    // The menu shows the same page and reads the recorder again.
    const int before = page->ReadBackClosings();
    p.program.Frame().RunCommand(cmd::kOscilloscope);
    EXPECT_EQ(p.program.Frame().PageOf(slot::kOscilloscope), page);
    EXPECT_TRUE(WaitUntil([&] { return page->ReadBackClosings() > before; }));

    // Sampling period texts follow what the drive holds.
    Enter(page, ctl::kPeriod, "15");
    ASSERT_TRUE(p.DriveHolds(scope::kRecorderPeriod, 15));
    EXPECT_TRUE(
        WaitUntil([&] { return page->Control<QLineEdit>(ctl::kPeriodTime)->text() == "937.5us"; }));
    Enter(page, ctl::kPeriod, "16000");
    EXPECT_TRUE(
        WaitUntil([&] { return page->Control<QLineEdit>(ctl::kPeriodTime)->text() == "1.00s"; }));
    // A text that is no number of the object's type is refused, and nothing is written.
    Enter(page, ctl::kSamples, "12x");
    ASSERT_FALSE(p.program.messages.empty());
    EXPECT_TRUE(p.program.messages.back().contains("12x"))
        << p.program.messages.back().toStdString();
    EXPECT_EQ(p.drive->Value(scope::kRecorderSamples), 1000);
}

TEST(Oscilloscope, CaptureGivesTheCurvesTheDriveRecorded) {
    ScopeProgram p;
    p.OpenLink();
    CDriverOscillo* page = p.Open();
    Record(p, page, 3, "Velocity actual value");  // 32 bits: channel 4 takes wide slot B
    ASSERT_TRUE(p.DriveHolds(kWideB, 0x606C0020));
    Enter(page, ctl::kSamples, "300");
    ASSERT_TRUE(p.DriveHolds(scope::kRecorderSamples, 300));
    Enter(page, ctl::kPeriod, "4");
    ASSERT_TRUE(p.DriveHolds(scope::kRecorderPeriod, 4));

    ASSERT_TRUE(p.RunCapture(page));
    EXPECT_EQ(Status(page), "finish, started by hand");  // the drive holds a manual trigger
    EXPECT_EQ(page->Control<QPushButton>(ctl::kStart)->text(), "Start");
    EXPECT_TRUE(page->Control<QPushButton>(ctl::kReRead)->isEnabled());
    EXPECT_TRUE(p.program.Context().Link().DeferredServeSwitch());
    EXPECT_TRUE(p.program.Context().Link().CyclicReadSwitch());

    p.CloseLink();
    const std::string record = p.DriveRecord();
    ASSERT_EQ(record.size(), 300u * 10u);  // slots 01, 02, 03 and wide B
    std::array<std::vector<double>, 4> expected;
    for (std::size_t at = 0; at < record.size(); at += 10) {
        expected[0].push_back(double(Field(record, at, 2, true)));       // torque, I16
        expected[1].push_back(double(Field(record, at + 2, 2, true)));   // current, I16
        expected[2].push_back(double(Field(record, at + 4, 2, false)));  // bus voltage, U16
        expected[3].push_back(double(Field(record, at + 6, 4, true)));   // velocity, I32
    }
    for (int channel = 0; channel < 4; ++channel) {
        EXPECT_EQ(PlotValues(page, channel), expected[static_cast<std::size_t>(channel)])
            << "channel " << channel + 1;
    }
    // The demo motion accelerates: velocity rises and is not one flat line.
    EXPECT_GT(expected[3].back(), expected[3].front());
    EXPECT_EQ(page->Plot().SampleCount(), 300);
    EXPECT_EQ(page->Plot().Curve(3).points.back().column, page->Plot().Geometry().width - 4);
    // Auto-scaled: the scale read-out is the plot's 1-2-5 scale.
    EXPECT_EQ(page->Control<QLineEdit>(ctl::kScale[3])->text().toStdString(),
              scope::FormatScaleText(page->Plot().Scale(3)));
}

TEST(Oscilloscope, RecordOfAMultipleOfSevenBytes) {
    ScopeProgram p;
    p.OpenLink();
    CDriverOscillo* page = p.Open();
    for (int channel : {1, 2}) {  // leave only channel 1 (2 bytes per sample)
        Check(page, channel)->click();
    }
    ASSERT_TRUE(p.DriveHolds(scope::kRecorderSlot2, 0));
    ASSERT_TRUE(p.DriveHolds(scope::kRecorderSlot3, 0));
    Enter(page, ctl::kSamples, "7");
    ASSERT_TRUE(p.DriveHolds(scope::kRecorderSamples, 7));
    ASSERT_TRUE(WaitUntil([&] {
        return page->Capture().Mirror().slotValues[1] == 0 &&
               page->Capture().Mirror().slotValues[2] == 0;
    }));
    ASSERT_TRUE(p.RunCapture(page));
    EXPECT_EQ(page->Plot().Curve(0).points.size(), 7u);  // 14 bytes, then an empty segment
    EXPECT_TRUE(page->Plot().Curve(1).points.empty());
    p.CloseLink();
    const std::string record = p.DriveRecord();
    ASSERT_EQ(record.size(), 14u);
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(PlotValues(page, 0)[i], double(Field(record, 2 * i, 2, true)));
    }
}

TEST(Oscilloscope, ThirtyTwoBitChannelTakesTheWideSlotAndGivesItBack) {
    ScopeProgram p;
    p.OpenLink();
    CDriverOscillo* page = p.Open();
    Record(p, page, 0, "Velocity actual value");
    EXPECT_TRUE(p.DriveHolds(kWideA, 0x606C0020));
    EXPECT_TRUE(p.DriveHolds(scope::kRecorderSlot1, 0));  // no longer recording the torque
    ASSERT_TRUE(WaitUntil([&] { return page->Capture().Mirror().slotValues[4] == 0x606C0020; }));
    EXPECT_TRUE(Check(page, 0)->isChecked());
    EXPECT_EQ(Item(page, 0)->currentText(), "Velocity actual value");
    EXPECT_EQ(page->Capture().ChannelOfSlot(scope::kWideSlotA), 0);
    EXPECT_TRUE(Check(page, 1)->isChecked());  // channel 2 keeps the current

    Check(page, 0)->click();  // untick: its own slot is empty, so the wide slot is cleared
    EXPECT_TRUE(p.DriveHolds(kWideA, 0));
    EXPECT_EQ(p.drive->Value(scope::kRecorderSlot2), 0x60780010);
}

QStringList Entries(QComboBox* combo) {
    QStringList entries;
    for (int i = 0; i < combo->count(); ++i) {
        entries << combo->itemText(i);
    }
    return entries;
}

TEST(Oscilloscope, TriggerLevelInHexAndInAScaledUnit) {
    ScopeProgram p;
    p.OpenLink();
    CDriverOscillo* page = p.Open();
    auto* trigger = page->Control<QComboBox>(ctl::kTrigger);
    auto* unit = page->Control<QComboBox>(ctl::kTriggerUnit);
    auto* level = page->Control<QLineEdit>(ctl::kLevel);
    // The unit lists are the objects' own, "DEC" last, HEX only where the object has it.
    ASSERT_TRUE(Choose(Item(page, 3), "Statusword"));
    EXPECT_EQ(Entries(Unit(page, 3)), (QStringList{"HEX", "DEC"}));
    ASSERT_TRUE(Choose(Item(page, 3), "Velocity actual value"));
    EXPECT_EQ(Entries(Unit(page, 3)), (QStringList{"r/min", "counts/s", "DEC"}));

    // A bit-field trigger in HEX: the digits are read as hexadecimal, and the level shown
    // writes back the same value when Enter is pressed on it.
    ASSERT_TRUE(Choose(trigger, "Statusword"));
    ASSERT_TRUE(p.DriveHolds(scope::kRecorderTriggerObject, 0x60410010));
    ASSERT_TRUE(WaitUntil([&] { return level->isEnabled() && unit->currentText() == "DEC"; }));
    EXPECT_EQ(Entries(unit), (QStringList{"HEX", "DEC"}));
    ASSERT_TRUE(Choose(unit, "HEX"));
    Enter(page, ctl::kLevel, "1F4");
    EXPECT_TRUE(p.DriveHolds(scope::kRecorderTriggerLevel, 500));
    EXPECT_TRUE(WaitUntil([&] { return level->text() == "1F4"; }));
    const std::size_t writes = p.drive->WriteCount(scope::kRecorderTriggerLevel);
    QApplication::setActiveWindow(page->window());
    level->setFocus();
    QTest::keyClick(level, Qt::Key_Return);
    ASSERT_TRUE(
        WaitUntil([&] { return p.drive->WriteCount(scope::kRecorderTriggerLevel) == writes + 1; }));
    EXPECT_EQ(p.drive->Value(scope::kRecorderTriggerLevel), 500);
    Enter(page, ctl::kLevel, "0x1f5");
    EXPECT_TRUE(p.DriveHolds(scope::kRecorderTriggerLevel, 501));

    ASSERT_TRUE(Choose(trigger, "Velocity actual value"));
    ASSERT_TRUE(p.DriveHolds(scope::kRecorderTriggerObject, 0x606C0020));
    ASSERT_TRUE(WaitUntil([&] { return level->isEnabled() && unit->currentText() == "DEC"; }));
    EXPECT_EQ(unit->itemText(0), "r/min");

    // 60 r/min at 10000 counts per revolution is 10000 counts/s; shown back in r/min.
    ASSERT_TRUE(Choose(unit, "r/min"));
    Enter(page, ctl::kLevel, "60");  // before the unit's constant is known: parked
    EXPECT_TRUE(p.DriveHolds(scope::kRecorderTriggerLevel, 10000));
    EXPECT_TRUE(WaitUntil([&] { return level->text() == "60.000000"; }));

    // Refused texts send nothing.
    const std::size_t messages = p.program.messages.size();
    Enter(page, ctl::kLevel, "6O");
    ASSERT_TRUE(WaitUntil([&] { return p.program.messages.size() > messages; }));
    ASSERT_TRUE(Choose(unit, "DEC"));
    Enter(page, ctl::kLevel, "1.5");
    EXPECT_EQ(p.program.messages.size(), messages + 2);
    EXPECT_EQ(p.drive->Value(scope::kRecorderTriggerLevel), 10000);

    // The edge icon toggles the drive's edge.
    ASSERT_NE(page->Control<EdgeIcon>(ctl::kEdge), nullptr);
    ASSERT_EQ(p.drive->Value(scope::kRecorderEdge), 1);
    QApplication::setActiveWindow(page->window());
    QTest::mouseClick(page->Control<QWidget>(ctl::kEdge), Qt::LeftButton);
    EXPECT_TRUE(p.DriveHolds(scope::kRecorderEdge, 0));

    ASSERT_TRUE(Choose(trigger, "manual trigger"));
    EXPECT_TRUE(p.DriveHolds(scope::kRecorderTriggerObject, 0));
    EXPECT_TRUE(WaitUntil([&] { return !level->isEnabled(); }));
}

TEST(Oscilloscope, ObjectPickerForTriggerAndChannels) {
    ScopeProgram p;
    p.OpenLink();
    CDriverOscillo* page = p.Open();
    auto* trigger = page->Control<QComboBox>(ctl::kTrigger);
    // The trigger's "..." asks the main frame for the browser; a listed object selects that
    // very entry and is written.
    page->Control<QPushButton>(ctl::kTriggerPick)->click();
    EXPECT_EQ(p.program.Context().objectRequester.data(), page);
    EXPECT_NE(p.program.Frame().PageOf(slot::kDataDictionary), nullptr);
    const int entries = trigger->count();
    page->ObjectChosen(kVelocity);
    EXPECT_EQ(trigger->count(), entries);
    EXPECT_EQ(trigger->currentText(), "Velocity actual value");
    EXPECT_TRUE(p.DriveHolds(scope::kRecorderTriggerObject, 0x606C0020));

    // A channel whose box was unticked by choosing another item: the pick clears its slot.
    ASSERT_TRUE(Choose(Item(page, 1), "Position actual value"));
    ASSERT_FALSE(Check(page, 1)->isChecked());
    page->Control<QPushButton>(ctl::kChannelPick[1])->click();
    page->ObjectChosen(0x606200);
    EXPECT_TRUE(p.DriveHolds(scope::kRecorderSlot2, 0));
    EXPECT_EQ(p.drive->Value(kWideA), 0);
    EXPECT_EQ(Item(page, 1)->currentText(), "Position demand value");
    // The page has the drive's answers to those writes before the next pick (other traffic,
    // such as the formula constants read at the link's confirmation, may delay them).
    ASSERT_TRUE(WaitUntil([&] {
        return page->Capture().Mirror().slotValues[1] == 0 &&
               page->Capture().Mirror().slotValues[4] == 0;
    }));

    // A ticked channel records the picked object; one not listed becomes its own item.
    page->Control<QPushButton>(ctl::kChannelPick[2])->click();
    page->ObjectChosen(0x60FF00);
    EXPECT_TRUE(p.DriveHolds(kWideB, 0x60FF0020));
    EXPECT_TRUE(p.DriveHolds(scope::kRecorderSlot3, 0));
    ASSERT_TRUE(WaitUntil([&] {
        return page->Capture().Mirror().slotValues[5] == 0x60FF0020 &&
               page->Capture().Mirror().slotValues[2] == 0;
    }));
    EXPECT_EQ(page->Capture().ChannelOfSlot(scope::kWideSlotB), 2);
    EXPECT_TRUE(Check(page, 2)->isChecked());
    EXPECT_EQ(Item(page, 2)->currentIndex(), 0);
    EXPECT_EQ(Item(page, 3)->findText(Item(page, 2)->currentText()), -1);  // channel 3's own
    // An object a channel cannot record is refused with a message.
    const std::size_t messages = p.program.messages.size();
    page->ObjectChosen(scope::kRecorderState);
    EXPECT_EQ(p.program.messages.size(), messages + 1);
}

TEST(Oscilloscope, CancelWhileWaitingAndWhileUploading) {
    ScopeProgram p;
    p.OpenLink();
    CDriverOscillo* page = p.Open();
    // A trigger that does not come while the drive's time stands still.
    ASSERT_TRUE(Choose(page->Control<QComboBox>(ctl::kTrigger), "Velocity actual value"));
    ASSERT_TRUE(p.DriveHolds(scope::kRecorderTriggerObject, 0x606C0020));
    page->StartOrCancel();
    ASSERT_TRUE(WaitUntil([&] { return page->TimerActive(scope::kPollTimer); }));
    page->FireTimer(scope::kPollTimer);  // state 1: wait and ask again
    ASSERT_TRUE(WaitUntil([&] { return page->TimerActive(scope::kPollTimer); }));
    EXPECT_EQ(Status(page), "wait to read data .");
    EXPECT_EQ(page->Control<QPushButton>(ctl::kStart)->text(), "Cancel");
    EXPECT_FALSE(page->Control<QPushButton>(ctl::kReRead)->isEnabled());
    page->StartOrCancel();
    page->FireTimer(scope::kPollTimer);
    EXPECT_EQ(Status(page), "finish");
    EXPECT_FALSE(page->TimerActive(scope::kPollTimer));
    EXPECT_EQ(page->Control<QPushButton>(ctl::kStart)->text(), "Start");
    EXPECT_TRUE(page->Control<QPushButton>(ctl::kReRead)->isEnabled());

    // A first complete capture, then one cancelled during its upload keeps those curves.
    ASSERT_TRUE(Choose(page->Control<QComboBox>(ctl::kTrigger), "manual trigger"));
    ASSERT_TRUE(p.DriveHolds(scope::kRecorderTriggerObject, 0));
    ASSERT_TRUE(p.RunCapture(page));
    const std::vector<double> first = PlotValues(page, 0);
    ASSERT_EQ(first.size(), 1000u);
    page->StartOrCancel();
    ASSERT_TRUE(WaitUntil([&] { return page->TimerActive(scope::kPollTimer); }));
    p.clock->Advance(2s);
    page->FireTimer(scope::kPollTimer);
    ASSERT_TRUE(WaitUntil([&] { return page->TimerActive(scope::kPollTimer); }));
    // Cancelled as the upload begins, before the simulated line can finish it.
    bool cancelled = false;
    const auto connection = QObject::connect(page, &CDriverOscillo::uploadStarted, page, [&] {
        if (!cancelled) {
            cancelled = true;
            page->StartOrCancel();
        }
    });
    page->FireTimer(scope::kPollTimer);
    ASSERT_TRUE(WaitUntil([&] { return cancelled; }));
    QObject::disconnect(connection);
    EXPECT_TRUE(ScopeProgram::Finished(page));
    EXPECT_TRUE(p.program.Context().Link().DeferredServeSwitch());
    const std::size_t reads = p.drive->ReadCount(scope::kRecorderRecord);
    // Nothing more is asked for, the curves stay and the page says it is done.
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_EQ(p.drive->ReadCount(scope::kRecorderRecord), reads);
    EXPECT_EQ(page->Capture().BytesReceived(), 0u);
    EXPECT_EQ(PlotValues(page, 0), first);
    EXPECT_EQ(Status(page), "finish");
}

TEST(Oscilloscope, ContinuousCaptureWaitsForTheDeferredQueue) {
    ScopeProgram p;
    p.OpenLink();
    CDriverOscillo* page = p.Open();
    page->Control<QCheckBox>(ctl::kContinuous)->setChecked(true);
    ASSERT_TRUE(p.RunCapture(page));
    ASSERT_TRUE(page->TimerActive(scope::kRestartTimer));
    EXPECT_EQ(page->Control<QPushButton>(ctl::kStart)->text(), "Cancel");

    // Another window's request held back, as during an upload.
    engine::ControlLink& link = p.program.Context().Link();
    link.SetDeferredServeSwitch(false);
    constexpr engine::ReceiverId kOtherWindow = 999;
    EXPECT_EQ(link.SubmitRequest(kOtherWindow, link::kCmdRead, 0x604100, 0), 1);
    page->FireTimer(scope::kRestartTimer);
    EXPECT_TRUE(page->TimerActive(scope::kRestartTimer));  // still waiting
    EXPECT_FALSE(page->TimerActive(scope::kPollTimer));
    link.SetDeferredServeSwitch(true);
    ASSERT_TRUE(WaitUntil([&] { return link.IsDeferredQueueEmpty(); }));
    page->FireTimer(scope::kRestartTimer);
    EXPECT_FALSE(page->TimerActive(scope::kRestartTimer));
    EXPECT_TRUE(WaitUntil([&] { return page->TimerActive(scope::kPollTimer); }));  // started
    page->StartOrCancel();
    page->FireTimer(scope::kPollTimer);
    EXPECT_TRUE(ScopeProgram::Finished(page));
}

TEST(Oscilloscope, HidingThePageEndsACaptureAndFreesTheLink) {
    ScopeProgram p;
    p.OpenLink();
    CDriverOscillo* page = p.Open();
    page->StartOrCancel();
    ASSERT_TRUE(WaitUntil([&] { return page->TimerActive(scope::kPollTimer); }));
    p.clock->Advance(2s);
    page->FireTimer(scope::kPollTimer);
    ASSERT_TRUE(WaitUntil([&] { return page->TimerActive(scope::kPollTimer); }));
    page->FireTimer(scope::kPollTimer);
    ASSERT_TRUE(WaitUntil([&] { return page->Capture().BytesReceived() > 0; }));
    page->PageNotify(notify::kHidden);
    EXPECT_TRUE(p.program.Context().Link().DeferredServeSwitch());
    EXPECT_TRUE(p.program.Context().Link().CyclicReadSwitch());
    EXPECT_TRUE(ScopeProgram::Finished(page));
    EXPECT_FALSE(page->Shown());
}

TEST(Oscilloscope, StartWithTheLinkClosedHeldByAnotherWindowOrLost) {
    ScopeProgram p;
    CDriverOscillo* page = p.Open();
    ASSERT_NE(page, nullptr);
    auto* start = page->Control<QPushButton>(ctl::kStart);
    // Closed: said as the drive-data pages say it, and the page stays on Start.
    for (int button : {ctl::kStart, ctl::kReRead}) {
        const std::size_t messages = p.program.messages.size();
        QApplication::setActiveWindow(page->window());
        QTest::mouseClick(page->Control<QPushButton>(button), Qt::LeftButton);
        ASSERT_EQ(p.program.messages.size(), messages + 1);
        EXPECT_EQ(p.program.messages.back(), "Comm port isn't Open!");
        EXPECT_EQ(start->text(), "Start");
        EXPECT_FALSE(page->Capture().CaptureRunning());
        EXPECT_EQ(Status(page), "finish");
    }

    // Held by another window: the capture says that it waits, and goes on by itself.
    p.OpenLink();
    const int closings = page->ReadBackClosings();
    page->PageNotify(notify::kRefresh);
    ASSERT_TRUE(WaitUntil([&] { return page->ReadBackClosings() > closings; }));
    engine::ControlLink& link = p.program.Context().Link();
    constexpr engine::ReceiverId kOtherWindow = 999;
    link.SetExclusiveWindow(kOtherWindow);
    const std::size_t starts = p.drive->WriteCount(scope::kRecorderState);
    page->StartOrCancel();
    EXPECT_EQ(Status(page), "waiting: another window is using the link");
    EXPECT_EQ(start->text(), "Cancel");
    EXPECT_TRUE(page->TimerActive(scope::kLinkWatchTimer));
    page->FireTimer(scope::kLinkWatchTimer);
    EXPECT_EQ(p.drive->WriteCount(scope::kRecorderState), starts);
    link.EndExclusive();
    page->FireTimer(scope::kLinkWatchTimer);
    ASSERT_TRUE(WaitUntil([&] { return page->TimerActive(scope::kPollTimer); }));
    EXPECT_EQ(p.drive->WriteCount(scope::kRecorderState), starts + 1);

    // The link closes during the capture: it ends with the failed-read status and Start.
    p.CloseLink();
    page->FireTimer(scope::kLinkWatchTimer);
    EXPECT_EQ(Status(page), "reading data failed");
    EXPECT_EQ(start->text(), "Start");
    EXPECT_FALSE(page->Capture().CaptureRunning());
    EXPECT_TRUE(link.DeferredServeSwitch());
    EXPECT_TRUE(link.CyclicReadSwitch());
}

// After the link opens again every channel shows what the drive records, in the unit chosen
// for it, with the plot in that unit; a channel whose wide slot the drive cleared is unticked.
TEST(Oscilloscope, UnitBoxScaleAndLabelsAgreeAfterTheLinkOpensAgain) {
    ScopeProgram p;
    p.OpenLink();
    CDriverOscillo* page = p.Open();
    Record(p, page, 0, "Velocity actual value");  // wide slot A
    Record(p, page, 3, "Velocity actual value");  // wide slot B
    ASSERT_TRUE(p.DriveHolds(kWideA, 0x606C0020));
    ASSERT_TRUE(p.DriveHolds(kWideB, 0x606C0020));
    ASSERT_TRUE(Choose(Unit(page, 3), "r/min"));
    ASSERT_TRUE(p.RunCapture(page));

    p.CloseLink();
    ASSERT_TRUE(p.drive->SetValue(kWideA, 0));
    const int closings = page->ReadBackClosings();
    p.OpenLink();
    ASSERT_TRUE(WaitUntil([&] { return page->ReadBackClosings() > closings; }));
    ASSERT_TRUE(WaitUntil([&] { return page->Capture().Mirror().slotValues[4] == 0; }));
    EXPECT_FALSE(Check(page, 0)->isChecked());  // its wide slot reads 0
    EXPECT_TRUE(Check(page, 3)->isChecked());
    EXPECT_EQ(Unit(page, 3)->currentText(), "r/min");

    // The unit box, the plot's coefficient and the labels all speak r/min, before and after
    // the next capture, and the new curve lies inside the plot.
    const double countsPerRevolution = double(p.drive->Value(0x203003).value_or(0));
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        const scope::ChannelCurve& curve = page->Plot().Curve(3);
        EXPECT_NEAR(curve.coefficient, 60.0 / countsPerRevolution, 1e-15);
        const auto labels = page->Plot().ValueLabels();
        const auto label = std::find_if(labels.begin(), labels.end(),
                                        [](const scope::PlotLabel& l) { return l.channel == 3; });
        ASSERT_NE(label, labels.end());
        EXPECT_GE(std::stod(label->text) + 1e-6, curve.maximum * curve.coefficient);
        EXPECT_LE(std::stod(std::next(label)->text) - 1e-6, curve.minimum * curve.coefficient);
        const scope::PlotGeometry g = page->Plot().Geometry();
        const auto path = page->Plot().CurvePath(3);
        ASSERT_FALSE(path.empty());
        for (const scope::PathStep& step : path) {
            ASSERT_GT(step.y, g.bandTop);
            ASSERT_LT(step.y, g.bandBottom);
        }
        if (pass == 0) {
            ASSERT_TRUE(p.RunCapture(page));
            EXPECT_TRUE(page->Plot().Curve(0).points.empty());
            EXPECT_EQ(page->Plot().Curve(3).points.size(), 1000u);
        }
    }
}

TEST(Oscilloscope, ZoomAndCursorsOnTheCapturedCurves) {
    ScopeProgram p;
    p.OpenLink();
    CDriverOscillo* page = p.Open();
    ASSERT_TRUE(p.RunCapture(page));
    ScopePlotWidget* plot = page->PlotWidget();
    QApplication::setActiveWindow(page->window());
    // Drag left to right inside the mouse area, then right-click: zoomed in.
    QTest::mousePress(plot, Qt::LeftButton, {}, QPoint(300, 100));
    for (int x = 300; x <= 600; x += 50) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, 150), plot->mapToGlobal(QPointF(x, 150)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(plot, &move);
    }
    QTest::mouseRelease(plot, Qt::LeftButton, {}, QPoint(600, 150));
    EXPECT_TRUE(plot->ZoomRectangleShown());
    QTest::mouseClick(plot, Qt::RightButton, {}, QPoint(450, 150));
    EXPECT_FALSE(plot->ZoomRectangleShown());
    EXPECT_GT(page->Plot().WindowFirst(), 1);
    EXPECT_LT(page->Plot().WindowLast(), 1000);
    // Dragging right to left and right-clicking zooms back out.
    for (int x = 600; x >= 300; x -= 50) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, 150), plot->mapToGlobal(QPointF(x, 150)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(plot, &move);
    }
    QTest::mouseClick(plot, Qt::RightButton, {}, QPoint(450, 150));
    EXPECT_EQ(page->Plot().WindowFirst(), 1);
    EXPECT_EQ(page->Plot().WindowLast(), 1000);

    // Two cursors on channel 1: time in ms (1 ms per sample), values in DEC.
    page->Control<QRadioButton>(ctl::kCursorMode[2])->click();
    EXPECT_TRUE(page->Control<QSlider>(ctl::kCursor1Slider)->isEnabled());
    EXPECT_TRUE(page->Control<QSlider>(ctl::kCursor2Slider)->isEnabled());
    page->Control<QSlider>(ctl::kCursor1Slider)->setValue(87);
    page->Control<QSlider>(ctl::kCursor2Slider)->setValue(176);
    const auto first = page->Plot().SampleAt(0, 87);
    const auto second = page->Plot().SampleAt(0, 176);
    ASSERT_TRUE(first && second);
    auto text = [](double v) { return QString::fromStdString(WriteFixed(v, 2)); };
    EXPECT_EQ(page->Control<QLineEdit>(ctl::kTimeHeader)->text(), "time(ms)");  // 1 ms/sample
    EXPECT_EQ(page->Control<QLineEdit>(ctl::kCursor1Time)->text(), text(first->sample));
    EXPECT_EQ(page->Control<QLineEdit>(ctl::kCursor1Value)->text(),
              QString::number(std::int32_t(std::trunc(first->value))));
    EXPECT_EQ(page->Control<QLineEdit>(ctl::kDataHeader)->text(), "data(DEC)");
    EXPECT_EQ(page->Control<QLineEdit>(ctl::kCursor2Time)->text(), text(second->sample));
    EXPECT_EQ(page->Control<QLineEdit>(ctl::kTimeDifference)->text(),
              text(second->sample - first->sample));
    EXPECT_EQ(page->Control<QLineEdit>(ctl::kValueDifference)->text(),
              QString::number(std::int32_t(std::trunc(second->value - first->value))));
    // In another unit the values follow it (torque in per cent: raw / 10).
    ASSERT_TRUE(Choose(Unit(page, 0), "%"));
    EXPECT_EQ(page->Control<QLineEdit>(ctl::kDataHeader)->text(), "data(%)");
    EXPECT_EQ(page->Control<QLineEdit>(ctl::kCursor1Value)->text(),
              QString::fromStdString(WriteFixed(std::trunc(first->value) / 10, 6)));
    page->Control<QRadioButton>(ctl::kCursorMode[0])->click();
    EXPECT_FALSE(page->Control<QSlider>(ctl::kCursor1Slider)->isEnabled());
}

}  // namespace
}  // namespace morlo::gui::test

namespace morlo::gui::test {
namespace {

// The page as a user sees it after a capture of four channels, with two cursors.
void Screenshot(bool chinese) {
    ScopeProgram p(chinese);
    p.OpenLink();
    CDriverOscillo* page = p.Open();
    ASSERT_NE(page, nullptr);
    Record(p, page, 3, chinese ? "实际速度" : "Velocity actual value");
    ASSERT_TRUE(p.DriveHolds(scope::kRecorderWideB, 0x606C0020));
    Enter(page, ctl::kPeriod, "8");
    ASSERT_TRUE(p.DriveHolds(scope::kRecorderPeriod, 8));
    ASSERT_TRUE(p.RunCapture(page));
    for (int channel = 0; channel < 4; ++channel) {
        ASSERT_EQ(page->Plot().Curve(channel).points.size(), 1000u) << channel;
    }
    page->Control<QRadioButton>(ctl::kCursorMode[2])->click();
    page->Control<QSlider>(ctl::kCursor1Slider)->setValue(300);
    page->Control<QSlider>(ctl::kCursor2Slider)->setValue(620);
    ASSERT_TRUE(Choose(page->Control<QComboBox>(ctl::kCursorChannel), "4"));
    std::filesystem::create_directories(MORLO_SCREENSHOT_DIR);
    const QString file =
        QString("%1/oscilloscope-%2.png").arg(MORLO_SCREENSHOT_DIR, chinese ? "zh" : "en");
    ASSERT_TRUE(page->parentWidget()->grab().save(file));
}

// The page paints every pixel it owns: drawn over a parent of a colour found nowhere on the
// page, none of that colour shows through, also after the cursor moved.
TEST(Oscilloscope, PaintsEveryPixelItOwns) {
    ScopeProgram p;
    p.OpenLink();
    CDriverOscillo* page = p.Open();
    ASSERT_TRUE(p.RunCapture(page));
    page->Control<QRadioButton>(ctl::kCursorMode[2])->click();
    QWidget* parent = page->parentWidget();
    ASSERT_NE(parent, nullptr);
    const QColor through(1, 254, 3);
    QPalette own = page->palette();  // the page keeps its own colours
    own.setColor(QPalette::Window, own.color(QPalette::Window));
    page->setPalette(own);
    QPalette palette = parent->palette();
    palette.setColor(QPalette::Window, through);
    parent->setPalette(palette);
    parent->setAutoFillBackground(true);
    for (int position : {300, 40, 700}) {
        page->Control<QSlider>(ctl::kCursor1Slider)->setValue(position);
        const QImage picture = parent->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRect owned = page->geometry().intersected(picture.rect());
        ASSERT_FALSE(owned.isEmpty());
        int seen = 0;
        for (int y = owned.top(); y <= owned.bottom(); ++y) {
            for (int x = owned.left(); x <= owned.right(); ++x) {
                seen += QColor(picture.pixel(x, y)) == through ? 1 : 0;
            }
        }
        EXPECT_EQ(seen, 0) << "pixels of the parent show through, cursor at " << position;
    }
}

TEST(Oscilloscope, ScreenshotsOfACaptureWithTwoCursors) {
    Screenshot(false);
    Screenshot(true);
}

}  // namespace
}  // namespace morlo::gui::test
