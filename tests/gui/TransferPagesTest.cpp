#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include <QTest>
#include "AppConstants.h"
#include "CChildFrame.h"
#include "CExportDrvData.h"
#include "CImportDrvData.h"
#include "CStoreDialog.h"
#include "GuiTestSupport.h"
#include "PageTable.h"
#include "SimulatedDrive.h"
#include "dictionary/DictionarySource.h"
#include "profile/Profile.h"
#include "text/NumberText.h"
#include "transfer/DriveDataFiles.h"
#include "transfer/DriveDataKey.h"
#include "transfer/ParameterList.h"
#include "transfer/TransferConstants.h"

namespace morlo::gui::test {
namespace {

using namespace std::chrono_literals;

// The default backup list as the dictionary and the pages' default lists make it.
std::string ExpectedParameterList() {
    const std::filesystem::path sys = std::filesystem::path(MORLO_SOURCE_RUNTIME_DIR) / "sys";
    std::vector<std::vector<ObjectKey>> pages;
    for (const PageKind& kind : PageKinds()) {
        if (*kind.pageName == '\0') {
            continue;
        }
        const auto file = sys / (std::string(kind.pageName) + ".ini");
        std::vector<ObjectKey> keys;
        const int count = Profile::ReadInt(file, kind.pageName, "num", 32);
        for (int i = 1; i <= count; ++i) {
            keys.push_back(
                ParseHexLoose(Profile::ReadString(file, kind.pageName, std::to_string(i), 32)));
        }
        pages.push_back(std::move(keys));
    }
    ObjectDictionary dictionary;
    dictionary.LoadFile(std::filesystem::path(MORLO_BUILT_RUNTIME_DIR) / "data" / "TARNEX.dat", 2);
    std::vector<DictionaryEntry> entries(static_cast<std::size_t>(dictionary.GetCount()));
    for (int i = 0; i < dictionary.GetCount(); ++i) {
        dictionary.GetAt(i, entries[static_cast<std::size_t>(i)]);
    }
    std::string text;
    for (std::uint32_t key : transfer::BuildParameterList(pages, entries)) {
        text += transfer::DriveDataKeyText(key) + "\r\n";
    }
    return text;
}

TEST(DefaultBackupList, ShipsEveryParameterInPageOrder) {
    const std::string expected = ExpectedParameterList();
    const auto shipped =
        std::filesystem::path(MORLO_SOURCE_RUNTIME_DIR) / "user" / "all-parameters.cdo";
    if (morlo::test::ReadFile(shipped) != expected) {
        const auto fresh =
            std::filesystem::path(MORLO_SCREENSHOT_DIR).parent_path() / "all-parameters.cdo";
        morlo::test::WriteFile(fresh, expected);
        FAIL() << shipped << " is not what the dictionary and the pages make; the list they make "
               << "is in " << fresh;
    }
    // The list starts with the first parameter of the first page and holds no commands.
    const auto keys = transfer::ReadObjectList(expected);
    EXPECT_EQ(keys.front(), 0x60600008u);  // modes of operation, on the basic page
    for (std::uint32_t command : {0x60400010u, 0x2FF00108u, 0x2FFF0010u, 0x60FF0020u}) {
        EXPECT_EQ(std::count(keys.begin(), keys.end(), command), 0) << std::hex << command;
    }
    EXPECT_EQ(std::count(keys.begin(), keys.end(), 0x20010110u), 1);
}

std::shared_ptr<sim::SimulatedDrive> MakeDrive(sim::DriveOptions options = {}) {
    static DictionarySource source = LoadDictionarySource(
        std::filesystem::path(MORLO_BUILT_RUNTIME_DIR) / "data" / "dictionary");
    return std::make_shared<sim::SimulatedDrive>(source, std::move(options));
}

constexpr ObjectKey kVelocityGain = MakeObjectKey(0x2001, 0x01);  // U16, 0.1 Hz
constexpr ObjectKey kPositionGain = MakeObjectKey(0x2000, 0x01);  // U16
constexpr ObjectKey kAin1Offset = MakeObjectKey(0x2020, 0x03);    // I16

// The program on the simulated drive, with files chosen by the test.
class TransferProgram {
  public:
    explicit TransferProgram(bool chinese = false,
                             std::shared_ptr<sim::SimulatedDrive> given = nullptr)
        : drive(given ? std::move(given) : MakeDrive()),
          program(
              chinese,
              [chinese](WorkingFolder& f) {
                  Profile::WriteString(f.SysIni(), "sys", "comm", "7");
                  Profile::WriteString(f.SysIni(), "sys", "lang", chinese ? "1" : "2");
              },
              drive) {
        program.Context().fileChooser = [this](bool save, const QString&, const QString&,
                                               const QString& title) {
            asked.push_back({save, title});
            return chosen;
        };
        program.Context().Dictionary().WaitUntilLoaded(10s);
    }
    CMainFrame& Frame() { return program.Frame(); }
    AppContext& Context() { return program.Context(); }
    std::filesystem::path User() { return program.Folder().Path() / "user"; }
    QString UserFile(const char* name) { return QString::fromStdString((User() / name).string()); }
    bool OpenLink() {
        Frame().ToggleLink();
        return WaitUntil([&] { return !Context().linkOpenPending; }) &&
               Context().Link().LinkState() == engine::kLinkStateOpen;
    }
    CExportDrvData* ExportPage() {
        Frame().RunCommand(cmd::kToolExportDriveData);
        return qobject_cast<CExportDrvData*>(Frame().PageOf(slot::kExportDriveData));
    }
    CImportDrvData* ImportPage() {
        Frame().RunCommand(cmd::kToolImportDriveData);
        return qobject_cast<CImportDrvData*>(Frame().PageOf(slot::kImportDriveData));
    }

