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

// Paints the oscilloscope's plot from its ScopePlot (with the reference curves behind the live
// ones, their legend and the trigger marks) and lets the user drag a zoom rectangle inside the
// mouse area: a right click zooms to it (dragged left to right) or back out. The wheel zooms
// the time axis around the mouse, Ctrl+wheel the value axis of the chosen channel; a drag with
// the middle button (or Ctrl and the left one) pans both. Placed at the page's origin, so its
// coordinates are the page's.
class ScopePlotWidget final : public QWidget {
    Q_OBJECT
  public:
    ScopePlotWidget(scope::ScopePlot& plot, QRect mouseArea, QWidget* parent = nullptr);

    void ClearZoomRectangle();
    bool ZoomRectangleShown() const { return finished_; }
    QRect MouseArea() const { return mouseArea_; }

    // Paints into any device (the widget, a picture of the page).
    void PaintPlot(QPainter& painter) const;
    // The channel whose value axis the wheel and the drag move (0-based).
    void SetValueChannel(int channel) { valueChannel_ = channel; }

  signals:
    // The view is about to change by zoom or pan (so that it can be gone back to).
    void viewAboutToChange();
    // The sample window changed (zoomed in or out).
    void zoomed();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    void PaintGrid(QPainter& painter, const scope::PlotGeometry& g) const;
    void PaintCurves(QPainter& painter) const;
    void PaintLabels(QPainter& painter) const;
    void PaintReferences(QPainter& painter) const;
    void PaintLegend(QPainter& painter, const scope::PlotGeometry& g) const;
    void PaintTriggerMarks(QPainter& painter, const scope::PlotGeometry& g) const;

    scope::ScopePlot& plot_;
    QRect mouseArea_;
    QFont font_;
    std::optional<QPoint> first_;
    std::optional<QPoint> second_;
    bool dragging_ = false;
    bool finished_ = false;
    int valueChannel_ = 0;
    // A pan under way: where it began and the view then.
    std::optional<QPoint> panFrom_;
    scope::PlotView panView_;
};

// The pen style of reference n (0-based): each reference has its own dashes.
Qt::PenStyle ReferenceStyle(std::size_t index);

}  // namespace morlo::gui
