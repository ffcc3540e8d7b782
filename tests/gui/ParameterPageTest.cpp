#include <gtest/gtest.h>

#include <QHeaderView>
#include <QMenu>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <map>

#include "AppConstants.h"
#include "CChildFrame.h"
#include "CDriverProterty.h"
#include "DriveProgram.h"
#include "EditListCtrl.h"
#include "FsPath.h"
#include "GuiTestSupport.h"
#include "PageTestSupport.h"
#include "ParameterPages.h"
#include "ProjectFile.h"
#include "SimulatedDrive.h"
#include "TempFolder.h"
#include "dictionary/DictionarySource.h"
#include "profile/FileAccess.h"
#include "profile/Profile.h"
#include "text/NumberIo.h"
#include "text/NumberText.h"

namespace morlo::gui::test {
namespace {

constexpr ObjectKey kPositionGain = 0x200001;

TEST(ParameterPage, FillsRowByRowOnceTheLinkOpens) {
    DriveProgram p;
    ParameterPage* page = p.Page(cmd::kPositionLoop);
    ASSERT_NE(page, nullptr);
    EditListCtrl* list = page->List();
    ASSERT_EQ(list->RowCount(), 16);
    EXPECT_EQ(list->Text(0, kColumnNumber), "1");
    EXPECT_EQ(list->Text(0, kColumnName), "Position loop proportional gain");
    EXPECT_EQ(list->Text(0, kColumnUnit), "1/s");
    EXPECT_TRUE(list->Text(0, kColumnValue).isEmpty());  // offline: names only

    std::vector<int> order;
    QObject::connect(list, &QTableWidget::itemChanged, [&](QTableWidgetItem* item) {
        if (item->column() == kColumnValue &&
            std::find(order.begin(), order.end(), item->row()) == order.end()) {
            order.push_back(item->row());
        }
    });
    p.OpenLink();
    ASSERT_TRUE(WaitUntil([&] { return AllValuesShown(page); }));
    std::vector<int> expected(16);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(order, expected);
    EXPECT_EQ(list->Text(RowOf(page, kPositionGain), kColumnValue), "40.000");
    ASSERT_TRUE(WaitUntil([&] { return page->ReadCursor() == 0; }));
}

TEST(ParameterPage, ARefusedObjectShowsQuestionMarksAndThePassGoesOn) {
    DriveProgram p({0x200003});
    p.OpenLink();
    ParameterPage* page = p.Page(cmd::kPositionLoop);
    ASSERT_TRUE(WaitUntil([&] { return AllValuesShown(page); }));
    EXPECT_EQ(page->List()->Text(RowOf(page, 0x200003), kColumnValue), "????");
    EXPECT_NE(page->List()->Text(RowOf(page, 0x200004), kColumnValue), "????");
}

TEST(ParameterPage, EditWriteInAUnitAndReadBackInAnother) {
    DriveProgram p;
    p.OpenLink();
    ParameterPage* page = p.Page(cmd::kPositionLoop);
    EditListCtrl* list = page->List();
    ASSERT_TRUE(WaitUntil([&] { return AllValuesShown(page); }));
    const int row = RowOf(page, kPositionGain);
    QSignalSpy edited(list, &EditListCtrl::cellEdited);

    // A click on the value cell opens the editor with the text selected.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(row, kColumnValue)).center());
    ASSERT_NE(list->TextEditor(), nullptr);
    EXPECT_EQ(list->TextEditor()->selectedText(), "40.000");
    list->TextEditor()->setText("55.5");
    QTest::keyClick(list->TextEditor(), Qt::Key_Return);
    ASSERT_EQ(edited.count(), 1);
    EXPECT_EQ(edited.at(0).at(1).toInt(), kColumnValue);
    ASSERT_TRUE(WaitUntil([&] { return p.drive->Value(kPositionGain) == 555; }));
    ASSERT_TRUE(WaitUntil([&] { return list->Text(row, kColumnValue) == "55.500"; }));
    // The Enter still held opens nothing.
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(list->TextEditor(), nullptr);

    // Another unit: the object is read again and shown in it.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(row, kColumnUnit)).center());
    ASSERT_NE(list->ChoiceEditor(), nullptr);
    EXPECT_EQ(list->ChoiceEditor()->count(), 2);  // "1/s" and "DEC"
    list->ChoiceEditor()->Pick("DEC");
    ASSERT_EQ(edited.count(), 2);
    EXPECT_EQ(list->Text(row, kColumnUnit), "DEC");
    ASSERT_TRUE(WaitUntil([&] { return list->Text(row, kColumnValue) == "555"; }));
}

TEST(ParameterPage, EditsThatAreNotAccepted) {
    DriveProgram p;
    ParameterPage* page = p.Page(cmd::kBaseOperate);
    EditListCtrl* list = page->List();
    QSignalSpy edited(list, &EditListCtrl::cellEdited);
    const int readOnly = RowOf(page, 0x604100);  // statusword: no W
    ASSERT_GE(readOnly, 0);
    EXPECT_TRUE(list->Text(readOnly, kColumnNumber).endsWith('*'));
    EXPECT_EQ(list->item(readOnly, kColumnName)->foreground().color(), QColor(34, 139, 34));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(readOnly, kColumnValue)).center());
    EXPECT_EQ(list->TextEditor(), nullptr);
    // Its unit can still change; choosing the unit shown sends nothing.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(readOnly, kColumnUnit)).center());
    ASSERT_NE(list->ChoiceEditor(), nullptr);
    list->ChoiceEditor()->Pick(list->Text(readOnly, kColumnUnit));
    EXPECT_EQ(edited.count(), 0);

