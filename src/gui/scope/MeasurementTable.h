#pragma once

#include <QString>
#include <QTableWidget>
#include <optional>
#include <vector>

#include "scope/ScopeMeasure.h"

namespace morlo::gui {

// The measurement table under the plot: one row per shown channel with min, max, mean, RMS
// and peak-to-peak in the channel's display unit (six significant digits), and beside it the
// stretch measured with the time between the cursors and its inverse. The copied text keeps
// every digit.
class MeasurementTable final : public QTableWidget {
    Q_OBJECT
  public:
    struct Row {
        int channel = 0;  // 0-based
        QString unit;
        std::optional<scope::Measurement> figures;
    };

    explicit MeasurementTable(QWidget* parent = nullptr);

    void SetRows(const std::vector<Row>& rows, const std::optional<scope::CursorSpan>& span,
                 bool betweenCursors);
    // What was measured: the stretch, Δt and 1/Δt, one per line.
    QString SpanText() const { return span_; }
    // Tab-separated lines: the headers, one line per row at full precision, then the span.
    QString Text() const;
    void CopyToClipboard() const;

  signals:
    void spanChanged(const QString& text);

  private:
    std::vector<Row> rows_;
    QString span_;
};

}  // namespace morlo::gui
