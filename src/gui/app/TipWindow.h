#pragma once

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QStringList>
#include <QWidget>
#include <vector>

namespace morlo::gui {

// Where a tip box goes and whether it shows at all.
struct TipLayout {
    bool show = false;
    QRect box;
    int fontHeight = 0;
};

// The box of a tip of lineCount lines, the longest of longestChars characters (already
// doubled for Chinese), for a control inside its owner (owner client coordinates).
TipLayout ComputeTipLayout(const QRect& control, const QRect& owner, int lineCount,
                           int longestChars, int widthAllowance);

// Shows texts that do not fit into their controls in a small box next to the control while
// the mouse is over it. One tip per control; the box is drawn on the owner page.
class TipWindow final : public QObject {
    Q_OBJECT
  public:
    explicit TipWindow(QObject* parent = nullptr);
    ~TipWindow() override;

    void SetOwner(QWidget* owner);
    void AddTip(QWidget* control, const QStringList& lines, int widthAllowance,
                const QColor& background, const QColor& textColour);
    void RemoveTip(QWidget* control);
    // A mouse move over the owner, in owner client coordinates.
    void MouseMove(const QPoint& point);

    QWidget* CurrentControl() const { return current_; }
    QRect ShownBox() const { return shownBox_; }
    int FontHeight() const { return fontHeight_; }
    bool HasTip(QWidget* control) const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Tip {
        QPointer<QWidget> control;
        QStringList lines;
        int widthAllowance;
        QColor background;
        QColor text;
    };
    class Overlay;
    void Show(const Tip& tip);
    void Hide();
    const Tip* Find(QWidget* control) const;
    int LongestChars(const QStringList& lines) const;

    QPointer<QWidget> owner_;
    Overlay* overlay_ = nullptr;
    std::vector<Tip> tips_;
    QPointer<QWidget> current_;
    QRect shownBox_;
    int fontHeight_ = 14;
};

}  // namespace morlo::gui
