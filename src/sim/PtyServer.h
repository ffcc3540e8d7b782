#pragma once

#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "SerialFrameAssembler.h"
#include "SimulatedDrive.h"
#include "UniqueFd.h"

namespace morlo::sim {

struct PtyServerSettings {
    int nodeId = 1;
    int baud = 0;  // > 0: answers wait for the wire time of a request and an answer
};

// Serves the simulated drive's serial protocol on a pseudo-terminal, whose slave side a
// program opens like a serial port.
class PtyServer {
  public:
    PtyServer(std::shared_ptr<SimulatedDrive> drive, PtyServerSettings settings);

    // Creates the terminal pair in raw mode. False, with the reason, when it cannot.
    bool Open(std::string& error);
    const std::string& SlavePath() const { return slavePath_; }

    // Serves until stopFd becomes readable: 0 then, -1 when the terminal fails.
    int Serve(int stopFd);

  private:
    using Clock = SerialFrameAssembler::Clock;
    // Bytes that leave at a given time; answers leave in the order of their requests.
    struct Outgoing {
        Clock::time_point due;
        std::vector<std::uint8_t> bytes;
    };

    void Answer(const link::SerialFrame& request, Clock::time_point arrived);
    // How long poll may wait: until the next answer is nearly due, at most an idle tick.
    std::chrono::nanoseconds PollWait(Clock::time_point now) const;
    // Sends what is due.
    void SendDue();
    bool WriteAll(const std::uint8_t* bytes, std::size_t count);

    std::shared_ptr<SimulatedDrive> drive_;
    PtyServerSettings settings_;
    SerialFrameAssembler assembler_;
    std::chrono::nanoseconds wireTime_{0};
    std::deque<Outgoing> outgoing_;
    UniqueFd master_;
    UniqueFd slave_;  // kept open so that the master does not hang up between clients
    std::string slavePath_;
};

}  // namespace morlo::sim
