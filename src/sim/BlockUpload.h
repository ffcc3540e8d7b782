#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/ObjectKey.h"
#include "link/LinkTypes.h"

namespace morlo::sim {

// The drive's side of one SDO block upload (standard dialect only): after the initiate
// answer, the client's start brings the first block of up to blksize segments; each
// acknowledgement brings the next block from the segment after the last one acknowledged
// (so a block with a lost segment is sent again from there); the last acknowledgement
// brings the end with the CRC; the client's end closes the transfer.
class BlockUpload {
  public:
    // Starts the transfer; returns the initiate answer.
    link::SdoPayload Start(ObjectKey key, std::string data, std::uint8_t blockSize, bool crc);
    void End() { state_ = State::Idle; }
    bool Active() const { return state_ != State::Idle; }

    // The answers to a client request of the running transfer (start, ack, end).
    std::vector<link::SdoPayload> Next(const link::SdoPayload& request);

  private:
    enum class State { Idle, Initiated, Sending, Ending };
    std::vector<link::SdoPayload> SendBlock();
    std::vector<link::SdoPayload> Abort(std::uint32_t code);
    std::size_t SegmentCount() const;

    State state_ = State::Idle;
    ObjectKey key_ = 0;
    std::string data_;
    std::uint8_t blockSize_ = 0;
    bool crc_ = false;
    std::size_t acknowledged_ = 0;  // segments the client has confirmed
    std::size_t sentInBlock_ = 0;
};

}  // namespace morlo::sim
