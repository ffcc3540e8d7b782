#pragma once

#include <QWidget>
#include <cstdint>

class QTableWidget;
class QTimer;

namespace morlo::canopen {
class NetworkMonitor;
}

namespace morlo::gui {

// The emergency messages of the CAN network as the error history page lists them, newest
// first: the host's time of arrival, the node, the error code and its meaning, the error
// register and the manufacturer's bytes.
class CEmergencyList final : public QWidget {
    Q_OBJECT
  public:
    enum Column { kTime, kNode, kCode, kMeaning, kRegister, kData, kColumns };

    CEmergencyList(canopen::NetworkMonitor& network, QWidget* parent = nullptr);

    QTableWidget* Table() const { return table_; }
    // Adds the emergencies that arrived since the last look.
    void Refresh();

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    canopen::NetworkMonitor& network_;
    QTableWidget* table_;
    QTimer* timer_;
    std::uint64_t seen_ = 0;
};

}  // namespace morlo::gui
