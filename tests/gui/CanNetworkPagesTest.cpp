// The CAN network in the desktop program, against simulated drives on a virtual bus of this
// test's own: the link page's scan and NMT menu, the status bar's NMT state and emergency,
// and the emergency messages on the error history page.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QStatusBar>
#include <QTableWidget>
#include <QtTest/QTest>

#include "CChildFrame.h"
#include "CCommCan.h"
#include "CEmergencyList.h"
#include "CNetworkPane.h"
#include "ChildProcess.h"
#include "EditListCtrl.h"
#include "GuiTestSupport.h"
#include "ParameterPage.h"
#include "profile/Profile.h"

namespace morlo::gui::test {
namespace {

using namespace std::chrono_literals;

const std::string kBus = "virtualcan:tcp://127.0.0.1:44020/can0";

TEST(CanNetworkPages, ScanNmtHeartbeatAndEmergencies) {
    morlo::test::ChildProcess sim(
        MORLO_SIM_PATH, {"--can", kBus, "--standard", "--idle", "--node", "1", "--node", "5",
                         "--node", "127", "--error-cycle", "4:400"});
    ASSERT_EQ(sim.ReadLine(10s), "can " + kBus) << sim.Errors();
    // Node 127 sends its heartbeat every 100 ms.
    morlo::test::ChildProcess cli(
        MORLO_CLI_PATH, {"--link", "can:" + kBus, "--node", "127", "write", "1017:00", "100"},
        MORLO_BUILT_RUNTIME_DIR);
    ASSERT_TRUE(cli.Wait(10s));
    ASSERT_EQ(cli.ExitCode(), 0) << cli.Errors();

    RunningProgram program(false, [](WorkingFolder& f) {
        Profile::WriteString(f.SysIni(), "sys", "comm", "5");
        Profile::WriteString(f.SysIni(), "can", "interface", kBus);
        Profile::WriteString(f.SysIni(), "can", "buadrate", "20");
    });
    CMainFrame& frame = program.Frame();
    frame.resize(1100, 750);
    ASSERT_TRUE(Activate(frame));
    frame.RunCommand(cmd::kLinkSettings);
    auto* page = qobject_cast<CCommCan*>(frame.PageOf(slot::kCanSettings));
    ASSERT_NE(page, nullptr);

    // With the link closed: the adapter opens for the scan alone.
    page->Scan();
    QListWidget* nodes = page->NodeList();
    ASSERT_EQ(nodes->count(), 3);
    for (int row = 0; row < 3; ++row) {
        EXPECT_TRUE(nodes->item(row)->text().endsWith("  0x00020192  MS-D2 Servo Drive  SW 3.07"))
            << nodes->item(row)->text().toStdString();
    }
    EXPECT_EQ(program.Context().Link().LinkState(), engine::kLinkStateNone);
    QTest::mouseClick(nodes->viewport(), Qt::LeftButton, {},
                      nodes->visualItemRect(nodes->item(2)).center());
    EXPECT_EQ(page->DriverId()->text(), "127");

    page->PressOpenClose();
    ASSERT_TRUE(WaitUntil([&] { return !program.Context().linkOpenPending; }));
    auto* pane = frame.findChild<CNetworkPane*>("networkPane");
    ASSERT_NE(pane, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return pane->text().startsWith("Node 127: pre-operational"); }))
        << pane->text().toStdString();
    // The NMT menu: start this node.
    QMenu* nmt = page->NmtMenu();
    ASSERT_EQ(nmt->actions()[0]->text(), "Start");
    nmt->actions()[0]->trigger();
    EXPECT_TRUE(WaitUntil([&] { return pane->text().startsWith("Node 127: operational"); }))
        << pane->text().toStdString();
    EXPECT_TRUE(WaitUntil([&] { return pane->text().contains("  EMCY 0x"); }))
        << pane->text().toStdString();

    frame.RunCommand(cmd::kErrorHistory);
    CChildFrame* history = frame.Slot(slot::kErrorHistory);
    ASSERT_NE(history, nullptr);
    auto* emergencies = history->findChild<QTableWidget*>("emergencyList");
    ASSERT_NE(emergencies, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return emergencies->rowCount() >= 6; }));
    bool raised = false;
    for (int row = 0; row < emergencies->rowCount(); ++row) {
        auto cell = [&](int column) { return emergencies->item(row, column)->text(); };
        EXPECT_EQ(cell(CEmergencyList::kTime).size(), 23)
            << cell(CEmergencyList::kTime).toStdString();
        EXPECT_TRUE(cell(CEmergencyList::kNode) == "1" || cell(CEmergencyList::kNode) == "5" ||
                    cell(CEmergencyList::kNode) == "127");
        if (cell(CEmergencyList::kCode) == "0x4210") {
            raised = true;
            EXPECT_EQ(cell(CEmergencyList::kMeaning), "excess temperature (device)");
            EXPECT_EQ(cell(CEmergencyList::kData), "10 00 00 00 00");
        } else {
            EXPECT_EQ(cell(CEmergencyList::kCode), "0x0000");
        }
    }
    EXPECT_TRUE(raised);

    auto* log = qobject_cast<ParameterPage*>(history->View());
    ASSERT_NE(log, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return !log->List()->Text(0, kColumnValue).isEmpty(); }));
    frame.RunCommand(cmd::kToolTile);
    QCoreApplication::processEvents();
    std::filesystem::create_directories(MORLO_SCREENSHOT_DIR);
    ASSERT_TRUE(frame.grab().save(QString("%1/can-network-en.png").arg(MORLO_SCREENSHOT_DIR)));

    page->PressOpenClose();
    EXPECT_TRUE(pane->isHidden());
}

}  // namespace
}  // namespace morlo::gui::test
