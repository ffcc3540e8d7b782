#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace morlo::link {

// Link types, as stored in sys.ini [sys] comm and given to ControlLink::SelectLinkType.
inline constexpr int kLinkTypeOffline = 1;
inline constexpr int kLinkTypeSerial = 2;
inline constexpr int kLinkTypeCan = 5;
inline constexpr int kLinkTypeUnselected = 6;  // before the first selection
inline constexpr int kLinkTypeSimulated = 7;   // the built-in simulated drive

// Command bytes of the SDO payload (byte 0).
inline constexpr std::uint8_t kCmdRead = 0x40;
inline constexpr std::uint8_t kCmdWrite8 = 0x2F;
inline constexpr std::uint8_t kCmdWrite16 = 0x2B;
inline constexpr std::uint8_t kCmdWrite32 = 0x23;
inline constexpr std::uint8_t kCmdSegment = 0x60;        // upload segment, toggle clear
inline constexpr std::uint8_t kCmdSegmentToggle = 0x70;  // upload segment, toggle set
inline constexpr std::uint8_t kCmdAbort = 0x80;
inline constexpr std::uint8_t kWriteMask = 0xE0;  // command & mask == 0x20: a write
inline constexpr std::uint8_t kWriteClass = 0x20;

// Answer command bytes of an upload (read) initiate.
inline constexpr std::uint8_t kAnswer32 = 0x43;
inline constexpr std::uint8_t kAnswer24 = 0x47;
inline constexpr std::uint8_t kAnswer16 = 0x4B;
inline constexpr std::uint8_t kAnswer8 = 0x4F;
inline constexpr std::uint8_t kAnswerUnsized = 0x42;    // expedited, size not given: bytes 4-7
inline constexpr std::uint8_t kAnswerSegmented = 0x41;  // segmented upload follows; bytes 4-7 size
inline constexpr std::uint8_t kAnswerSegmentedUnsized = 0x40;  // segmented, size not given
inline constexpr std::uint8_t kAnswerWrite = 0x60;             // download confirmed
// Bits of an upload initiate answer: 0100 nnes.
inline constexpr std::uint8_t kInitiateClassMask = 0xF0;
inline constexpr std::uint8_t kInitiateClass = 0x40;
inline constexpr std::uint8_t kInitiateExpeditedBit = 0x02;
inline constexpr std::uint8_t kInitiateSizeBit = 0x01;
inline constexpr int kInitiateUnusedShift = 2;
inline constexpr std::uint8_t kInitiateUnusedMask = 0x03;
inline constexpr int kInitiateBytes = 4;  // data bytes of an expedited answer
// Bits of an upload segment answer: 000t nnnc.
inline constexpr std::uint8_t kSegmentClassMask = 0xE0;
inline constexpr std::uint8_t kSegmentClass = 0x00;
inline constexpr std::uint8_t kToggleBit = 0x10;       // in segment requests and answers
inline constexpr std::uint8_t kSegmentLastBit = 0x01;  // c bit of a segment answer

// SDO block upload (CAN only). Client commands: 101 00 cc ss.
inline constexpr std::uint8_t kCmdBlockUpload = 0xA0;       // initiate, without CRC
inline constexpr std::uint8_t kBlockClientCrcBit = 0x04;    // cc: the client checks a CRC
inline constexpr std::uint8_t kCmdBlockEnd = 0xA1;          // end of the upload confirmed
inline constexpr std::uint8_t kCmdBlockAck = 0xA2;          // block received: ackseq, blksize
inline constexpr std::uint8_t kCmdBlockStart = 0xA3;        // send the first block
inline constexpr std::uint8_t kBlockClientMask = 0xE3;      // class and subcommand of a request
inline constexpr std::size_t kBlockInitiateSizeByte = 4;    // initiate: blksize
inline constexpr std::size_t kBlockInitiateSwitchByte = 5;  // initiate: protocol switch threshold
inline constexpr std::size_t kBlockAckSequenceByte = 1;     // ack: last sequence received
inline constexpr std::size_t kBlockAckSizeByte = 2;         // ack: the next block's size
// Server answers: 110 00 sc s ss (initiate, ss = 0) and 110 nnn 0 1 (end, n unused bytes).
inline constexpr std::uint8_t kAnswerBlockClassMask = 0xE0;
inline constexpr std::uint8_t kAnswerBlockClass = 0xC0;
inline constexpr std::uint8_t kAnswerBlockEnd = 0x01;      // ss bits: end of the upload
inline constexpr std::uint8_t kAnswerBlockSubMask = 0x01;  // ss bit
inline constexpr std::uint8_t kBlockServerCrcBit = 0x04;   // sc: the server sends a CRC
inline constexpr std::uint8_t kBlockSizeBit = 0x02;        // s: bytes 4-7 give the size
inline constexpr int kBlockEndUnusedShift = 2;
inline constexpr std::uint8_t kBlockEndUnusedMask = 0x07;
// Segments of a block: c bit and sequence number 1..127.
inline constexpr std::uint8_t kBlockLastSegmentBit = 0x80;
inline constexpr std::uint8_t kBlockSequenceMask = 0x7F;
inline constexpr std::uint8_t kMaxBlockSize = 127;
// Reads of long objects are asked for by block upload; a server may answer data up to this
// many bytes with an ordinary upload instead (protocol switch threshold).
inline constexpr std::uint8_t kBlockProtocolSwitch = 21;
// A block that arrives lost or damaged is asked for again this often in a row, counted from
// the last block that brought data; then the upload is aborted.
inline constexpr int kBlockRetries = 2;
// The longest data a block upload takes; longer data is refused with an abort.
inline constexpr std::size_t kBlockUploadLimit = 1024 * 1024;

// Frames.
inline constexpr std::size_t kPayloadSize = 8;
inline constexpr std::size_t kSerialFrameSize = 10;
inline constexpr std::size_t kSegmentDataBytes = 7;
inline constexpr std::uint32_t kCanRequestBase = 0x600;   // + node id
inline constexpr std::uint32_t kCanResponseBase = 0x580;  // + node id

// Retries: an exchange ends after this many invalid answers or failed sends.
inline constexpr int kMaxTries = 3;
// A segmented upload whose segment answer is lost is started again this often.
inline constexpr int kUploadRestarts = 1;

inline constexpr std::chrono::milliseconds kLinkTimeout{500};
// After a time-out, input is discarded until the line has been quiet this long, so that a
// late answer is never taken for the next request; at most this many frames are discarded.
inline constexpr std::chrono::milliseconds kDrainGuard{20};
inline constexpr int kDrainMaxFrames = 64;

// What a decoded answer is.
// UploadStarted: a read was answered with the start of a segmented upload; its segments follow.
enum class ResultKind : int {
    Value = 0,
    Segment = 1,
    Abort = 2,
    NotDecoded = 3,
    UploadStarted = 4
};

// LinkCodec::Exchange results.
inline constexpr int kExchangeAnswered = 0;
inline constexpr int kExchangeInvalidAnswers = 1;
inline constexpr int kExchangeSendFailures = 2;
inline constexpr int kExchangeNoLibrary = -1;
// A segment answer was lost or invalid again after the upload had been started anew; the
// upload was aborted. The link itself still answers.
inline constexpr int kExchangeSegmentLost = 3;

}  // namespace morlo::link
