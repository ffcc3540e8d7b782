#pragma once

#include <chrono>
#include <optional>

#include "link/LinkTypes.h"

namespace morlo::link {

// The CAN bus as the codec's helpers (block upload, bus scan, network management) use it.
// Frames go out and come in through the codec, so that tracing sees them and traffic that no
// helper asked for (heartbeats, emergencies, other nodes) still reaches the bus listener.
class CanPort {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~CanPort() = default;
    // 0 = sent.
    virtual int Send(const CanMessage& message) = 0;
    // The next frame of the bus before the deadline; nullopt when none came.
    virtual std::optional<CanMessage> Receive(TimePoint deadline) = 0;
    virtual TimePoint Now() const = 0;
    // A received frame the helper does not use.
    virtual void PassOn(const CanMessage& message) = 0;
};

}  // namespace morlo::link
