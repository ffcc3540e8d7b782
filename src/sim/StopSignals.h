#pragma once

namespace morlo::sim {

// SIGINT and SIGTERM as a readable descriptor (signalfd): the signals are blocked for the
// process and arrive on Fd(). Create it before any thread starts, so every thread inherits
// the blocked mask.
class StopSignals {
  public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // -1 when the descriptor could not be made.
    int Fd() const { return fd_; }
    // Reads a pending signal; true when one was there.
    bool Consume();

  private:
    int fd_ = -1;
};

}  // namespace morlo::sim
