#include "ScopePlotWidget.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <cmath>

namespace morlo::gui {
namespace {

const QColor kBackground(255, 255, 255);
const QColor kFrame(54, 54, 54);
const QColor kGrid(150, 140, 140);
const QColor kCentre(118, 118, 118);
const QColor kCursor(255, 170, 255);
const QColor kZoomRectangle(255, 0, 0);
const QColor kTriggerMark(255, 120, 0);
constexpr int kReferenceAlpha = 110;  // references are drawn dimmed
constexpr int kTriggerFlag = 6;       // half width of the trigger's flag at the top
constexpr int kLegendSample = 18;     // length of a legend's line
constexpr double kWheelStep = 1.25;   // zoom factor of one wheel notch
constexpr double kWheelNotch = 120;   // angle of one notch (eighths of a degree)
constexpr int kFramePen = 2;
constexpr int kFontPoints = 9;
constexpr const char* kFontFamily = "SimSun";

QRect ToQRect(const scope::PlotRect& r) {
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

// Draws the steps as polylines (one per run of lines): a thin pen's polyline is drawn
// directly, where a path would be stroked first. Points of a run in one pixel column are drawn
// as that column's first, lowest, highest and last point: the same pixels, fewer segments.
// As an envelope (the dimmed references) only its lowest and highest, in the order nearer
// to where the line comes from: the same extent in each column.
void DrawSteps(QPainter& painter, const std::vector<scope::PathStep>& steps,
               bool envelope = false) {
    std::vector<QPoint> run;
    run.reserve(steps.size());
    auto flush = [&] {
        if (run.size() >= 2) {
            painter.drawPolyline(run.data(), static_cast<int>(run.size()));
        }
        run.clear();
    };
    std::size_t i = 0;
    while (i < steps.size()) {
        if (!steps[i].line) {
            flush();
        }
        // The points of this column in this run: steps[i .. j).
        std::size_t j = i + 1;
        while (j < steps.size() && steps[j].line && steps[j].x == steps[i].x) {
            ++j;
        }
        int low = steps[i].y;
        int high = steps[i].y;
        for (std::size_t k = i; k < j; ++k) {
            low = std::min(low, steps[k].y);
            high = std::max(high, steps[k].y);
        }
        const int x = steps[i].x;
        const int first = steps[i].y;
        const int last = steps[j - 1].y;
        auto add = [&](int y) {
            if (run.empty() || run.back() != QPoint(x, y)) {
                run.emplace_back(x, y);
            }
        };
        if (envelope) {
            const bool fromBelow = first - low > high - first;
            add(fromBelow ? high : low);
            add(fromBelow ? low : high);
        } else {
            for (const int y : {first, low, high, last}) {
                add(y);
            }
        }
        i = j;
    }
    flush();
}

// A channel's colour dimmed as if drawn at that opacity over the white plot.
QColor Dimmed(const QColor& colour, int alpha) {
    auto mix = [alpha](int c) { return (c * alpha + 255 * (255 - alpha)) / 255; };
    return QColor(mix(colour.red()), mix(colour.green()), mix(colour.blue()));
}

}  // namespace

Qt::PenStyle ReferenceStyle(std::size_t index) {
    static constexpr Qt::PenStyle kStyles[] = {Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
                                               Qt::DashDotDotLine};
    return kStyles[index % std::size(kStyles)];
}

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
    PaintReferences(painter);
    PaintCurves(painter);
    PaintTriggerMarks(painter, g);
    painter.setPen(QPen(kCursor, 1));
    for (int cursor : {1, 2}) {
        if (plot_.CursorShown(cursor)) {
            const int x = plot_.CursorX(cursor);
            painter.drawLine(x, g.bottom, x, g.bottom - g.height - 1);
        }
    }
    PaintLabels(painter);
    PaintLegend(painter, g);
}

void ScopePlotWidget::PaintReferences(QPainter& painter) const {
    const auto& references = plot_.References();
    for (std::size_t r = 0; r < references.size(); ++r) {
        for (int channel = 0; channel < scope::kChannelCount; ++channel) {
            const auto steps = plot_.ReferencePath(r, channel);
            if (steps.empty()) {
                continue;
            }
            painter.setPen(
                QPen(Dimmed(ChannelColours()[static_cast<std::size_t>(channel)], kReferenceAlpha),
                     1, ReferenceStyle(r)));
            DrawSteps(painter, steps, true);
        }
    }
}

void ScopePlotWidget::PaintLegend(QPainter& painter, const scope::PlotGeometry& g) const {
    const auto& references = plot_.References();
    std::vector<std::size_t> shown;
    for (std::size_t r = 0; r < references.size(); ++r) {
        if (!references[r].hidden) {
            shown.push_back(r);
        }
    }
    if (shown.empty()) {
        return;
    }
    // Along the top of the plot, between the value labels of the left and right channels.
    const int left = g.left + 2 * g.columnWidth + 4;
    const int width = (6 * g.columnWidth - 8) / static_cast<int>(shown.size());
    const int top = g.bottom - g.height + 2;
    const QFontMetrics metrics(font_);
    painter.setFont(font_);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const int x = left + static_cast<int>(i) * width;
        const int y = top + metrics.height() / 2 + 1;
        painter.setPen(QPen(Dimmed(kFrame, 2 * kReferenceAlpha), 1, ReferenceStyle(shown[i])));
        painter.drawLine(x, y, x + kLegendSample, y);
        painter.setPen(kFrame);
        const QRect text(x + kLegendSample + 4, top, width - kLegendSample - 8, metrics.height());
        const QString name = QString::fromStdString(references[shown[i]].name);
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         metrics.elidedText(name, Qt::ElideRight, text.width()));
    }
}

