#include "EditListCtrl.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <algorithm>

#include "InPlaceEditors.h"
#include "TextFit.h"
#include "values/UnitTable.h"

namespace morlo::gui {
namespace {

// Rows of read-only objects are drawn in this green.
const QColor kReadOnlyColour(34, 139, 34);
constexpr int kChoiceExtraRows = 10;
// Where a value cell keeps the last value read and its text before the last accepted edit.
constexpr int kLastReadRole = Qt::UserRole + 1;
constexpr int kBeforeEditRole = Qt::UserRole + 2;

// The cell's rectangle, its right edge clipped to the client area.
QRect EditorRectClipped(const QRect& cell, const QRect& client) {
    QRect rect = cell;
    rect.setRight(std::min(rect.right(), client.right()));
    return rect;
}

}  // namespace

EditListCtrl::EditListCtrl(QWidget* parent) : QTableWidget(parent) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);  // a compact report list
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);  // columns cannot be resized
    horizontalHeader()->setSectionsClickable(false);
    setWordWrap(false);
    // Any change of rows or of a key cell makes the key index stale.
    auto stale = [this] { keysIndexed_ = false; };
    QAbstractItemModel* rows = model();
    connect(rows, &QAbstractItemModel::rowsInserted, this, stale);
    connect(rows, &QAbstractItemModel::rowsRemoved, this, stale);
    connect(rows, &QAbstractItemModel::rowsMoved, this, stale);
    connect(rows, &QAbstractItemModel::modelReset, this, stale);
    connect(rows, &QAbstractItemModel::layoutChanged, this, stale);
    connect(rows, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                if (topLeft.column() <= kColumnKey && bottomRight.column() >= kColumnKey) {
                    keysIndexed_ = false;
                }
            });
}

// QWidget's destructor deletes the model, which then reports a reset: by that time this is no
// longer an EditListCtrl, so its handlers must not hear of it.
EditListCtrl::~EditListCtrl() {
    disconnect(model(), nullptr, this, nullptr);
}

void EditListCtrl::ArrangeColumns(const std::function<void()>& arrange) {
    QHeaderView* header = horizontalHeader();
    const bool wasBlocked = header->blockSignals(true);
    ++arranging_;
    arrange();
    --arranging_;
    header->blockSignals(wasBlocked);
    if (arranging_ == 0) {  // an arrangement inside another is laid out with it
        doItemsLayout();
    }
}

void EditListCtrl::SetReadOnlyColumn(int column, bool on) {
    if (on) {
        readOnlyColumns_.insert(column);
    } else {
        readOnlyColumns_.erase(column);
    }
}

void EditListCtrl::SetChoiceColumn(int column, bool on) {
    if (on) {
        choiceColumns_.insert(column);
    } else {
        choiceColumns_.erase(column);
    }
}

std::string EditListCtrl::CellText(int row, int column) const {
    return Text(row, column).toStdString();
}

int EditListCtrl::RowOfKey(ObjectKey key) const {
    // The key column is always written as the plain decimal number.
    IndexKeys();
    return rowOfKeyText_.value(QString::number(key), -1);
}

void EditListCtrl::IndexKeys() const {
    if (keysIndexed_) {
        return;
    }
    rowOfKeyText_.clear();
    for (int row = 0; row < rowCount(); ++row) {
        const QTableWidgetItem* cell = item(row, kColumnKey);
        if (cell && !rowOfKeyText_.contains(cell->text())) {
            rowOfKeyText_.insert(cell->text(), row);
        }
    }
    keysIndexed_ = true;
}

QString EditListCtrl::Text(int row, int column) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->text() : QString();
}

void EditListCtrl::SetText(int row, int column, const QString& text) {
    QTableWidgetItem* cell = item(row, column);
    if (!cell) {
        cell = new QTableWidgetItem;
        setItem(row, column, cell);
    }
    cell->setText(text);
    FitCell(row, column);
}

void EditListCtrl::SetValueRead(int row, const QString& text) {
    SetText(row, kColumnValue, text);
    item(row, kColumnValue)->setData(kLastReadRole, text);
}

