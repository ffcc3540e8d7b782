#pragma once

#include "LinkPageCommon.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace morlo::gui {

// Opens and closes the CAN link: bit rate, the drive's node id and the adapter's version.
class CCommCan final : public CLinkSettingsPage {
    Q_OBJECT
  public:
    explicit CCommCan(AppContext& context, QWidget* parent = nullptr);

    void PressOpenClose();
    void ShowVersionDetails();
    QComboBox* RateList() const { return rates_; }
    QLineEdit* DriverId() const { return driverId_; }
    QLabel* VersionLabel() const { return version_; }

  private:
    bool ReadVersion();
    void Open();
    void WriteSettings();

    QComboBox* rates_;
    QLineEdit* driverId_;
    QLabel* version_;
    bool versionRead_ = false;
};

}  // namespace morlo::gui
