#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <thread>

#include <QTest>
#include "AppConstants.h"
#include "CChildFrame.h"
#include "CCommCan.h"
#include "CCommMode.h"
#include "CCommRs232.h"
#include "CMdiBackground.h"
#include "CPageView.h"
#include "EditListCtrl.h"
#include "GuiTestSupport.h"
#include "PageFactory.h"
#include "ParameterPage.h"
#include "PtyServer.h"
#include "SimulatedDrive.h"
#include "dictionary/DictionarySource.h"
#include "profile/Profile.h"

namespace morlo::gui::test {
namespace {

using namespace std::chrono_literals;

std::shared_ptr<sim::SimulatedDrive> MakeDrive() {
    static DictionarySource source = LoadDictionarySource(
        std::filesystem::path(MORLO_BUILT_RUNTIME_DIR) / "data" / "dictionary");
    return std::make_shared<sim::SimulatedDrive>(source);
}

// Page windows that only record their notifications, besides the link pages.
CPageView* PlaceholderPages(const PageKind& kind, AppContext& context) {
    if (kind.slot == slot::kLinkType || kind.slot == slot::kSerialSettings ||
        kind.slot == slot::kCanSettings) {
        return MakeDefaultPage(kind, context);
    }
    return new CPlaceholderPage(context);
}

// A program whose link type is the simulated drive, with the drive at hand.
class SimulatedProgram {
  public:
    explicit SimulatedProgram(bool chinese = false)
        : drive(MakeDrive()),
          program(
              chinese,
              [chinese](WorkingFolder& f) {
                  Profile::WriteString(f.SysIni(), "sys", "comm", "7");
                  Profile::WriteString(f.SysIni(), "sys", "lang", chinese ? "1" : "2");
              },
              drive) {}
    std::shared_ptr<sim::SimulatedDrive> drive;
    RunningProgram program;
};

TEST(PageWindows, OneWindowPerCommandAndNotifiedOnReShow) {
    RunningProgram program;
    CMainFrame& frame = program.Frame();
    frame.SetPageFactory(PlaceholderPages);
    frame.OpenPage(cmd::kPositionLoop);
    CChildFrame* child = frame.Slot(3);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->windowTitle(), "Position loop");
    EXPECT_EQ(child->size(), QSize(565, 331));
    auto* page = static_cast<CPlaceholderPage*>(child->View());
    EXPECT_TRUE(page->notifications.empty());
    frame.OpenPage(cmd::kPositionLoop);
    EXPECT_EQ(frame.Slot(3), child);
    EXPECT_EQ(frame.MdiArea()->subWindowList().size(), 1);
    EXPECT_EQ(page->notifications, std::vector<int>{notify::kShown});

    // Closing hides the page and tells it; opening again shows the same window.
    child->close();
    EXPECT_FALSE(child->isVisible());
    EXPECT_EQ(page->notifications.back(), notify::kHidden);
    frame.OpenPage(cmd::kPositionLoop);
    EXPECT_TRUE(child->isVisible());
    EXPECT_EQ(frame.Slot(3), child);
    EXPECT_EQ(page->notifications.back(), notify::kShown);

