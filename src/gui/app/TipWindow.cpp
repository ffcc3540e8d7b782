#include "TipWindow.h"

#include <qdrawutil.h>
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

namespace morlo::gui {
namespace {

// Space between the edge and the text.
constexpr int kPadding = 5;
// The etched edge takes a pixel on each side.
constexpr int kEdge = 1;
// The smaller font of a tip in a short owner, relative to the owner's font.
constexpr double kSmallFontScale = 0.85;
constexpr int kLayoutLimit = 100000;
constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop;

QSize BoxSize(const TipText& text, int lineCount) {
    return QSize(text.width + 2 * (kPadding + kEdge),
                 text.lineStep * lineCount + 2 * (kPadding + kEdge));
}

}  // namespace

TipLayout ComputeTipLayout(const QRect& control, const QRect& owner, int lineCount,
                           const TipText& normal, const TipText& small, int widthAllowance) {
    TipLayout layout;
    if (lineCount <= 0) {
        return layout;
    }
    QSize size = BoxSize(normal, lineCount);
    layout.show = control.width() + widthAllowance < size.width() || lineCount > 1;
    if (!layout.show) {
        return layout;
    }
    const int controlBottom = control.y() + control.height();
    const int ownerBottom = owner.y() + owner.height();
    int top = 0;
    if (controlBottom + size.height() <= ownerBottom) {
        top = controlBottom;
    } else {
        if (owner.height() < size.height()) {
            layout.smallFont = true;
            size = BoxSize(small, lineCount);
        }
        top = control.y() - size.height();
    }
    const int left =
        control.x() + control.width() > owner.x() + owner.width() ? owner.x() : control.x();
    layout.box = QRect(QPoint(left, top), size);
    return layout;
}

// Paints the box over the owner without taking the mouse.
class TipWindow::Overlay final : public QWidget {
  public:
    explicit Overlay(QWidget* owner) : QWidget(owner) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        resize(owner->size());
    }
    void Set(const QRect& box, const QStringList& lines, const QColor& background,
             const QColor& text, const QFont& font) {
        box_ = box;
        lines_ = lines;
        background_ = background;
        text_ = text;
        font_ = font;
        resize(parentWidget()->size());
        raise();
        show();
        update();
    }
    void Clear() {
        box_ = QRect();
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        if (box_.isNull()) {
            return;
        }
        QPainter painter(this);
        painter.fillRect(box_, background_);
        qDrawShadeRect(&painter, box_, palette(), true, kEdge);
        painter.setFont(font_);
        painter.setPen(text_);
        // Laid out as the box was measured: the lines one line step apart.
        const int inset = kPadding + kEdge;
        painter.drawText(box_.adjusted(inset, inset, -inset, -inset), kTextFlags,
                         lines_.join('\n'));
    }

  private:
    QRect box_;
    QStringList lines_;
    QColor background_;
    QColor text_;
    QFont font_;
};

TipWindow::TipWindow(QObject* parent) : QObject(parent) {}

TipWindow::~TipWindow() {
    if (qApp) {
        qApp->removeEventFilter(this);
    }
}

void TipWindow::SetOwner(QWidget* owner) {
    owner_ = owner;
    overlay_ = new Overlay(owner);
    overlay_->hide();
    owner->setMouseTracking(true);
    qApp->installEventFilter(this);
}

bool TipWindow::HasTip(QWidget* control) const {
    return Find(control) != nullptr;
}

const TipWindow::Tip* TipWindow::Find(QWidget* control) const {
    for (const Tip& tip : tips_) {
        if (tip.control == control) {
            return &tip;
        }
    }
    return nullptr;
}

void TipWindow::AddTip(QWidget* control, const QStringList& lines, int widthAllowance,
                       const QColor& background, const QColor& textColour) {
    RemoveTip(control);
    if (lines.isEmpty() || !control) {
        return;
    }
    control->setMouseTracking(true);
    tips_.push_back({control, lines, widthAllowance, background, textColour});
}

void TipWindow::RemoveTip(QWidget* control) {
    for (auto it = tips_.begin(); it != tips_.end(); ++it) {
        if (it->control == control) {
            if (current_ == control) {
                Hide();
                current_ = nullptr;
            }
            tips_.erase(it);
            return;
        }
    }
}

QFont TipWindow::NormalFont() const {
    return owner_ ? owner_->font() : QFont();
}

QFont TipWindow::SmallFont() const {
    QFont font = NormalFont();
    if (font.pixelSize() > 0) {
        font.setPixelSize(std::max(1, static_cast<int>(font.pixelSize() * kSmallFontScale)));
    } else {
        font.setPointSizeF(font.pointSizeF() * kSmallFontScale);
    }
    return font;
}

QFont TipWindow::ShownFont() const {
    return smallFont_ ? SmallFont() : NormalFont();
}

TipText TipWindow::Measure(const QFont& font, const QStringList& lines) {
    // Laid out as the box draws them, so that glyphs of a fallback font (Chinese in a Latin
    // font) are measured too.
    const QRect laid = QFontMetrics(font).boundingRect(QRect(0, 0, kLayoutLimit, kLayoutLimit),
                                                       kTextFlags, lines.join('\n'));
    const int count = std::max(1, static_cast<int>(lines.size()));
    return {laid.width(), (laid.height() + count - 1) / count};
}

void TipWindow::MouseMove(const QPoint& point) {
    if (!owner_) {
        return;
    }
    QWidget* child = owner_->childAt(point);
    while (child && child->parentWidget() != owner_ && !Find(child)) {
        child = child->parentWidget();
    }
    if (!child || child == overlay_) {
        return;
    }
    if (child == current_) {
        return;
    }
    Hide();
    const Tip* tip = Find(child);
    current_ = tip ? child : nullptr;
    if (tip) {
        Show(*tip);
    }
}

void TipWindow::Show(const Tip& tip) {
    const QRect control(tip.control->mapTo(owner_, QPoint(0, 0)), tip.control->size());
    const TipLayout layout = ComputeTipLayout(
        control, owner_->rect(), static_cast<int>(tip.lines.size()),
        Measure(NormalFont(), tip.lines), Measure(SmallFont(), tip.lines), tip.widthAllowance);
    if (!layout.show) {
        return;
    }
    smallFont_ = layout.smallFont;
    shownBox_ = layout.box;
    overlay_->Set(layout.box, tip.lines, tip.background, tip.text, ShownFont());
}

void TipWindow::Hide() {
    if (shownBox_.isNull()) {
        return;
    }
    shownBox_ = QRect();
    overlay_->Clear();
}

bool TipWindow::eventFilter(QObject* watched, QEvent* event) {
    // The mouse left the page, or the page went away: no tip stays painted.
    if (owner_ && watched == owner_ &&
        (event->type() == QEvent::Leave || event->type() == QEvent::Hide)) {
        Hide();
        current_ = nullptr;
        return false;
    }
    if (event->type() == QEvent::MouseMove && owner_) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && (widget == owner_ || owner_->isAncestorOf(widget))) {
            auto* move = static_cast<QMouseEvent*>(event);
            MouseMove(widget->mapTo(owner_, move->position().toPoint()));
        }
    }
    return false;
}

}  // namespace morlo::gui
