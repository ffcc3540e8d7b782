#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace morlo::engine {

// How the control-link thread pauses. A pause waits on the thread's condition and ends early
// when wake() turns true (new work, a task, the exit flag). Tests inject a pacer that does
// not wait, so the thread's fixed pauses cost nothing.
class Pacer {
  public:
    virtual ~Pacer() = default;
    virtual void Pause(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                       std::chrono::milliseconds duration, const std::function<bool()>& wake) = 0;
};

class RealTimePacer final : public Pacer {
  public:
    void Pause(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
               std::chrono::milliseconds duration, const std::function<bool()>& wake) override {
        cv.wait_for(lock, duration, wake);
    }
};

}  // namespace morlo::engine
