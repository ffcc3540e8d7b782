#pragma once

#include <QString>

class QAbstractItemView;
class QComboBox;
class QTableWidget;

namespace morlo::gui {

// Sizes taken from the font's metrics, so that no text is cut in either language.

// The width a cell needs to show the text whole, with the item view's own margins.
int CellWidthFor(const QAbstractItemView& view, const QString& text);

// Widens every shown column of the rows first..last (and its header) to the widest text in it;
// columns never shrink. True when a column changed.
bool WidenColumnsToFit(QTableWidget& table, int firstRow, int lastRow);
bool WidenColumnsToFit(QTableWidget& table);

// The width of the table with every shown column whole, its frame and a vertical scroll bar.
int FullWidthOf(const QTableWidget& table);

// The width a combo box needs to show its longest entry whole; never less than minimum.
int ComboWidthFor(const QComboBox& combo, int minimum = 0);

}  // namespace morlo::gui
