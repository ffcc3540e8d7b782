#include "link/UploadReader.h"

#include "link/LinkConstants.h"

namespace morlo::link {

std::uint8_t UploadReader::Start(ObjectKey key) {
    key_ = key;
    running_ = true;
    toggle_ = kCmdSegment;
    data_.clear();
    return toggle_;
}

UploadReader::Step UploadReader::Add(std::span<const std::uint8_t> data, bool last) {
    if (data_.size() + data.size() > limit_) {
        running_ = false;
        return Step::TooLong;
    }
    data_.append(reinterpret_cast<const char*>(data.data()), data.size());
    if (last) {
        running_ = false;
        return Step::Done;
    }
    toggle_ = toggle_ == kCmdSegment ? kCmdSegmentToggle : kCmdSegment;
    return Step::Next;
}

std::optional<std::uint32_t> UploadReader::AsNumber() const {
    if (data_.empty() || data_.size() > sizeof(std::uint32_t)) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (std::size_t i = data_.size(); i-- > 0;) {
        value = (value << 8) | static_cast<std::uint8_t>(data_[i]);
    }
    return value;
}

std::string ExpeditedText(std::uint32_t value) {
    std::string text;
    for (int i = 0; i < 4; ++i) {
        const auto c = static_cast<char>(value >> (8 * i));
        if (c == '\0') {
            break;
        }
        text.push_back(c);
    }
    return text;
}

}  // namespace morlo::link
