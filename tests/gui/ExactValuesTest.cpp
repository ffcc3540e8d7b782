// Values reach the drive exactly as typed, or not at all: the value cells, their editors and
// the waiting for formula constants.

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QSignalSpy>
#include <QTest>

#include "DriveProgram.h"

namespace morlo::gui::test {
namespace {

constexpr ObjectKey kTargetPosition = 0x607A00;
constexpr ObjectKey kTargetVelocity = 0x60FF00;
constexpr ObjectKey kMotorResolution = 0x203003;  // the constant of r/min and deg

QPoint CellCentre(EditListCtrl* list, int row, int column) {
    return list->visualRect(list->model()->index(row, column)).center();
}

// The position loop with its values shown, in an active window.
class EditorProgram : public DriveProgram {
  public:
    EditorProgram() {
        EXPECT_TRUE(Activate(program.Frame()));
        OpenLink();
        page = Page(cmd::kPositionLoop);
        list = page->List();
        EXPECT_TRUE(WaitUntil([&] { return AllValuesShown(page) && page->ReadCursor() == 0; }));
    }
    void OpenEditor(int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          CellCentre(list, row, kColumnValue));
    }
    ObjectKey KeyOf(int row) { return list->Text(row, kColumnKey).toInt(); }
    ParameterPage* page;
    EditListCtrl* list;
};

TEST(EditList, ArrowsAndTabInAnOpenEditorNeverMoveTheValueToAnotherRow) {
    EditorProgram p;
    int typed = 12;
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_Tab}) {
        SCOPED_TRACE(key);
        const int row = 1;
        const QString text = QString::number(++typed);
        const std::size_t neighbourWrites =
            p.drive->WriteCount(p.KeyOf(0)) + p.drive->WriteCount(p.KeyOf(2));
        p.OpenEditor(row);
        ASSERT_NE(p.list->TextEditor(), nullptr);
        QTest::keyClicks(p.list->TextEditor(), text);
        QTest::keyClick(p.list->TextEditor(), key);
        ASSERT_NE(p.list->TextEditor(), nullptr);  // still editing the same cell
        EXPECT_EQ(p.list->TextEditor()->Row(), row);
        QTest::keyClick(p.list->TextEditor(), Qt::Key_Return);
        ASSERT_TRUE(WaitUntil([&] { return p.list->Text(row, kColumnValue) == text + ".000"; }));
        EXPECT_EQ(p.drive->WriteCount(p.KeyOf(0)) + p.drive->WriteCount(p.KeyOf(2)),
                  neighbourWrites);
        EXPECT_NE(p.list->Text(0, kColumnValue), text + ".000");
        EXPECT_NE(p.list->Text(2, kColumnValue), text + ".000");
        QTest::keyClick(p.list, Qt::Key_Return);  // the held Enter opens nothing
    }
}

TEST(EditList, OneClickFromAnOpenEditorOpensTheNextOne) {
    EditorProgram p;
    QSignalSpy edited(p.list, &EditListCtrl::cellEdited);
    p.OpenEditor(0);
    ASSERT_NE(p.list->TextEditor(), nullptr);
    p.list->TextEditor()->setText("999");
    p.OpenEditor(3);
    ASSERT_NE(p.list->TextEditor(), nullptr);
    EXPECT_EQ(p.list->TextEditor()->Row(), 3);
    EXPECT_EQ(p.list->TextEditor()->text(), p.list->Text(3, kColumnValue));
    EXPECT_EQ(edited.count(), 0);  // the first edit was left, not accepted
    EXPECT_NE(p.list->Text(0, kColumnValue), "999");
}

TEST(EditList, EscapeOrClosingTheUnitListEndsTheUnitEdit) {
    EditorProgram p;
    QSignalSpy edited(p.list, &EditListCtrl::cellEdited);
    const QString unit = p.list->Text(0, kColumnUnit);
    // Escape while the drop-down list is open.
    QTest::mouseClick(p.list->viewport(), Qt::LeftButton, {}, CellCentre(p.list, 0, kColumnUnit));
    ASSERT_NE(p.list->ChoiceEditor(), nullptr);
    p.list->ChoiceEditor()->showPopup();
    ASSERT_TRUE(WaitUntil([&] { return p.list->ChoiceEditor()->view()->isVisible(); }));
    QTest::keyClick(p.list->ChoiceEditor()->view(), Qt::Key_Escape);
    ASSERT_TRUE(WaitUntil([&] { return p.list->ChoiceEditor() == nullptr; }));
    EXPECT_EQ(p.program.Frame().focusWidget(), p.list);
    ASSERT_TRUE(Activate(p.program.Frame()));  // the offscreen popup took the activation
    // Escape on the closed box.
    QTest::mouseClick(p.list->viewport(), Qt::LeftButton, {}, CellCentre(p.list, 0, kColumnUnit));
    ASSERT_NE(p.list->ChoiceEditor(), nullptr);
    QTest::keyClick(p.list->ChoiceEditor(), Qt::Key_Escape);
    ASSERT_TRUE(WaitUntil([&] { return p.list->ChoiceEditor() == nullptr; }));
    // The list closed without a choice.
    QTest::mouseClick(p.list->viewport(), Qt::LeftButton, {}, CellCentre(p.list, 0, kColumnUnit));
    ASSERT_NE(p.list->ChoiceEditor(), nullptr);
    p.list->ChoiceEditor()->showPopup();
    p.list->ChoiceEditor()->hidePopup();
    ASSERT_TRUE(WaitUntil([&] { return p.list->ChoiceEditor() == nullptr; }));
    EXPECT_EQ(edited.count(), 0);
    EXPECT_EQ(p.list->Text(0, kColumnUnit), unit);
    // A choice still changes the unit.
    QTest::mouseClick(p.list->viewport(), Qt::LeftButton, {}, CellCentre(p.list, 0, kColumnUnit));
    p.list->ChoiceEditor()->Pick("DEC");
    EXPECT_EQ(edited.count(), 1);
    EXPECT_EQ(p.list->Text(0, kColumnUnit), "DEC");
}

