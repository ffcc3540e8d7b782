#pragma once

#include <cstdint>
#include <string>

#include "common/ObjectKey.h"
#include "link/CanPort.h"
#include "link/LinkTypes.h"

namespace morlo::link {

// How a block upload ended.
struct BlockOutcome {
    enum class Kind {
        Data,      // the whole data arrived (and its CRC fitted)
        Switched,  // the server answered with an ordinary upload initiate (answer)
        Refused,   // the server answered the initiate with an abort (answer)
        Silent,    // no answer to the initiate
        Aborted,   // the server aborted the running transfer (answer)
        Failed,    // blocks kept getting lost, or the end or its CRC was wrong: aborted (code)
    };
    Kind kind = Kind::Silent;
    std::string data;
    SdoPayload answer{};
    std::uint32_t code = 0;
};

// The client's side of one SDO block upload (CiA 301) from one node: initiate with CRC, start,
// blocks of up to 127 segments each acknowledged with the last sequence number received in
// order (a lost or damaged segment makes the server send again from there), end with the CRC
// check. Waits at most the link time-out for each frame.
class BlockUploadClient {
  public:
    BlockUploadClient(CanPort& port, int nodeId) : port_(port), nodeId_(nodeId) {}

    BlockOutcome Upload(ObjectKey key);

  private:
    enum class Block { Done, Last, Damaged, ServerAbort };
    // Receives one block into data_; lastSequence is what arrived in order.
    Block ReceiveBlock(std::uint8_t& lastSequence, SdoPayload& abort);
    // The next SDO answer of the node before the deadline; other frames are passed on.
    std::optional<SdoPayload> NextAnswer(CanPort::TimePoint deadline);
    void Send(const SdoPayload& payload);
    BlockOutcome Fail(ObjectKey key, std::uint32_t code);

    CanPort& port_;
    int nodeId_;
    std::string data_;
};

}  // namespace morlo::link