    std::shared_ptr<sim::SimulatedDrive> drive;
    RunningProgram program;
    QString chosen;
    std::vector<std::pair<bool, QString>> asked;
};

QString Cell(QTableWidget* list, int row, int column) {
    QTableWidgetItem* item = list->item(row, column);
    return item ? item->text() : QString();
}

// The row of a key text, or -1.
int RowOf(QTableWidget* list, const QString& key) {
    for (int row = 0; row < list->rowCount(); ++row) {
        if (Cell(list, row, 1) == key) {
            return row;
        }
    }
    return -1;
}

TEST(DriveDataPages, OpenFromTheToolbarAndHaveTheLinkWhileShown) {
    TransferProgram sim;
    engine::ControlLink& link = sim.Context().Link();
    CExportDrvData* read = sim.ExportPage();
    ASSERT_NE(read, nullptr);
    // At its place and height; wide enough for every column of its list.
    const QRect readPlace = sim.Frame().Slot(slot::kExportDriveData)->geometry();
    EXPECT_EQ(readPlace.topLeft(), QPoint(80, 30));
    EXPECT_EQ(readPlace.height(), 490);
    EXPECT_GE(readPlace.width(), 530);
    EXPECT_EQ(sim.Frame().Slot(slot::kExportDriveData)->windowTitle(), "Read drive data");
    EXPECT_EQ(link.ExclusiveWindow(), read->Id());
    EXPECT_EQ(read->ReadStatus()->text(), "no process...");
    EXPECT_EQ(read->List()->columnWidth(CExportDrvData::kColumnKey), 85);
    EXPECT_EQ(read->List()->horizontalHeaderItem(CExportDrvData::kColumnResult)->text(), "result");
    link.SetCyclicReadSwitch(false);
    sim.Frame().Slot(slot::kExportDriveData)->close();
    EXPECT_FALSE(link.IsExclusive());
    EXPECT_TRUE(link.CyclicReadSwitch());

    CImportDrvData* write = sim.ImportPage();
    ASSERT_NE(write, nullptr);
    const QRect writePlace = sim.Frame().Slot(slot::kImportDriveData)->geometry();
    EXPECT_EQ(writePlace.topLeft(), QPoint(50, 20));
    EXPECT_EQ(writePlace.height(), 530);
    EXPECT_GE(writePlace.width(), 680);
    EXPECT_EQ(link.ExclusiveWindow(), write->Id());
    EXPECT_EQ(write->List()->columnCount(), 6);
    sim.Frame().Slot(slot::kImportDriveData)->close();
    EXPECT_FALSE(link.IsExclusive());
    // Shown again from the menu, the same page takes the link again.
    sim.Frame().RunCommand(cmd::kImportDriveData);
    EXPECT_EQ(sim.Frame().PageOf(slot::kImportDriveData), write);
    EXPECT_EQ(link.ExclusiveWindow(), write->Id());
}

TEST(DriveDataPages, BackupChangeRestoreCompareRoundTrip) {
    TransferProgram sim;
    ASSERT_TRUE(sim.OpenLink());
    sim.drive->SetValue(kAin1Offset, -2);
    sim.drive->SetValue(kVelocityGain, 420);

    CExportDrvData* read = sim.ExportPage();
    sim.chosen = QString(MORLO_BUILT_RUNTIME_DIR) + "/user/all-parameters.cdo";
    read->LoadList();
    EXPECT_EQ(sim.asked.back(), std::make_pair(false, QString("Choosing upload file")));
    EXPECT_EQ(read->LoadStatus()->text(), "Export data finish.");
    QTableWidget* list = read->List();
    ASSERT_GT(list->rowCount(), 300);
    EXPECT_EQ(Cell(list, 0, CExportDrvData::kColumnNumber), "1");
    EXPECT_EQ(Cell(list, 0, CExportDrvData::kColumnName), "Modes of operation");
    read->ReadAll();
    EXPECT_FALSE(read->ReadButton()->isEnabled());
    ASSERT_TRUE(WaitUntil([&] { return !read->Run().Busy(); }, 20000));
    EXPECT_TRUE(read->ReadButton()->isEnabled());
    EXPECT_EQ(read->ReadStatus()->text(),
              QString("Finish: Total:%1  Error:0 ").arg(list->rowCount()));
    const int offsetRow = RowOf(list, "20200310");
    ASSERT_GE(offsetRow, 0);
    EXPECT_EQ(Cell(list, offsetRow, CExportDrvData::kColumnValue), "-2");
    EXPECT_EQ(Cell(list, offsetRow, CExportDrvData::kColumnResult), "True");

    sim.chosen = sim.UserFile("backup.2013.cdi");
    read->SaveResults();
    EXPECT_EQ(read->SaveStatus()->text(), "save finished.");
    const auto saved = sim.User() / "backup.cdi";
    ASSERT_TRUE(std::filesystem::exists(saved));
    EXPECT_NE(morlo::test::ReadFile(saved).find("\r\n20200310,-2,True\r\n"), std::string::npos);
    sim.Frame().Slot(slot::kExportDriveData)->close();

    // The drive changes; compare finds it, restore puts it back, compare agrees.
    sim.drive->SetValue(kVelocityGain, 555);
    sim.drive->SetValue(kAin1Offset, 7);
    CImportDrvData* write = sim.ImportPage();
    sim.chosen = QString::fromStdString(saved.string());
    write->LoadFile();
    EXPECT_EQ(sim.asked.back(), std::make_pair(false, QString("Choosing load data file")));
    QTableWidget* rows = write->List();
    ASSERT_EQ(rows->rowCount(), list->rowCount());
    write->CompareAll();
    ASSERT_TRUE(WaitUntil([&] { return !write->Run().Busy(); }, 20000));
    EXPECT_EQ(write->WriteStatus()->text(),
              QString("Finish: Total:%1  Alarm:2  Error:0").arg(rows->rowCount()));
    const int gainRow = RowOf(rows, "20010110");
    EXPECT_EQ(Cell(rows, gainRow, CImportDrvData::kColumnLoadValue), "420");
    EXPECT_EQ(Cell(rows, gainRow, CImportDrvData::kColumnReadValue), "555");
    EXPECT_EQ(Cell(rows, gainRow, CImportDrvData::kColumnResult), "Alarm");
    EXPECT_EQ(rows->item(gainRow, 0)->background().color(), QColor(255, 255, 0));
    EXPECT_EQ(sim.drive->Value(kVelocityGain), 555);  // compare wrote nothing

    write->WriteAll();
    EXPECT_FALSE(write->WriteButton()->isEnabled());
    EXPECT_FALSE(sim.Context().Link().CyclicReadSwitch());
    ASSERT_TRUE(WaitUntil([&] { return !write->Run().Busy(); }, 20000));
    EXPECT_TRUE(sim.Context().Link().CyclicReadSwitch());
    EXPECT_EQ(write->WriteStatus()->text(),
              QString("Finish: Total:%1  Alarm:0  Error:0").arg(rows->rowCount()));
    EXPECT_EQ(sim.drive->Value(kVelocityGain), 420);
    EXPECT_EQ(sim.drive->Value(kAin1Offset), -2);
    EXPECT_EQ(Cell(rows, gainRow, CImportDrvData::kColumnResult), "True");

    write->CompareAll();
    ASSERT_TRUE(WaitUntil([&] { return !write->Run().Busy(); }, 20000));
    EXPECT_EQ(write->Run().Counts().alarms, 0);
}

TEST(DriveDataPages, StoreRestartVerifyRoundTrip) {
    morlo::test::TempFolder state;
    sim::DriveOptions options;
    options.stateFile = state / "drive.state";
    options.restartTime = 300ms;
    TransferProgram sim(false, MakeDrive(options));
    ASSERT_TRUE(sim.OpenLink());
    morlo::test::WriteFile(sim.User() / "gains.cdi",
                           "20010110,420,True\r\n"
                           "20000110,0x06020000,Fail\r\n"
                           "\r\n"
                           "20000110,250,True\r\n");
    CImportDrvData* write = sim.ImportPage();
    sim.chosen = sim.UserFile("gains.cdi");
    write->LoadFile();
    QTableWidget* rows = write->List();
    ASSERT_EQ(rows->rowCount(), 2);  // the failed row and the blank line leave no gap
    EXPECT_EQ(Cell(rows, 1, CImportDrvData::kColumnNumber), "2");
    EXPECT_EQ(Cell(rows, 1, CImportDrvData::kColumnLoadValue), "250");

    write->WriteAll();
    ASSERT_TRUE(WaitUntil([&] { return !write->Run().Busy(); }));
    EXPECT_EQ(write->WriteStatus()->text(), "Finish: Total:2  Alarm:0  Error:0");

    write->StoreParameters();
    EXPECT_EQ(write->StoreStatus()->text(), "Driver save ...");
    EXPECT_FALSE(write->StoreButton()->isEnabled());
    ASSERT_TRUE(WaitUntil([&] { return !write->Run().Busy(); }));
    EXPECT_EQ(write->StoreStatus()->text(), "Finish.");
    EXPECT_TRUE(write->StoreButton()->isEnabled());
    EXPECT_NE(morlo::test::ReadFile(state / "drive.state").find("2001:01=420\n"),
              std::string::npos);

    // A value written but not stored does not survive the restart; verify shows it.
    sim.drive->SetValue(kPositionGain, 260);
    write->RestartDrive();
    EXPECT_FALSE(sim.Context().Link().SendRetrySwitch());
    ASSERT_TRUE(WaitUntil([&] { return sim.drive->Restarting(); }));
    write->VerifyAll();
    EXPECT_EQ(write->WriteStatus()->text(), "Waiting for the drive...");
    ASSERT_TRUE(WaitUntil([&] { return !write->Run().Busy(); }));
    EXPECT_TRUE(sim.Context().Link().SendRetrySwitch());
    EXPECT_EQ(write->WriteStatus()->text(), "Finish: Total:2  Alarm:0  Error:0");
    EXPECT_EQ(sim.drive->Value(kPositionGain), 250);
    EXPECT_EQ(sim.Context().Link().LinkState(), engine::kLinkStateOpen);

    // What the drive stored differs from the file: verify marks it.
    sim.drive->SetValue(kVelocityGain, 430);
    write->StoreParameters();
    ASSERT_TRUE(WaitUntil([&] { return !write->Run().Busy(); }));
    write->RestartDrive();
    ASSERT_TRUE(WaitUntil([&] { return sim.drive->Restarting(); }));
    write->VerifyAll();
    ASSERT_TRUE(WaitUntil([&] { return !write->Run().Busy(); }));
    EXPECT_EQ(write->WriteStatus()->text(), "Finish: Total:2  Alarm:1  Error:0");
    EXPECT_EQ(Cell(rows, 0, CImportDrvData::kColumnReadValue), "430");
}

TEST(DriveDataPages, WithoutALinkOrAFileNothingIsLost) {
    TransferProgram sim;
    std::vector<QString>& messages = sim.program.messages;
    CExportDrvData* read = sim.ExportPage();
    sim.chosen = sim.UserFile("missing.cdo");
    read->LoadList();
    EXPECT_EQ(messages.back(), "open file failure!! \n");
    EXPECT_TRUE(read->LoadButton()->isEnabled());
    morlo::test::WriteFile(sim.User() / "list.cdo", "60410010\r\n12340010\r\n10080018");
    sim.chosen = sim.UserFile("list.cdo");
    read->LoadList();
    ASSERT_EQ(read->List()->rowCount(), 3);
    EXPECT_EQ(Cell(read->List(), 1, CExportDrvData::kColumnName), "? ? ? ?");
    messages.clear();
    read->ReadAll();
    EXPECT_EQ(messages, std::vector<QString>{"Comm port isn't Open!"});
    EXPECT_FALSE(sim.Context().Link().CyclicReadSwitch());  // as the page leaves it
    EXPECT_TRUE(read->ReadButton()->isEnabled());

    // Hiding the page gives the cyclic reads back, so that the link can be confirmed.
    sim.Frame().Slot(slot::kExportDriveData)->close();
    ASSERT_TRUE(sim.OpenLink());
    ASSERT_EQ(sim.ExportPage(), read);
    read->ReadAll();
    ASSERT_TRUE(WaitUntil([&] { return !read->Run().Busy(); }));
    EXPECT_EQ(read->ReadStatus()->text(), "Finish: Total:3  Error:2 ");
    EXPECT_EQ(Cell(read->List(), 1, CExportDrvData::kColumnValue), "0x06020000");
    EXPECT_EQ(Cell(read->List(), 2, CExportDrvData::kColumnValue), "size not 8/16/32 bits");
    EXPECT_EQ(read->List()->item(2, 4)->background().color(), QColor(255, 0, 0));

    // A file that cannot be written is reported, and saving can be tried again.
    std::filesystem::create_directories(sim.User() / "taken.cdi");
    sim.chosen = sim.UserFile("taken.cdi");
    read->SaveResults();
    EXPECT_EQ(messages.back(), "open file failure!! \n");
    EXPECT_TRUE(read->SaveButton()->isEnabled());
    sim.chosen = sim.UserFile("list.txt");
    read->SaveResults();
    EXPECT_EQ(morlo::test::ReadFile(sim.User() / "list.txt").substr(0, 9), "60410010,");
    sim.chosen.clear();
    read->SaveResults();  // cancelled: nothing happens
    EXPECT_EQ(read->SaveStatus()->text(), "save finished.");

    sim.Frame().ToggleLink();
    CImportDrvData* write = sim.ImportPage();
    messages.clear();
    write->StoreParameters();
    write->RestartDrive();
    write->WriteAll();
    EXPECT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages.front(), "Comm port isn't Open!");
    EXPECT_EQ(write->StoreStatus()->text(), "no process...");
}

TEST(DriveDataPages, ADriveThatStopsAnsweringEndsTheRunAndMarksTheRowsLeft) {
    TransferProgram sim;
    ASSERT_TRUE(sim.OpenLink());
    CExportDrvData* read = sim.ExportPage();
    sim.chosen = QString(MORLO_BUILT_RUNTIME_DIR) + "/user/all-parameters.cdo";
    read->LoadList();
    QTableWidget* list = read->List();
    // A slow drive that falls silent after the tenth row.
    sim::FaultSettings faults;
    faults.latency = 5ms;
    sim.drive->SetFaults(faults);
    read->ReadAll();
    ASSERT_TRUE(WaitUntil([&] { return !Cell(list, 9, CExportDrvData::kColumnResult).isEmpty(); }));
    faults.silent = true;
    sim.drive->SetFaults(faults);
    ASSERT_TRUE(WaitUntil([&] { return !read->Run().Busy(); }));
    EXPECT_EQ(sim.Context().Link().LinkState(), engine::kLinkStateClosed);
    EXPECT_EQ(sim.program.messages.back(), "The drive does not answer; the transfer has stopped.");
    const int last = list->rowCount() - 1;
    EXPECT_EQ(Cell(list, last, CExportDrvData::kColumnValue), "no answer");
    EXPECT_EQ(Cell(list, last, CExportDrvData::kColumnResult), "Fail");
    EXPECT_EQ(Cell(list, 0, CExportDrvData::kColumnResult), "True");
    const int failed = read->Run().Counts().errors;
    EXPECT_GT(failed, list->rowCount() / 2);
    EXPECT_EQ(read->ReadStatus()->text(),
              QString("Finish: Total:%1  Error:%2 ").arg(list->rowCount()).arg(failed));
    EXPECT_TRUE(read->ReadButton()->isEnabled());
}

TEST(StoreDialog, WritesItsCommandsAndGivesTheLinkBack) {
    morlo::test::TempFolder state;
    sim::DriveOptions options;
    options.stateFile = state / "drive.state";
    TransferProgram sim(false, MakeDrive(options));
    ASSERT_TRUE(sim.OpenLink());
    engine::ControlLink& link = sim.Context().Link();
    {
        CStoreDialog dialog(sim.Context(), &sim.Frame());
        EXPECT_EQ(dialog.windowTitle(), "Initialise / store parameters");
        EXPECT_FALSE(link.CyclicReadSwitch());
        EXPECT_FALSE(link.SendRetrySwitch());
        dialog.show();
        EXPECT_TRUE(link.IsExclusive());
        sim.drive->SetValue(kVelocityGain, 333);
        dialog.StoreControlButton()->click();
        ASSERT_TRUE(WaitUntil([&] {
            return morlo::test::ReadFile(state / "drive.state").find("2001:01=333\n") !=
                   std::string::npos;
        }));
        sim.drive->SetValue(kVelocityGain, 444);
        dialog.InitialiseButton()->click();
        ASSERT_TRUE(WaitUntil([&] { return sim.drive->Value(kVelocityGain) != 444; }));
        dialog.RestartButton()->click();
        ASSERT_TRUE(WaitUntil([&] { return sim.drive->Restarting(); }));
    }
    EXPECT_TRUE(link.CyclicReadSwitch());
    EXPECT_TRUE(link.SendRetrySwitch());
    EXPECT_FALSE(link.IsExclusive());

    // Command 1246 opens it modally; Esc closes it.
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CStoreDialog*>(QApplication::activeModalWidget());
        seen = dialog != nullptr;
        if (dialog) {
            dialog->reject();
        }
    });
    sim.Frame().RunCommand(cmd::kStoreDialog);
    EXPECT_TRUE(seen);
    EXPECT_FALSE(link.IsExclusive());
}

