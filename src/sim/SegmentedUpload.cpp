#include "SegmentedUpload.h"

#include <algorithm>

#include "SdoAnswers.h"
#include "link/LinkConstants.h"
#include "link/SdoFrame.h"

namespace morlo::sim {
namespace {

constexpr std::uint8_t kToggleBit = 0x10;
constexpr int kUnusedCountShift = 1;

}  // namespace

void SegmentedUpload::Start(ObjectKey key, std::string data) {
    key_ = key;
    data_ = std::move(data);
    position_ = 0;
    active_ = true;
    expectToggle_ = false;
}

link::SdoPayload SegmentedUpload::Next(const link::SdoPayload& request) {
    if (!active_) {
        return AbortAnswer(request, link::AbortCode::CommandSpecifierInvalid);
    }
    const bool toggle = request[0] == link::kCmdSegmentToggle;
    if (toggle != expectToggle_) {
        active_ = false;
        // The abort names the object of the transfer; segment requests carry none.
        return AbortAnswer(link::BuildPayload(key_, request[0], 0),
                           link::AbortCode::ToggleBitNotAlternated);
    }
    const std::size_t count = std::min(link::kSegmentDataBytes, data_.size() - position_);
    const bool last = dialect_ == SdoDialect::Standard ? position_ + count == data_.size()
                                                       : count < link::kSegmentDataBytes;
    link::SdoPayload answer{};
    answer[0] = static_cast<std::uint8_t>((toggle ? kToggleBit : 0) |
                                          ((link::kSegmentDataBytes - count) << kUnusedCountShift) |
                                          (last ? link::kSegmentLastBit : 0));
    std::copy_n(data_.begin() + static_cast<std::ptrdiff_t>(position_), count, answer.begin() + 1);
    position_ += count;
    expectToggle_ = !expectToggle_;
    if (last) {
        active_ = false;
    }
    return answer;
}

}  // namespace morlo::sim
