#pragma once

#include <QLabel>
#include <QWidget>

namespace morlo::gui {

// Two small arrow buttons, one above the other, that step a value up or down.
class UpDownButtons final : public QWidget {
    Q_OBJECT
  public:
    explicit UpDownButtons(QWidget* parent = nullptr);

  signals:
    void stepped(bool up);
};

// The trigger edge: a triangle pointing up (rising) or down (falling); a click asks to toggle.
class EdgeIcon final : public QLabel {
    Q_OBJECT
  public:
    explicit EdgeIcon(QWidget* parent = nullptr);
    void SetRising(bool rising);
    bool Rising() const { return rising_; }

  signals:
    void clicked();

  protected:
    void mousePressEvent(QMouseEvent* event) override;

  private:
    bool rising_ = true;
};

}  // namespace morlo::gui
