#include "link/BlockUploadClient.h"

#include "link/AbortCode.h"
#include "link/LinkConstants.h"
#include "link/SdoBlock.h"
#include "link/SdoFrame.h"

namespace morlo::link {
namespace {

bool SameObject(const SdoPayload& answer, ObjectKey key) {
    return PayloadKey(answer) == key;
}

}  // namespace

void BlockUploadClient::Send(const SdoPayload& payload) {
    port_.Send(BuildCanRequest(nodeId_, payload));
}

std::optional<SdoPayload> BlockUploadClient::NextAnswer(CanPort::TimePoint deadline) {
    const std::uint32_t answerId = BuildCanResponse(nodeId_, {}).id;
    while (auto message = port_.Receive(deadline)) {
        if (message->id == answerId && message->length >= kPayloadSize) {
            return CanPayload(*message);
        }
        port_.PassOn(*message);
    }
    return std::nullopt;
}

BlockOutcome BlockUploadClient::Fail(ObjectKey key, std::uint32_t code) {
    Send(BuildAbort(key, code));
    BlockOutcome out;
    out.kind = BlockOutcome::Kind::Failed;
    out.code = code;
    return out;
}

BlockOutcome BlockUploadClient::Upload(ObjectKey key) {
    data_.clear();
    BlockOutcome out;
    Send(BuildBlockInitiate(key, kMaxBlockSize, kBlockProtocolSwitch, true));
    std::optional<BlockInitiateAnswer> initiate;
    const auto deadline = port_.Now() + kLinkTimeout;
    while (!initiate) {
        std::optional<SdoPayload> answer = NextAnswer(deadline);
        if (!answer) {
            out.kind = BlockOutcome::Kind::Silent;
            return out;
        }
        if (!SameObject(*answer, key)) {
            continue;  // a late answer about another object
        }
        out.answer = *answer;
        if ((*answer)[0] == kCmdAbort) {
            out.kind = BlockOutcome::Kind::Refused;
            return out;
        }
        if (((*answer)[0] & kInitiateClassMask) == kInitiateClass) {
            out.kind = BlockOutcome::Kind::Switched;
            return out;
        }
        initiate = DecodeBlockInitiateAnswer(*answer);
    }
    if (initiate->size && *initiate->size > kBlockUploadLimit) {
        return Fail(key, static_cast<std::uint32_t>(AbortCode::OutOfMemory));
    }

    Send(BuildBlockStart());
    int fruitless = 0;  // blocks in a row that brought nothing
    while (true) {
        std::uint8_t lastSequence = 0;
        SdoPayload abort{};
        const Block block = ReceiveBlock(lastSequence, abort);
        if (block == Block::ServerAbort) {
            out.kind = BlockOutcome::Kind::Aborted;
            out.answer = abort;
            return out;
        }
        if (data_.size() > kBlockUploadLimit) {
            return Fail(key, static_cast<std::uint32_t>(AbortCode::OutOfMemory));
        }
        fruitless = lastSequence == 0 ? fruitless + 1 : 0;
        if (block == Block::Damaged && fruitless > kBlockRetries) {
            return Fail(key, static_cast<std::uint32_t>(AbortCode::SdoProtocolTimedOut));
        }
        // Acknowledges what arrived in order; the server goes on after it.
        Send(BuildBlockAck(lastSequence, kMaxBlockSize));
        if (block == Block::Last) {
            break;
        }
    }

    std::optional<BlockEnd> end;
    const auto endDeadline = port_.Now() + kLinkTimeout;
    while (!end) {
        std::optional<SdoPayload> answer = NextAnswer(endDeadline);
        if (!answer) {
            return Fail(key, static_cast<std::uint32_t>(AbortCode::SdoProtocolTimedOut));
        }
        if ((*answer)[0] == kCmdAbort) {
            out.kind = BlockOutcome::Kind::Aborted;
            out.answer = *answer;
            return out;
        }
        end = DecodeBlockEnd(*answer);  // a segment sent once more is skipped
    }
    const auto unused = static_cast<std::size_t>(end->unusedBytes);
    if (unused > data_.size()) {
        return Fail(key, static_cast<std::uint32_t>(AbortCode::CommandSpecifierInvalid));
    }
    data_.resize(data_.size() - unused);
    if (initiate->size && *initiate->size != data_.size()) {
        return Fail(key, static_cast<std::uint32_t>(AbortCode::DataTypeLengthMismatch));
    }
    if (initiate->crc &&
        BlockCrc({reinterpret_cast<const std::uint8_t*>(data_.data()), data_.size()}) != end->crc) {
        return Fail(key, static_cast<std::uint32_t>(AbortCode::CrcError));
    }
    Send(BuildBlockEndResponse());
    out.kind = BlockOutcome::Kind::Data;
    out.data = std::move(data_);
    return out;
}

BlockUploadClient::Block BlockUploadClient::ReceiveBlock(std::uint8_t& lastSequence,
                                                         SdoPayload& abort) {
    bool damaged = false;
    bool last = false;
    while (true) {
        // The block ends with its last sequence number or its c bit, or when the frames stop.
        std::optional<SdoPayload> segment = NextAnswer(port_.Now() + kLinkTimeout);
        if (!segment) {
            return Block::Damaged;
        }
        if ((*segment)[0] == kCmdAbort) {
            abort = *segment;
            return Block::ServerAbort;
        }
        const std::uint8_t sequence = (*segment)[0] & kBlockSequenceMask;
        const bool ends = ((*segment)[0] & kBlockLastSegmentBit) != 0;
        if (!damaged && sequence == lastSequence + 1) {
            data_.append(reinterpret_cast<const char*>(segment->data() + 1), kSegmentDataBytes);
            lastSequence = sequence;
            last = ends;
        } else {
            damaged = true;  // a segment went missing: the rest of the block is sent again
        }
        if (ends || sequence >= kMaxBlockSize) {
            return last ? Block::Last : (damaged ? Block::Damaged : Block::Done);
        }
    }
}

}  // namespace morlo::link
