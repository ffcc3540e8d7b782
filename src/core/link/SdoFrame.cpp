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

namespace {

bool IsSegmentRequest(std::uint8_t command) {
    return command == kCmdSegment || command == kCmdSegmentToggle;
}

bool IsWriteRequest(std::uint8_t command) {
    return (command & kWriteMask) == kWriteClass;
}

bool SameObject(const SdoPayload& a, const SdoPayload& b) {
    return a[1] == b[1] && a[2] == b[2] && a[3] == b[3];
}

// The value of an upload initiate answer, or nullopt when it is none.
std::optional<DecodedAnswer> DecodeInitiate(const SdoPayload& a) {
    const std::uint8_t command = a[0];
    if ((command & kInitiateClassMask) != kInitiateClass) {
        return std::nullopt;
    }
    const std::uint32_t all = PayloadValue(a);
    const bool sized = (command & kInitiateSizeBit) != 0;
    if ((command & kInitiateExpeditedBit) == 0) {
        return DecodedAnswer{ResultKind::UploadStarted, sized ? all : 0u};
    }
    if (!sized) {
        return DecodedAnswer{ResultKind::Value, all};
    }
    const int unused = (command >> kInitiateUnusedShift) & kInitiateUnusedMask;
    const std::uint32_t mask = 0xFFFFFFFFu >> (8 * unused);
    return DecodedAnswer{ResultKind::Value, all & mask, 8 * (kInitiateBytes - unused)};
}

}  // namespace

std::optional<DecodedAnswer> DecodeAnswer(std::uint8_t requestCommand, const SdoPayload& a,
                                          std::uint32_t previousValue) {
    const std::uint32_t all = PayloadValue(a);
    if (a[0] == kCmdAbort) {
        return DecodedAnswer{ResultKind::Abort, all};
    }
    switch (requestCommand) {
        case kCmdWrite32:
            return DecodedAnswer{ResultKind::Value, all, 32};
        case kCmdWrite16:
            return DecodedAnswer{ResultKind::Value, all & 0xFFFFu, 16};
        case kCmdWrite8:
            return DecodedAnswer{ResultKind::Value, all & 0xFFu, 8};
        case kCmdRead:
            return DecodeInitiate(a);
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

bool AnswerFits(const SdoPayload& request, const SdoPayload& answer,
                std::optional<ObjectKey> uploadKey) {
    const std::uint8_t command = request[0];
    const std::uint8_t reply = answer[0];
    if (IsSegmentRequest(command)) {
        if (reply == kCmdAbort) {
            return !uploadKey || PayloadKey(answer) == *uploadKey;
        }
        return (reply & kSegmentClassMask) == kSegmentClass &&
               (reply & kToggleBit) == (command & kToggleBit);
    }
    if (!SameObject(request, answer)) {
        return false;
    }
    if (reply == kCmdAbort) {
        return command == kCmdRead || IsWriteRequest(command);
    }
    if (command == kCmdRead) {
        return (reply & kInitiateClassMask) == kInitiateClass;
    }
    if (IsWriteRequest(command)) {
        return reply == kAnswerWrite;
    }
    return false;
}

SdoPayload BuildAbort(ObjectKey key, std::uint32_t code) {
    return BuildPayload(key, kCmdAbort, static_cast<std::int32_t>(code));
}

}  // namespace morlo::link
