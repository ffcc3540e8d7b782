#pragma once

#include "CPageView.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace morlo::gui {

// Opens and closes the CAN link: bit rate, the drive's node id and the adapter's version.
class CCommCan final : public CPageView {
    Q_OBJECT
  public:
    explicit CCommCan(AppContext& context, QWidget* parent = nullptr);

    void PageNotify(int code) override;
    void PressOpenClose();
    void ShowVersionDetails();
    QComboBox* RateList() const { return rates_; }
    QLineEdit* DriverId() const { return driverId_; }
    QLabel* VersionLabel() const { return version_; }
    bool ShowsOpen() const { return showsOpen_; }

  private:
    void SetIcon(bool open);
    bool ReadVersion();
    void Open();
    void Close();
    void WriteSettings();

    QComboBox* rates_;
    QLineEdit* driverId_;
    QPushButton* button_;
    QLabel* version_;
    bool versionRead_ = false;
    bool showsOpen_ = false;
};

}  // namespace morlo::gui