    // A typed value left by a click on another row is discarded.
    const int writable = RowOf(page, 0x60FF00);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(writable, kColumnValue)).center());
    ASSERT_NE(list->TextEditor(), nullptr);
    list->TextEditor()->setText("123");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(readOnly, kColumnName)).center());
    QCoreApplication::processEvents();
    EXPECT_EQ(edited.count(), 0);
    EXPECT_NE(list->Text(writable, kColumnValue), "123");
}

TEST(ParameterPage, AnEditThatCannotBeSentPutsTheLastValueReadBackAndSaysWhy) {
    DriveProgram p;
    p.OpenLink();
    ParameterPage* page = p.Page(cmd::kPositionLoop);
    EditListCtrl* list = page->List();
    ASSERT_TRUE(WaitUntil([&] { return page->ReadCursor() == 0 && AllValuesShown(page); }));
    ASSERT_TRUE(Activate(p.program.Frame()));
    const int row = RowOf(page, kPositionGain);
    engine::ControlLink& link = p.program.Context().Link();
    const QString name = "Position loop proportional gain";
    struct Case {
        const char* why;
        std::function<void()> before;
        std::function<void()> after;
        const char* typed;
        QString message;
    };
    const Case cases[] = {
        {"link closed", [&] { p.program.Frame().ToggleLink(); }, [&] { p.OpenLink(); }, "55.5",
         name + ": 55.5 was not written, the link is closed!!"},
        {"link held by another window", [&] { link.SetExclusiveWindow(page->Id() + 1000); },
         [&] { link.EndExclusive(); }, "55.5",
         name + ": 55.5 was not written, another window holds the link!!"},
        {"refused by the drive (above its maximum)", [] {}, [] {}, "5000",
         name + ": the drive refused 5000 (value of parameter written too high, 0x06090031)!!"},
        {"out of the type's range", [] {}, [] {}, "7000",
         name + ": 7000 is out of range (0 .. 6553.5)!!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        p.program.messages.clear();
        c.before();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(row, kColumnValue)).center());
        ASSERT_NE(list->TextEditor(), nullptr);
        list->TextEditor()->setText(c.typed);
        QTest::keyClick(list->TextEditor(), Qt::Key_Return);
        ASSERT_TRUE(WaitUntil([&] { return !p.program.messages.empty(); }));
        // One message, the last value read back in the cell, nothing written.
        EXPECT_EQ(p.program.messages, std::vector<QString>{c.message});
        EXPECT_EQ(list->Text(row, kColumnValue), "40.000");
        EXPECT_EQ(p.drive->Value(kPositionGain), 400);
        c.after();
    }
    // A unit cannot change while nothing can be read in it: the unit shown stays.
    p.program.Frame().ToggleLink();
    p.program.messages.clear();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(row, kColumnUnit)).center());
    ASSERT_NE(list->ChoiceEditor(), nullptr);
    list->ChoiceEditor()->Pick("DEC");
    EXPECT_EQ(list->Text(row, kColumnUnit), "1/s");
    EXPECT_EQ(p.program.messages,
              std::vector<QString>{name + ": the unit stays 1/s, the link is closed!!"});
}

