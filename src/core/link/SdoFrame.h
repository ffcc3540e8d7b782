#pragma once

#include <cstdint>
#include <optional>

#include "common/ObjectKey.h"
#include "link/LinkTypes.h"

namespace morlo::link {

// Pure frame building and decoding, shared by the codec and the simulated drive.

SdoPayload BuildPayload(ObjectKey key, std::uint8_t command, std::int32_t value);
ObjectKey PayloadKey(const SdoPayload& payload);
std::uint32_t PayloadValue(const SdoPayload& payload);  // bytes 4-7, little endian

// Node id, payload, checksum (two's complement of the sum of bytes 0-8).
SerialFrame BuildSerialFrame(int nodeId, const SdoPayload& payload);
bool SerialChecksumOk(const SerialFrame& frame);
SdoPayload SerialPayload(const SerialFrame& frame);

CanMessage BuildCanRequest(int nodeId, const SdoPayload& payload);
CanMessage BuildCanResponse(int nodeId, const SdoPayload& payload);
SdoPayload CanPayload(const CanMessage& message);

// Write command of a data width in bits: 8, 16, 32; 0 for any other width.
std::uint8_t WriteCommandForWidth(int width);

// A decoded answer: what it is and its 32-bit value (abort code for aborts).
struct DecodedAnswer {
    ResultKind kind;
    std::uint32_t value;
};

// Decodes an answer against the command of its request; nullopt when there is nothing to
// report. Segment answers keep previousValue. No sign extension here.
std::optional<DecodedAnswer> DecodeAnswer(std::uint8_t requestCommand, const SdoPayload& answer,
                                          std::uint32_t previousValue);

// Number of data bytes a segment answer carries: 7 - ((command >> 1) & 7).
int SegmentDataCount(std::uint8_t answerCommand);
// True when a segment answer ends the upload: its c bit is set, or it carries fewer than 7
// bytes (the drive family's way of ending).
bool IsLastSegment(std::uint8_t answerCommand);

// True when the answer belongs to the request: same index and subindex, except for segment
// requests, whose answers carry none.
bool AnswerMatchesRequest(const SdoPayload& request, const SdoPayload& answer);

}  // namespace morlo::link