void EditListCtrl::RestoreValueRead(int row) {
    QTableWidgetItem* cell = item(row, kColumnValue);
    if (!cell) {
        return;
    }
    const QVariant read = cell->data(kLastReadRole);
    cell->setText(read.isValid() ? read.toString() : cell->data(kBeforeEditRole).toString());
}

void EditListCtrl::RestoreCell(int row, int column) {
    if (column == kColumnValue) {
        RestoreValueRead(row);
    } else if (QTableWidgetItem* cell = item(row, column)) {
        cell->setText(cell->data(kBeforeEditRole).toString());
    }
}

void EditListCtrl::FitColumns() {
    if (WidenColumnsToFit(*this)) {
        Widened();
    } else {
        setMinimumWidth(FullWidthOf(*this));
    }
}

void EditListCtrl::FitCell(int row, int column) {
    if (isColumnHidden(column) || columnWidth(column) == 0) {
        return;
    }
    const QTableWidgetItem* cell = item(row, column);
    if (!cell) {
        return;
    }
    const int needed = CellWidthFor(*this, cell->text());
    if (needed > columnWidth(column)) {
        setColumnWidth(column, needed);
        Widened();
    }
}

void EditListCtrl::Widened() {
    setMinimumWidth(FullWidthOf(*this));
    emit widened();
}

void EditListCtrl::InsertRowAt(int row, const QStringList& texts) {
    insertRow(row);
    for (int column = 0; column < columnCount(); ++column) {
        setItem(row, column,
                new QTableWidgetItem(column < texts.size() ? texts[column] : QString()));
        FitCell(row, column);
    }
}

void EditListCtrl::ApplyRowColours(int row) {
    const bool readOnly = Text(row, kColumnNumber).contains('*');
    for (int column = 0; column < columnCount(); ++column) {
        QTableWidgetItem* cell = item(row, column);
        const QBrush brush = readOnly ? QBrush(kReadOnlyColour) : QBrush();
        if (cell && cell->foreground() != brush) {  // unchanged colours are not redrawn
            cell->setForeground(brush);
        }
    }
}

int EditListCtrl::FocusedSelectedRow() const {
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !selectionModel()->isRowSelected(current.row(), QModelIndex())) {
        return -1;
    }
    return current.row();
}

