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

// A decoded answer: what it is, its 32-bit value (abort code for aborts), and how many bits
// of data the answer carries: the size an expedited upload answer names, the width of a write
// command for its confirmation, 0 when the answer does not say.
struct DecodedAnswer {
    ResultKind kind;
    std::uint32_t value;
    int bits = 0;
};

// Decodes an answer against the command of its request; nullopt when there is nothing to
// report. Every upload initiate form is decoded: expedited with a size (only the bytes it
// names), expedited without one (bytes 4-7), and segmented (UploadStarted, the announced size
// or 0). Segment answers keep previousValue. No sign extension here.
std::optional<DecodedAnswer> DecodeAnswer(std::uint8_t requestCommand, const SdoPayload& answer,
                                          std::uint32_t previousValue);

// Number of data bytes a segment answer carries: 7 - ((command >> 1) & 7).
int SegmentDataCount(std::uint8_t answerCommand);
// True when a segment answer ends the upload: its c bit is set, or it carries fewer than 7
// bytes (the drive family's way of ending).
bool IsLastSegment(std::uint8_t answerCommand);

// True when the answer can be the drive's answer to the request: its command class fits
// (an upload initiate answer or an abort for a read, a download confirmation or an abort for
// a write, a segment with the request's toggle bit or an abort for a segment request) and
// index and subindex match where the answer carries them. A segment request's abort is
// compared with the key of the running upload when it is known.
bool AnswerFits(const SdoPayload& request, const SdoPayload& answer,
                std::optional<ObjectKey> uploadKey = std::nullopt);

// The abort a client sends to end a transfer.
SdoPayload BuildAbort(ObjectKey key, std::uint32_t code);

}  // namespace morlo::link