    // Fixed sizes and places.
    frame.OpenPage(cmd::kRealtimeError);
    EXPECT_EQ(frame.Slot(19)->geometry(), QRect(50, 20, 310, 540));
    frame.OpenPage(cmd::kPanelF007);
    EXPECT_EQ(static_cast<CPlaceholderPage*>(frame.PageOf(44))->notifications,
              std::vector<int>{notify::kShown});
    frame.OpenPage(cmd::kRpdoFirst + 2);
    EXPECT_EQ(program.Context().currentPanelName, "RPDO3");
    EXPECT_EQ(program.Context().currentPanelPageId, 24);
}

TEST(PageWindows, HideAllHidesParameterPagesButNotTheCanPages) {
    RunningProgram program;
    CMainFrame& frame = program.Frame();
    frame.SetPageFactory(PlaceholderPages);
    frame.OpenPage(cmd::kBaseOperate);
    frame.OpenPage(cmd::kTpdoFirst);
    frame.HideAllPages();
    EXPECT_FALSE(frame.Slot(2)->isVisible());
    EXPECT_TRUE(frame.Slot(30)->isVisible());
    frame.BroadcastToPages(notify::kRefresh);
    EXPECT_EQ(static_cast<CPlaceholderPage*>(frame.PageOf(2))->notifications.back(),
              notify::kRefresh);
}

TEST(PageWindows, TheLinkTypePageIsMadeAnewAfterClosing) {
    RunningProgram program;
    CMainFrame& frame = program.Frame();
    frame.RunCommand(cmd::kLinkType);
    QPointer<CChildFrame> first = frame.Slot(slot::kLinkType);
    ASSERT_TRUE(first);
    EXPECT_NE(qobject_cast<CCommMode*>(first->View()), nullptr);
    first->close();
    EXPECT_EQ(frame.Slot(slot::kLinkType), nullptr);
    ASSERT_TRUE(WaitUntil([&] { return first.isNull(); }));
    frame.RunCommand(cmd::kLinkType);
    EXPECT_NE(frame.Slot(slot::kLinkType), nullptr);
}

TEST(LinkOnOff, TheSimulatedDriveIsConfirmedByItsStatusword) {
    SimulatedProgram sim;
    CMainFrame& frame = sim.program.Frame();
    frame.SetPageFactory(PlaceholderPages);
    AppContext& context = sim.program.Context();
    frame.OpenPage(cmd::kBaseOperate);
    EXPECT_EQ(frame.LinkPaneText(), "Comm Status: Closed");
    frame.ToggleLink();
    EXPECT_EQ(context.Link().LinkState(), engine::kLinkStateOpen);
    EXPECT_TRUE(context.linkOpenPending);
    frame.ToggleLink();  // waiting for the first answer: nothing happens
    EXPECT_EQ(context.Link().LinkState(), engine::kLinkStateOpen);
    ASSERT_TRUE(WaitUntil([&] { return !context.linkOpenPending; }));
    EXPECT_EQ(frame.LinkPaneText(), "Comm Status: Open  simulated drive");
    EXPECT_EQ(frame.DriveFaultState(), 0);
    EXPECT_EQ(frame.ImageList(), kImageListNormal);
    EXPECT_TRUE(sim.program.messages.empty());
    // The pages were refreshed once the link was confirmed.
    EXPECT_EQ(static_cast<CPlaceholderPage*>(frame.PageOf(2))->notifications.back(),
              notify::kRefresh);

    // A drive fault: the error button shows the fault icon and blinks.
    sim.drive->InjectError(4);
    ASSERT_TRUE(WaitUntil([&] { return frame.DriveFaultState() == 1; }));
    EXPECT_EQ(frame.ImageList(), kImageListFault);
    frame.OnBlinkTick();
    int first = frame.ImageList();
    frame.OnBlinkTick();
    int second = frame.ImageList();
    EXPECT_NE(first, second);
    EXPECT_TRUE((first == kImageListNeutral && second == kImageListFault) ||
                (first == kImageListFault && second == kImageListNeutral));

    frame.ToggleLink();
    EXPECT_EQ(context.Link().LinkState(), engine::kLinkStateClosed);
    EXPECT_EQ(frame.LinkPaneText(), "Comm Status: Closed");
    EXPECT_EQ(frame.ImageList(), kImageListNeutral);
    frame.OnBlinkTick();
    EXPECT_EQ(frame.ImageList(), kImageListNeutral);
}

TEST(LinkOnOff, ASilentDriveIsNotFound) {
    SimulatedProgram sim;
    sim::FaultSettings silent;
    silent.silent = true;
    sim.drive->SetFaults(silent);
    CMainFrame& frame = sim.program.Frame();
    frame.ToggleLink();
    ASSERT_TRUE(WaitUntil([&] { return !sim.program.messages.empty(); }));
    EXPECT_EQ(sim.program.messages.back(), "Not Find Driver! Please Check...");
    EXPECT_EQ(sim.program.Context().Link().LinkState(), engine::kLinkStateClosed);
    EXPECT_EQ(frame.LinkPaneText(), "Comm Status: Closed");
    EXPECT_FALSE(sim.program.Context().linkOpenPending);
}

TEST(LinkOnOff, SwitchedOffDuringARead) {
    // Every answer takes 30 ms, so a statusword read is under way at most moments.
    SimulatedProgram sim;
    sim::FaultSettings slow;
    slow.latency = 30ms;
    sim.drive->SetFaults(slow);
    CMainFrame& frame = sim.program.Frame();
    frame.SetPageFactory(PlaceholderPages);
    AppContext& context = sim.program.Context();
    frame.OpenPage(cmd::kBaseOperate);
    auto* page = static_cast<CPlaceholderPage*>(frame.PageOf(2));
    for (int attempt = 0; attempt < 8; ++attempt) {
        SCOPED_TRACE(attempt);
        frame.ToggleLink();
        ASSERT_TRUE(WaitUntil(
            [&] { return frame.LinkPaneText() == "Comm Status: Open  simulated drive"; }));
        ASSERT_TRUE(WaitUntil([&] {  // the unit constants are in; only statusword reads go on
            for (ObjectKey key : context.Conversion().ConstantsOfUnits()) {
                if (context.Formulas().IsRequested(key)) {
                    return false;
                }
            }
            return true;
        }));
        WaitUntil([] { return false; }, 10 + 7 * attempt);  // a different moment each time
        const std::size_t notified = page->notifications.size();
        frame.ToggleLink();
        WaitUntil([] { return false; }, 100);  // a read under way lands meanwhile
        EXPECT_EQ(context.Link().LinkState(), engine::kLinkStateClosed);
        EXPECT_EQ(frame.LinkPaneText(), "Comm Status: Closed");
        EXPECT_EQ(frame.DriveFaultState(), -1);
        EXPECT_EQ(page->notifications.size(), notified);  // no refresh
    }
    EXPECT_TRUE(sim.program.messages.empty());
}

TEST(LinkOnOff, CanRateTexts) {
    EXPECT_EQ(CanRateText(20), "Open 1 MBit/s");
    EXPECT_EQ(CanRateText(28), "Open 500 KBit/s");
    EXPECT_EQ(CanRateText(21295), "Open 20 KBit/s");
    EXPECT_EQ(CanRateText(0x672F), "Closed");
    EXPECT_EQ(CanRateText(12345), "Closed");
}

TEST(LinkPages, SerialPageRestoresAndWritesItsKeys) {
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    grantpt(master);
    unlockpt(master);
    const std::string port = ptsname(master);
    RunningProgram program(false, [&](WorkingFolder& f) {
        Profile::WriteString(f.SysIni(), "sys", "comm", "2");
        Profile::WriteString(f.SysIni(), "com", "comid", port);
        Profile::WriteString(f.SysIni(), "com", "buadrate", "57600");
        Profile::WriteString(f.SysIni(), "com", "driverid", "3");
    });
    CMainFrame& frame = program.Frame();
    frame.RunCommand(cmd::kLinkSettings);
    auto* page = qobject_cast<CCommRs232*>(frame.PageOf(slot::kSerialSettings));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->PortList()->currentText().toStdString(), port);
    EXPECT_EQ(page->BaudList()->currentText(), "57600");
    EXPECT_EQ(page->DriverId()->text(), "3");
    page->BaudList()->setCurrentIndex(7);
    page->DriverId()->setText("4");
    page->PressOpenClose();
    EXPECT_TRUE(page->ShowsOpen());
    EXPECT_TRUE(program.Context().linkOpenPending);
    EXPECT_EQ(Profile::ReadString(program.Folder().SysIni(), "com", "buadrate", 16), "115200");
    EXPECT_EQ(Profile::ReadString(program.Folder().SysIni(), "com", "driverid", 16), "4");
    // Nobody answers on the pty: the open ends in "Not Find Driver" and the icon closes.
    ASSERT_TRUE(WaitUntil([&] { return !program.Context().linkOpenPending; }, 10000));
    EXPECT_EQ(program.messages.back(), "Not Find Driver! Please Check...");
    EXPECT_FALSE(page->ShowsOpen());
    close(master);
}

