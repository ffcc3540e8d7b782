#include "scope/DriveIdentity.h"

#include <algorithm>

#include "link/LinkConstants.h"

namespace morlo::scope {

void DriveIdentityReader::Start() {
    texts_ = {};
    index_ = 0;
    active_ = true;
    ReadNext();
}

void DriveIdentityReader::Cancel() {
    active_ = false;
    awaitingValue_ = false;
    awaitingSegment_ = false;
}

void DriveIdentityReader::ReadNext() {
    if (index_ >= kKeys.size()) {
        Cancel();
        return;
    }
    awaitingValue_ = true;
    awaitingSegment_ = false;
    link_.Submit(link::kCmdRead, kKeys[index_], 0);
}

void DriveIdentityReader::RequestSegment() {
    awaitingSegment_ = true;
    link_.Submit(toggle_, 0, 0);
}

void DriveIdentityReader::Finish(std::string text) {
    texts_[index_] = std::move(text);
    ++index_;
    ReadNext();
}

bool DriveIdentityReader::OnValue(ObjectKey key) {
    if (!awaitingValue_ || key != kKeys[index_]) {
        return false;
    }
    // The answer announces the text's length; the text follows in segments.
    awaitingValue_ = false;
    text_.clear();
    toggle_ = link::kCmdSegment;
    RequestSegment();
    return true;
}

bool DriveIdentityReader::OnSegment() {
    if (!awaitingSegment_) {
        return false;
    }
    awaitingSegment_ = false;
    std::array<std::uint8_t, kSegmentBytes> data{};
    int count = 0;
    bool last = false;
    link_.GetSegmentData(data, count, last);
    const auto bytes = static_cast<std::size_t>(std::clamp(count, 0, int(kSegmentBytes)));
    text_.append(reinterpret_cast<const char*>(data.data()), bytes);
    if (last) {
        Finish(std::move(text_));
        return true;
    }
    toggle_ = toggle_ == link::kCmdSegment ? link::kCmdSegmentToggle : link::kCmdSegment;
    RequestSegment();
    return true;
}

bool DriveIdentityReader::OnAbort(ObjectKey key) {
    const bool mine = (awaitingValue_ && key == kKeys[index_]) || (awaitingSegment_ && key == 0);
    if (!mine) {
        return false;
    }
    Finish({});
    return true;
}

}  // namespace morlo::scope
