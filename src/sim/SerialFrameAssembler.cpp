#include "SerialFrameAssembler.h"

#include <algorithm>

#include "SimConstants.h"
#include "link/SdoFrame.h"

namespace morlo::sim {

void SerialFrameAssembler::Expire(Clock::time_point now) {
    if (!buffer_.empty() && now - lastByte_ > kPartialFrameTimeout) {
        buffer_.clear();
    }
}

std::vector<link::SerialFrame> SerialFrameAssembler::Feed(const std::uint8_t* bytes,
                                                          std::size_t count,
                                                          Clock::time_point now) {
    Expire(now);
    buffer_.insert(buffer_.end(), bytes, bytes + count);
    if (count > 0) {
        lastByte_ = now;
    }
    std::vector<link::SerialFrame> frames;
    std::size_t start = 0;
    while (buffer_.size() - start >= link::kSerialFrameSize) {
        link::SerialFrame frame{};
        std::copy_n(buffer_.begin() + static_cast<std::ptrdiff_t>(start), frame.size(),
                    frame.begin());
        if (!link::SerialChecksumOk(frame)) {
            ++start;
            continue;
        }
        start += link::kSerialFrameSize;
        if (frame[0] == static_cast<std::uint8_t>(nodeId_)) {
            frames.push_back(frame);
        }
    }
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start));
    return frames;
}

}  // namespace morlo::sim