TEST(LinkPages, CanPageRestoresOnlyKnownRates) {
    RunningProgram program(false, [](WorkingFolder& f) {
        Profile::WriteString(f.SysIni(), "can", "buadrate", "28");
        Profile::WriteString(f.SysIni(), "can", "driverid", "9");
        Profile::WriteString(f.SysIni(), "can", "interface", "virtualcan:can0");
    });
    CCommCan page(program.Context());
    EXPECT_EQ(page.RateList()->currentIndex(), 1);
    EXPECT_EQ(page.DriverId()->text(), "9");
    EXPECT_EQ(page.VersionLabel()->text(), "CAN Vercan0");

    RunningProgram slow(false, [](WorkingFolder& f) {
        Profile::WriteString(f.SysIni(), "can", "buadrate", std::to_string(0x672F));
        Profile::WriteString(f.SysIni(), "can", "driverid", "9");
        Profile::WriteString(f.SysIni(), "can", "interface", "nosuchplugin:can0");
    });
    CCommCan unknown(slow.Context());
    EXPECT_EQ(unknown.RateList()->currentIndex(), -1);
    EXPECT_EQ(unknown.DriverId()->text(), "1");
    EXPECT_EQ(slow.messages.back(), "Your PC doesn't have Peak CAN-USB driver!! ");
}

