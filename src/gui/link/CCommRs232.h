#pragma once

#include "CPageView.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace morlo::gui {

// Opens and closes the serial link: port, baud rate and the drive's node id.
class CCommRs232 final : public CPageView {
    Q_OBJECT
  public:
    explicit CCommRs232(AppContext& context, QWidget* parent = nullptr);

    void PageNotify(int code) override;
    void PressOpenClose();
    QComboBox* PortList() const { return ports_; }
    QComboBox* BaudList() const { return bauds_; }
    QLineEdit* DriverId() const { return driverId_; }
    QPushButton* OpenCloseButton() const { return button_; }
    bool ShowsOpen() const { return showsOpen_; }

    static const int kBaudRates[8];

  private:
    void SetIcon(bool open);
    void Open();
    void Close();
    void WriteSettings();
    void OnSelectionChanged();

    QComboBox* ports_;
    QComboBox* bauds_;
    QLineEdit* driverId_;
    QPushButton* button_;
    bool showsOpen_ = false;
};

}  // namespace morlo::gui
