#pragma once

#include "LinkPageCommon.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace morlo::gui {

// Opens and closes the serial link: port, baud rate and the drive's node id.
class CCommRs232 final : public CLinkSettingsPage {
    Q_OBJECT
  public:
    explicit CCommRs232(AppContext& context, QWidget* parent = nullptr);

    void PressOpenClose();
    QComboBox* PortList() const { return ports_; }
    QComboBox* BaudList() const { return bauds_; }
    QLineEdit* DriverId() const { return driverId_; }

    static const int kBaudRates[8];

  private:
    void Open();
    void WriteSettings();
    void OnSelectionChanged();

    QComboBox* ports_;
    QComboBox* bauds_;
    QLineEdit* driverId_;
};

}  // namespace morlo::gui