TEST(LinkPages, LinkTypePageWritesTheChoice) {
    RunningProgram program;
    CMainFrame& frame = program.Frame();
    frame.RunCommand(cmd::kLinkType);
    auto* mode = qobject_cast<CCommMode*>(frame.PageOf(slot::kLinkType));
    ASSERT_NE(mode, nullptr);
    mode->ChooseSimulated();
    mode->Next();
    EXPECT_EQ(Profile::ReadString(program.Folder().SysIni(), "sys", "comm", 4), "7");
    EXPECT_EQ(program.Context().linkType, 7);
    EXPECT_EQ(frame.Slot(slot::kLinkType), nullptr);
    frame.RunCommand(cmd::kLinkType);
    mode = qobject_cast<CCommMode*>(frame.PageOf(slot::kLinkType));
    mode->ChooseSerial();
    mode->Next();
    EXPECT_NE(frame.Slot(slot::kSerialSettings), nullptr);  // the settings page follows
}

TEST(PageWindows, TileLeavesNoTwoPagesOverlappingAndCascadeKeepsThemInside) {
    SimulatedProgram sim;
    CMainFrame& frame = sim.program.Frame();
    frame.SetPageFactory(PlaceholderPages);
    frame.showNormal();
    frame.setGeometry(0, 0, 1024, 700);
    ASSERT_TRUE(Activate(frame));
    int opened = 0;
    for (int slotId = slot::kFirstPageId; slotId <= slot::kLastPageId; ++slotId) {
        if (const PageKind* kind = PageKindOfSlot(slotId)) {
            frame.OpenKind(*kind);
            ++opened;
        }
    }
    ASSERT_GE(opened, 25);
    QCoreApplication::processEvents();
    const QSize size = frame.size();
    auto shown = [&] {
        QList<QMdiSubWindow*> windows;
        for (QMdiSubWindow* window : frame.MdiArea()->subWindowList()) {
            if (window->isVisible()) {
                windows << window;
            }
        }
        return windows;
    };
    for (int command : {cmd::kToolTile, cmd::kToolCascade, cmd::kToolTile}) {
        SCOPED_TRACE(command);
        frame.RunCommand(command);
        QCoreApplication::processEvents();
        EXPECT_EQ(frame.size(), size);
        const QRect area = frame.MdiArea()->viewport()->rect();
        const QList<QMdiSubWindow*> windows = shown();
        for (QMdiSubWindow* window : windows) {
            const QRect place = window->geometry();
            if (command == cmd::kToolCascade) {
                // Inside, or at the top left corner when larger than the area.
                EXPECT_GE(place.left(), 0);
                EXPECT_GE(place.top(), 0);
                EXPECT_TRUE(place.right() <= area.right() || place.left() == 0) << place.right();
                EXPECT_TRUE(place.bottom() <= area.bottom() || place.top() == 0) << place.bottom();
                continue;
            }
            // Fixed sizes kept, side by side: no page covers another; the area scrolls to the
            // rows below it.
            for (QMdiSubWindow* other : windows) {
                EXPECT_TRUE(other == window || !place.intersects(other->geometry()))
                    << window->windowTitle().toStdString() << " / "
                    << other->windowTitle().toStdString();
            }
        }
    }
    EXPECT_TRUE(frame.MdiArea()->verticalScrollBar()->maximum() > 0);
}