TEST(ParameterPage, AddAndDeleteKeepNumbersAndMarks) {
    DriveProgram p;
    ParameterPage* page = p.Page(cmd::kBaseOperate);
    EditListCtrl* list = page->List();
    const int count = list->RowCount();
    // Duplicates and texts are refused.
    page->ObjectChosen(0x604100);
    page->ObjectChosen(0x100800);
    EXPECT_EQ(list->RowCount(), count);
    // Added at the selected row that has the focus.
    list->selectRow(2);
    list->setCurrentCell(2, kColumnName);
    const QString markOfRow2 = list->Text(2, kColumnNumber);
    page->ObjectChosen(0x200101);
    ASSERT_EQ(list->RowCount(), count + 1);
    EXPECT_EQ(RowOf(page, 0x200101), 2);
    EXPECT_EQ(list->Text(2, kColumnNumber), "3");
    EXPECT_EQ(list->Text(3, kColumnNumber), QString(markOfRow2).replace("3", "4"));
    EXPECT_TRUE(list->SelectedRowList().empty());
    // With no focused row it goes to the end.
    page->ObjectChosen(0x200102);
    EXPECT_EQ(RowOf(page, 0x200102), count + 1);
    // Deleting several rows leaves no gaps.
    list->setSelectionMode(QAbstractItemView::MultiSelection);
    list->selectRow(0);
    list->selectRow(3);
    list->selectRow(5);
    page->DeleteSelected();
    ASSERT_EQ(list->RowCount(), count - 1);
    for (int row = 0; row < list->RowCount(); ++row) {
        EXPECT_EQ(list->Text(row, kColumnNumber).remove('*').toInt(), row + 1);
    }
}

TEST(ParameterPage, HiddenPagesStopTheirCyclicReads) {
    DriveProgram p;
    p.OpenLink();
    ParameterPage* page = p.Page(cmd::kBaseOperate);
    EditListCtrl* list = page->List();
    const int velocity = RowOf(page, 0x606C00);
    ASSERT_TRUE(WaitUntil([&] { return AllValuesShown(page); }));
    int changes = 0;
    QObject::connect(list, &QTableWidget::itemChanged, [&](QTableWidgetItem* item) {
        if (item->row() == velocity && item->column() == kColumnValue) {
            ++changes;
        }
    });
    ASSERT_TRUE(WaitUntil([&] { return changes >= 2; }));  // the demo motion keeps it moving
    p.program.Frame().Slot(2)->close();
    EXPECT_FALSE(page->Active());
    WaitUntil([] { return false; }, 100);  // a read under way may still land
    changes = 0;
    WaitUntil([] { return false; }, 300);
    EXPECT_EQ(changes, 0);
    p.program.Frame().OpenPage(cmd::kBaseOperate);
    ASSERT_TRUE(WaitUntil([&] { return changes >= 2; }));
}

TEST(ParameterPage, FamilyDifferences) {
    DriveProgram p;
    // Fixed-list panel pages number from 0; renumbering keeps the marks.
    ParameterPage* f000 = p.Page(cmd::kPanelF000);
    EXPECT_EQ(f000->List()->Text(0, kColumnNumber).remove('*'), "0");
    f000->List()->selectRow(0);
    f000->DeleteSelected();
    EXPECT_EQ(f000->List()->Text(0, kColumnNumber).remove('*'), "0");
    // The motor page leaves gaps.
    ParameterPage* motor = p.Page(cmd::kMotorConfig);
    const int count = motor->List()->RowCount();
    motor->List()->selectRow(1);
    motor->DeleteSelected();
    EXPECT_EQ(motor->List()->RowCount(), count - 1);
    EXPECT_EQ(motor->List()->Text(1, kColumnNumber).remove('*'), "3");
    // A CAN page takes the name the main frame gives it.
    ParameterPage* rpdo = p.Page(cmd::kRpdoFirst + 1);
    EXPECT_EQ(rpdo->PageName(), "RPDO2");
    EXPECT_GE(RowOf(rpdo, 0x140101), 0);
}

