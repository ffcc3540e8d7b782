#pragma once

#include <QCanBusDevice>
#include <QCanBusFrame>
#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>

namespace morlo::sim {

class CanNode;

// The bus device the simulated nodes of one process share: frames for a node go to it, NMT
// commands to every node, and every node writes through it. Runs in the Qt event loop.
class CanBus {
  public:
    CanBus() = default;
    ~CanBus();
    CanBus(const CanBus&) = delete;
    CanBus& operator=(const CanBus&) = delete;

    // Creates and connects the bus device; onConnected runs once it is connected.
    bool Start(const QString& plugin, const QString& interfaceName,
               std::function<void()> onConnected, QString& error);
    void AddNode(CanNode& node);
    void Write(const QCanBusFrame& frame);

  private:
    void OnFramesReceived();

    QObject context_;  // owns the connections of the bus
    std::unique_ptr<QCanBusDevice> device_;
    std::map<int, CanNode*> nodes_;
};

}  // namespace morlo::sim
