#pragma once

#include <QHash>
#include <QPointer>
#include <QTableWidget>
#include <functional>
#include <set>

#include "InPlaceEditors.h"
#include "values/ValueRows.h"

namespace morlo::gui {

// The list on every parameter page: one drive object per row, the value edited in place
// with a text box, the unit with a drop-down list. It never talks to the drive: an accepted
// edit puts the new text into the cell and is reported with cellEdited (the page writes or
// reads again).
class EditListCtrl final : public QTableWidget, public ValueRows {
    Q_OBJECT
  public:
    explicit EditListCtrl(QWidget* parent = nullptr);
    ~EditListCtrl() override;

    // Runs column width and visibility changes, then lays the view out and repaints it once.
    // Changed one by one, every column would be repainted on a timer after the next paint.
    void ArrangeColumns(const std::function<void()>& arrange);
    void SetReadOnlyColumn(int column, bool on);
    void SetChoiceColumn(int column, bool on);
    bool IsReadOnlyColumn(int column) const { return readOnlyColumns_.count(column) != 0; }
    bool IsChoiceColumn(int column) const { return choiceColumns_.count(column) != 0; }
    // The units offered for a row's unit cell (default: "DEC").
    void SetChoiceProvider(std::function<QStringList(int row)> provider) {
        choices_ = std::move(provider);
    }

    bool CellFromPoint(const QPoint& viewportPoint, int& row, int& column) const;
    void ShowTextEditor(int row, int column, const QString& text);
    bool ShowChoiceEditor(int row, int column, const QStringList& choices, const QString& text);
    // Called by the editors when they lose the focus.
    void EndEdit(int row, int column, const QString& text, bool acceptedWithEnter);

    // Rows and cells.
    int RowCount() const override { return rowCount(); }
    std::string CellText(int row, int column) const override;
    int RowOfKey(ObjectKey key) const override;
    QString Text(int row, int column) const;
    void SetText(int row, int column, const QString& text);
    // The value cell shows a value read from the drive, remembered for RestoreValueRead.
    void SetValueRead(int row, const QString& text);
    // The value cell goes back to the last value read (or, never read, to its text before
    // the last accepted edit).
    void RestoreValueRead(int row);
    // The cell goes back to what it showed before its last accepted edit (the value cell: to
    // the last value read).
    void RestoreCell(int row, int column);
    // Widens the shown columns to their header and every text (columns never shrink).
    void FitColumns();
    // Inserts a row whose cells already hold the texts (one per column, from column 0;
    // missing ones stay empty), so that the view is told about the row once.
    void InsertRowAt(int row, const QStringList& texts = {});
    // The selected row that has the focus, or -1.
    int FocusedSelectedRow() const;
    std::vector<int> SelectedRowList() const;
    void ClearSelectionAndFocus();
    // Rows whose first column is marked "*" (read-only objects) are drawn green.
    void ApplyRowColours(int row);

    int CurrentEditRow() const { return currentRow_; }
    InPlaceEdit* TextEditor() const { return textEditor_; }
    InPlaceCombo* ChoiceEditor() const { return choiceEditor_; }

  signals:
    void cellEdited(int row, int column);
    void contextMenuAt(const QPoint& globalPos);
    // A column grew to show a text whole; the list's minimum width grew with it.
    void widened();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    QRect EditorRect(int row, int column);
    void IndexKeys() const;
    void OpenEditor(int row, int column);
    void FitCell(int row, int column);
    void Widened();

    std::set<int> readOnlyColumns_;
    std::set<int> choiceColumns_;
    std::function<QStringList(int row)> choices_;
    int currentRow_ = -1;
    QString editKey_;  // the key column of the row the text editor was opened on
    bool committedByEnter_ = false;
    int enterStage_ = 0;
    bool keyboardMoved_ = true;
    QPointer<InPlaceEdit> textEditor_;
    QPointer<InPlaceCombo> choiceEditor_;
    // The first row of each key text; rebuilt after rows or keys change.
    mutable QHash<QString, int> rowOfKeyText_;
    mutable bool keysIndexed_ = false;
    int arranging_ = 0;  // depth of ArrangeColumns calls
};

}  // namespace morlo::gui
