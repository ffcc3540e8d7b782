#include "SegmentedUpload.h"

#include <algorithm>

#include "SdoAnswers.h"
#include "link/LinkConstants.h"

namespace morlo::sim {
namespace {

constexpr std::uint8_t kToggleBit = 0x10;
constexpr std::uint8_t kLastSegmentBit = 0x01;
constexpr int kUnusedCountShift = 1;

}  // namespace

void SegmentedUpload::Start(std::string data) {
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
        return AbortAnswer(request, link::AbortCode::ToggleBitNotAlternated);
    }
    const std::size_t count = std::min(link::kSegmentDataBytes, data_.size() - position_);
    const bool last = count < link::kSegmentDataBytes;
    link::SdoPayload answer{};
    answer[0] = static_cast<std::uint8_t>((toggle ? kToggleBit : 0) |
                                          ((link::kSegmentDataBytes - count) << kUnusedCountShift) |
                                          (last ? kLastSegmentBit : 0));
    std::copy_n(data_.begin() + static_cast<std::ptrdiff_t>(position_), count, answer.begin() + 1);
    position_ += count;
    expectToggle_ = !expectToggle_;
    if (last) {
        active_ = false;
    }
    return answer;
}

}  // namespace morlo::sim