TEST(Screenshots, DriveDataPagesAndTheStoreDialog) {
    std::filesystem::create_directories(MORLO_SCREENSHOT_DIR);
    for (bool chinese : {false, true}) {
        const QString language = chinese ? "zh" : "en";
        TransferProgram sim(chinese);
        sim.Frame().resize(1100, 760);
        sim.Frame().show();
        ASSERT_TRUE(sim.OpenLink());
        morlo::test::WriteFile(sim.User() / "shot.cdo",
                               "60600008\r\n20000110\r\n20010110\r\n20200310\r\n20010210\r\n"
                               "12340010\r\n10080018\r\n60830020\r\n");
        sim.drive->SetValue(kAin1Offset, -2);
        CExportDrvData* read = sim.ExportPage();
        sim.chosen = sim.UserFile("shot.cdo");
        read->LoadList();
        read->ReadAll();
        ASSERT_TRUE(WaitUntil([&] { return !read->Run().Busy(); }));
        sim.chosen = sim.UserFile("shot.cdi");
        read->SaveResults();
        QCoreApplication::processEvents();
        ASSERT_TRUE(
            sim.Frame()
                .Slot(slot::kExportDriveData)
                ->grab()
                .save(QString("%1/read-drive-data-%2.png").arg(MORLO_SCREENSHOT_DIR, language)));
        sim.Frame().Slot(slot::kExportDriveData)->close();

        // One value changed in the drive, one out of range in the file.
        std::string data = morlo::test::ReadFile(sim.User() / "shot.cdi");
        data += "20010310,99999,True\r\n";
        morlo::test::WriteFile(sim.User() / "shot.cdi", data);
        sim.drive->SetValue(kVelocityGain, 555);
        CImportDrvData* write = sim.ImportPage();
        sim.chosen = sim.UserFile("shot.cdi");
        write->LoadFile();
        write->CompareAll();
        ASSERT_TRUE(WaitUntil([&] { return !write->Run().Busy(); }));
        write->StoreParameters();
        ASSERT_TRUE(WaitUntil([&] { return !write->Run().Busy(); }));
        QCoreApplication::processEvents();
        ASSERT_TRUE(
            sim.Frame()
                .Slot(slot::kImportDriveData)
                ->grab()
                .save(QString("%1/write-drive-data-%2.png").arg(MORLO_SCREENSHOT_DIR, language)));
        EXPECT_EQ(write->WriteButton()->text(), chinese ? "写数据" : "Write data");

        CStoreDialog dialog(sim.Context(), &sim.Frame());
        dialog.show();
        QCoreApplication::processEvents();
        ASSERT_TRUE(dialog.grab().save(
            QString("%1/store-dialog-%2.png").arg(MORLO_SCREENSHOT_DIR, language)));
        EXPECT_EQ(dialog.windowTitle(),
                  chinese ? "参数初始化 / 保存" : "Initialise / store parameters");
    }
}

}  // namespace
}  // namespace morlo::gui::test