TEST(ParameterPage, PropertyPageReadsTextsInSegments) {
    DriveProgram p;
    p.OpenLink();
    ParameterPage* page = p.Page(cmd::kDriverProperty);
    EditListCtrl* list = page->List();
    EXPECT_EQ(list->columnWidth(kColumnValue), 260);
    ASSERT_TRUE(WaitUntil([&] { return AllValuesShown(page); }));
    EXPECT_EQ(list->Text(RowOf(page, 0x100800), kColumnValue), "MS-D2 Servo Drive");
    EXPECT_EQ(list->Text(RowOf(page, 0x100A00), kColumnValue),
              QString::fromStdString(*p.drive->Text(0x100A00)));
}

TEST(ParameterPage, ATextWhoseSegmentsAreLostShowsQuestionMarksAndThePassGoesOn) {
    PageProgram p;
    p.OpenLink();
    auto* page = p.Open<ParameterPage>(cmd::kDriverProperty);
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return AllValuesShown(page) && page->ReadCursor() == 0; }));
    std::vector<int> textRows;
    for (int row = 0; row < page->List()->RowCount(); ++row) {
        if (page->List()->Text(row, kColumnDataType).toUpper() == "VISIBLE STRING") {
            textRows.push_back(row);
        }
    }
    ASSERT_GE(textRows.size(), 2u);
    const QString secondText = page->List()->Text(textRows[1], kColumnValue);
    const ObjectKey firstKey = ParseDecimalLoose(page->List()->CellText(textRows[0], kColumnKey));

    // The first text loses a segment, and again after its upload was started anew.
    p.log->Clear();
    p.log->loseSegments = 2;
    page->PageNotify(notify::kRefresh);
    ASSERT_TRUE(WaitUntil([&] { return page->ReadCursor() == 0; }));
    EXPECT_EQ(page->List()->Text(textRows[0], kColumnValue), "????");
    EXPECT_EQ(page->List()->Text(textRows[1], kColumnValue), secondText);
    int aborts = 0;
    for (const SentRequest& r : p.log->All()) {
        if (r.command == link::kCmdAbort) {
            EXPECT_EQ(r.key, firstKey);
            EXPECT_EQ(r.value, 0x05040000u);
            ++aborts;
        }
    }
    EXPECT_EQ(aborts, 2);
    EXPECT_EQ(p.program.Context().Link().LinkState(), engine::kLinkStateOpen);
}

TEST(ParameterPage, NumbersSentInSegmentsShowTheirValues) {
    PageProgram p;
    constexpr ObjectKey kTargetPosition = 0x607A00;  // 32 bits, signed
    constexpr ObjectKey kProfileVelocity = 0x608100;
    ASSERT_TRUE(p.drive->SetValue(kTargetPosition, -123456));
    p.OpenLink();
    auto* page = p.Open<ParameterPage>(cmd::kBaseOperate);
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return AllValuesShown(page) && page->ReadCursor() == 0; }));
    const QString position = page->List()->Text(RowOf(page, kTargetPosition), kColumnValue);
    const QString velocity = page->List()->Text(RowOf(page, kProfileVelocity), kColumnValue);

    // The same values when the drive sends them in segments, never the announced size.
    ASSERT_TRUE(p.drive->SendInSegments(kTargetPosition));
    ASSERT_TRUE(p.drive->SendInSegments(kProfileVelocity));
    p.log->Clear();
    page->PageNotify(notify::kRefresh);
    ASSERT_TRUE(WaitUntil([&] { return page->ReadCursor() == 0; }));
    EXPECT_EQ(page->List()->Text(RowOf(page, kTargetPosition), kColumnValue), position);
    EXPECT_EQ(page->List()->Text(RowOf(page, kProfileVelocity), kColumnValue), velocity);
    int segments = 0;
    for (const SentRequest& r : p.log->All()) {
        segments += r.command == link::kCmdSegment ? 1 : 0;
    }
    EXPECT_EQ(segments, 2);
}

