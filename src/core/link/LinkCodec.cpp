#include "link/LinkCodec.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "link/AbortCode.h"
#include "link/BlockUploadClient.h"

namespace morlo::link {
namespace {

// Internal result of Transact without resending: the answer was missing or invalid.
constexpr int kExchangeLost = 100;
// Internal result of a block upload the device refused: ask with an ordinary upload.
constexpr int kExchangeFallBack = 101;
// Segment exchanges the upload of a number may take: two segments at most (four bytes fit in
// one; a device may still split them), and as many again after the one restart a lost segment
// earns.
constexpr int kNumberUploadSteps = 2 * (1 + kUploadRestarts);
constexpr std::size_t kNumberBytes = 4;

bool IsSegmentCommand(std::uint8_t command) {
    return command == kCmdSegment || command == kCmdSegmentToggle;
}

bool IsWriteCommand(std::uint8_t command) {
    return (command & kWriteMask) == kWriteClass;
}

std::uint32_t WidthMask(std::uint8_t writeCommand) {
    switch (writeCommand) {
        case kCmdWrite8:
            return 0xFFu;
        case kCmdWrite16:
            return 0xFFFFu;
        default:
            return 0xFFFFFFFFu;
    }
}

// Aborts that say the device does not do block transfers at all (rather than refusing the
// object): it is not asked for one again.
bool RefusesBlockTransfers(std::uint32_t code) {
    switch (static_cast<AbortCode>(code)) {
        case AbortCode::CommandSpecifierInvalid:
        case AbortCode::InvalidBlockSize:
        case AbortCode::InvalidSequenceNumber:
        case AbortCode::CrcError:
        case AbortCode::UnsupportedAccess:
        case AbortCode::GeneralError:
            return true;
        default:
            return false;
    }
}

bool IsSdoAnswerId(std::uint32_t id) {
    return id > kCanResponseBase && id < kCanRequestBase;
}

}  // namespace

// The bus of the codec's CAN link for its helpers: traced like the codec's own frames.
class LinkCodec::BusPort final : public CanPort {
  public:
    BusPort(LinkCodec& codec, CanLinkObject& link) : codec_(codec), link_(link) {}
    int Send(const CanMessage& message) override {
        codec_.Observe(true, message.id, std::span(message.data.data(), message.length));
        return link_.Send(message);
    }
    std::optional<CanMessage> Receive(TimePoint deadline) override {
        CanMessage message;
        const auto left = codec_.Left(deadline);
        if (left.count() <= 0 || !link_.Receive(message, left)) {
            return std::nullopt;
        }
        if (IsSdoAnswerId(message.id)) {
            codec_.Observe(false, message.id, std::span(message.data.data(), message.length));
        }
        return message;
    }
    TimePoint Now() const override { return codec_.clock_(); }
    void PassOn(const CanMessage& message) override { codec_.PassOn(message); }

  private:
    LinkCodec& codec_;
    CanLinkObject& link_;
};

void LinkCodec::SetNodeId(int nodeId) {
    if (nodeId != nodeId_) {
        ForgetDevice();
    }
    nodeId_ = nodeId;
}

bool LinkCodec::IsLateBlockRefusal(const SdoPayload& answer) {
    if (!lateBlockRefusal_ || answer[0] != kCmdAbort || PayloadKey(answer) != *lateBlockRefusal_ ||
        !RefusesBlockTransfers(PayloadValue(answer))) {
        return false;
    }
    lateBlockRefusal_.reset();  // there was one block request, so there is one late answer
    return true;
}

void LinkCodec::PassOn(const CanMessage& message) {
    if (busListener_) {
        busListener_(message, clock_());
    }
}

bool LinkCodec::UseCanBus(const std::function<void(CanPort&)>& operation) {
    LinkObject* link = library_.Current();
    if (link == nullptr || linkType_ == kLinkTypeOffline || link->GetFraming() != Framing::Can) {
        return false;
    }
    BusPort port(*this, static_cast<CanLinkObject&>(*link));
    operation(port);
    return true;
}

bool LinkCodec::ListenBus(std::chrono::milliseconds duration) {
    bool listened = false;
    UseCanBus([&](CanPort& port) {
        const auto deadline = port.Now() + duration;
        while (auto message = port.Receive(deadline)) {
            PassOn(*message);
        }
        // A bus that gives up before the time (a device that is gone) is no bus to listen to.
        listened = port.Now() >= deadline;
    });
    return listened;
}

std::chrono::milliseconds LinkCodec::Left(std::chrono::steady_clock::time_point deadline) const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock_());
}

