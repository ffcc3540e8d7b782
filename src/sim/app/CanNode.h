#pragma once

#include <QCanBusDevice>
#include <QCanBusFrame>
#include <QObject>
#include <QString>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>

#include "SimulatedDrive.h"

namespace morlo::sim {

// Serves the simulated drive on a CAN bus: SDO requests to 0x600 + node are answered on
// 0x580 + node; every other frame is ignored. Delayed answers leave in the order of their
// requests. Runs in the Qt event loop.
class CanNode {
  public:
    CanNode(std::shared_ptr<SimulatedDrive> drive, int nodeId);
    ~CanNode();
    CanNode(const CanNode&) = delete;
    CanNode& operator=(const CanNode&) = delete;

    // Creates and connects the bus device; onConnected runs once it is connected.
    bool Start(const QString& plugin, const QString& interfaceName,
               std::function<void()> onConnected, QString& error);

  private:
    void OnFramesReceived();
    void Answer(const link::SdoPayload& request);
    // Frames that leave at a given time, oldest first.
    struct Outgoing {
        std::chrono::steady_clock::time_point due;
        QCanBusFrame frame;
    };
    void Schedule(std::chrono::steady_clock::time_point due, QCanBusFrame frame);
    void SendDue();

    std::shared_ptr<SimulatedDrive> drive_;
    int nodeId_;
    QObject context_;  // owns the connections and timers of this node
    std::unique_ptr<QCanBusDevice> device_;
    std::deque<Outgoing> outgoing_;
};

}  // namespace morlo::sim
