#pragma once

#include <cstddef>
#include <string>

#include "SdoDialect.h"
#include "common/ObjectKey.h"
#include "link/LinkTypes.h"

namespace morlo::sim {

// The drive's side of one segmented upload: hands out the data 7 bytes at a time. In the
// family dialect a segment with 7 data bytes is never marked last, so data whose length is a
// multiple of 7 ends with an empty last segment; the standard dialect marks the last segment
// whatever its length.
class SegmentedUpload {
  public:
    explicit SegmentedUpload(SdoDialect dialect) : dialect_(dialect) {}

    void Start(ObjectKey key, std::string data);
    void End() { active_ = false; }
    bool Active() const { return active_; }

    // The answer to an upload segment request (0x60 / 0x70).
    link::SdoPayload Next(const link::SdoPayload& request);

  private:
    SdoDialect dialect_;
    ObjectKey key_ = 0;
    std::string data_;
    std::size_t position_ = 0;
    bool active_ = false;
    bool expectToggle_ = false;
};

}  // namespace morlo::sim