std::vector<int> EditListCtrl::SelectedRowList() const {
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void EditListCtrl::ClearSelectionAndFocus() {
    clearSelection();
    setCurrentIndex(QModelIndex());
}

bool EditListCtrl::CellFromPoint(const QPoint& point, int& row, int& column) const {
    const QModelIndex index = indexAt(point);
    if (!index.isValid() || columnWidth(index.column()) == 0) {
        return false;
    }
    row = index.row();
    column = index.column();
    return true;
}

QRect EditListCtrl::EditorRect(int row, int column) {
    scrollTo(model()->index(row, column));
    QRect rect = visualRect(model()->index(row, column));
    return EditorRectClipped(rect, viewport()->rect());
}

void EditListCtrl::ShowTextEditor(int row, int column, const QString& text) {
    if (textEditor_ && !textEditor_->Ended()) {
        textEditor_->setFocus();
        return;
    }
    // One that has ended is closing: a click from it onto another cell opens a new one.
    textEditor_ = nullptr;
    editKey_ = Text(row, kColumnKey);
    const QRect rect = EditorRect(row, column);
    textEditor_ = new InPlaceEdit(*this, row, column, text);
    textEditor_->setGeometry(rect);
}

bool EditListCtrl::ShowChoiceEditor(int row, int column, const QStringList& choices,
                                    const QString& text) {
    if (row < 0 || row >= rowCount()) {
        return false;
    }
    if (choiceEditor_ && !choiceEditor_->Ended()) {
        choiceEditor_->setFocus();
        return true;
    }
    choiceEditor_ = nullptr;
    QRect rect = EditorRect(row, column);
    choiceEditor_ = new InPlaceCombo(*this, row, column, choices, text);
    choiceEditor_->setGeometry(rect);
    choiceEditor_->setMaxVisibleItems(static_cast<int>(choices.size()) + kChoiceExtraRows);
    return true;
}

void EditListCtrl::OpenEditor(int row, int column) {
    if (IsChoiceColumn(column)) {
        QStringList choices = choices_ ? choices_(row) : QStringList{kUnitDec};
        if (!choices.isEmpty()) {  // a text object has no unit to choose
            ShowChoiceEditor(row, column, choices, Text(row, column));
        }
    } else if (!IsReadOnlyColumn(column) && Text(row, kColumnAttribute).contains('W')) {
        ShowTextEditor(row, column, Text(row, column));
    }
}

void EditListCtrl::EndEdit(int row, int column, const QString& text, bool acceptedWithEnter) {
    if (column != kColumnValue) {
        if (row >= 0 && row < rowCount() && text != Text(row, kColumnUnit)) {
            if (QTableWidgetItem* cell = item(row, column)) {
                cell->setData(kBeforeEditRole, cell->text());
            }
            SetText(row, column, text);
            emit cellEdited(row, column);
        }
        return;
    }
    if (!acceptedWithEnter) {
        return;  // left by Escape, a click elsewhere or any other loss of focus
    }
    // The value belongs to the object of the row the editor was opened on, whatever row is
    // current now; a row that is gone takes nothing.
    if (row < 0 || row >= rowCount() || Text(row, kColumnKey) != editKey_) {
        row = -1;
        for (int r = 0; r < rowCount() && !editKey_.isEmpty(); ++r) {
            if (Text(r, kColumnKey) == editKey_) {
                row = r;
                break;
            }
        }
        if (row < 0) {
            return;
        }
    }
    if (QTableWidgetItem* cell = item(row, kColumnValue)) {
        cell->setData(kBeforeEditRole, cell->text());
    }
    SetText(row, kColumnValue, text);
    currentRow_ = row;
    committedByEnter_ = true;
    enterStage_ = 2;
    selectRow(row);
    setCurrentCell(row, kColumnValue);
    emit cellEdited(row, kColumnValue);
    if (parentWidget()) {
        parentWidget()->setFocus();
        parentWidget()->activateWindow();
    }
}

void EditListCtrl::mousePressEvent(QMouseEvent* event) {
    committedByEnter_ = false;
    keyboardMoved_ = false;
    int row = -1;
    int column = -1;
    if (!CellFromPoint(event->position().toPoint(), row, column)) {
        return;  // swallowed
    }
    QTableWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton) {
        return;
    }
    currentRow_ = row;
    if (currentIndex().row() == row) {
        OpenEditor(row, column);
    }
}

void EditListCtrl::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if ((committedByEnter_ || keyboardMoved_) && key >= Qt::Key_0 && key <= Qt::Key_9) {
        return;  // digits never drive the list's type-ahead search here
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (committedByEnter_ && enterStage_ == 2) {
            enterStage_ = 3;  // the Enter that accepted the edit opens nothing
            return;
        }
        if (currentRow_ >= 0 && currentRow_ < rowCount() && currentIndex().row() == currentRow_) {
            keyboardMoved_ = false;
            committedByEnter_ = false;
            OpenEditor(currentRow_, kColumnValue);
        }
        return;
    }
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
        const int focused = currentIndex().row();
        for (int row : SelectedRowList()) {
            currentRow_ = key == Qt::Key_Up ? row - 1 : row + 1;
        }
        if (focused >= 0) {
            currentRow_ = key == Qt::Key_Up ? focused - 1 : focused + 1;
        }
        committedByEnter_ = false;
        keyboardMoved_ = true;
    }
    QTableWidget::keyPressEvent(event);
}

void EditListCtrl::scrollContentsBy(int dx, int dy) {
    if (!hasFocus() && (textEditor_ || choiceEditor_)) {
        setFocus();  // ends an open editor
    }
    QTableWidget::scrollContentsBy(dx, dy);
}

void EditListCtrl::contextMenuEvent(QContextMenuEvent* event) {
    emit contextMenuAt(event->globalPos());
}

}  // namespace morlo::gui
