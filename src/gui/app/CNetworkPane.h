#pragma once

#include <QLabel>
#include <cstdint>

#include "GuiDispatcher.h"

class QTimer;

namespace morlo::gui {

class AppContext;

// The status bar's pane of the CAN network, while a CAN link is open: the node's NMT state
// from its heartbeat or boot-up message, "lost" when its heartbeat stays away three periods
// (the period read from 1017:00 when the link is confirmed, and every few seconds after), and
// its last emergency message.
class CNetworkPane final : public QLabel, public ResultReceiver {
    Q_OBJECT
  public:
    explicit CNetworkPane(AppContext& context, QWidget* parent = nullptr);
    ~CNetworkPane() override;

    // The main frame's news of the link: confirmed open, or closed.
    void LinkConfirmed();
    void LinkClosed();
    void OnResult(const engine::Delivery& delivery) override;
    // Shows what the network monitor knows now.
    void Refresh();

  private:
    AppContext& context_;
    engine::ReceiverId id_;
    QTimer* timer_;
    int node_ = 0;  // the node of the open link; 0 while no CAN link is open
    std::uint64_t seenEvents_ = 0;
    int refreshes_ = 0;
    QString emergency_;
};

}  // namespace morlo::gui
