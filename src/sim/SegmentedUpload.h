#pragma once

#include <cstddef>
#include <string>

#include "link/LinkTypes.h"

namespace morlo::sim {

// The drive's side of one segmented upload: hands out the data 7 bytes at a time.
// A segment with 7 data bytes is never marked last, so data whose length is a multiple of 7
// ends with an empty last segment.
class SegmentedUpload {
  public:
    void Start(std::string data);
    void End() { active_ = false; }
    bool Active() const { return active_; }

    // The answer to an upload segment request (0x60 / 0x70).
    link::SdoPayload Next(const link::SdoPayload& request);

  private:
    std::string data_;
    std::size_t position_ = 0;
    bool active_ = false;
    bool expectToggle_ = false;
};

}  // namespace morlo::sim
