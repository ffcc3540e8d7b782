#include "CMdiBackground.h"

#include <algorithm>

#include <QIcon>
#include <QMdiSubWindow>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>
#include <QSvgRenderer>

namespace morlo::gui {

CMdiBackground::CMdiBackground(QWidget* parent)
    : QMdiArea(parent), picture_(":/backgrounds/background201.svg") {
    // Pages that reach past the visible area can be scrolled to.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Restretch();
}

void CMdiBackground::resizeEvent(QResizeEvent* event) {
    QMdiArea::resizeEvent(event);
    Restretch();
    viewport()->update();
}

QList<QMdiSubWindow*> CMdiBackground::ShownWindows() const {
    QList<QMdiSubWindow*> shown;
    for (QMdiSubWindow* window : subWindowList(QMdiArea::CreationOrder)) {
        if (window->isVisible() && !window->isMinimized()) {
            shown << window;
        }
    }
    return shown;
}

void CMdiBackground::PlaceInside(QMdiSubWindow* window, QPoint place) const {
    const QRect area = viewport()->rect();
    const int right = std::max(0, area.width() - window->width());
    const int bottom = std::max(0, area.height() - window->height());
    window->move(std::clamp(place.x(), 0, right), std::clamp(place.y(), 0, bottom));
}

void CMdiBackground::KeepInside(QMdiSubWindow* window) const {
    PlaceInside(window, window->pos());
}

QPoint CMdiBackground::ScrollOrigin() const {
    return QPoint(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
}

void CMdiBackground::TileInside() {
    const QList<QMdiSubWindow*> windows = ShownWindows();
    if (windows.isEmpty()) {
        return;
    }
    // Rows from the top left, each as high as its tallest window; a window that does not fit
    // beside the others of its row starts the next one. Nothing overlaps; rows that reach
    // below the visible area are scrolled to.
    const int width = viewport()->width();
    const QPoint origin = ScrollOrigin();
    int x = 0;
    int y = 0;
    int rowHeight = 0;
    for (QMdiSubWindow* window : windows) {
        if (x > 0 && x + window->width() > width) {
            x = 0;
            y += rowHeight;
            rowHeight = 0;
        }
        window->move(origin + QPoint(x, y));
        x += window->width();
        rowHeight = std::max(rowHeight, window->height());
    }
}

void CMdiBackground::CascadeInside() {
    const QList<QMdiSubWindow*> windows = ShownWindows();
    const int step = std::max(1, style()->pixelMetric(QStyle::PM_TitleBarHeight));
    const QRect area = viewport()->rect();
    QPoint place(0, 0);
    for (QMdiSubWindow* window : windows) {
        // Start again at the top left once a window would leave the visible area.
        if (place.x() + window->width() > area.width() ||
            place.y() + window->height() > area.height()) {
            place = QPoint(0, 0);
        }
        PlaceInside(window, place);
        window->raise();
        place += QPoint(step, step);
    }
    if (!windows.isEmpty()) {
        setActiveSubWindow(windows.back());
    }
}

void CMdiBackground::Restretch() {
    QSize size = viewport()->size().expandedTo(QSize(1, 1));
    QPixmap pixmap(size);
    pixmap.fill(QColor(0xdf, 0xe6, 0xec));
    QSvgRenderer renderer(picture_);
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    setBackground(QBrush(pixmap));
}

}  // namespace morlo::gui
