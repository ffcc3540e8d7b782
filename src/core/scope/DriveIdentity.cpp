#include "scope/DriveIdentity.h"

#include <algorithm>

#include "link/AbortCode.h"
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
    upload_.Stop();
}

void DriveIdentityReader::ReadNext() {
    upload_.Stop();
    if (index_ >= kKeys.size()) {
        Cancel();
        return;
    }
    awaitingValue_ = true;
    link_.Submit(link::kCmdRead, kKeys[index_], 0);
}

void DriveIdentityReader::Finish(std::string text) {
    texts_[index_] = std::move(text);
    ++index_;
    ReadNext();
}

bool DriveIdentityReader::OnValue(std::int32_t value, ObjectKey key) {
    if (!awaitingValue_ || key != kKeys[index_]) {
        return false;
    }
    awaitingValue_ = false;
    Finish(link::ExpeditedText(static_cast<std::uint32_t>(value)));
    return true;
}

bool DriveIdentityReader::OnUploadStart(ObjectKey key) {
    if (!active_ || index_ >= kKeys.size() || key != kKeys[index_] ||
        (!awaitingValue_ && !upload_.Running())) {
        return false;
    }
    awaitingValue_ = false;
    link_.Submit(upload_.Start(key), 0, 0);
    return true;
}

bool DriveIdentityReader::OnSegment() {
    if (!upload_.Running()) {
        return false;
    }
    std::array<std::uint8_t, kSegmentBytes> data{};
    int count = 0;
    bool last = false;
    link_.GetSegmentData(data, count, last);
    const auto bytes = static_cast<std::size_t>(std::clamp(count, 0, int(kSegmentBytes)));
    switch (upload_.Add({data.data(), bytes}, last)) {
        case link::UploadReader::Step::Next:
            link_.Submit(upload_.NextCommand(), 0, 0);
            break;
        case link::UploadReader::Step::Done:
            Finish(upload_.Data());
            break;
        case link::UploadReader::Step::TooLong:
            link_.Submit(link::kCmdAbort, kKeys[index_],
                         static_cast<std::int32_t>(link::AbortCode::OutOfMemory));
            Finish({});
            break;
    }
    return true;
}

bool DriveIdentityReader::OnAbort(ObjectKey key) {
    const bool mine =
        index_ < kKeys.size() && ((awaitingValue_ && key == kKeys[index_]) ||
                                  (upload_.Running() && (key == 0 || key == kKeys[index_])));
    if (!mine) {
        return false;
    }
    Finish({});
    return true;
}

}  // namespace morlo::scope
