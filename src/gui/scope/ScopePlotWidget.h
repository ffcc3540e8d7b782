#pragma once

#include <QColor>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <array>
#include <optional>

#include "scope/ScopePlot.h"

namespace morlo::gui {

// The channel colours of the curves and of the channel check boxes.
const std::array<QColor, 4>& ChannelColours();

// Paints the oscilloscope's plot from its ScopePlot and lets the user drag a zoom rectangle
// inside the mouse area: a right click zooms to it (dragged left to right) or back out.
// Placed at the page's origin, so its coordinates are the page's.
class ScopePlotWidget final : public QWidget {
    Q_OBJECT
  public:
    ScopePlotWidget(scope::ScopePlot& plot, QRect mouseArea, QWidget* parent = nullptr);

    void ClearZoomRectangle();
    bool ZoomRectangleShown() const { return finished_; }
    QRect MouseArea() const { return mouseArea_; }

    // Paints into any device (the widget, a picture of the page).
    void PaintPlot(QPainter& painter) const;

  signals:
    // The sample window changed (zoomed in or out).
    void zoomed();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    void PaintGrid(QPainter& painter, const scope::PlotGeometry& g) const;
    void PaintCurves(QPainter& painter) const;
    void PaintLabels(QPainter& painter) const;

    scope::ScopePlot& plot_;
    QRect mouseArea_;
    QFont font_;
    std::optional<QPoint> first_;
    std::optional<QPoint> second_;
    bool dragging_ = false;
    bool finished_ = false;
};

}  // namespace morlo::gui
