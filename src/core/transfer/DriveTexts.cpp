#include "transfer/DriveTexts.h"

#include <algorithm>
#include <array>

#include "engine/EngineConstants.h"
#include "link/AbortCode.h"
#include "link/LinkConstants.h"
#include "transfer/TransferConstants.h"

namespace morlo::transfer {

void DriveTextReader::Start(std::vector<ObjectKey> keys) {
    keys_ = std::move(keys);
    texts_.assign(keys_.size(), std::string());
    index_ = 0;
    active_ = true;
    ReadNext();
}

void DriveTextReader::Cancel() {
    active_ = false;
    upload_.Stop();
}

void DriveTextReader::ReadNext() {
    upload_.Stop();
    if (index_ >= keys_.size()) {
        Cancel();
        return;
    }
    link_.Submit(link::kCmdRead, keys_[index_], 0);
}

void DriveTextReader::Finish(std::string text) {
    texts_[index_] = std::move(text);
    ++index_;
    ReadNext();
}

bool DriveTextReader::OnResult(const engine::Delivery& d) {
    if (!active_) {
        return false;
    }
    const ObjectKey key = keys_[index_];
    switch (d.message) {
        case engine::kMsgValue:
            if (d.lParam != key || upload_.Running()) {
                return false;
            }
            Finish(link::ExpeditedText(static_cast<std::uint32_t>(d.wParam)));
            return true;
        case engine::kMsgUploadStart:
            if (d.lParam != key) {
                return false;
            }
            // Also the restart of an upload that lost a segment: the text begins anew.
            link_.Submit(upload_.Start(key), key, 0);
            return true;
        case engine::kMsgSegment:
            return OnSegment();
        case engine::kMsgAbort:
        case engine::kMsgLinkFault:
            if (d.lParam != key) {
                return false;
            }
            Finish({});
            return true;
        default:
            return false;
    }
}

bool DriveTextReader::OnSegment() {
    if (!upload_.Running()) {
        return false;
    }
    std::array<std::uint8_t, link::kSegmentDataBytes> data{};
    int count = 0;
    bool last = false;
    link_.SegmentData(data, count, last);
    const auto bytes = static_cast<std::size_t>(std::clamp(count, 0, int(data.size())));
    switch (upload_.Add({data.data(), bytes}, last)) {
        case link::UploadReader::Step::Next:
            link_.Submit(upload_.NextCommand(), keys_[index_], 0);
            break;
        case link::UploadReader::Step::Done:
            Finish(upload_.Data());
            break;
        case link::UploadReader::Step::TooLong:
            link_.Submit(link::kCmdAbort, keys_[index_],
                         static_cast<std::int32_t>(link::AbortCode::OutOfMemory));
            Finish({});
            break;
    }
    return true;
}

std::vector<ObjectKey> IdentityKeys() {
    return {kDeviceNameKey, kHardwareVersionKey, kSoftwareVersionKey};
}

DriveIdentity IdentityOf(const std::vector<std::string>& texts) {
    DriveIdentity identity;
    identity.deviceName = texts.size() > 0 ? texts[0] : "";
    identity.hardwareVersion = texts.size() > 1 ? texts[1] : "";
    identity.softwareVersion = texts.size() > 2 ? texts[2] : "";
    return identity;
}

}  // namespace morlo::transfer
