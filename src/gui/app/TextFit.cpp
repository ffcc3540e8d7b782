#include "TextFit.h"

#include <QComboBox>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTableWidget>
#include <algorithm>
#include <cmath>

namespace morlo::gui {
namespace {

// Pixels a cell keeps free on each side of its text (the delegate's focus frame margin plus
// one, as the item delegates lay text out).
int CellMargin(const QAbstractItemView& view) {
    return view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1;
}

// The advance of the text, rounded up: the text is laid out with fractional advances.
int TextWidth(const QWidget& widget, const QString& text) {
    return static_cast<int>(std::ceil(QFontMetricsF(widget.font()).horizontalAdvance(text)));
}

}  // namespace

int CellWidthFor(const QAbstractItemView& view, const QString& text) {
    // A table's grid line takes the last pixel of every column.
    const auto* table = qobject_cast<const QTableView*>(&view);
    const int grid = table && table->showGrid() ? 1 : 0;
    return TextWidth(view, text) + 2 * CellMargin(view) + grid;
}

bool WidenColumnsToFit(QTableWidget& table, int firstRow, int lastRow) {
    bool changed = false;
    QHeaderView* header = table.horizontalHeader();
    for (int column = 0; column < table.columnCount(); ++column) {
        if (table.isColumnHidden(column) || table.columnWidth(column) == 0) {
            continue;
        }
        int needed = header->isHidden() ? 0 : std::max(0, header->sectionSizeHint(column));
        for (int row = std::max(firstRow, 0); row <= lastRow && row < table.rowCount(); ++row) {
            if (const QTableWidgetItem* cell = table.item(row, column)) {
                needed = std::max(needed, CellWidthFor(table, cell->text()));
            }
        }
        if (needed > table.columnWidth(column)) {
            table.setColumnWidth(column, needed);
            changed = true;
        }
    }
    return changed;
}

bool WidenColumnsToFit(QTableWidget& table) {
    return WidenColumnsToFit(table, 0, table.rowCount() - 1);
}

int FullWidthOf(const QTableWidget& table) {
    int width = 2 * table.frameWidth();
    for (int column = 0; column < table.columnCount(); ++column) {
        if (!table.isColumnHidden(column)) {
            width += table.columnWidth(column);
        }
    }
    if (table.verticalHeader() && !table.verticalHeader()->isHidden()) {
        width += table.verticalHeader()->width();
    }
    return width + table.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &table);
}

int ComboWidthFor(const QComboBox& combo, int minimum) {
    int widest = 0;
    for (int i = 0; i < combo.count(); ++i) {
        widest = std::max(widest, TextWidth(combo, combo.itemText(i)));
    }
    QStyleOptionComboBox option;
    option.initFrom(&combo);
    option.editable = combo.isEditable();
    option.frame = combo.hasFrame();
    // The label is drawn one pixel in from each side of the edit field.
    const QSize contents(widest + 2, combo.fontMetrics().height());
    const QSize needed =
        combo.style()->sizeFromContents(QStyle::CT_ComboBox, &option, contents, &combo);
    return std::max(minimum, needed.width());
}

}  // namespace morlo::gui
