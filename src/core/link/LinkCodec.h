#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

#include "common/ObjectKey.h"
#include "link/LinkLibrary.h"
#include "link/SdoFrame.h"

namespace morlo::link {

// One confirmed exchange at a time with the drive: builds the request, sends it through the
// link object, waits for the answer, validates it as far as the link allows, retries, and
// decodes the answer. Used by one thread only.
class LinkCodec {
  public:
    // Observer of every frame on the wire (true = sent), for tracing: the bytes of a serial
    // frame, or the identifier and data of a CAN message.
    using FrameObserver = std::function<void(bool sent, std::optional<std::uint32_t> canId,
                                             std::span<const std::uint8_t> bytes)>;

    LinkCodec(LinkLibrary& library, const std::atomic<bool>& sendRetrySwitch);

    void SetLinkType(int linkType) { linkType_ = linkType; }
    int LinkType() const { return linkType_; }
    void SetNodeId(int nodeId) { nodeId_ = nodeId; }
    int NodeId() const { return nodeId_; }
    void SetFrameObserver(FrameObserver observer) { observer_ = std::move(observer); }

    // kExchangeAnswered: an answer was taken (or, with the retry switch off, the exchange
    // ended quietly with nothing to report); kExchangeInvalidAnswers: three answers were
    // missing or invalid; kExchangeSendFailures: three sends failed; kExchangeNoLibrary: no
    // link object. A write the drive refuses is followed at once by a read of the object,
    // whose result is returned instead.
    int Exchange(ObjectKey key, std::uint8_t command, std::int32_t value);

    // The kind and value of the last answer; false when there is nothing to report.
    bool Decode(ResultKind& kind, std::int32_t& value);

    // The 7 bytes after the command byte of the last answer, how many of them carry data, and
    // whether it ends the upload (its c bit is set, or it carries fewer than 7 bytes).
    void GetSegmentData(const std::uint8_t*& data, int& count, bool& last) const;

  private:
    int ExchangeOnce(ObjectKey key, std::uint8_t command, std::int32_t value);
    int ExchangeSerial(ByteLinkObject& link, const SdoPayload& request);
    int ExchangeCan(CanLinkObject& link, const SdoPayload& request);
    void Observe(bool sent, std::optional<std::uint32_t> canId,
                 std::span<const std::uint8_t> bytes);

    LinkLibrary& library_;
    const std::atomic<bool>& sendRetrySwitch_;
    int linkType_ = kLinkTypeOffline;
    int nodeId_ = 1;
    FrameObserver observer_;

    std::uint8_t requestCommand_ = 0;
    SdoPayload answer_{};
    bool hasAnswer_ = false;
    std::uint32_t lastValue_ = 0;
};

}  // namespace morlo::link
