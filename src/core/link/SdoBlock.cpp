#include "link/SdoBlock.h"

#include <algorithm>

#include "link/LinkConstants.h"
#include "link/SdoFrame.h"

namespace morlo::link {
namespace {

constexpr std::uint16_t kCrcPolynomial = 0x1021;
constexpr std::uint16_t kCrcTopBit = 0x8000;
constexpr int kBitsPerByte = 8;
constexpr std::uint8_t kBlockUploadInitiate = 0x00;  // ss / cs bits of the initiate

SdoPayload Command(std::uint8_t command) {
    SdoPayload payload{};
    payload[0] = command;
    return payload;
}

}  // namespace

std::uint16_t BlockCrc(std::span<const std::uint8_t> data, std::uint16_t crc) {
    for (std::uint8_t byte : data) {
        crc = static_cast<std::uint16_t>(crc ^ (byte << kBitsPerByte));
        for (int bit = 0; bit < kBitsPerByte; ++bit) {
            crc = (crc & kCrcTopBit) != 0 ? static_cast<std::uint16_t>((crc << 1) ^ kCrcPolynomial)
                                          : static_cast<std::uint16_t>(crc << 1);
        }
    }
    return crc;
}

SdoPayload BuildBlockInitiate(ObjectKey key, std::uint8_t blockSize, std::uint8_t protocolSwitch,
                              bool crc) {
    SdoPayload payload = BuildPayload(
        key, static_cast<std::uint8_t>(kCmdBlockUpload | (crc ? kBlockClientCrcBit : 0)), 0);
    payload[kBlockInitiateSizeByte] = blockSize;
    payload[kBlockInitiateSwitchByte] = protocolSwitch;
    return payload;
}

SdoPayload BuildBlockStart() {
    return Command(kCmdBlockStart);
}

SdoPayload BuildBlockAck(std::uint8_t lastSequence, std::uint8_t nextBlockSize) {
    SdoPayload payload = Command(kCmdBlockAck);
    payload[kBlockAckSequenceByte] = lastSequence;
    payload[kBlockAckSizeByte] = nextBlockSize;
    return payload;
}

SdoPayload BuildBlockEndResponse() {
    return Command(kCmdBlockEnd);
}

SdoPayload BuildBlockInitiateAnswer(ObjectKey key, std::uint32_t size, bool crc) {
    return BuildPayload(key,
                        static_cast<std::uint8_t>(kAnswerBlockClass | kBlockSizeBit |
                                                  (crc ? kBlockServerCrcBit : 0)),
                        static_cast<std::int32_t>(size));
}

SdoPayload BuildBlockSegment(std::uint8_t sequence, bool last, std::span<const std::uint8_t> data) {
    SdoPayload payload{};
    payload[0] = static_cast<std::uint8_t>((sequence & kBlockSequenceMask) |
                                           (last ? kBlockLastSegmentBit : 0));
    std::copy_n(data.begin(), std::min(data.size(), kSegmentDataBytes), payload.begin() + 1);
    return payload;
}

SdoPayload BuildBlockEnd(int unusedBytes, std::uint16_t crc) {
    SdoPayload payload = Command(static_cast<std::uint8_t>(
        kAnswerBlockClass | ((unusedBytes & kBlockEndUnusedMask) << kBlockEndUnusedShift) |
        kAnswerBlockEnd));
    payload[1] = static_cast<std::uint8_t>(crc);
    payload[2] = static_cast<std::uint8_t>(crc >> kBitsPerByte);
    return payload;
}

std::optional<BlockInitiateAnswer> DecodeBlockInitiateAnswer(const SdoPayload& answer) {
    const std::uint8_t command = answer[0];
    if ((command & kAnswerBlockClassMask) != kAnswerBlockClass ||
        (command & kAnswerBlockSubMask) != kBlockUploadInitiate) {
        return std::nullopt;
    }
    BlockInitiateAnswer out;
    out.crc = (command & kBlockServerCrcBit) != 0;
    if ((command & kBlockSizeBit) != 0) {
        out.size = PayloadValue(answer);
    }
    return out;
}

std::optional<BlockEnd> DecodeBlockEnd(const SdoPayload& answer) {
    const std::uint8_t command = answer[0];
    if ((command & kAnswerBlockClassMask) != kAnswerBlockClass ||
        (command & kAnswerBlockSubMask) != kAnswerBlockEnd) {
        return std::nullopt;
    }
    return BlockEnd{(command >> kBlockEndUnusedShift) & kBlockEndUnusedMask,
                    static_cast<std::uint16_t>(answer[1] | (answer[2] << kBitsPerByte))};
}

bool IsBlockUploadRequest(std::uint8_t command) {
    return (command & kAnswerBlockClassMask) == kCmdBlockUpload;
}

}  // namespace morlo::link