LinkCodec::LinkCodec(LinkLibrary& library, const std::atomic<bool>& sendRetrySwitch)
    : library_(library), sendRetrySwitch_(sendRetrySwitch) {}

void LinkCodec::Observe(bool sent, std::optional<std::uint32_t> canId,
                        std::span<const std::uint8_t> bytes) {
    if (observer_) {
        observer_(sent, canId, bytes);
    }
}

std::optional<ObjectKey> LinkCodec::UploadKey() const {
    if (upload_.running) {
        return upload_.key;
    }
    return std::nullopt;
}

bool LinkCodec::AnswerIs(ResultKind kind) const {
    if (!hasAnswer_) {
        return false;
    }
    auto decoded = DecodeAnswer(requestCommand_, answer_, lastValue_);
    return decoded && decoded->kind == kind;
}

int LinkCodec::Exchange(ObjectKey key, std::uint8_t command, std::int32_t value) {
    hasAnswer_ = false;
    answer_ = {};
    writeRefusal_ = 0;
    requestCommand_ = command;
    resultKey_ = key;
    LinkObject* link = library_.Current();
    if (link == nullptr || linkType_ == kLinkTypeOffline) {
        return kExchangeNoLibrary;
    }
    if (command == kCmdAbort && upload_.local) {
        upload_ = {};  // the data is here already: nothing runs on the wire
        return kExchangeAnswered;
    }
    if (command == kCmdAbort) {
        SendAbort(upload_.running ? upload_.key : key, static_cast<std::uint32_t>(value));
        return kExchangeAnswered;  // nothing to report
    }
    if (IsSegmentCommand(command)) {
        return ExchangeSegment(command);
    }
    // Any other request means the receiver of a running upload went on without it.
    AbandonUpload(static_cast<std::uint32_t>(AbortCode::GeneralError));
    upload_.restarts = 0;

    int result = kExchangeFallBack;
    if (command == kCmdRead && !blockRefused_ && blockObjects_ && blockObjects_(key) &&
        link->GetFraming() == Framing::Can) {
        result = ReadByBlocks(static_cast<CanLinkObject&>(*link), key);
    }
    if (result == kExchangeFallBack) {
        result = Transact(BuildPayload(key, command, value), true);
    }
    if (result != kExchangeAnswered || !hasAnswer_) {
        return result;
    }
    if (IsWriteCommand(command)) {
        bool readBack = false;
        if (answer_[0] == kCmdAbort) {
            readBack = true;  // the writer gets the object's current value instead
            writeRefusal_ = PayloadValue(answer_);
        } else {
            // A write reports what the drive holds. Our drives echo the written value in the
            // confirmation; a standard server confirms with zero data bytes. So: the echo is
            // taken when it equals the written value, otherwise (zeros, or a late echo of an
            // earlier write) the object is read back. Our drives thus need no extra exchange.
            const std::uint32_t mask = WidthMask(command);
            const std::uint32_t written = static_cast<std::uint32_t>(value) & mask;
            readBack = (PayloadValue(answer_) & mask) != written;
        }
        if (readBack) {
            requestCommand_ = kCmdRead;
            hasAnswer_ = false;
            const std::int32_t field = answer_[0] == kCmdAbort ? value : 0;
            result = Transact(BuildPayload(key, kCmdRead, field), true);
            if (result == kExchangeAnswered && AnswerIs(ResultKind::UploadStarted)) {
                return ReadBackInSegments(key);
            }
        }
    }
    if (result == kExchangeAnswered && requestCommand_ == kCmdRead &&
        AnswerIs(ResultKind::UploadStarted)) {
        upload_.running = true;
        upload_.key = key;
    }
    return result;
}

