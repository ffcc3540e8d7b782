#pragma once

#include <functional>

#include "LinkPageCommon.h"
#include "canopen/NetworkConstants.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;

namespace morlo::link {
class CanPort;
}

namespace morlo::gui {

// Opens and closes the CAN link: bit rate, the drive's node id and the adapter's version.
// The Scan button lists the nodes on the bus (the user picks the node id from the list); the
// NMT menu starts, stops and resets the node, or all nodes. Both work with the link closed
// too: the adapter is then opened for the moment.
class CCommCan final : public CLinkSettingsPage {
    Q_OBJECT
  public:
    explicit CCommCan(AppContext& context, QWidget* parent = nullptr);

    void PressOpenClose();
    void ShowVersionDetails();
    QComboBox* RateList() const { return rates_; }
    QLineEdit* DriverId() const { return driverId_; }
    QLabel* VersionLabel() const { return version_; }
    QListWidget* NodeList() const { return nodes_; }
    QMenu* NmtMenu() const { return nmtMenu_; }

    void Scan();
    // Sends the NMT command to the node of the edit box, or to all nodes.
    void SendNmt(canopen::NmtCommand command, bool allNodes);

  private:
    // Runs the operation on the bus: the open link's, or the adapter opened for it alone.
    bool WithBus(const std::function<void(link::CanPort&)>& operation);
    void AddNmtActions(QMenu* menu, bool allNodes);
    bool ReadVersion();
    void Open();
    void WriteSettings();

    QComboBox* rates_;
    QLineEdit* driverId_;
    QLabel* version_;
    QListWidget* nodes_;
    QMenu* nmtMenu_;
    bool versionRead_ = false;
};

}  // namespace morlo::gui
