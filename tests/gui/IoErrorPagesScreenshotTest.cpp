#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>

#include "CChildFrame.h"
#include "CDataInOut.h"
#include "CDrvPanelF001.h"
#include "CDrvPanelF007.h"
#include "CRealtimeError.h"
#include "PageTestSupport.h"
#include "TipWindow.h"

namespace morlo::gui::test {
namespace {

// The four pages live on the simulated drive, as a user sees them, in both languages.
TEST(Screenshots, DigitalIoErrorsAndPanelPages) {
    for (bool chinese : {false, true}) {
        PageProgram p(chinese);
        CMainFrame& frame = p.program.Frame();
        frame.resize(1280, 800);
        // An error log with three entries a few seconds apart, and two present errors.
        const std::pair<int, int> log[] = {{0x0200, 95}, {0x0010, 41}, {0x0800, 12}};
        for (int r = 0; r < 3; ++r) {
            p.drive->SetValue(MakeObjectKey(0x2610 + r, 0x01), log[r].first);
            p.drive->SetValue(MakeObjectKey(0x2610 + r, 0x07), log[r].second);
        }
        p.drive->InjectError(4);
        p.drive->InjectError(9);
        p.drive->SetValue(0x260000, 0xFDFF);
        p.drive->SetValue(0x20101D, 0x0300);  // DIN8: two functions
        p.drive->SetValue(0x201002, 0x0002);  // DIN2 simulated
        p.OpenLink();

        // The toolbar's I/O and real-time error buttons open the first two.
        frame.RunCommand(cmd::kToolDataInOut);
        auto* io = qobject_cast<CDataInOut*>(frame.PageOf(slot::kDataInOut));
        ASSERT_NE(io, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return io->ReadStep() == 0; }));
        // The mouse over DIN8's functions shows their numbered list.
        QLineEdit* din8 = io->ChannelAt(7).function;
        io->Tips()->MouseMove(din8->geometry().center());
        ASSERT_EQ(io->Tips()->CurrentControl(), din8);
        frame.RunCommand(cmd::kToolRealtimeError);
        auto* errors = qobject_cast<CRealtimeError*>(frame.PageOf(slot::kRealtimeError));
        ASSERT_NE(errors, nullptr);
        ASSERT_TRUE(
            WaitUntil([&] { return errors->ReadStep() == 0 && errors->Box(0)->isEnabled(); }));
        auto* f001 = p.Open<CDrvPanelF001>(cmd::kPanelF001);
        ASSERT_NE(f001, nullptr);
        f001->OnItemChosen(1);
        ASSERT_TRUE(WaitUntil([&] { return f001->SelectedKey() == 0x606400; }));
        ASSERT_TRUE(WaitUntil([&] { return f001->ValueField()->text() != "Value..."; }));
        auto* f007 = p.Open<CDrvPanelF007>(cmd::kPanelF007);
        ASSERT_NE(f007, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return !f007->Running(); }));

        std::filesystem::create_directories(MORLO_SCREENSHOT_DIR);
        const char* language = chinese ? "zh" : "en";
        const std::pair<int, const char*> pages[] = {{slot::kDataInOut, "digital-io"},
                                                     {slot::kRealtimeError, "realtime-errors"},
                                                     {slot::kPanelF001, "panel-f001"},
                                                     {slot::kPanelF007, "panel-f007"}};
        for (const auto& [slotId, name] : pages) {
            CChildFrame* child = frame.Slot(slotId);
            ASSERT_NE(child, nullptr);
            QCoreApplication::processEvents();
            const QString file = QString("%1/%2-%3.png").arg(MORLO_SCREENSHOT_DIR, name, language);
            ASSERT_TRUE(child->grab().save(file)) << file.toStdString();
        }
        QCoreApplication::processEvents();
        ASSERT_TRUE(frame.grab().save(
            QString("%1/io-error-pages-%2.png").arg(MORLO_SCREENSHOT_DIR, language)));
    }
}

}  // namespace
}  // namespace morlo::gui::test
