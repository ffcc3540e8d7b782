#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "common/ObjectKey.h"
#include "link/CanPort.h"
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

    // The clock the time-outs are measured with; tests give the clock of a simulated line.
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    LinkCodec(LinkLibrary& library, const std::atomic<bool>& sendRetrySwitch);

    void SetLinkType(int linkType) { linkType_ = linkType; }
    int LinkType() const { return linkType_; }
    // Another node is another device: what was learnt about the last one is forgotten.
    void SetNodeId(int nodeId);
    int NodeId() const { return nodeId_; }
    void SetFrameObserver(FrameObserver observer) { observer_ = std::move(observer); }
    void SetClock(Clock clock) { clock_ = std::move(clock); }

    // Objects whose reads are asked for by block upload on a CAN link (long texts, the
    // recorder's record). The receiver sees the same upload start and segments as with a
    // segmented upload; the segments then come from the data already received.
    using ObjectFilter = std::function<bool(ObjectKey)>;
    void SetBlockUploadObjects(ObjectFilter filter) { blockObjects_ = std::move(filter); }
    // A device that refused a block upload is asked with segmented uploads until it is
    // forgotten (the link opens or closes, another node is chosen).
    bool BlockUploadRefused() const { return blockRefused_; }
    void ForgetDevice() {
        blockRefused_ = false;
        lateBlockRefusal_.reset();
    }

    // Receives every CAN frame that is no answer to a request of the codec (heartbeats,
    // emergencies, boot-up, other nodes), with the time it was received.
    using BusListener =
        std::function<void(const CanMessage&, std::chrono::steady_clock::time_point)>;
    void SetBusListener(BusListener listener) { busListener_ = std::move(listener); }
    bool HasBusListener() const { return static_cast<bool>(busListener_); }
    // Runs the operation on the bus of an open CAN link; false (and nothing runs) otherwise.
    bool UseCanBus(const std::function<void(CanPort&)>& operation);
    // Hands what arrives on a CAN link during the time to the bus listener; false when the
    // link is no CAN link or its bus could not be listened to for the time.
    bool ListenBus(std::chrono::milliseconds duration);

    // kExchangeAnswered: an answer was taken (or, with the retry switch off, the exchange
    // ended quietly with nothing to report); kExchangeInvalidAnswers: three answers were
    // missing or invalid; kExchangeSendFailures: three sends failed; kExchangeNoLibrary: no
    // link object; kExchangeSegmentLost: a segmented upload lost a segment answer again after
    // it had been started anew, or a block upload kept losing its blocks, and was aborted.
    //
    // Only an answer that fits the request is taken; anything else is discarded. A write the
    // drive refuses, or confirms without echoing the value, is followed at once by a read of
    // the object, whose result is returned instead (fetched here if it comes in segments). A lost
    // segment answer is never asked for again with the same toggle: the upload is aborted and
    // started anew once from its initiate (the answer is then that initiate's). Command kCmdAbort
    // sends an abort of the running upload with the value as its code and expects no answer.
    int Exchange(ObjectKey key, std::uint8_t command, std::int32_t value);

    // The kind and value of the last answer; false when there is nothing to report.
    bool Decode(ResultKind& kind, std::int32_t& value);
    // Bits of data the last decoded answer carried (DecodedAnswer::bits); 0 when unknown.
    int ResultBits() const { return resultBits_; }
    // The abort code with which the drive refused the last write (its result is then the
    // read-back of the object); 0 when the last exchange was no refused write.
    std::uint32_t WriteRefusal() const { return writeRefusal_; }

    // The 7 bytes after the command byte of the last answer, how many of them carry data, and
    // whether it ends the upload (its c bit is set, or it carries fewer than 7 bytes). For an
    // expedited answer to a read: its data bytes (at most 4; only `count` may be read), last.
    void GetSegmentData(const std::uint8_t*& data, int& count, bool& last) const;

    // The object the last result is about: the request's key, or for a segment request the
    // key of the upload it belongs to (segment requests may carry none).
    ObjectKey ResultKey() const { return resultKey_; }
    bool UploadRunning() const { return upload_.running; }
    // Ends a running segmented upload with an abort to the drive (its receiver is gone, the
    // link closes, the data is too long). Does nothing when no upload runs.
    void AbandonUpload(std::uint32_t code);

  private:
    // What waiting for one answer gave.
    enum class Wait { Taken, Silent, Invalid };
    struct Upload {
        bool running = false;
        ObjectKey key = 0;
        int restarts = 0;
        // Data that came by block upload, handed out in segments without the wire.
        bool local = false;
        std::string data;
        std::size_t position = 0;
    };
    class BusPort;
    // The result of reading the key by block upload; kExchangeFallBack when the device is
    // to be asked with an ordinary upload instead.
    int ReadByBlocks(CanLinkObject& link, ObjectKey key);
    void ServeLocalSegment(std::uint8_t command);
    // After a block request that got no answer in time, the device's refusal may still come
    // and fit a read of the same object: it is discarded, once.
    bool IsLateBlockRefusal(const SdoPayload& answer);
    void PassOn(const CanMessage& message);

    int ExchangeSegment(std::uint8_t command);
    // The read-back of a write answered in segments: fetches the number and leaves it as the
    // answer, so that the write reports a value like any other.
    int ReadBackInSegments(ObjectKey key);
    // Sends the request and waits for an answer that fits it. With resend, a missing or
    // invalid answer is asked for again up to kMaxTries; without, it gives kExchangeLost.
    int Transact(const SdoPayload& request, bool resend);
    int SendRequest(LinkObject& link, const SdoPayload& request);
    Wait AwaitAnswer(LinkObject& link, const SdoPayload& request);
    Wait AwaitSerial(ByteLinkObject& link, const SdoPayload& request);
    Wait AwaitCan(CanLinkObject& link, const SdoPayload& request);
    // Discards late input until the line has been quiet for the guard time.
    void Drain(LinkObject& link);
    // Sends an abort (no answer is expected) and forgets the running upload.
    void SendAbort(ObjectKey key, std::uint32_t code);
    bool AnswerIs(ResultKind kind) const;
    std::optional<ObjectKey> UploadKey() const;
    std::chrono::milliseconds Left(std::chrono::steady_clock::time_point deadline) const;
    void Observe(bool sent, std::optional<std::uint32_t> canId,
                 std::span<const std::uint8_t> bytes);

    LinkLibrary& library_;
    const std::atomic<bool>& sendRetrySwitch_;
    int linkType_ = kLinkTypeOffline;
    int nodeId_ = 1;
    FrameObserver observer_;
    ObjectFilter blockObjects_;
    bool blockRefused_ = false;
    std::optional<ObjectKey> lateBlockRefusal_;
    BusListener busListener_;
    Clock clock_ = [] { return std::chrono::steady_clock::now(); };

    std::uint8_t requestCommand_ = 0;
    ObjectKey resultKey_ = 0;
    std::uint32_t writeRefusal_ = 0;
    Upload upload_;
    SdoPayload answer_{};
    bool hasAnswer_ = false;
    std::uint32_t lastValue_ = 0;
    int resultBits_ = 0;
};

}  // namespace morlo::link
