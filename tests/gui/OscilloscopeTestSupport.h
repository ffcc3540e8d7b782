#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <memory>
#include <string>

#include "CDriverOscillo.h"
#include "GuiTestSupport.h"
#include "ScopeControls.h"
#include "SimClock.h"
#include "SimulatedDrive.h"
#include "dictionary/DictionarySource.h"
#include "link/SdoFrame.h"
#include "profile/Profile.h"
#include "scope/ScopeConstants.h"

namespace morlo::gui::test {

// The program on a simulated drive whose time moves only when the test says so, with the
// oscilloscope page at hand.
class ScopeProgram {
  public:
    explicit ScopeProgram(bool chinese = false)
        : clock(std::make_shared<sim::ManualSimClock>()),
          drive(std::make_shared<sim::SimulatedDrive>(
              LoadDictionarySource(std::filesystem::path(MORLO_BUILT_RUNTIME_DIR) / "data" /
                                   "dictionary"),
              sim::DriveOptions{}, clock)),
          program(
              chinese,
              [](WorkingFolder& f) { Profile::WriteString(f.SysIni(), "sys", "comm", "7"); },
              drive) {
        EXPECT_TRUE(program.Context().Dictionary().WaitUntilLoaded(std::chrono::seconds(10)));
    }

    void OpenLink() {
        program.Frame().ToggleLink();
        ASSERT_TRUE(WaitUntil([&] { return !program.Context().linkOpenPending; }));
    }
    void CloseLink() {
        if (program.Context().Link().LinkState() == engine::kLinkStateOpen) {
            program.Frame().ToggleLink();
        }
    }

    // Opens the page from the toolbar and waits until it mirrors the recorder.
    CDriverOscillo* Open() {
        program.Frame().RunCommand(cmd::kToolOscilloscope);
        auto* page = qobject_cast<CDriverOscillo*>(program.Frame().PageOf(slot::kOscilloscope));
        if (page && program.Context().Link().LinkState() == engine::kLinkStateOpen) {
            EXPECT_TRUE(WaitUntil([&] { return page->ReadBackClosings() > 0; }));
        }
        return page;
    }

    static bool Finished(CDriverOscillo* page) {
        return page->Capture().Idle() && !page->Capture().Uploading();
    }

    // Presses Start and runs the capture to its end: the drive records while its time moves
    // on by recordTime at each poll.
    bool RunCapture(CDriverOscillo* page,
                    std::chrono::nanoseconds recordTime = std::chrono::seconds(2)) {
        page->StartOrCancel();
        for (int tick = 0; tick < 20; ++tick) {
            if (!WaitUntil([&] {
                    return page->TimerActive(scope::kPollTimer) || Finished(page) ||
                           page->TimerActive(scope::kRestartTimer);
                })) {
                return false;
            }
            if (Finished(page) || page->TimerActive(scope::kRestartTimer)) {
                return true;
            }
            clock->Advance(recordTime);
            page->FireTimer(scope::kPollTimer);
            if (!WaitUntil([&] { return !page->Capture().Uploading(); })) {
                return false;
            }
        }
        return false;
    }

    // Waits until the drive holds the value.
    bool DriveHolds(ObjectKey key, std::int64_t value) {
        return WaitUntil([&] { return drive->Value(key) == value; });
    }

    // The drive's record, uploaded past the program (the link must be closed).
    std::string DriveRecord() {
        std::string data;
        auto first = drive->HandleRequest(link::BuildPayload(scope::kRecorderRecord, 0x40, 0));
        if (!first || (*first)[0] != link::kAnswerSegmented) {
            return data;
        }
        bool toggle = false;
        while (true) {
            auto segment = drive->HandleRequest(
                link::BuildPayload(0, toggle ? link::kCmdSegmentToggle : link::kCmdSegment, 0));
            if (!segment || (*segment)[0] == link::kCmdAbort) {
                return "<aborted>";
            }
            data.append(reinterpret_cast<const char*>(segment->data() + 1),
                        static_cast<std::size_t>(link::SegmentDataCount((*segment)[0])));
            if (link::IsLastSegment((*segment)[0])) {
                return data;
            }
            toggle = !toggle;
        }
    }

    std::shared_ptr<sim::ManualSimClock> clock;
    std::shared_ptr<sim::SimulatedDrive> drive;
    RunningProgram program;
};

// A channel's controls on the page.
inline QCheckBox* Check(CDriverOscillo* page, int channel) {
    return page->Control<QCheckBox>(ctl::kChannelCheck[static_cast<std::size_t>(channel)]);
}
inline QComboBox* Item(CDriverOscillo* page, int channel) {
    return page->Control<QComboBox>(ctl::kChannelItem[static_cast<std::size_t>(channel)]);
}
inline QComboBox* Unit(CDriverOscillo* page, int channel) {
    return page->Control<QComboBox>(ctl::kUnit[static_cast<std::size_t>(channel)]);
}

// Chooses the combo entry of that text as a user would (the selection-change signal).
inline bool Choose(QComboBox* combo, const QString& text) {
    const int index = combo->findText(text);
    if (index < 0) {
        return false;
    }
    combo->setCurrentIndex(index);
    emit combo->activated(index);
    return true;
}

inline QString Status(CDriverOscillo* page) {
    return page->Control<QLineEdit>(ctl::kStatus)->text();
}

// Types a text into an edit and presses Enter, as a user does.
inline void Enter(CDriverOscillo* page, int id, const QString& text) {
    QApplication::setActiveWindow(page->window());
    auto* edit = page->Control<QLineEdit>(id);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

// Chooses an item for a channel and ticks its box; waits for the read-back that follows.
inline void Record(ScopeProgram& p, CDriverOscillo* page, int channel, const QString& item) {
    const int before = page->ReadBackClosings();
    ASSERT_TRUE(Choose(Item(page, channel), item)) << item.toStdString();
    EXPECT_FALSE(Check(page, channel)->isChecked());
    Check(page, channel)->click();
    ASSERT_TRUE(WaitUntil([&] { return page->ReadBackClosings() > before; }));
    (void)p;
}

}  // namespace morlo::gui::test
