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

    // The port named in the box: an entry of the list or a device path typed in.
    QString PortName() const;

  private:
    void Open();
    void WriteSettings();
    void OnSelectionChanged();
    // Device paths typed before, newest first (sys.ini [com] "ports").
    QStringList TypedPorts() const;
    void RememberTypedPort(const QString& port);

    QComboBox* ports_;
    QComboBox* bauds_;
    QLineEdit* driverId_;
};

}  // namespace morlo::gui
