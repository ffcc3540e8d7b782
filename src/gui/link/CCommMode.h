#pragma once

#include "CPageView.h"

class QRadioButton;
class QPushButton;

namespace morlo::gui {

// Chooses the link type: CAN, RS-232, offline or the built-in simulated drive.
class CCommMode final : public CPageView {
    Q_OBJECT
  public:
    explicit CCommMode(AppContext& context, QWidget* parent = nullptr);

    QRadioButton* CanButton() const { return can_; }
    QRadioButton* SerialButton() const { return serial_; }
    QRadioButton* OfflineButton() const { return offline_; }
    QRadioButton* SimulatedButton() const { return simulated_; }
    QPushButton* NextButton() const { return next_; }

    void ChooseCan();
    void ChooseSerial();
    void ChooseOffline();
    void ChooseSimulated();
    void Next();

  private:
    void CloseFrame();

    QRadioButton* can_;
    QRadioButton* serial_;
    QRadioButton* offline_;
    QRadioButton* rs485_;
    QRadioButton* usb_;
    QRadioButton* simulated_;
    QPushButton* next_;
};

}  // namespace morlo::gui