TEST(ValueCells, TextsThatAreNoValueOfTheObjectWriteNothingAndSayWhy) {
    DriveProgram p;
    ASSERT_TRUE(Activate(p.program.Frame()));
    p.OpenLink();
    ParameterPage* page = p.Page(cmd::kBaseOperate);
    EditListCtrl* list = page->List();
    ASSERT_TRUE(WaitUntil([&] { return AllValuesShown(page) && page->ReadCursor() == 0; }));
    const int row = RowOf(page, kTargetPosition);
    list->SetText(row, kColumnUnit, "DEC");
    list->SetValueRead(row, QString::number(*p.drive->Value(kTargetPosition)));
    const QString before = list->Text(row, kColumnValue);
    struct Case {
        const char* typed;
        const char* message;
    };
    const Case cases[] = {
        {"abc", "Target position: abc is not a number!!"},
        {"12abc", "Target position: 12abc is not a number!!"},
        {"", "Target position: the empty text is not a number!!"},
        {"3000000000", "Target position: 3000000000 is out of range (-2147483648 .. 2147483647)!!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        p.program.messages.clear();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          CellCentre(list, row, kColumnValue));
        ASSERT_NE(list->TextEditor(), nullptr);
        list->TextEditor()->setText(c.typed);
        QTest::keyClick(list->TextEditor(), Qt::Key_Return);
        ASSERT_EQ(p.program.messages.size(), 1u);
        EXPECT_EQ(p.program.messages[0], c.message);
        EXPECT_EQ(list->Text(row, kColumnValue), before);  // the last value read again
        EXPECT_EQ(p.drive->WriteCount(kTargetPosition), 0u);
        QTest::keyClick(list, Qt::Key_Return);
    }
}

TEST(ValueCells, EveryRowInAConstantUnitIsShownAfterOneReadOfTheConstant) {
    DriveProgram p;
    ParameterPage* page = p.Page(cmd::kBaseOperate);
    EditListCtrl* list = page->List();
    std::vector<int> constantRows;
    for (int row = 0; row < list->RowCount(); ++row) {
        const QString unit = list->Text(row, kColumnUnit);
        if (unit == "r/min" || unit == "r/min/s" || unit == "deg") {
            constantRows.push_back(row);
        }
    }
    ASSERT_GE(constantRows.size(), 3u);
    p.OpenLink();  // the rows are read before the constant is known, then shown with it
    ASSERT_TRUE(WaitUntil([&] { return AllValuesShown(page) && page->ReadCursor() == 0; }));
    for (int row : constantRows) {
        EXPECT_TRUE(list->Text(row, kColumnValue).contains('.')) << row;
    }
    EXPECT_EQ(p.drive->ReadCount(kMotorResolution), 1u);
    EXPECT_EQ(p.program.Context().Formulas().PendingCount(), 0u);
    // A value in the unit: 3000 r/min with 10000 counts per turn is 500000 counts/s.
    const int row = RowOf(page, kTargetVelocity);
    ASSERT_EQ(list->Text(row, kColumnUnit), "r/min");
    ASSERT_TRUE(Activate(p.program.Frame()));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, CellCentre(list, row, kColumnValue));
    ASSERT_NE(list->TextEditor(), nullptr);
    list->TextEditor()->setText("3000");
    QTest::keyClick(list->TextEditor(), Qt::Key_Return);
    ASSERT_TRUE(WaitUntil([&] {
        return p.drive->Value(kTargetVelocity) == 3000 * *p.drive->Value(kMotorResolution) / 60;
    }));
    EXPECT_EQ(p.drive->ReadCount(kMotorResolution), 1u);
}

TEST(ValueCells, PagesSharingAnObjectWithoutUnitsShowNoMessage) {
    DriveProgram p;
    ParameterPage* basic = p.Page(cmd::kBaseOperate);
    ParameterPage* panel = p.Page(cmd::kPanelF002);
    ASSERT_GE(RowOf(basic, 0x606000), 0);
    ASSERT_GE(RowOf(panel, 0x606000), 0);
    EXPECT_EQ(panel->List()->Text(RowOf(panel, 0x606000), kColumnUnit), "DEC");
    EXPECT_TRUE(p.program.messages.empty());
}

TEST(ValueCells, BitFieldsInHexAndTextsWithoutUnit) {
    DriveProgram p;
    p.OpenLink();
    ParameterPage* basic = p.Page(cmd::kBaseOperate);
    ASSERT_TRUE(WaitUntil([&] { return AllValuesShown(basic); }));
    const int statusword = RowOf(basic, 0x604100);
    EXPECT_EQ(basic->List()->Text(statusword, kColumnUnit), "HEX");
    ASSERT_TRUE(WaitUntil([&] {
        return basic->List()->Text(statusword, kColumnValue) ==
               QString::number(*p.drive->Value(0x604100), 16);
    }));
    ParameterPage* property = p.Page(cmd::kDriverProperty);
    ASSERT_TRUE(WaitUntil([&] { return AllValuesShown(property); }));
    EditListCtrl* list = property->List();
    const int name = RowOf(property, 0x100800);
    EXPECT_TRUE(list->Text(name, kColumnUnit).isEmpty());
    ASSERT_TRUE(Activate(p.program.Frame()));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, CellCentre(list, name, kColumnUnit));
    EXPECT_EQ(list->ChoiceEditor(), nullptr);  // nothing to choose
}

}  // namespace
}  // namespace morlo::gui::test
