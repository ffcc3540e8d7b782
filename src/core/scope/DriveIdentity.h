#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/ObjectKey.h"
#include "link/UploadReader.h"
#include "scope/ScopeLink.h"

namespace morlo::scope {

// Reads the drive's device name and software version (texts, by segmented upload) one after
// the other, so that a capture can say which drive made it. The face routes its results here
// first while the reader is active.
class DriveIdentityReader {
  public:
    explicit DriveIdentityReader(ScopeLink& link) : link_(link) {}

    // Forgets the texts and reads both again.
    void Start();
    // Stops reading; a late answer is no longer taken.
    void Cancel();
    bool Active() const { return active_; }

    // True when the result was the reader's. A text of up to four bytes comes in the answer
    // itself (OnValue); a longer one is announced (OnUploadStart, also when the link restarts
    // an upload that lost a segment) and follows in segments.
    bool OnValue(std::int32_t value, ObjectKey key);
    bool OnUploadStart(ObjectKey key);
    bool OnSegment();
    bool OnAbort(ObjectKey key);
    bool OnLinkFault(ObjectKey key) { return OnAbort(key); }

    // Empty until read, and when the drive refused it.
    const std::string& DeviceName() const { return texts_[0]; }
    const std::string& SoftwareVersion() const { return texts_[1]; }

  private:
    static constexpr std::array<ObjectKey, 2> kKeys{kDeviceNameKey, kSoftwareVersionKey};
    void ReadNext();
    void Finish(std::string text);

    ScopeLink& link_;
    bool active_ = false;
    std::size_t index_ = 0;
    bool awaitingValue_ = false;
    link::UploadReader upload_;
    std::array<std::string, 2> texts_;
};

}  // namespace morlo::scope