TEST(MainWindow, FirstCoversTheAvailableAreaThenWhereItWasLastClosed) {
    WorkingFolder kept;
    // Each run starts with the sys.ini the last one left.
    auto run = [&](const std::function<void(CMainFrame&)>& use) {
        RunningProgram program(false, [&](WorkingFolder& f) {
            if (std::filesystem::exists(kept.SysIni())) {
                std::filesystem::copy_file(kept.SysIni(), f.SysIni(),
                                           std::filesystem::copy_options::overwrite_existing);
            }
        });
        use(program.Frame());
        program.Frame().close();
        std::filesystem::copy_file(program.Folder().SysIni(), kept.SysIni(),
                                   std::filesystem::copy_options::overwrite_existing);
    };
    std::filesystem::remove(kept.SysIni());
    for (int start = 0; start < 2; ++start) {  // closed as it was: the next start covers it too
        run([](CMainFrame& frame) {
            EXPECT_EQ(frame.frameGeometry(), frame.screen()->availableGeometry());
        });
    }
    EXPECT_EQ(Profile::ReadString(kept.SysIni(), "window", "geometry", 64), "0,0,1366,768,1");
    run([](CMainFrame& frame) {
        frame.showNormal();
        frame.setGeometry(60, 50, 900, 600);
    });
    run([](CMainFrame& frame) {
        EXPECT_FALSE(frame.isMaximized());
        EXPECT_EQ(frame.geometry(), QRect(60, 50, 900, 600));
    });
}

TEST(MainWindow, TheActivePageStaysActiveWhenTheLinkOpensAndTheProjectIsSaved) {
    SimulatedProgram sim;
    CMainFrame& frame = sim.program.Frame();
    frame.SetPageFactory(PlaceholderPages);
    AppContext& context = sim.program.Context();
    for (int command : {cmd::kBaseOperate, cmd::kRpdoFirst, cmd::kTpdoFirst + 7, cmd::kPanelF005}) {
        frame.OpenPage(command);
    }
    CChildFrame* working = frame.Slot(2);
    frame.MdiArea()->setActiveSubWindow(working);
    frame.ToggleLink();
    ASSERT_TRUE(WaitUntil([&] { return !context.linkOpenPending; }));
    EXPECT_EQ(frame.MdiArea()->activeSubWindow(), working);
    EXPECT_EQ(static_cast<CPlaceholderPage*>(working->View())->notifications.back(),
              notify::kRefresh);  // told all the same
    context.fileChooser = [&](bool, const QString&, const QString&, const QString&) {
        return sim.program.Folder().Qt() + "/user/setup.ksp";
    };
    frame.RunCommand(cmd::kFileSave);
    EXPECT_EQ(frame.MdiArea()->activeSubWindow(), working);
}

TEST(MainWindow, EveryMessageBoxStandsOverTheMainWindow) {
    RunningProgram program;
    program.Context().messageInterceptor = nullptr;
    QWidget* parent = nullptr;
    QString text;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        parent = box->parentWidget();
        text = box->text();
        box->accept();
    });
    ShowMessage("A message");
    EXPECT_EQ(text, "A message");
    EXPECT_EQ(parent, &program.Frame());
}

TEST(MainWindow, ComputerPropertiesNameTheSimulatedDrive) {
    SimulatedProgram sim;
    sim.program.Frame().RunCommand(cmd::kLinkSettings);
    ASSERT_EQ(sim.program.messages.size(), 1u);
    EXPECT_EQ(sim.program.messages.back(),
              "The connecting mode is the simulated drive: it needs no settings.");
}

TEST(LinkPages, ATypedSerialPortIsUsedAndOfferedAgain) {
    // The simulated drive on a pseudo-terminal, a port the system does not enumerate.
    auto drive = MakeDrive();
    sim::PtyServer server(drive, {});
    std::string error;
    ASSERT_TRUE(server.Open(error)) << error;
    int stop[2];
    ASSERT_EQ(pipe(stop), 0);
    std::thread serving([&] { server.Serve(stop[0]); });
    {
        RunningProgram program(
            false, [](WorkingFolder& f) { Profile::WriteString(f.SysIni(), "sys", "comm", "2"); });
        CMainFrame& frame = program.Frame();
        frame.RunCommand(cmd::kLinkSettings);
        auto* page = qobject_cast<CCommRs232*>(frame.PageOf(slot::kSerialSettings));
        ASSERT_NE(page, nullptr);
        EXPECT_TRUE(page->PortList()->isEditable());
        const QString path = QString::fromStdString(server.SlavePath());
        EXPECT_EQ(page->PortList()->findText(path), -1);
        page->PortList()->setEditText(path);
        page->BaudList()->setCurrentIndex(7);
        page->PressOpenClose();
        ASSERT_TRUE(WaitUntil([&] { return !program.Context().linkOpenPending; }, 10000));
        EXPECT_TRUE(program.messages.empty());
        EXPECT_EQ(frame.LinkPaneText(), QString("Comm Status: Open  %1  115200").arg(path));
        EXPECT_EQ(Profile::ReadString(program.Folder().SysIni(), "com", "comid", 64),
                  server.SlavePath());
        // The next time the box offers it.
        CCommRs232 again(program.Context());
        EXPECT_GE(again.PortList()->findText(path), 0);
        page->PressOpenClose();
        EXPECT_EQ(program.Context().Link().LinkState(), engine::kLinkStateClosed);
    }
    ASSERT_EQ(write(stop[1], "x", 1), 1);
    serving.join();
    close(stop[0]);
    close(stop[1]);
}

