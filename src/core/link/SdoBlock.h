#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "common/ObjectKey.h"
#include "link/LinkTypes.h"

namespace morlo::link {

// Frames of the SDO block upload, shared by the codec and the simulated drive.

// CRC-16 of block transfers: polynomial x^16 + x^12 + x^5 + 1, initial value 0.
std::uint16_t BlockCrc(std::span<const std::uint8_t> data, std::uint16_t crc = 0);

// Client requests.
SdoPayload BuildBlockInitiate(ObjectKey key, std::uint8_t blockSize, std::uint8_t protocolSwitch,
                              bool crc);
SdoPayload BuildBlockStart();
SdoPayload BuildBlockAck(std::uint8_t lastSequence, std::uint8_t nextBlockSize);
SdoPayload BuildBlockEndResponse();

// Server answers.
SdoPayload BuildBlockInitiateAnswer(ObjectKey key, std::uint32_t size, bool crc);
SdoPayload BuildBlockSegment(std::uint8_t sequence, bool last, std::span<const std::uint8_t> data);
SdoPayload BuildBlockEnd(int unusedBytes, std::uint16_t crc);

// A server's answer to a block upload initiate.
struct BlockInitiateAnswer {
    bool crc = false;
    std::optional<std::uint32_t> size;
};
std::optional<BlockInitiateAnswer> DecodeBlockInitiateAnswer(const SdoPayload& answer);

// A server's end of the upload: the bytes of the last segment that carry no data, and the CRC.
struct BlockEnd {
    int unusedBytes = 0;
    std::uint16_t crc = 0;
};
std::optional<BlockEnd> DecodeBlockEnd(const SdoPayload& answer);

// True for the client's block upload commands (initiate, start, ack, end).
bool IsBlockUploadRequest(std::uint8_t command);

}  // namespace morlo::link
