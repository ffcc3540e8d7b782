#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "link/LinkTypes.h"

namespace morlo::sim {

// Cuts a byte stream into the 10-byte request frames of one node: a bad checksum drops one
// byte to find the frame start again, a good frame for another node is skipped whole, and a
// partial frame is forgotten after a short silence.
class SerialFrameAssembler {
  public:
    using Clock = std::chrono::steady_clock;

    explicit SerialFrameAssembler(int nodeId) : nodeId_(nodeId) {}

    std::vector<link::SerialFrame> Feed(const std::uint8_t* bytes, std::size_t count,
                                        Clock::time_point now);
    // Drops a partial frame that has waited too long.
    void Expire(Clock::time_point now);
    std::size_t Pending() const { return buffer_.size(); }

  private:
    int nodeId_;
    std::vector<std::uint8_t> buffer_;
    Clock::time_point lastByte_{};
};

}  // namespace morlo::sim
