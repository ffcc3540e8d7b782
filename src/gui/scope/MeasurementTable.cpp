#include "MeasurementTable.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>

#include "ScopePlotWidget.h"
#include "text/NumberIo.h"

namespace morlo::gui {
namespace {

constexpr int kColumns = 7;  // channel, unit, min, max, mean, RMS, p-p
constexpr int kSpanDecimals = 3;
constexpr double kMillisecondsPerSecond = 1e3;
// The widest figure of six significant digits, and the widest unit of the drive's lists.
constexpr const char* kWidestFigure = "-8.88888e+888";
constexpr const char* kWidestUnit = "rpm/s";
constexpr int kCellPadding = 10;

std::array<double, 5> Figures(const scope::Measurement& m) {
    return {m.minimum, m.maximum, m.mean, m.rms, m.peakToPeak};
}

}  // namespace

MeasurementTable::MeasurementTable(QWidget* parent) : QTableWidget(parent) {
    setColumnCount(kColumns);
    setHorizontalHeaderLabels({tr("通道"), tr("单位"), tr("最小值"), tr("最大值"), tr("平均值"),
                               tr("有效值"), tr("峰峰值")});
    verticalHeader()->hide();
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const QFontMetrics metrics(font());
    const int rowHeight = metrics.height() + 2;
    verticalHeader()->setMinimumSectionSize(rowHeight);
    verticalHeader()->setDefaultSectionSize(rowHeight);
    // Columns wide enough for their header and the widest figure, in either language.
    const int figure = metrics.horizontalAdvance(kWidestFigure) + kCellPadding;
    const int channel = metrics.horizontalAdvance("4") + kCellPadding;
    const int unit = metrics.horizontalAdvance(kWidestUnit) + kCellPadding;
    int total = 0;
    for (int column = 0; column < kColumns; ++column) {
        const int content = column == 0 ? channel : column == 1 ? unit : figure;
        const int width = std::max(horizontalHeader()->sectionSizeHint(column), content);
        setColumnWidth(column, width);
        total += width;
    }
    setFixedWidth(total + 2 * frameWidth());
    setFixedHeight(horizontalHeader()->sizeHint().height() + scope::kChannelCount * rowHeight +
                   2 * frameWidth());
    SetRows({}, std::nullopt, false);
}

void MeasurementTable::SetRows(const std::vector<Row>& rows,
                               const std::optional<scope::CursorSpan>& span, bool betweenCursors) {
    rows_ = rows;
    setRowCount(static_cast<int>(rows.size()));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        QStringList cells{QString::number(row.channel + 1), row.unit};
        for (double value : row.figures ? Figures(*row.figures) : std::array<double, 5>{}) {
            cells << (row.figures
                          ? QString::fromStdString(WriteSignificant(value, scope::kMeasureDigits))
                          : QString());
        }
        for (int c = 0; c < kColumns; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(c < 2 ? Qt::AlignCenter : (Qt::AlignRight | Qt::AlignVCenter));
            if (c == 0) {
                item->setForeground(ChannelColours()[static_cast<std::size_t>(row.channel)]);
            }
            setItem(static_cast<int>(i), c, item);
        }
    }
    QString text = betweenCursors ? tr("游标之间") : tr("整个记录");
    if (span) {
        text += "\n" + tr("Δt = %1 ms")
                           .arg(QString::fromStdString(
                               WriteFixed(span->seconds * kMillisecondsPerSecond, kSpanDecimals)));
        text +=
            "\n" + (span->hertz
                        ? tr("1/Δt = %1 Hz")
                              .arg(QString::fromStdString(WriteFixed(*span->hertz, kSpanDecimals)))
                        : tr("1/Δt = --"));
    }
    if (text != span_) {
        span_ = text;
        emit spanChanged(span_);
    }
}

QString MeasurementTable::Text() const {
    QStringList headers;
    for (int c = 0; c < columnCount(); ++c) {
        headers << horizontalHeaderItem(c)->text();
    }
    QStringList lines{headers.join('\t')};
    for (const Row& row : rows_) {
        QStringList cells{QString::number(row.channel + 1), row.unit};
        if (row.figures) {
            for (double value : Figures(*row.figures)) {
                cells << QString::fromStdString(WriteShortest(value));
            }
        }
        lines << cells.join('\t');
    }
    lines << span_.split('\n');
    return lines.join('\n') + '\n';
}

void MeasurementTable::CopyToClipboard() const {
    QApplication::clipboard()->setText(Text());
}

}  // namespace morlo::gui