void ScopePlotWidget::PaintTriggerMarks(QPainter& painter, const scope::PlotGeometry& g) const {
    if (const auto x = plot_.TriggerX()) {
        painter.setPen(QPen(kTriggerMark, 1));
        painter.drawLine(*x, g.bottom, *x, g.bottom - g.height);
        const int top = g.bottom - g.height + 1;
        const QPoint flag[] = {
            {*x - kTriggerFlag, top}, {*x + kTriggerFlag, top}, {*x, top + kTriggerFlag}};
        painter.setBrush(kTriggerMark);
        painter.drawPolygon(flag, 3);
        painter.setBrush(Qt::NoBrush);
    }
    if (const auto y = plot_.TriggerLevelY()) {
        const auto& mark = *plot_.Trigger();
        painter.setPen(
            QPen(ChannelColours()[static_cast<std::size_t>(mark.channel)], 1, Qt::DashLine));
        painter.drawLine(g.left + 1, *y, g.left + g.width - 1, *y);
    }
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
        painter.setPen(QPen(ChannelColours()[static_cast<std::size_t>(channel)], 1));
        DrawSteps(painter, steps);
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
    if (panFrom_) {
        // From the view at the press, so that no rounding adds up while dragging.
        plot_.SetView(panView_);
        plot_.PanTime(pos.x() - panFrom_->x());
        if (pos.y() != panFrom_->y()) {
            plot_.PanValue(valueChannel_, pos.y() - panFrom_->y());
        }
        emit zoomed();
        update();
        return;
    }
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
    if (panFrom_ && (event->button() == Qt::MiddleButton || event->button() == Qt::LeftButton)) {
        panFrom_.reset();
        return;
    }
    if (event->button() == Qt::LeftButton && dragging_) {
        dragging_ = false;
        finished_ = true;
    }
}

void ScopePlotWidget::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const bool pan =
        event->button() == Qt::MiddleButton ||
        (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier));
    if (pan && mouseArea_.contains(pos)) {
        emit viewAboutToChange();
        ClearZoomRectangle();
        panFrom_ = pos;
        panView_ = plot_.View();
        return;
    }
    if (event->button() != Qt::RightButton || !mouseArea_.contains(pos)) {
        return;
    }
    if (first_ && second_) {
        emit viewAboutToChange();
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

void ScopePlotWidget::wheelEvent(QWheelEvent* event) {
    const QPoint pos = event->position().toPoint();
    const int delta =
        event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
    if (!mouseArea_.contains(pos) || delta == 0) {
        event->ignore();
        return;
    }
    event->accept();
    const double factor = std::pow(kWheelStep, -delta / kWheelNotch);  // away from the user: in
    emit viewAboutToChange();
    if (event->modifiers() & Qt::ControlModifier) {
        plot_.ZoomValue(valueChannel_, pos.y(), factor);
    } else {
        plot_.ZoomTime(pos.x() - plot_.Geometry().left - 1, factor);
    }
    emit zoomed();
    update();
}

}  // namespace morlo::gui
