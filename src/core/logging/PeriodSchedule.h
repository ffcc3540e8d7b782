#pragma once

#include <chrono>
#include <cstdint>

namespace morlo::logging {

// Deadlines at fixed multiples of a period from a start, so that lateness never adds up
// (drift-free). A round that ends after later deadlines have passed skips them; they are
// counted as missed.
class PeriodSchedule {
  public:
    using Clock = std::chrono::steady_clock;

    PeriodSchedule(Clock::time_point start, std::chrono::nanoseconds period)
        : start_(start), period_(period) {}

    Clock::time_point Deadline(std::int64_t k) const { return start_ + k * period_; }
    std::int64_t Current() const { return current_; }
    Clock::time_point CurrentDeadline() const { return Deadline(current_); }

    // After a round that ended at `now`: the next deadline still ahead, and how many
    // deadlines passed without a round (0 when the round kept its period).
    struct Next {
        std::int64_t index = 0;
        std::int64_t missed = 0;
    };
    Next Advance(Clock::time_point now) {
        std::int64_t next = current_ + 1;
        if (now >= Deadline(next)) {
            next = (now - start_) / period_ + 1;  // the first deadline after now
        }
        const Next result{next, next - current_ - 1};
        current_ = next;
        return result;
    }

  private:
    Clock::time_point start_;
    std::chrono::nanoseconds period_;
    std::int64_t current_ = 0;
};

}  // namespace morlo::logging