TEST(Project, SaveAndOpenRestoresPlacesRowsAndUnits) {
    DriveProgram p;
    CMainFrame& frame = p.program.Frame();
    AppContext& context = p.program.Context();
    ParameterPage* loop = p.Page(cmd::kPositionLoop);
    loop->List()->SetText(0, kColumnUnit, "DEC");
    loop->List()->SetText(0, kColumnValue, "400");
    p.Page(cmd::kVelocityLoop);
    frame.Slot(4)->close();  // hidden: not reopened
    frame.Slot(3)->move(120, 70);
    const QPoint placed = frame.Slot(3)->pos();

    // A folder name outside ASCII, as a user's often is.
    const std::filesystem::path folder = p.program.Folder().Path() / "user" / u8"调试项目";
    std::filesystem::create_directories(folder);
    const QString chosen = p.program.Folder().Qt() + QString::fromUtf8("/user/调试项目/setup.old");
    context.fileChooser = [&](bool, const QString&, const QString&, const QString&) {
        return chosen;
    };
    ASSERT_TRUE(SaveProject(frame, context));
    const std::filesystem::path file = folder / "setup.ksp";
    ASSERT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(Profile::ReadString(file, "MorloSero:1", "4", 64).substr(0, 2), "0,");
    EXPECT_EQ(Profile::ReadString(file, "MorloSero:3", "0", 256),
              std::to_string(kPositionGain) + ",400,DEC");

    // A fresh start opens the project.
    DriveProgram again;
    again.program.Context().fileChooser = [&](bool, const QString&, const QString&,
                                              const QString&) {
        return QString::fromStdU16String(file.u16string());
    };
    ASSERT_TRUE(OpenProject(again.program.Frame(), again.program.Context()));
    CChildFrame* restored = again.program.Frame().Slot(3);
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored->pos(), placed);
    EXPECT_EQ(again.program.Frame().Slot(4), nullptr);
    auto* page = qobject_cast<ParameterPage*>(restored->View());
    EXPECT_EQ(page->List()->Text(0, kColumnUnit), "DEC");
    EXPECT_EQ(page->List()->Text(0, kColumnValue), "400");
    EXPECT_EQ(page->List()->RowCount(), 16);
}

TEST(Project, RowsThatCannotBeUsedAreReportedOnceAndSkipped) {
    DriveProgram p;
    const std::filesystem::path file = p.program.Folder().Path() / "user" / "odd.ksp";
    Profile::WriteString(file, "MorloSero:1", "3", "1,100,100");
    Profile::WriteString(file, "MorloSero:3", "num", "6");
    Profile::WriteString(file, "MorloSero:3", "0", std::to_string(kPositionGain) + ",5,DEC");
    Profile::WriteString(file, "MorloSero:3", "1", "305419896,1,DEC");  // 0x12345678
    Profile::WriteString(file, "MorloSero:3", "2", "junk");
    Profile::WriteString(file, "MorloSero:3", "3", std::to_string(0x200002) + ",1,furlong");
    Profile::WriteString(file, "MorloSero:3", "4", std::to_string(0x200002) + ",1,DEC");
    Profile::WriteString(file, "MorloSero:3", "5", "12abc,1,DEC");
    p.program.Context().fileChooser = [&](bool, const QString&, const QString&, const QString&) {
        return QString::fromStdString(file.string());
    };
    ASSERT_TRUE(OpenProject(p.program.Frame(), p.program.Context()));
    auto* page = qobject_cast<ParameterPage*>(p.program.Frame().PageOf(3));
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(page->List()->RowCount(), 2);
    EXPECT_EQ(RowOf(page, kPositionGain), 0);
    EXPECT_EQ(RowOf(page, 0x200002), 1);
    EXPECT_EQ(page->List()->Text(1, kColumnNumber), "2");
    ASSERT_EQ(p.program.messages.size(), 1u);
    EXPECT_EQ(p.program.messages[0],
              "PositionLoop: project rows 1 \"305419896,1,DEC\", 2 \"junk\", 3 \"" +
                  QString::number(0x200002) +
                  ",1,furlong\", 5 \"12abc,1,DEC\" cannot be used and were skipped!!");
    // The read pass goes past every row once the link is open.
    p.OpenLink();
    ASSERT_TRUE(WaitUntil([&] { return page->ReadCursor() == 0 && AllValuesShown(page); }));
    EXPECT_EQ(page->List()->Text(1, kColumnValue), QString::number(*p.drive->Value(0x200002)));
    // A project section with num 0 keeps the default list.
    Profile::WriteString(file, "MorloSero:4", "num", "0");
    EXPECT_EQ(p.Page(cmd::kVelocityLoop)->List()->RowCount() > 0, true);
}

