#include "ScopeWidgets.h"

#include <QIcon>
#include <QMouseEvent>
#include <QToolButton>
#include <QVBoxLayout>

namespace morlo::gui {
namespace {

constexpr int kArrowWidth = 16;
constexpr int kArrowHeight = 11;
constexpr int kEdgeIconSize = 20;
constexpr const char* kRisingIcon = ":/icons/icon212.svg";
constexpr const char* kFallingIcon = ":/icons/icon213.svg";

QToolButton* Arrow(Qt::ArrowType type, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setArrowType(type);
    button->setFixedSize(kArrowWidth, kArrowHeight);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

}  // namespace

UpDownButtons::UpDownButtons(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    QToolButton* up = Arrow(Qt::UpArrow, this);
    QToolButton* down = Arrow(Qt::DownArrow, this);
    layout->addWidget(up);
    layout->addWidget(down);
    connect(up, &QToolButton::clicked, this, [this] { emit stepped(true); });
    connect(down, &QToolButton::clicked, this, [this] { emit stepped(false); });
    setFixedSize(kArrowWidth, 2 * kArrowHeight);
}

EdgeIcon::EdgeIcon(QWidget* parent) : QLabel(parent) {
    setFixedSize(kEdgeIconSize, kEdgeIconSize);
    setCursor(Qt::PointingHandCursor);
    SetRising(true);
}

void EdgeIcon::SetRising(bool rising) {
    rising_ = rising;
    setPixmap(QIcon(rising ? kRisingIcon : kFallingIcon).pixmap(kEdgeIconSize, kEdgeIconSize));
}

void EdgeIcon::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        emit clicked();
    }
    QLabel::mousePressEvent(event);
}

}  // namespace morlo::gui