int LinkCodec::ReadByBlocks(CanLinkObject& link, ObjectKey key) {
    BusPort port(*this, link);
    BlockOutcome outcome = BlockUploadClient(port, nodeId_).Upload(key);
    switch (outcome.kind) {
        case BlockOutcome::Kind::Data: {
            const auto size = static_cast<std::int32_t>(outcome.data.size());
            upload_ = {};
            upload_.running = true;
            upload_.key = key;
            upload_.local = true;
            upload_.data = std::move(outcome.data);
            // Reported as the start of a segmented upload of that size.
            answer_ = BuildPayload(key, kAnswerSegmented, size);
            hasAnswer_ = true;
            return kExchangeAnswered;
        }
        case BlockOutcome::Kind::Switched:
        case BlockOutcome::Kind::Aborted:
            answer_ = outcome.answer;
            hasAnswer_ = true;
            return kExchangeAnswered;
        case BlockOutcome::Kind::Refused:
            blockRefused_ = RefusesBlockTransfers(PayloadValue(outcome.answer));
            return kExchangeFallBack;
        case BlockOutcome::Kind::Silent:
            blockRefused_ = true;
            lateBlockRefusal_ = key;
            Drain(link);
            return kExchangeFallBack;
        case BlockOutcome::Kind::Failed:
            Drain(link);
            return kExchangeSegmentLost;
    }
    return kExchangeFallBack;
}

void LinkCodec::ServeLocalSegment(std::uint8_t command) {
    const std::size_t count = std::min(kSegmentDataBytes, upload_.data.size() - upload_.position);
    const bool last = upload_.position + count == upload_.data.size();
    answer_ = {};
    answer_[0] = static_cast<std::uint8_t>(
        (command & kToggleBit) | ((kSegmentDataBytes - count) << 1) | (last ? kSegmentLastBit : 0));
    std::copy_n(upload_.data.begin() + static_cast<std::ptrdiff_t>(upload_.position), count,
                answer_.begin() + 1);
    upload_.position += count;
    hasAnswer_ = true;
    if (last) {
        upload_ = {};
    }
}

int LinkCodec::ExchangeSegment(std::uint8_t command) {
    if (upload_.running) {
        resultKey_ = upload_.key;
    }
    if (upload_.local) {
        ServeLocalSegment(command);
        return kExchangeAnswered;
    }
    // Bytes 1-7 of a segment request are reserved and sent as zeros; the upload's key is
    // what its answers are checked against.
    int result = Transact(BuildPayload(0, command, 0), false);
    if (result == kExchangeAnswered) {
        if (hasAnswer_ && (answer_[0] == kCmdAbort || IsLastSegment(answer_[0]))) {
            upload_.running = false;
        }
        return result;
    }
    if (result != kExchangeLost) {
        upload_.running = false;
        return result;
    }
    // Asking again with the same toggle would be refused or, worse, answered with the next
    // segment: end this upload and start it once more from its initiate.
    const bool restart = upload_.running && upload_.restarts < kUploadRestarts;
    const ObjectKey uploadKey = resultKey_;
    const int restarts = upload_.restarts;
    SendAbort(uploadKey, static_cast<std::uint32_t>(AbortCode::SdoProtocolTimedOut));
    if (!restart) {
        return kExchangeSegmentLost;
    }
    requestCommand_ = kCmdRead;
    result = Transact(BuildPayload(uploadKey, kCmdRead, 0), true);
    if (result == kExchangeAnswered && AnswerIs(ResultKind::UploadStarted)) {
        upload_.running = true;
        upload_.key = uploadKey;
        upload_.restarts = restarts + 1;
    }
    return result;
}

