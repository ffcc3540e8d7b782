#include "BlockUpload.h"

#include <algorithm>

#include "SdoAnswers.h"
#include "link/AbortCode.h"
#include "link/LinkConstants.h"
#include "link/SdoBlock.h"
#include "link/SdoFrame.h"

namespace morlo::sim {
link::SdoPayload BlockUpload::Start(ObjectKey key, std::string data, std::uint8_t blockSize,
                                    bool crc) {
    key_ = key;
    data_ = std::move(data);
    blockSize_ = blockSize;
    crc_ = crc;
    acknowledged_ = 0;
    sentInBlock_ = 0;
    state_ = State::Initiated;
    return link::BuildBlockInitiateAnswer(key, static_cast<std::uint32_t>(data_.size()), crc);
}

std::size_t BlockUpload::SegmentCount() const {
    // Empty data still takes one segment, the last, carrying nothing.
    return std::max<std::size_t>(
        1, (data_.size() + link::kSegmentDataBytes - 1) / link::kSegmentDataBytes);
}

std::vector<link::SdoPayload> BlockUpload::Abort(std::uint32_t code) {
    state_ = State::Idle;
    return {AbortAnswer(link::BuildPayload(key_, 0, 0), static_cast<link::AbortCode>(code))};
}

std::vector<link::SdoPayload> BlockUpload::SendBlock() {
    std::vector<link::SdoPayload> segments;
    const std::size_t total = SegmentCount();
    std::size_t segment = acknowledged_;
    for (std::uint8_t sequence = 1; sequence <= blockSize_ && segment < total;
         ++sequence, ++segment) {
        const std::size_t from = segment * link::kSegmentDataBytes;
        const std::size_t count = std::min(link::kSegmentDataBytes, data_.size() - from);
        segments.push_back(link::BuildBlockSegment(
            sequence, segment + 1 == total,
            {reinterpret_cast<const std::uint8_t*>(data_.data()) + from, count}));
    }
    sentInBlock_ = segments.size();
    state_ = State::Sending;
    return segments;
}

std::vector<link::SdoPayload> BlockUpload::Next(const link::SdoPayload& request) {
    const std::uint8_t command = request[0] & link::kBlockClientMask;
    if (command == link::kCmdBlockStart && state_ == State::Initiated) {
        return SendBlock();
    }
    if (command == link::kCmdBlockAck && state_ == State::Sending) {
        const std::size_t sequence = request[link::kBlockAckSequenceByte];
        const std::uint8_t blockSize = request[link::kBlockAckSizeByte];
        if (sequence > sentInBlock_) {
            return Abort(static_cast<std::uint32_t>(link::AbortCode::InvalidSequenceNumber));
        }
        if (blockSize == 0 || blockSize > link::kMaxBlockSize) {
            return Abort(static_cast<std::uint32_t>(link::AbortCode::InvalidBlockSize));
        }
        acknowledged_ += sequence;
        blockSize_ = blockSize;
        if (acknowledged_ < SegmentCount()) {
            return SendBlock();
        }
        state_ = State::Ending;
        const std::size_t unused = SegmentCount() * link::kSegmentDataBytes - data_.size();
        const std::uint16_t crc =
            crc_ ? link::BlockCrc(
                       {reinterpret_cast<const std::uint8_t*>(data_.data()), data_.size()})
                 : 0;
        return {link::BuildBlockEnd(static_cast<int>(unused), crc)};
    }
    if (command == link::kCmdBlockEnd && state_ == State::Ending) {
        state_ = State::Idle;
        return {};
    }
    return Abort(static_cast<std::uint32_t>(link::AbortCode::CommandSpecifierInvalid));
}

}  // namespace morlo::sim
