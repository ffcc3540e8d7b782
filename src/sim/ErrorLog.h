#pragma once

#include <cstdint>

#include "ObjectStore.h"

namespace morlo::sim {

// The drive's situation when an error occurred, in the error log's raw units.
struct ErrorSnapshot {
    std::int64_t busDeciVolt = 0;
    std::int64_t velocity = 0;  // counts/s
    std::int64_t currentMa = 0;
    std::int64_t temperatureDeciC = 0;
    std::int64_t statusword = 0;
    std::int64_t timeSeconds = 0;
};

// The error history in 0x2610..0x2617: record 0 is the newest; a new error shifts every
// record one place towards the oldest and drops the last. Records or subindices that the
// dictionary lacks are skipped.
class ErrorLog {
  public:
    explicit ErrorLog(ObjectStore& objects) : objects_(objects) {}

    void Append(std::uint16_t code, const ErrorSnapshot& snapshot);
    // True for the objects of the log, which survive a restart.
    static bool IsLogObject(ObjectKey key);

  private:
    ObjectStore& objects_;
};

}  // namespace morlo::sim
