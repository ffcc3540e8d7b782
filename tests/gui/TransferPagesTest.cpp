#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
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

// The program on the simulated drive, with files chosen and questions answered by the test.
// Without a drive of the test's own it runs on the program's built-in simulated drive.
class TransferProgram {
  public:
    struct BuiltIn {};
    explicit TransferProgram(bool chinese = false,
                             std::shared_ptr<sim::SimulatedDrive> given = nullptr)
        : TransferProgram(chinese, given ? std::move(given) : MakeDrive(), {}) {}
    // The built-in drive, in a working folder the test may prepare.
    TransferProgram(BuiltIn, std::function<void(WorkingFolder&)> prepare)
        : TransferProgram(false, nullptr, std::move(prepare)) {}

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
    std::vector<QString> questions;
    bool answer = false;

  private:
    TransferProgram(bool chinese, std::shared_ptr<sim::SimulatedDrive> given,
                    std::function<void(WorkingFolder&)> prepare)
        : drive(std::move(given)),
          program(
              chinese,
              [chinese, prepare](WorkingFolder& f) {
                  Profile::WriteString(f.SysIni(), "sys", "comm", "7");
                  Profile::WriteString(f.SysIni(), "sys", "lang", chinese ? "1" : "2");
                  if (prepare) {
                      prepare(f);
                  }
              },
              drive) {
        program.Context().fileChooser = [this](bool save, const QString&, const QString&,
                                               const QString& title) {
            asked.push_back({save, title});
            return chosen;
        };
        program.Context().questionInterceptor = [this](const QString& text) {
            questions.push_back(text);
            return answer;
        };
        program.Context().Dictionary().WaitUntilLoaded(10s);
    }
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
    EXPECT_EQ(write->List()->columnCount(), 7);
    EXPECT_EQ(write->List()->horizontalHeaderItem(CImportDrvData::kColumnNote)->text(), "note");
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
        EXPECT_FALSE(dialog.InitialiseButton()->isEnabled());  // one command at a time
        ASSERT_TRUE(WaitUntil([&] { return !dialog.Run().Busy(); }));
        EXPECT_EQ(dialog.Status()->text(), "Finish.");
        EXPECT_NE(morlo::test::ReadFile(state / "drive.state").find("2001:01=333\n"),
                  std::string::npos);
        sim.drive->SetValue(kVelocityGain, 444);
        dialog.InitialiseButton()->click();
        ASSERT_TRUE(WaitUntil([&] { return !dialog.Run().Busy(); }));
        EXPECT_NE(sim.drive->Value(kVelocityGain), 444);
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

// Loads a file into the write page and waits until a run of it ended.
void RunFile(TransferProgram& sim, CImportDrvData* page, const char* name, const std::string& text,
             void (CImportDrvData::*command)()) {
    morlo::test::WriteFile(sim.User() / name, text);
    sim.chosen = sim.UserFile(name);
    page->LoadFile();
    (page->*command)();
    ASSERT_TRUE(WaitUntil([&] { return !page->Run().Busy(); }, 20000));
}

TEST(DriveDataPages, ARefusedStoreIsShownOnThePageAndInTheDialog) {
    morlo::test::TempFolder state;
    sim::DriveOptions options;
    options.stateFile = state / "no-such-folder" / "drive.state";  // the drive cannot store
    TransferProgram sim(false, MakeDrive(options));
    ASSERT_TRUE(sim.OpenLink());
    CImportDrvData* write = sim.ImportPage();
    write->StoreParameters();
    ASSERT_TRUE(WaitUntil([&] { return !write->Run().Busy(); }));
    const QString refusal =
        "The drive refused to store the parameters: 0x08000020 data cannot be transferred or "
        "stored to the application";
    EXPECT_EQ(write->StoreStatus()->text(), refusal);
    ASSERT_FALSE(sim.program.messages.empty());
    EXPECT_EQ(sim.program.messages.back(), refusal);
    EXPECT_EQ(sim.drive->WriteCount(transfer::kStoreControlKey), 0u);  // stopped at the first
    sim.Frame().Slot(slot::kImportDriveData)->close();

    CStoreDialog dialog(sim.Context(), &sim.Frame());
    dialog.show();
    dialog.StoreMotorButton()->click();
    ASSERT_TRUE(WaitUntil([&] { return !dialog.Run().Busy(); }));
    EXPECT_TRUE(dialog.Status()->text().startsWith("The drive refused: 2FF0:03 0x08000020 "))
        << dialog.Status()->text().toStdString();
    dialog.InitialiseButton()->click();
    ASSERT_TRUE(WaitUntil([&] { return !dialog.Run().Busy(); }));
    EXPECT_EQ(dialog.Status()->text(), "Finish.");
}

TEST(DriveDataPages, FilesWithoutAUsableRowAreRefusedAndNothingIsWritten) {
    TransferProgram sim;
    ASSERT_TRUE(sim.OpenLink());
    CImportDrvData* write = sim.ImportPage();
    const std::pair<const char*, std::string> files[] = {
        {"empty.cdi", ""},
        {"list.cdi", "20010110\r\n20000110\r\n"},  // an object list
        {"binary.cdi", std::string("\x7F"
                                   "ELF\x02,\x00,\xFF\r\n",
                                   11)},
    };
    for (const auto& [name, text] : files) {
        sim.program.messages.clear();
        morlo::test::WriteFile(sim.User() / name, text);
        sim.chosen = sim.UserFile(name);
        write->LoadFile();
        ASSERT_EQ(sim.program.messages.size(), 1u) << name;
        EXPECT_EQ(sim.program.messages[0], sim.UserFile(name) + " holds no usable row!!");
        EXPECT_EQ(write->List()->rowCount(), 0);
        EXPECT_EQ(write->LoadStatus()->text(), "no process...");  // not "finish"
        write->WriteAll();
        write->CompareAll();
        write->VerifyAll();
        EXPECT_EQ(sim.program.messages.back(), "No drive-data file is loaded!");
        EXPECT_FALSE(write->Run().Busy());
    }
    // An empty object list on the read page: said, and nothing to read or save.
    CExportDrvData* read = sim.ExportPage();
    sim.program.messages.clear();
    morlo::test::WriteFile(sim.User() / "empty.cdo", "");
    sim.chosen = sim.UserFile("empty.cdo");
    read->LoadList();
    ASSERT_EQ(sim.program.messages.size(), 1u);
    EXPECT_EQ(sim.program.messages[0], sim.UserFile("empty.cdo") + " holds no usable row!!");
    EXPECT_EQ(read->LoadStatus()->text(), "no process...");
    EXPECT_EQ(read->List()->rowCount(), 0);
    EXPECT_EQ(sim.drive->WriteCount(kVelocityGain), 0u);
    EXPECT_EQ(sim.drive->ReadCount(kVelocityGain), 0u);
}

TEST(DriveDataPages, APartialWriteIsStoredOnlyWhenTheUserSaysSo) {
    morlo::test::TempFolder state;
    sim::DriveOptions options;
    options.stateFile = state / "drive.state";
    TransferProgram sim(false, MakeDrive(options));
    ASSERT_TRUE(sim.OpenLink());
    CImportDrvData* write = sim.ImportPage();
    // The statusword is read-only: its row is refused, with the drive's reason.
    RunFile(sim, write, "partial.cdi", "20010110,420,True\r\n60410010,5,True\r\n",
            &CImportDrvData::WriteAll);
    EXPECT_EQ(write->WriteStatus()->text(), "Finish: Total:2  Alarm:0  Error:1");
    EXPECT_EQ(Cell(write->List(), 1, CImportDrvData::kColumnReadValue), "0x06010002");
    EXPECT_EQ(Cell(write->List(), 1, CImportDrvData::kColumnNote),
              "refused: attempt to write a read-only object (0x06010002)");

    sim.answer = false;
    write->StoreParameters();
    ASSERT_EQ(sim.questions.size(), 1u);
    EXPECT_EQ(sim.questions[0],
              "The last write left 1 of 2 rows not True. Store the parameters all the same?");
    EXPECT_FALSE(write->Run().Busy());
    EXPECT_EQ(sim.drive->WriteCount(transfer::kStoreMotorKey), 0u);
    sim.answer = true;
    write->StoreParameters();
    ASSERT_TRUE(WaitUntil([&] { return !write->Run().Busy(); }));
    EXPECT_NE(morlo::test::ReadFile(state / "drive.state").find("2001:01=420\n"),
              std::string::npos);

    // After a complete write the store asks nothing.
    RunFile(sim, write, "good.cdi", "20010110,430,True\r\n", &CImportDrvData::WriteAll);
    write->StoreParameters();
    ASSERT_TRUE(WaitUntil([&] { return !write->Run().Busy(); }));
    EXPECT_EQ(sim.questions.size(), 2u);
    EXPECT_EQ(write->StoreStatus()->text(), "Finish.");
}

TEST(DriveDataPages, RetriesComeBackOnAfterARestart) {
    sim::DriveOptions options;
    options.restartTime = 200ms;
    TransferProgram sim(false, MakeDrive(options));
    ASSERT_TRUE(sim.OpenLink());
    engine::ControlLink& link = sim.Context().Link();
    CImportDrvData* write = sim.ImportPage();
    // Hiding the page.
    write->RestartDrive();
    EXPECT_FALSE(link.SendRetrySwitch());
    sim.Frame().Slot(slot::kImportDriveData)->close();
    EXPECT_TRUE(link.SendRetrySwitch());
    // Closing the link.
    ASSERT_EQ(sim.ImportPage(), write);
    ASSERT_TRUE(WaitUntil([&] { return !sim.drive->Restarting(); }));
    write->RestartDrive();
    EXPECT_FALSE(link.SendRetrySwitch());
    sim.Frame().ToggleLink();
    ASSERT_TRUE(WaitUntil([&] { return link.SendRetrySwitch(); }));
    // The verify's end, also when the drive never comes back: the cable is noticed again.
    ASSERT_TRUE(WaitUntil([&] { return !sim.drive->Restarting(); }));
    ASSERT_TRUE(sim.OpenLink());
    RunFile(sim, write, "gain.cdi", "20010110,400,True\r\n", &CImportDrvData::CompareAll);
    write->RestartDrive();
    write->VerifyAll();
    ASSERT_TRUE(WaitUntil([&] { return !write->Run().Busy(); }));
    EXPECT_TRUE(link.SendRetrySwitch());
    EXPECT_EQ(write->WriteStatus()->text(), "Finish: Total:1  Alarm:0  Error:0");
}

TEST(DriveDataPages, SaveWaitsForTheRunAndAsksBeforeSavingRowsNotRead) {
    TransferProgram sim;
    ASSERT_TRUE(sim.OpenLink());
    CExportDrvData* read = sim.ExportPage();
    sim.chosen = QString(MORLO_BUILT_RUNTIME_DIR) + "/user/all-parameters.cdo";
    read->LoadList();
    sim::FaultSettings slow;
    slow.latency = 5ms;
    sim.drive->SetFaults(slow);
    read->ReadAll();
    EXPECT_FALSE(read->SaveButton()->isEnabled());
    ASSERT_TRUE(
        WaitUntil([&] { return !Cell(read->List(), 3, CExportDrvData::kColumnResult).isEmpty(); }));
    EXPECT_FALSE(read->SaveButton()->isEnabled());
    sim.Frame().ToggleLink();  // closed in the middle of the backup
    ASSERT_TRUE(WaitUntil([&] { return !read->Run().Busy(); }));
    EXPECT_TRUE(read->SaveButton()->isEnabled());
    const int unread = read->Run().Counts().errors;
    ASSERT_GT(unread, 0);

    sim.chosen = sim.UserFile("partial.cdi");
    sim.answer = false;
    read->SaveResults();
    ASSERT_EQ(sim.questions.size(), 1u);
    EXPECT_EQ(sim.questions[0], QString("%1 of %2 rows were not read from the drive. Save them "
                                        "all the same?")
                                    .arg(unread)
                                    .arg(read->List()->rowCount()));
    EXPECT_FALSE(std::filesystem::exists(sim.User() / "partial.cdi"));
    sim.answer = true;
    read->SaveResults();
    EXPECT_TRUE(std::filesystem::exists(sim.User() / "partial.cdi"));
}

TEST(DriveDataPages, BackupsDescribeThemselvesAndAnotherDriveIsNamedBeforeWriting) {
    TransferProgram sim;
    ASSERT_TRUE(sim.OpenLink());
    morlo::test::WriteFile(sim.User() / "two.cdo", "20010110\r\n20000110\r\n");
    CExportDrvData* read = sim.ExportPage();
    sim.chosen = sim.UserFile("two.cdo");
    read->LoadList();
    read->ReadAll();
    ASSERT_TRUE(WaitUntil([&] { return !read->Run().Busy(); }));
    sim.chosen = sim.UserFile("two.cdi");
    read->SaveResults();
    std::string sidecar = morlo::test::ReadFile(sim.User() / "two.cdi.ini");
    for (const char* line :
         {"[backup]\r\ndate=", "\r\nlink=Open simulated drive\r\nnode=1\r\n",
          "\r\ndevice name=MS-D2 Servo Drive\r\n", "\r\nrows=2\r\n",
          "\r\n[row 1]\r\nkey=20010110\r\nname=Velocity loop proportional gain\r\ntype=U16\r\n"
          "unit=Hz\r\n"}) {
        EXPECT_NE(sidecar.find(line), std::string::npos) << line << "\n" << sidecar;
    }
    sim.Frame().Slot(slot::kExportDriveData)->close();

    // The file names a software version the drive does not have, and an object it lacks.
    const std::size_t version = sidecar.find("software version=");
    sidecar.insert(sidecar.find("\r\n", version), "-old");
    sidecar += "[row 3]\r\nkey=12340010\r\nname=Spare gain\r\ntype=U16\r\nunit=Hz\r\n";
    morlo::test::WriteFile(sim.User() / "two.cdi.ini", sidecar);
    morlo::test::WriteFile(sim.User() / "two.cdi",
                           morlo::test::ReadFile(sim.User() / "two.cdi") + "12340010,5,True\r\n");
    sim.drive->SetValue(kVelocityGain, 555);
    CImportDrvData* write = sim.ImportPage();
    sim.chosen = sim.UserFile("two.cdi");
    write->LoadFile();
    sim.answer = false;
    write->WriteAll();
    ASSERT_TRUE(WaitUntil([&] { return !sim.questions.empty(); }));
    EXPECT_TRUE(sim.questions[0].startsWith(sim.UserFile("two.cdi") +
                                            " was saved from another drive:\nsoftware version: "
                                            "file '"));
    EXPECT_TRUE(sim.questions[0].endsWith("\nWrite it into this drive all the same?"));
    QCoreApplication::processEvents();
    EXPECT_FALSE(write->Run().Busy());
    EXPECT_EQ(sim.drive->WriteCount(kVelocityGain), 0u);  // nothing written
    EXPECT_TRUE(sim.Context().Link().CyclicReadSwitch());

    // A compare names the other drive, then shows the differences and the lacking object.
    sim.program.messages.clear();
    write->CompareAll();
    ASSERT_TRUE(WaitUntil([&] {
        return write->Run().Kind() == transfer::RunKind::Compare && !write->Run().Busy() &&
               sim.program.messages.size() >= 2;
    }));
    EXPECT_TRUE(sim.program.messages[0].contains("was saved from another drive"));
    EXPECT_TRUE(sim.program.messages[1].startsWith(
        "Rows the drive lacks or refuses:\n12340010  Spare gain  U16  Hz  0x06020000 object "
        "does not exist"))
        << sim.program.messages[1].toStdString();
    EXPECT_EQ(write->WriteStatus()->text(), "Finish: Total:3  Alarm:1  Error:1");

    // Only the rows that differ.
    write->DifferencesOnlyBox()->setChecked(true);
    EXPECT_TRUE(write->List()->isRowHidden(RowOf(write->List(), "20000110")));
    EXPECT_FALSE(write->List()->isRowHidden(RowOf(write->List(), "20010110")));
    EXPECT_FALSE(write->List()->isRowHidden(RowOf(write->List(), "12340010")));
    write->DifferencesOnlyBox()->setChecked(false);
    EXPECT_FALSE(write->List()->isRowHidden(RowOf(write->List(), "20000110")));
}

// The built-in simulated drive lives as long as the program and keeps what it stored in user/.
TEST(SimulatedDrive, KeepsValuesAcrossReLinkAndProgramRestart) {
    const std::string file = "20010110,333,True\r\n";
    std::string stored;
    {
        TransferProgram sim(TransferProgram::BuiltIn{}, {});
        ASSERT_TRUE(sim.OpenLink());
        CImportDrvData* write = sim.ImportPage();
        RunFile(sim, write, "gain.cdi", file, &CImportDrvData::WriteAll);
        EXPECT_EQ(write->WriteStatus()->text(), "Finish: Total:1  Alarm:0  Error:0");
        sim.Frame().ToggleLink();  // closed and opened again: still the same drive
        ASSERT_TRUE(
            WaitUntil([&] { return sim.Context().Link().LinkState() != engine::kLinkStateOpen; }));
        ASSERT_TRUE(sim.OpenLink());
        write->CompareAll();
        ASSERT_TRUE(WaitUntil([&] { return !write->Run().Busy(); }));
        EXPECT_EQ(write->WriteStatus()->text(), "Finish: Total:1  Alarm:0  Error:0");
        write->StoreParameters();
        ASSERT_TRUE(WaitUntil([&] { return !write->Run().Busy(); }));
        EXPECT_EQ(write->StoreStatus()->text(), "Finish.");
        stored = morlo::test::ReadFile(sim.User() / "simulated-drive.state");
        EXPECT_NE(stored.find("2001:01=333\n"), std::string::npos);
    }
    // The next run of the program, in the same working folder.
    TransferProgram again(TransferProgram::BuiltIn{}, [&](WorkingFolder& f) {
        morlo::test::WriteFile(f.Path() / "user" / "simulated-drive.state", stored);
    });
    ASSERT_TRUE(again.OpenLink());
    CImportDrvData* write = again.ImportPage();
    RunFile(again, write, "gain.cdi", file, &CImportDrvData::CompareAll);
    EXPECT_EQ(write->WriteStatus()->text(), "Finish: Total:1  Alarm:0  Error:0");
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
        // The notes, the list scrolled to its last column.
        write->List()->horizontalScrollBar()->setValue(
            write->List()->horizontalScrollBar()->maximum());
        QCoreApplication::processEvents();
        ASSERT_TRUE(sim.Frame()
                        .Slot(slot::kImportDriveData)
                        ->grab()
                        .save(QString("%1/write-drive-data-notes-%2.png")
                                  .arg(MORLO_SCREENSHOT_DIR, language)));

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