int LinkCodec::ReadBackInSegments(ObjectKey key) {
    upload_ = {};
    upload_.running = true;
    upload_.key = key;
    std::vector<std::uint8_t> bytes;
    std::uint8_t command = kCmdSegment;
    for (int step = 0; step < kNumberUploadSteps; ++step) {
        requestCommand_ = command;
        hasAnswer_ = false;
        const int result = ExchangeSegment(command);
        if (result != kExchangeAnswered || !hasAnswer_ || answer_[0] == kCmdAbort) {
            return result;  // a link fault, or the drive's abort reported as such
        }
        if (AnswerIs(ResultKind::UploadStarted)) {
            bytes.clear();  // started anew after a lost segment
            command = kCmdSegment;
            continue;
        }
        const int count = SegmentDataCount(answer_[0]);
        bytes.insert(bytes.end(), answer_.begin() + 1, answer_.begin() + 1 + count);
        if (bytes.size() > kNumberBytes) {
            break;
        }
        if (IsLastSegment(answer_[0])) {
            if (bytes.empty()) {
                break;
            }
            // Reported as the expedited answer it stands for.
            std::uint32_t value = 0;
            for (std::size_t i = bytes.size(); i-- > 0;) {
                value = (value << 8) | bytes[i];
            }
            const auto unused = static_cast<std::uint8_t>((kNumberBytes - bytes.size()) << 2);
            requestCommand_ = kCmdRead;
            answer_ = BuildPayload(key, static_cast<std::uint8_t>(kAnswer32 | unused),
                                   static_cast<std::int32_t>(value));
            return kExchangeAnswered;
        }
        command = command == kCmdSegment ? kCmdSegmentToggle : kCmdSegment;
    }
    // No number: what the drive holds stays unknown, which is no answer to the write.
    AbandonUpload(static_cast<std::uint32_t>(AbortCode::DataTypeLengthTooHigh));
    hasAnswer_ = false;
    return kExchangeInvalidAnswers;
}

void LinkCodec::AbandonUpload(std::uint32_t code) {
    if (upload_.local) {
        upload_ = {};  // nothing runs on the wire
    } else if (upload_.running) {
        SendAbort(upload_.key, code);
    }
}

void LinkCodec::SendAbort(ObjectKey key, std::uint32_t code) {
    upload_.running = false;
    upload_.local = false;
    upload_.data.clear();
    LinkObject* link = library_.Current();
    if (link == nullptr || linkType_ == kLinkTypeOffline) {
        return;
    }
    if (SendRequest(*link, BuildAbort(key, code)) == 0) {
        Drain(*link);  // a drive that answers an abort anyway must not answer the next request
    }
}

int LinkCodec::SendRequest(LinkObject& link, const SdoPayload& request) {
    if (link.GetFraming() == Framing::Serial) {
        const SerialFrame frame = BuildSerialFrame(nodeId_, request);
        Observe(true, std::nullopt, frame);
        return static_cast<ByteLinkObject&>(link).Send(frame.data(), frame.size());
    }
    const CanMessage message = BuildCanRequest(nodeId_, request);
    Observe(true, message.id, message.data);
    return static_cast<CanLinkObject&>(link).Send(message);
}

int LinkCodec::Transact(const SdoPayload& request, bool resend) {
    LinkObject* link = library_.Current();
    if (link == nullptr) {
        return kExchangeNoLibrary;
    }
    int invalidAnswers = 0;
    int failedSends = 0;
    while (true) {
        if (SendRequest(*link, request) != 0) {
            if (!sendRetrySwitch_.load()) {
                return kExchangeAnswered;  // quietly, nothing to report
            }
            ++failedSends;
        } else {
            const Wait wait = AwaitAnswer(*link, request);
            if (wait == Wait::Taken) {
                return kExchangeAnswered;
            }
            if (wait == Wait::Silent && !sendRetrySwitch_.load()) {
                return kExchangeAnswered;  // a restarting drive does not answer
            }
            ++invalidAnswers;
            Drain(*link);
            if (!resend) {
                return kExchangeLost;
            }
        }
        if (invalidAnswers >= kMaxTries) {
            return kExchangeInvalidAnswers;
        }
        if (failedSends >= kMaxTries) {
            return kExchangeSendFailures;
        }
    }
}

LinkCodec::Wait LinkCodec::AwaitAnswer(LinkObject& link, const SdoPayload& request) {
    if (link.GetFraming() == Framing::Serial) {
        return AwaitSerial(static_cast<ByteLinkObject&>(link), request);
    }
    return AwaitCan(static_cast<CanLinkObject&>(link), request);
}

