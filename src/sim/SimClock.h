#pragma once

#include <atomic>
#include <chrono>

namespace morlo::sim {

// Where the simulated drive takes its time from: nanoseconds since an arbitrary start.
class SimClock {
  public:
    virtual ~SimClock() = default;
    virtual std::chrono::nanoseconds Now() const = 0;
};

// Real time, for the running simulator.
class SteadySimClock final : public SimClock {
  public:
    std::chrono::nanoseconds Now() const override {
        return std::chrono::steady_clock::now() - start_;
    }

  private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// Time that only moves when told, for tests.
class ManualSimClock final : public SimClock {
  public:
    std::chrono::nanoseconds Now() const override { return std::chrono::nanoseconds{now_.load()}; }
    void Advance(std::chrono::nanoseconds step) { now_ += step.count(); }
    void Set(std::chrono::nanoseconds now) { now_ = now.count(); }

  private:
    std::atomic<std::chrono::nanoseconds::rep> now_{0};
};

}  // namespace morlo::sim
