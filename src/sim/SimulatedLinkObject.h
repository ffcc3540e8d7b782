#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "SimulatedDrive.h"
#include "link/LinkObject.h"

namespace morlo::sim {

struct SimulatedLinkOptions {
    // true: a receive without an answer waits its whole time-out, like a real port.
    bool waitOnSilence = false;
};

// A serial link to a simulated drive inside the process: frames go straight to the drive,
// answers come back framed, with the drive's fault settings applied.
class SimulatedLinkObject final : public link::ByteLinkObject {
  public:
    explicit SimulatedLinkObject(std::shared_ptr<SimulatedDrive> drive,
                                 SimulatedLinkOptions options = {});

    int Open(const link::LinkSettings& settings) override;
    void Close() override;
    int Send(const std::uint8_t* bytes, std::size_t count) override;
    std::size_t Receive(std::uint8_t* buffer, std::size_t capacity,
                        std::chrono::milliseconds timeout) override;

    SimulatedDrive& Drive() { return *drive_; }
    const std::shared_ptr<SimulatedDrive>& SharedDrive() const { return drive_; }

  private:
    std::shared_ptr<SimulatedDrive> drive_;
    SimulatedLinkOptions options_;
    bool open_ = false;
    int nodeId_ = 0;
    std::vector<std::uint8_t> pending_;
    std::chrono::milliseconds latency_{0};
};

}  // namespace morlo::sim