TEST(Project, ValuesWithCommasComeBackWhole) {
    DriveProgram p;
    ParameterPage* loop = p.Page(cmd::kPositionLoop);
    loop->List()->SetText(0, kColumnValue, "1,5");
    loop->List()->SetText(1, kColumnValue, ",a,,b,");
    const QString unitOfRow1 = loop->List()->Text(1, kColumnUnit);
    const QString chosen = p.program.Folder().Qt() + "/user/commas.ksp";
    p.program.Context().fileChooser = [&](bool, const QString&, const QString&, const QString&) {
        return chosen;
    };
    ASSERT_TRUE(SaveProject(p.program.Frame(), p.program.Context()));

    DriveProgram again;
    again.program.Context().fileChooser = p.program.Context().fileChooser;
    ASSERT_TRUE(OpenProject(again.program.Frame(), again.program.Context()));
    auto* page = qobject_cast<ParameterPage*>(again.program.Frame().PageOf(3));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->List()->RowCount(), 16);
    EXPECT_EQ(page->List()->Text(0, kColumnValue), "1,5");
    EXPECT_EQ(page->List()->Text(0, kColumnUnit), "1/s");
    EXPECT_EQ(page->List()->Text(1, kColumnValue), ",a,,b,");
    EXPECT_EQ(page->List()->Text(1, kColumnUnit), unitOfRow1);
    EXPECT_TRUE(again.program.messages.empty());
}

TEST(Project, RowTexts) {
    EXPECT_EQ(FormatProjectRow({"1", "1,5", "Hz"}), "1,1,5,Hz");
    auto row = ParseProjectRow("8192,1,5,Hz");
    ASSERT_TRUE(row);
    EXPECT_EQ(row->key, "8192");
    EXPECT_EQ(row->value, "1,5");
    EXPECT_EQ(row->unit, "Hz");
    auto empty = ParseProjectRow("8192,,");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->value.isEmpty());
    EXPECT_TRUE(empty->unit.isEmpty());
    EXPECT_FALSE(ParseProjectRow("8192,5"));
    EXPECT_FALSE(ParseProjectRow("junk"));
}

TEST(Project, NameRules) {
    EXPECT_EQ(ProjectPathFor("/work/a.b/setup.old"), "/work/a.b/setup.ksp");
    EXPECT_EQ(ProjectPathFor("/work/plant"), "/work/plant.ksp");
}

}  // namespace
}  // namespace morlo::gui::test

