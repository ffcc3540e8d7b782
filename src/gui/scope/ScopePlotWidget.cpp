#include "ScopePlotWidget.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace morlo::gui {
namespace {

const QColor kBackground(255, 255, 255);
const QColor kFrame(54, 54, 54);
const QColor kGrid(150, 140, 140);
const QColor kCentre(118, 118, 118);
const QColor kCursor(255, 170, 255);
const QColor kZoomRectangle(255, 0, 0);
constexpr int kFramePen = 2;
constexpr int kFontPoints = 9;
constexpr const char* kFontFamily = "SimSun";

QRect ToQRect(const scope::PlotRect& r) {
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

}  // namespace

const std::array<QColor, 4>& ChannelColours() {
    static const std::array<QColor, 4> colours{QColor(255, 20, 147), QColor(32, 178, 170),
                                               QColor(0, 100, 0), QColor(0, 0, 255)};
    return colours;
}

ScopePlotWidget::ScopePlotWidget(scope::ScopePlot& plot, QRect mouseArea, QWidget* parent)
    : QWidget(parent), plot_(plot), mouseArea_(mouseArea), font_(kFontFamily, kFontPoints) {
    const scope::PlotRect area = plot_.Area();
    setGeometry(0, 0, std::max(area.right, mouseArea_.right()) + 1,
                std::max(area.bottom, mouseArea_.bottom()) + 1);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ScopePlotWidget::ClearZoomRectangle() {
    first_.reset();
    second_.reset();
    dragging_ = false;
    finished_ = false;
    update();
}

void ScopePlotWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // An opaque widget paints every pixel: the margins around the plot too.
    painter.fillRect(rect(), palette().window());
    PaintPlot(painter);
    if (first_ && second_ && mouseArea_.contains(*first_) && mouseArea_.contains(*second_)) {
        QPen pen(kZoomRectangle, 1, Qt::DashLine);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(*first_, *second_).normalized());
    }
}

void ScopePlotWidget::PaintPlot(QPainter& painter) const {
    const scope::PlotGeometry g = plot_.Geometry();
    painter.fillRect(ToQRect(plot_.Area()), kBackground);
    painter.setRenderHint(QPainter::Antialiasing, false);
    PaintGrid(painter, g);
    PaintCurves(painter);
    painter.setPen(QPen(kCursor, 1));
    for (int cursor : {1, 2}) {
        if (plot_.CursorShown(cursor)) {
            const int x = plot_.CursorX(cursor);
            painter.drawLine(x, g.bottom, x, g.bottom - g.height - 1);
        }
    }
    PaintLabels(painter);
}

void ScopePlotWidget::PaintGrid(QPainter& painter, const scope::PlotGeometry& g) const {
    const int L = g.left;
    const int B = g.bottom;
    const int W = g.width;
    const int H = g.height;
    painter.setPen(QPen(kFrame, kFramePen));
    const QPoint frame[] = {{L, B}, {L, B - H}, {L + W, B - H}, {L + W, B}, {L, B}};
    painter.drawPolyline(frame, 5);

    painter.setPen(QPen(kGrid, 1, Qt::DotLine));
    for (int i = 1; i <= scope::kGridColumns; ++i) {
        const int x = L + i * g.columnWidth;
        painter.drawLine(x, B - 2, x, B - H);
        painter.drawLine(x, B + 2, x, B + 4);
    }
    for (int i = 1; i <= scope::kGridRows; ++i) {
        const int y = B - i * g.rowHeight - 1;
        painter.drawLine(L + 1, y, L + W - 2, y);
    }
    painter.setPen(QPen(kCentre, 1));
    painter.drawLine(L + 1, B - H / 2 - 1, L + W, B - H / 2 - 1);
    painter.drawLine(L + W / 2 - 1, B + 1, L + W / 2 - 1, B - H);
}

void ScopePlotWidget::PaintCurves(QPainter& painter) const {
    for (int channel = 0; channel < scope::kChannelCount; ++channel) {
        const auto steps = plot_.CurvePath(channel);
        if (steps.empty()) {
            continue;
        }
        QPainterPath path;
        for (const scope::PathStep& step : steps) {
            if (step.line) {
                path.lineTo(step.x, step.y);
            } else {
                path.moveTo(step.x, step.y);
            }
        }
        painter.setPen(QPen(ChannelColours()[static_cast<std::size_t>(channel)], 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    }
}

void ScopePlotWidget::PaintLabels(QPainter& painter) const {
    painter.setFont(font_);
    const QFontMetrics metrics(font_);
    auto draw = [&](const scope::PlotLabel& label) {
        const QRect rect = ToQRect(label.rect);
        const QColor colour =
            label.channel < 0 ? kFrame : ChannelColours()[static_cast<std::size_t>(label.channel)];
        painter.setPen(colour);
        const int align = label.align == scope::LabelAlign::Left    ? Qt::AlignLeft
                          : label.align == scope::LabelAlign::Right ? Qt::AlignRight
                                                                    : Qt::AlignHCenter;
        const QString text =
            metrics.elidedText(QString::fromStdString(label.text), Qt::ElideRight, rect.width());
        painter.drawText(rect, align | Qt::AlignVCenter | Qt::TextSingleLine, text);
    };
    for (const auto& label : plot_.ValueLabels()) {
        draw(label);
    }
    for (const auto& label : plot_.TimeLabels()) {
        draw(label);
    }
}

// ---- the zoom rectangle ----

void ScopePlotWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (!(event->buttons() & Qt::LeftButton) || !mouseArea_.contains(pos)) {
        return;
    }
    if (finished_) {
        first_.reset();
        second_.reset();
        finished_ = false;
    }
    if (first_) {
        second_ = pos;
        dragging_ = pos.x() != 0;
    } else {
        first_ = pos;
    }
    update();
}

void ScopePlotWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && dragging_) {
        dragging_ = false;
        finished_ = true;
    }
}

void ScopePlotWidget::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() != Qt::RightButton || !mouseArea_.contains(pos)) {
        return;
    }
    if (first_ && second_) {
        const int left = plot_.Geometry().left;
        if (first_->x() < second_->x()) {
            plot_.Zoom(first_->x() - left - 1, second_->x() - left + 1);
        } else {
            plot_.ResetZoom();
        }
        plot_.Recompute();
        ClearZoomRectangle();
        emit zoomed();
    }
    ClearZoomRectangle();
}

}  // namespace morlo::gui