LinkCodec::Wait LinkCodec::AwaitSerial(ByteLinkObject& link, const SdoPayload& request) {
    const auto deadline = clock_() + kLinkTimeout;
    bool discarded = false;
    // Whole frames that do not fit (a late answer to an earlier request) are discarded and
    // the wait goes on; a damaged frame ends it, since the byte stream may be out of step.
    for (int frames = 0; frames < kDrainMaxFrames; ++frames) {
        SerialFrame received{};
        const auto left = Left(deadline);
        if (left.count() <= 0) {
            break;
        }
        const std::size_t count = link.Receive(received.data(), received.size(), left);
        if (count == 0) {
            break;
        }
        Observe(false, std::nullopt, std::span<const std::uint8_t>(received.data(), count));
        if (count != received.size() || !SerialChecksumOk(received)) {
            return Wait::Invalid;
        }
        const SdoPayload answer = SerialPayload(received);
        if (received[0] == static_cast<std::uint8_t>(nodeId_) &&
            AnswerFits(request, answer, UploadKey())) {
            answer_ = answer;
            hasAnswer_ = true;
            return Wait::Taken;
        }
        discarded = true;
    }
    return discarded ? Wait::Invalid : Wait::Silent;
}

LinkCodec::Wait LinkCodec::AwaitCan(CanLinkObject& link, const SdoPayload& request) {
    const auto deadline = clock_() + kLinkTimeout;
    const std::uint32_t answerId =
        kCanResponseBase + (BuildCanRequest(nodeId_, request).id - kCanRequestBase);
    bool discarded = false;
    // Other traffic on the bus and answers that do not fit are skipped until the time-out.
    while (true) {
        const auto left = Left(deadline);
        CanMessage received;
        if (left.count() <= 0 || !link.Receive(received, left)) {
            break;
        }
        if (received.id != answerId || received.length < kPayloadSize) {
            PassOn(received);
            continue;
        }
        Observe(false, received.id, received.data);
        const SdoPayload answer = CanPayload(received);
        if (!AnswerFits(request, answer, UploadKey()) || IsLateBlockRefusal(answer)) {
            discarded = true;
            continue;
        }
        answer_ = answer;
        hasAnswer_ = true;
        return Wait::Taken;
    }
    return discarded ? Wait::Invalid : Wait::Silent;
}

void LinkCodec::Drain(LinkObject& link) {
    for (int frames = 0; frames < kDrainMaxFrames; ++frames) {
        if (link.GetFraming() == Framing::Serial) {
            SerialFrame late{};
            const std::size_t count =
                static_cast<ByteLinkObject&>(link).Receive(late.data(), late.size(), kDrainGuard);
            if (count == 0) {
                return;
            }
            Observe(false, std::nullopt, std::span<const std::uint8_t>(late.data(), count));
        } else {
            CanMessage late;
            if (!static_cast<CanLinkObject&>(link).Receive(late, kDrainGuard)) {
                return;
            }
            PassOn(late);
        }
    }
}

bool LinkCodec::Decode(ResultKind& kind, std::int32_t& value) {
    kind = ResultKind::NotDecoded;
    if (!hasAnswer_) {
        return false;
    }
    auto decoded = DecodeAnswer(requestCommand_, answer_, lastValue_);
    if (!decoded) {
        return false;
    }
    kind = decoded->kind;
    lastValue_ = decoded->value;
    resultBits_ = decoded->bits;
    value = static_cast<std::int32_t>(decoded->value);
    return true;
}

void LinkCodec::GetSegmentData(const std::uint8_t*& data, int& count, bool& last) const {
    const std::uint8_t command = answer_[0];
    const bool initiate = requestCommand_ == kCmdRead &&
                          (command & kInitiateClassMask) == kInitiateClass &&
                          (command & kInitiateExpeditedBit) != 0;
    if (initiate) {
        // An expedited answer carries the whole data in bytes 4-7; with the size bit, bits
        // 2-3 name the bytes of them that are unused.
        constexpr int kExpeditedDataBytes = 4;
        data = answer_.data() + 4;
        count =
            (command & kInitiateSizeBit) != 0
                ? kExpeditedDataBytes - ((command >> kInitiateUnusedShift) & kInitiateUnusedMask)
                : kExpeditedDataBytes;
        last = true;
        return;
    }
    data = answer_.data() + 1;
    count = SegmentDataCount(command);
    last = IsLastSegment(command);
}

}  // namespace morlo::link