namespace morlo::gui::test {
namespace {

TEST(ParameterPage, PopupMenuFollowsTheSelectionAndHelpExplains) {
    DriveProgram p;
    ParameterPage* page = p.Page(cmd::kPositionLoop);
    std::unique_ptr<QMenu> menu(page->MakeContextMenu(nullptr));
    ASSERT_EQ(menu->actions().size(), 5);           // add, del, help, a separator, record to file
    EXPECT_TRUE(menu->actions()[0]->isEnabled());   // add
    EXPECT_FALSE(menu->actions()[1]->isEnabled());  // del
    EXPECT_FALSE(menu->actions()[2]->isEnabled());  // help
    page->List()->selectRow(0);
    page->List()->setCurrentCell(0, kColumnName);
    menu.reset(page->MakeContextMenu(nullptr));
    EXPECT_TRUE(menu->actions()[2]->isEnabled());
    menu->actions()[2]->trigger();
    ASSERT_FALSE(p.program.messages.empty());
    EXPECT_TRUE(p.program.messages.back().startsWith("Index: 0x200001\r\nName: "));
    EXPECT_TRUE(page->List()->SelectedRowList().empty());
    // The error history keeps help enabled without a selection.
    ParameterPage* history = p.Page(cmd::kErrorHistory);
    menu.reset(history->MakeContextMenu(nullptr));
    EXPECT_TRUE(menu->actions()[2]->isEnabled());
    // "add" asks the main frame for the browser on behalf of this page.
    menu.reset(page->MakeContextMenu(nullptr));
    menu->actions()[0]->trigger();
    EXPECT_EQ(p.program.Context().objectRequester.data(), page);
    EXPECT_NE(p.program.Frame().Slot(slot::kDataDictionary), nullptr);
}

// "Record to file…": the cyclic rows' values into a CSV file that can be read while it grows,
// only while the page is shown.
TEST(ParameterPage, RecordsItsCyclicRowsToAFileWhileShown) {
    morlo::test::TempFolder folder;
    const QString path = QString::fromStdString((folder / "base.csv").string());
    DriveProgram p;
    p.OpenLink();
    ParameterPage* page = p.Page(cmd::kBaseOperate);
    ASSERT_TRUE(WaitUntil([&] { return AllValuesShown(page); }));
    std::string header = "host_time,elapsed_ms";
    int columns = 0;
    for (int row = 0; row < page->List()->RowCount(); ++row) {
        if (page->List()->Text(row, kColumnAttribute).contains('L')) {
            header += "," + page->List()->Text(row, kColumnName).toStdString() + " [" +
                      page->List()->Text(row, kColumnUnit).toStdString() + "]";
            ++columns;
        }
    }
    ASSERT_GT(columns, 0);
    p.program.Context().fileChooser = [&](bool save, const QString&, const QString&,
                                          const QString&) { return save ? path : QString(); };
    std::unique_ptr<QMenu> menu(page->MakeContextMenu(nullptr));
    ASSERT_EQ(menu->actions().back()->text(), "Record to file…");
    menu->actions().back()->trigger();
    ASSERT_TRUE(page->Recorder().Recording());
    auto lines = [&] {
        const std::string text = ReadWholeFile(FsPath(path)).bytes;
        std::vector<std::string> all;
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t end = text.find('\n', at);
            all.push_back(text.substr(at, end - at));
            at = end + 1;
        }
        return all;
    };
    // Readable while recording: whole lines appear as the rounds of cyclic reads end.
    ASSERT_TRUE(WaitUntil([&] { return lines().size() >= 4; }));
    auto rows = lines();
    EXPECT_EQ(rows[0], header);
    double previous = -1;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const QStringList cells = QString::fromStdString(rows[i]).split(',');
        ASSERT_EQ(cells.size(), columns + 2) << rows[i];
        const auto elapsed = ReadNumber(cells[1].toStdString());
        ASSERT_TRUE(elapsed);
        EXPECT_GT(*elapsed, previous);
        previous = *elapsed;
    }
    // Hidden, the page records nothing; shown again, it goes on.
    p.program.Frame().Slot(2)->close();
    WaitUntil([] { return false; }, 100);  // a read under way may still land
    const std::size_t hidden = lines().size();
    WaitUntil([] { return false; }, 300);
    EXPECT_EQ(lines().size(), hidden);
    p.program.Frame().OpenPage(cmd::kBaseOperate);
    ASSERT_TRUE(WaitUntil([&] { return lines().size() >= hidden + 2; }));
    menu.reset(page->MakeContextMenu(nullptr));
    ASSERT_EQ(menu->actions().back()->text(), "Stop recording");
    menu->actions().back()->trigger();
    EXPECT_FALSE(page->Recorder().Recording());
    const std::size_t stopped = lines().size();
    WaitUntil([] { return false; }, 200);
    EXPECT_EQ(lines().size(), stopped);

    // A file that cannot be written is said so; nothing records.
    const std::size_t messages = p.program.messages.size();
    EXPECT_FALSE(page->StartRecording(QString::fromStdString(folder.Path().string())));
    EXPECT_EQ(p.program.messages.size(), messages + 1);
    EXPECT_FALSE(page->Recorder().Recording());
}

TEST(EditList, EscapeDiscardsAndDigitsAfterArrowsDoNotSearch) {
    DriveProgram p;
    ParameterPage* page = p.Page(cmd::kPositionLoop);
    EditListCtrl* list = page->List();
    QSignalSpy edited(list, &EditListCtrl::cellEdited);
    const QString before = list->Text(0, kColumnValue);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(0, kColumnValue)).center());
    ASSERT_NE(list->TextEditor(), nullptr);
    list->TextEditor()->setText("999");
    QTest::keyClick(list->TextEditor(), Qt::Key_Escape);
    QCoreApplication::processEvents();
    EXPECT_EQ(edited.count(), 0);
    EXPECT_EQ(list->Text(0, kColumnValue), before);

    list->setFocus();
    list->setCurrentCell(0, kColumnName);
    QTest::keyClick(list, Qt::Key_Down);
    const int row = list->currentRow();
    QTest::keyClick(list, Qt::Key_1);  // would jump to a row starting with "1"
    EXPECT_EQ(list->currentRow(), row);
    // Columns keep their widths.
    EXPECT_EQ(list->horizontalHeader()->sectionResizeMode(kColumnValue), QHeaderView::Fixed);
}

