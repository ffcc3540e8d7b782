#include "link/SdoFrame.h"

namespace morlo::link {

SdoPayload BuildPayload(ObjectKey key, std::uint8_t command, std::int32_t value) {
    auto k = static_cast<std::uint32_t>(key);
    auto v = static_cast<std::uint32_t>(value);
    return {command,
            static_cast<std::uint8_t>(k >> 8),
            static_cast<std::uint8_t>(k >> 16),
            static_cast<std::uint8_t>(k),
            static_cast<std::uint8_t>(v),
            static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16),
            static_cast<std::uint8_t>(v >> 24)};
}

ObjectKey PayloadKey(const SdoPayload& p) {
    return static_cast<ObjectKey>((std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[3]);
}

std::uint32_t PayloadValue(const SdoPayload& p) {
    return std::uint32_t{p[4]} | (std::uint32_t{p[5]} << 8) | (std::uint32_t{p[6]} << 16) |
           (std::uint32_t{p[7]} << 24);
}

SerialFrame BuildSerialFrame(int nodeId, const SdoPayload& payload) {
    SerialFrame frame{};
    frame[0] = static_cast<std::uint8_t>(nodeId);
    std::uint8_t sum = frame[0];
    for (std::size_t i = 0; i < kPayloadSize; ++i) {
        frame[i + 1] = payload[i];
        sum = static_cast<std::uint8_t>(sum + payload[i]);
    }
    frame[kSerialFrameSize - 1] = static_cast<std::uint8_t>(0u - sum);
    return frame;
}

bool SerialChecksumOk(const SerialFrame& frame) {
    std::uint8_t sum = 0;
    for (std::uint8_t b : frame) {
        sum = static_cast<std::uint8_t>(sum + b);
    }
    return sum == 0;
}

SdoPayload SerialPayload(const SerialFrame& frame) {
    SdoPayload p{};
    for (std::size_t i = 0; i < kPayloadSize; ++i) {
        p[i] = frame[i + 1];
    }
    return p;
}

CanMessage BuildCanRequest(int nodeId, const SdoPayload& payload) {
    CanMessage m;
    m.id = kCanRequestBase + static_cast<std::uint32_t>(nodeId & 0x7F);
    m.type = 0;
    m.length = kPayloadSize;
    m.data = payload;
    return m;
}

CanMessage BuildCanResponse(int nodeId, const SdoPayload& payload) {
    CanMessage m = BuildCanRequest(nodeId, payload);
    m.id = kCanResponseBase + static_cast<std::uint32_t>(nodeId & 0x7F);
    return m;
}

SdoPayload CanPayload(const CanMessage& message) {
    return message.data;
}

std::uint8_t WriteCommandForWidth(int width) {
    switch (width) {
        case 8:
            return kCmdWrite8;
        case 16:
            return kCmdWrite16;
        case 32:
            return kCmdWrite32;
        default:
            return 0;
    }
}

std::optional<DecodedAnswer> DecodeAnswer(std::uint8_t requestCommand, const SdoPayload& a,
                                          std::uint32_t previousValue) {
    const std::uint32_t all = PayloadValue(a);
    if (a[0] == kCmdAbort) {
        return DecodedAnswer{ResultKind::Abort, all};
    }
    switch (requestCommand) {
        case kCmdWrite32:
            return DecodedAnswer{ResultKind::Value, all};
        case kCmdWrite16:
            return DecodedAnswer{ResultKind::Value, all & 0xFFFFu};
        case kCmdWrite8:
            return DecodedAnswer{ResultKind::Value, all & 0xFFu};
        case kCmdRead:
            switch (a[0]) {
                case kAnswer32:
                    return DecodedAnswer{ResultKind::Value, all};
                case kAnswer16:
                    return DecodedAnswer{ResultKind::Value, all & 0xFFFFu};
                case kAnswer8:
                case kAnswer8Alt:
                case kAnswerSegmented:
                    return DecodedAnswer{ResultKind::Value, all & 0xFFu};
                default:
                    return std::nullopt;
            }
        case kCmdSegment:
        case kCmdSegmentToggle:
            return DecodedAnswer{ResultKind::Segment, previousValue};
        default:
            return std::nullopt;
    }
}

int SegmentDataCount(std::uint8_t answerCommand) {
    return static_cast<int>(kSegmentDataBytes) - ((answerCommand >> 1) & 7);
}

bool IsLastSegment(std::uint8_t answerCommand) {
    return (answerCommand & kSegmentLastBit) != 0 ||
           SegmentDataCount(answerCommand) < static_cast<int>(kSegmentDataBytes);
}

bool AnswerMatchesRequest(const SdoPayload& request, const SdoPayload& answer) {
    if (request[0] == kCmdSegment || request[0] == kCmdSegmentToggle) {
        return true;
    }
    return request[1] == answer[1] && request[2] == answer[2] && request[3] == answer[3];
}

}  // namespace morlo::link
