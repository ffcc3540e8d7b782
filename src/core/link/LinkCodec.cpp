#include "link/LinkCodec.h"

#include <chrono>

namespace morlo::link {

LinkCodec::LinkCodec(LinkLibrary& library, const std::atomic<bool>& sendRetrySwitch)
    : library_(library), sendRetrySwitch_(sendRetrySwitch) {}

void LinkCodec::Observe(bool sent, std::optional<std::uint32_t> canId,
                        std::span<const std::uint8_t> bytes) {
    if (observer_) {
        observer_(sent, canId, bytes);
    }
}

int LinkCodec::Exchange(ObjectKey key, std::uint8_t command, std::int32_t value) {
    int result = ExchangeOnce(key, command, value);
    if (result == kExchangeAnswered && hasAnswer_ && answer_[0] == kCmdAbort &&
        (command & kWriteMask) == kWriteClass) {
        // The writer gets the object's current value instead of the refusal.
        result = ExchangeOnce(key, kCmdRead, value);
    }
    return result;
}

int LinkCodec::ExchangeOnce(ObjectKey key, std::uint8_t command, std::int32_t value) {
    requestCommand_ = command;
    hasAnswer_ = false;
    answer_ = {};
    LinkObject* link = library_.Current();
    if (link == nullptr || linkType_ == kLinkTypeOffline) {
        return kExchangeNoLibrary;
    }
    const SdoPayload request = BuildPayload(key, command, value);
    if (link->GetFraming() == Framing::Serial) {
        return ExchangeSerial(static_cast<ByteLinkObject&>(*link), request);
    }
    return ExchangeCan(static_cast<CanLinkObject&>(*link), request);
}

int LinkCodec::ExchangeSerial(ByteLinkObject& link, const SdoPayload& request) {
    const SerialFrame frame = BuildSerialFrame(nodeId_, request);
    int invalidAnswers = 0;
    int failedSends = 0;
    while (true) {
        Observe(true, std::nullopt, frame);
        if (link.Send(frame.data(), frame.size()) != 0) {
            if (!sendRetrySwitch_.load()) {
                return kExchangeAnswered;  // quietly, nothing to report
            }
            ++failedSends;
        } else {
            SerialFrame received{};
            std::size_t count = link.Receive(received.data(), received.size(), kLinkTimeout);
            if (count > 0) {
                Observe(false, std::nullopt, std::span<const std::uint8_t>(received.data(), count));
            }
            const SdoPayload answer = SerialPayload(received);
            if (count == received.size() && SerialChecksumOk(received) &&
                AnswerMatchesRequest(request, answer)) {
                answer_ = answer;
                hasAnswer_ = true;
                return kExchangeAnswered;
            }
            if (count == 0 && !sendRetrySwitch_.load()) {
                return kExchangeAnswered;  // a restarting drive does not answer
            }
            ++invalidAnswers;
        }
        if (invalidAnswers >= kMaxTries) {
            return kExchangeInvalidAnswers;
        }
        if (failedSends >= kMaxTries) {
            return kExchangeSendFailures;
        }
    }
}

int LinkCodec::ExchangeCan(CanLinkObject& link, const SdoPayload& request) {
    const CanMessage message = BuildCanRequest(nodeId_, request);
    const std::uint32_t answerId = kCanResponseBase + (message.id - kCanRequestBase);
    int invalidAnswers = 0;
    int failedSends = 0;
    while (true) {
        Observe(true, message.id, message.data);
        if (link.Send(message) != 0) {
            if (!sendRetrySwitch_.load()) {
                return kExchangeAnswered;
            }
            ++failedSends;
        } else {
            // Other traffic on the bus and stale answers are skipped until the time-out.
            const auto deadline = std::chrono::steady_clock::now() + kLinkTimeout;
            while (true) {
                auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now());
                CanMessage received;
                if (left.count() <= 0 || !link.Receive(received, left)) {
                    break;
                }
                if (received.id != answerId || received.length < kPayloadSize) {
                    continue;
                }
                const SdoPayload answer = CanPayload(received);
                if (!AnswerMatchesRequest(request, answer)) {
                    continue;
                }
                Observe(false, received.id, received.data);
                answer_ = answer;
                hasAnswer_ = true;
                return kExchangeAnswered;
            }
            if (!sendRetrySwitch_.load()) {
                return kExchangeAnswered;
            }
            ++invalidAnswers;
        }
        if (invalidAnswers >= kMaxTries) {
            return kExchangeInvalidAnswers;
        }
        if (failedSends >= kMaxTries) {
            return kExchangeSendFailures;
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
    value = static_cast<std::int32_t>(decoded->value);
    return true;
}

void LinkCodec::GetSegmentData(const std::uint8_t*& data, int& count, bool& last) const {
    data = answer_.data() + 1;
    count = SegmentDataCount(answer_[0]);
    last = IsLastSegment(answer_[0]);
}

}  // namespace morlo::link