TEST(MainWindow, F5ReadsEveryRowOfTheActivePageAgain) {
    SimulatedProgram sim;
    CMainFrame& frame = sim.program.Frame();
    ASSERT_TRUE(Activate(frame));
    frame.ToggleLink();
    ASSERT_TRUE(WaitUntil([&] { return !sim.program.Context().linkOpenPending; }));
    frame.OpenPage(cmd::kPositionLoop);
    auto* page = qobject_cast<ParameterPage*>(frame.PageOf(3));
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return page->ReadCursor() == 0; }));
    const int row = page->List()->RowOfKey(0x200002);  // not read cyclically
    ASSERT_GE(row, 0);
    const QString before = page->List()->Text(row, kColumnValue);
    sim.drive->SetValue(0x200002, 777);  // changed by the drive itself
    QTest::keyClick(&frame, Qt::Key_F5);
    ASSERT_TRUE(WaitUntil([&] { return page->List()->Text(row, kColumnValue) != before; }));
    EXPECT_EQ(page->List()->Text(row, kColumnValue), "77.700");
}

TEST(Screenshots, MainWindowWithTheSimulatedDrive) {
    // The walk of a new user: link on, open the position loop, change its gain.
    for (bool chinese : {false, true}) {
        SimulatedProgram sim(chinese);
        CMainFrame& frame = sim.program.Frame();
        frame.showNormal();
        frame.setGeometry(0, 0, 1100, 700);
        frame.ToggleLink();
        ASSERT_TRUE(WaitUntil([&] { return !sim.program.Context().linkOpenPending; }));
        frame.OpenPage(cmd::kPositionLoop);
        auto* page = qobject_cast<ParameterPage*>(frame.PageOf(3));
        ASSERT_NE(page, nullptr);
        EditListCtrl* list = page->List();
        ASSERT_TRUE(WaitUntil([&] { return !list->Text(0, kColumnValue).isEmpty(); }));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(0, kColumnValue)).center());
        ASSERT_NE(list->TextEditor(), nullptr);
        list->TextEditor()->setText("62.5");
        QTest::keyClick(list->TextEditor(), Qt::Key_Return);
        ASSERT_TRUE(WaitUntil([&] { return sim.drive->Value(0x200001) == 625; }));
        ASSERT_TRUE(WaitUntil([&] { return list->Text(0, kColumnValue) == "62.500"; }));
        QCoreApplication::processEvents();
        std::filesystem::create_directories(MORLO_SCREENSHOT_DIR);
        const QString file =
            QString("%1/main-window-%2.png").arg(MORLO_SCREENSHOT_DIR, chinese ? "zh" : "en");
        ASSERT_TRUE(frame.grab().save(file));
        if (chinese) {
            continue;
        }
        // Several pages tiled, the basic operation page with its bit fields in HEX.
        for (int command : {cmd::kBaseOperate, cmd::kVelocityLoop, cmd::kCurrentLoop,
                            cmd::kMotorConfig, cmd::kDriverProperty}) {
            frame.OpenPage(command);
        }
        auto* basic = qobject_cast<ParameterPage*>(frame.PageOf(2));
        ASSERT_TRUE(WaitUntil([&] { return basic->ReadCursor() == 0; }));
        frame.RunCommand(cmd::kToolTile);
        QCoreApplication::processEvents();
        ASSERT_TRUE(frame.grab().save(QString("%1/tiled-en.png").arg(MORLO_SCREENSHOT_DIR)));
    }
}

}  // namespace
}  // namespace morlo::gui::test
