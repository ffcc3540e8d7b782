#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "canopen/Emergency.h"
#include "canopen/NetworkConstants.h"
#include "link/LinkTypes.h"

namespace morlo::canopen {

// What the bus says about one node.
struct NodeStatus {
    std::optional<NmtState> state;  // from its last heartbeat or boot-up message
    bool lost = false;              // its heartbeat stayed away for kHeartbeatLostPeriods periods
    std::chrono::milliseconds period{0};  // heartbeat period being watched; 0: none
};

// Something a node said on its own, with the host's time of arrival.
struct NetworkEvent {
    enum class Kind { Emergency, BootUp };
    Kind kind = Kind::Emergency;
    std::uint64_t sequence = 0;  // counts every event from 1
    std::chrono::system_clock::time_point hostTime;
    int node = 0;
    Emergency emergency;  // Kind::Emergency
};

// Follows heartbeats, boot-up and emergency messages of every node. Fed by the control-link
// thread with the bus frames nobody asked for; read by the program's own thread.
class NetworkMonitor {
  public:
    using SteadyTime = std::chrono::steady_clock::time_point;
    using WallClock = std::function<std::chrono::system_clock::time_point()>;

    explicit NetworkMonitor(WallClock wallClock = [] { return std::chrono::system_clock::now(); })
        : wallClock_(std::move(wallClock)) {}

    // A frame of the bus and the (steady) time it was received.
    void Feed(const link::CanMessage& message, SteadyTime received);
    // Watches the node's heartbeat with the period (from 1017:00) from now on; 0 stops it. The
    // same period given again leaves the watch as it is.
    void WatchHeartbeat(int node, std::chrono::milliseconds period, SteadyTime now);
    NodeStatus Status(int node, SteadyTime now) const;
    // Forgets the nodes' states and heartbeat watches (the link closed); events stay.
    void ForgetNodes();

    // The events after the given sequence number, oldest first; the last kNetworkEventsKept.
    std::vector<NetworkEvent> EventsAfter(std::uint64_t sequence) const;
    std::uint64_t LastSequence() const;

  private:
    struct Node {
        std::optional<NmtState> state;
        std::optional<SteadyTime> lastHeartbeat;
        std::chrono::milliseconds period{0};
        SteadyTime watchedSince;
    };
    void AddEvent(NetworkEvent event);

    WallClock wallClock_;
    mutable std::mutex mutex_;
    std::map<int, Node> nodes_;
    std::deque<NetworkEvent> events_;
    std::uint64_t sequence_ = 0;
};

// The host time of an event as the tool shows it: local time "2024-05-03 14:22:01.123".
std::string HostTimeText(std::chrono::system_clock::time_point time);

}  // namespace morlo::canopen
