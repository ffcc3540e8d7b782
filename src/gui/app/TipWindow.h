#pragma once

#include <QColor>
#include <QFont>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QStringList>
#include <QWidget>
#include <vector>

namespace morlo::gui {

// The size of a tip's text in one font: the width of its longest line and the step from one
// line to the next, both from the font's metrics.
struct TipText {
    int width = 0;
    int lineStep = 0;
};

// Where a tip box goes, whether it shows at all, and whether it takes the smaller font.
struct TipLayout {
    bool show = false;
    QRect box;
    bool smallFont = false;
};

// The box of a tip of lineCount lines, measured in the normal and in the smaller font, for a
// control inside its owner (owner client coordinates).
TipLayout ComputeTipLayout(const QRect& control, const QRect& owner, int lineCount,
                           const TipText& normal, const TipText& small, int widthAllowance);

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
    // The font of the box shown (the owner's font, or a smaller one in a short owner).
    QFont ShownFont() const;
    bool HasTip(QWidget* control) const;
    // The fonts of the boxes: the owner's, and a smaller one for owners too short for it.
    QFont NormalFont() const;
    QFont SmallFont() const;

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
    static TipText Measure(const QFont& font, const QStringList& lines);

    QPointer<QWidget> owner_;
    Overlay* overlay_ = nullptr;
    std::vector<Tip> tips_;
    QPointer<QWidget> current_;
    QRect shownBox_;
    bool smallFont_ = false;
};

}  // namespace morlo::gui
