#include "TipWindow.h"

#include <qdrawutil.h>
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include "AppContext.h"

namespace morlo::gui {
namespace {

constexpr int kFontHeight = 14;
constexpr int kSmallFontHeight = 12;
constexpr int kPadding = 5;
constexpr int kNarrowestStretch = 50;

}  // namespace

TipLayout ComputeTipLayout(const QRect& control, const QRect& owner, int lineCount,
                           int longestChars, int widthAllowance) {
    TipLayout layout;
    if (lineCount <= 0) {
        return layout;
    }
    layout.fontHeight = kFontHeight;
    int height = (layout.fontHeight - 1) * lineCount + 12;
    int width = longestChars * 6 + 10;
    layout.show = control.width() + widthAllowance < width || lineCount > 1;
    if (!layout.show) {
        return layout;
    }
    const int controlBottom = control.y() + control.height();
    const int ownerBottom = owner.y() + owner.height();
    int top = 0;
    if (controlBottom + height <= ownerBottom) {
        top = controlBottom;
    } else {
        if (owner.height() < height) {
            layout.fontHeight = kSmallFontHeight;
            height = lineCount * 11 + 12;
            width = longestChars * 7 + 10;
        }
        top = control.y() - height;
    }
    const int left =
        control.x() + control.width() > owner.x() + owner.width() ? owner.x() : control.x();
    layout.box = QRect(left, top, width, height);
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
             const QColor& text, int fontHeight) {
        box_ = box;
        lines_ = lines;
        background_ = background;
        text_ = text;
        fontHeight_ = fontHeight;
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
        qDrawShadeRect(&painter, box_, palette(), true, 1);
        QFont font("MS Sans Serif");
        font.setPixelSize(fontHeight_);
        // The box is measured for the narrow font it was made for; a wider substitute is
        // condensed so that the text stays inside it.
        int widest = 0;
        for (const QString& line : lines_) {
            widest = std::max(widest, QFontMetrics(font).horizontalAdvance(line));
        }
        const int room = box_.width() - 2 * kPadding;
        if (widest > room && widest > 0) {
            font.setStretch(std::max(kNarrowestStretch, QFont::Unstretched * room / widest));
        }
        painter.setFont(font);
        painter.setPen(text_);
        int y = box_.top() + kPadding;
        for (const QString& line : lines_) {
            painter.drawText(QRect(box_.left() + kPadding, y, box_.width(), fontHeight_),
                             Qt::AlignLeft | Qt::AlignTop, line);
            y += fontHeight_ - 1;
        }
    }

  private:
    QRect box_;
    QStringList lines_;
    QColor background_;
    QColor text_;
    int fontHeight_ = kFontHeight;
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

int TipWindow::LongestChars(const QStringList& lines) const {
    int longest = 0;
    for (const QString& line : lines) {
        longest = std::max(longest, static_cast<int>(line.size()));
    }
    AppContext* context = AppContext::Instance();
    if (context && context->language.load() == kLanguageChinese) {
        longest *= 2;
    }
    return longest;
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
    TipLayout layout = ComputeTipLayout(control, owner_->rect(), static_cast<int>(tip.lines.size()),
                                        LongestChars(tip.lines), tip.widthAllowance);
    if (!layout.show) {
        return;
    }
    fontHeight_ = layout.fontHeight;
    shownBox_ = layout.box;
    overlay_->Set(layout.box, tip.lines, tip.background, tip.text, layout.fontHeight);
}

void TipWindow::Hide() {
    if (shownBox_.isNull()) {
        return;
    }
    shownBox_ = QRect();
    overlay_->Clear();
}

bool TipWindow::eventFilter(QObject* watched, QEvent* event) {
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
