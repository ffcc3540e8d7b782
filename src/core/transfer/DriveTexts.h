#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "common/ObjectKey.h"
#include "engine/LinkRequest.h"
#include "link/UploadReader.h"
#include "transfer/TransferLink.h"

namespace morlo::transfer {

// Which drive a backup came from: its texts, empty when the drive has or gives none.
struct DriveIdentity {
    std::string deviceName;
    std::string hardwareVersion;
    std::string softwareVersion;
};

// Reads text objects of the drive one after the other: up to four bytes come in the answer
// itself, longer texts by segmented upload. A refused text reads as empty.
class DriveTextReader {
  public:
    explicit DriveTextReader(TransferLink& link) : link_(link) {}

    void Start(std::vector<ObjectKey> keys);
    void Cancel();
    bool Active() const { return active_; }
    // True when the result was the reader's.
    bool OnResult(const engine::Delivery& delivery);
    // One text per key, in the order given.
    const std::vector<std::string>& Texts() const { return texts_; }

  private:
    void ReadNext();
    void Finish(std::string text);
    bool OnSegment();

    TransferLink& link_;
    std::vector<ObjectKey> keys_;
    std::vector<std::string> texts_;
    std::size_t index_ = 0;
    bool active_ = false;
    link::UploadReader upload_;
};

// The objects of a drive's identity, in DriveIdentity's order, and the identity they make.
std::vector<ObjectKey> IdentityKeys();
DriveIdentity IdentityOf(const std::vector<std::string>& texts);

}  // namespace morlo::transfer