TEST(EditList, RowsAreFoundByKeyAfterEveryChangeOfRowsOrKeys) {
    EditListCtrl list;
    list.setColumnCount(kColumnCount);
    for (ObjectKey key : {0x100, 0x200, 0x300}) {
        QStringList texts(kColumnCount);
        texts[kColumnKey] = QString::number(key);
        list.InsertRowAt(list.RowCount(), texts);
    }
    EXPECT_EQ(list.RowOfKey(0x300), 2);
    EXPECT_EQ(list.RowOfKey(0x999), -1);

    list.InsertRowAt(0);  // rows move down
    EXPECT_EQ(list.RowOfKey(0x100), 1);
    EXPECT_EQ(list.RowOfKey(0x300), 3);
    list.removeRow(2);
    EXPECT_EQ(list.RowOfKey(0x200), -1);
    EXPECT_EQ(list.RowOfKey(0x300), 2);

    list.SetText(0, kColumnKey, QString::number(0x999));  // a key written into a row
    EXPECT_EQ(list.RowOfKey(0x999), 0);
    list.item(2, kColumnKey)->setText(QString::number(0x100));  // twice: the first row wins
    EXPECT_EQ(list.RowOfKey(0x100), 1);
    list.setItem(1, kColumnKey, new QTableWidgetItem("7"));
    EXPECT_EQ(list.RowOfKey(0x100), 2);
    EXPECT_EQ(list.RowOfKey(7), 1);
    list.SetText(1, kColumnValue, "12");  // other cells leave the keys as they are
    EXPECT_EQ(list.RowOfKey(7), 1);
    list.setRowCount(0);
    EXPECT_EQ(list.RowOfKey(7), -1);
}

// The model goes with the list and reports its last changes while the list is being destroyed:
// nothing of the list may hear them (the sanitizer build fails on any such access).
TEST(EditList, IsDestroyedWithItsParentAndWhileItsRowsChange) {
    auto fill = [](EditListCtrl& list) {
        list.setColumnCount(kColumnCount);
        for (ObjectKey key : {0x100, 0x200, 0x300}) {
            QStringList texts(kColumnCount);
            texts[kColumnKey] = QString::number(key);
            list.InsertRowAt(list.RowCount(), texts);
        }
        EXPECT_EQ(list.RowOfKey(0x200), 1);  // the key index is built
    };
    auto parent = std::make_unique<QWidget>();
    QPointer<EditListCtrl> owned = new EditListCtrl(parent.get());
    fill(*owned);
    parent.reset();
    EXPECT_TRUE(owned.isNull());

    // Deleted from a handler of its own row change, with further rows changing after.
    QPointer<EditListCtrl> list = new EditListCtrl;
    fill(*list);
    QObject::connect(list->model(), &QAbstractItemModel::rowsInserted, list,
                     [&list] { list->deleteLater(); });
    list->InsertRowAt(0);
    list->removeRow(1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(list.isNull());
}

TEST(Project, AFileThatCannotBeWrittenIsReportedAndKeepsTheOldOne) {
    DriveProgram p;
    p.Page(cmd::kPositionLoop);
    const std::filesystem::path file = p.program.Folder().Path() / "user" / "keep.ksp";
    morlo::test::WriteFile(file, "[MorloSero:1]\r\n3=1,10,10\r\n");
    p.program.Context().fileChooser = [&](bool, const QString&, const QString&, const QString&) {
        return p.program.Folder().Qt() + "/missing-folder/x.ksp";
    };
    EXPECT_FALSE(SaveProject(p.program.Frame(), p.program.Context()));
    EXPECT_EQ(p.program.messages.back(), kMsgProjectSaveFailed);
    EXPECT_EQ(morlo::test::ReadFile(file), "[MorloSero:1]\r\n3=1,10,10\r\n");
}

TEST(PageWindows, ARestoreMoveKeepsTheSize) {
    DriveProgram p;
    p.Page(cmd::kPositionLoop);
    CChildFrame* child = p.program.Frame().Slot(3);
    const QSize size = child->size();
    child->close();
    child->RestoreMove(200, 150);
    EXPECT_TRUE(child->isVisible());
    EXPECT_EQ(child->pos(), QPoint(200, 150));
    EXPECT_EQ(child->size(), size);
    EXPECT_TRUE(qobject_cast<ParameterPage*>(child->View())->Active());
}

}  // namespace
}  // namespace morlo::gui::test
