#include "CMdiBackground.h"

#include <QIcon>
#include <QPainter>
#include <QResizeEvent>
#include <QSvgRenderer>

namespace morlo::gui {

CMdiBackground::CMdiBackground(QWidget* parent)
    : QMdiArea(parent), picture_(":/backgrounds/background201.svg") {
    Restretch();
}

void CMdiBackground::resizeEvent(QResizeEvent* event) {
    QMdiArea::resizeEvent(event);
    Restretch();
    viewport()->update();
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
