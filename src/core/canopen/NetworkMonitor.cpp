#include "canopen/NetworkMonitor.h"

#include <algorithm>

#include "canopen/Nmt.h"
#include "common/LocalTime.h"

namespace morlo::canopen {

void NetworkMonitor::Feed(const link::CanMessage& message, SteadyTime received) {
    std::lock_guard lock(mutex_);
    if (auto heartbeat = DecodeHeartbeat(message)) {
        Node& node = nodes_[heartbeat->node];
        node.state = heartbeat->state;
        node.lastHeartbeat = received;
        if (heartbeat->state == NmtState::BootUp) {
            NetworkEvent event;
            event.kind = NetworkEvent::Kind::BootUp;
            event.node = heartbeat->node;
            AddEvent(event);
        }
        return;
    }
    if (auto emergency = DecodeEmergency(message)) {
        NetworkEvent event;
        event.kind = NetworkEvent::Kind::Emergency;
        event.node = emergency->node;
        event.emergency = *emergency;
        AddEvent(event);
    }
}

void NetworkMonitor::AddEvent(NetworkEvent event) {
    event.sequence = ++sequence_;
    event.hostTime = wallClock_();
    events_.push_back(event);
    if (events_.size() > kNetworkEventsKept) {
        events_.pop_front();
    }
}

void NetworkMonitor::WatchHeartbeat(int node, std::chrono::milliseconds period, SteadyTime now) {
    std::lock_guard lock(mutex_);
    Node& watched = nodes_[node];
    if (watched.period != period) {
        watched.period = period;
        watched.watchedSince = now;  // the same period read again changes nothing
    }
}

NodeStatus NetworkMonitor::Status(int node, SteadyTime now) const {
    std::lock_guard lock(mutex_);
    NodeStatus status;
    auto it = nodes_.find(node);
    if (it == nodes_.end()) {
        return status;
    }
    const Node& n = it->second;
    status.state = n.state;
    status.period = n.period;
    if (n.period.count() > 0) {
        SteadyTime last = n.watchedSince;
        if (n.lastHeartbeat) {
            last = std::max(last, *n.lastHeartbeat);
        }
        status.lost = now - last > kHeartbeatLostPeriods * n.period;
    }
    return status;
}

void NetworkMonitor::ForgetNodes() {
    std::lock_guard lock(mutex_);
    nodes_.clear();
}

std::vector<NetworkEvent> NetworkMonitor::EventsAfter(std::uint64_t sequence) const {
    std::lock_guard lock(mutex_);
    std::vector<NetworkEvent> out;
    for (const NetworkEvent& event : events_) {
        if (event.sequence > sequence) {
            out.push_back(event);
        }
    }
    return out;
}

std::uint64_t NetworkMonitor::LastSequence() const {
    std::lock_guard lock(mutex_);
    return sequence_;
}

std::string HostTimeText(std::chrono::system_clock::time_point time) {
    return LocalTimeText(time);
}

}  // namespace morlo::canopen
