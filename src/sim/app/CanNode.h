#pragma once

#include <QCanBusFrame>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <deque>
#include <memory>

#include "SimulatedDrive.h"
#include "canopen/NetworkConstants.h"

namespace morlo::sim {

class CanBus;

// One simulated drive on a CAN bus: answers SDO requests to 0x600 + node on 0x580 + node
// (delayed answers leave in the order of their requests; a block upload sends its segments
// one after the other), follows NMT commands (boot-up after a reset; no SDO while stopped),
// sends its heartbeat every 1017:00 ms and an emergency when the drive raises or resets an
// error (unless 1014:00 bit 31 is set). Runs in the Qt event loop.
class CanNode {
  public:
    CanNode(std::shared_ptr<SimulatedDrive> drive, int nodeId, CanBus& bus);
    CanNode(const CanNode&) = delete;
    CanNode& operator=(const CanNode&) = delete;

    int NodeId() const { return nodeId_; }
    // Sends the boot-up message and enters pre-operational.
    void BootUp();
    void OnSdoRequest(const link::SdoPayload& request);
    void OnNmt(canopen::NmtCommand command);
    // Follows the drive: heartbeat period, emergencies. Called on every drive tick.
    void Follow();

  private:
    // Frames that leave at a given time, oldest first.
    struct Outgoing {
        std::chrono::steady_clock::time_point due;
        QCanBusFrame frame;
    };
    void Schedule(std::chrono::steady_clock::time_point due, QCanBusFrame frame);
    void SendDue();
    void SendHeartbeat();
    void SendStray(const Reply& reply, std::chrono::steady_clock::time_point due);

    std::shared_ptr<SimulatedDrive> drive_;
    int nodeId_;
    CanBus& bus_;
    canopen::NmtState state_ = canopen::NmtState::BootUp;
    QObject context_;  // owns the timers of this node
    QTimer heartbeat_;
    std::int64_t heartbeatPeriod_ = 0;
    std::deque<Outgoing> outgoing_;
};

}  // namespace morlo::sim
