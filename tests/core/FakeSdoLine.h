#pragma once

#include <algorithm>
#include <chrono>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "link/LinkCodec.h"
#include "link/SdoFrame.h"
#include "link/UploadReader.h"

// Links with a simulated line for codec tests: time passes only when a receive waits, and a
// small SDO server answers after a chosen latency.
namespace morlo::link::testing {

using Bytes = std::vector<std::uint8_t>;
using Ms = std::chrono::milliseconds;

// Answers SDO requests the way a drive does: numbers and texts, segmented uploads with the
// toggle bit, aborts for what it does not know. Requests whose ordinal (0-based) is in
// `lost` get no answer.
class FakeSdoServer {
  public:
    bool echoWrites = true;         // our drives echo the value; a standard server sends zeros
    bool familyEnding = true;       // a 7-byte last segment is followed by an empty one
    bool segmentedNumbers = false;  // numbers are sent in segments too
    bool blockUpload = false;       // texts go by block upload (else: block requests refused)
    bool blockCrc = true;           // the block upload offers the CRC
    bool wrongCrc = false;          // ...and sends a wrong one
    std::map<ObjectKey, std::uint32_t> numbers;
    std::map<ObjectKey, std::string> texts;
    std::set<int> lost;
    std::set<int> lostBlockSegments;  // block segments sent (from 0) that never arrive
    std::vector<SdoPayload> requests;

    // Every answer to the request: a block upload's segments come together.
    std::vector<SdoPayload> HandleAll(const SdoPayload& request) {
        if ((request[0] & 0xE0) != 0xA0) {
            auto answer = Handle(request);
            return answer ? std::vector<SdoPayload>{*answer} : std::vector<SdoPayload>{};
        }
        requests.push_back(request);
        const ObjectKey key = PayloadKey(request);
        switch (request[0] & 0xE3) {
            case 0xA0: {  // initiate: blksize in byte 4, protocol switch threshold in byte 5
                auto t = texts.find(key);
                if (!blockUpload || t == texts.end()) {
                    return {BuildAbort(key, blockUpload ? 0x06020000 : 0x05040001)};
                }
                if (t->second.size() <= request[5]) {
                    return {StartUpload(key, t->second)};
                }
                const bool crc = blockCrc && (request[0] & 0x04) != 0;
                block_ = Block{t->second, 0, request[4], crc};
                return {BuildPayload(key, static_cast<std::uint8_t>(0xC2 | (crc ? 0x04 : 0)),
                                     static_cast<std::int32_t>(t->second.size()))};
            }
            case 0xA3:  // start
                return SendBlock();
            case 0xA2: {  // ack: last sequence received, next block size
                block_->acked += request[1];
                block_->size = request[2];
                const std::size_t total = (block_->data.size() + 6) / 7;
                if (block_->acked < total) {
                    return SendBlock();
                }
                std::uint16_t crc = 0;  // x^16 + x^12 + x^5 + 1, from 0
                for (char c : block_->data) {
                    crc = static_cast<std::uint16_t>(crc ^ (static_cast<std::uint8_t>(c) << 8));
                    for (int bit = 0; bit < 8; ++bit) {
                        crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021
                                                                        : crc << 1);
                    }
                }
                crc = static_cast<std::uint16_t>(crc ^ (wrongCrc ? 1 : 0));
                const auto unused = static_cast<std::uint8_t>(total * 7 - block_->data.size());
                return {SdoPayload{static_cast<std::uint8_t>(0xC1 | unused << 2),
                                   static_cast<std::uint8_t>(crc),
                                   static_cast<std::uint8_t>(crc >> 8), 0, 0, 0, 0, 0}};
            }
            default:  // end, or an abort
                block_.reset();
                return {};
        }
    }

    std::optional<SdoPayload> Handle(const SdoPayload& request) {
        const int ordinal = static_cast<int>(requests.size());
        requests.push_back(request);
        std::optional<SdoPayload> answer = Answer(request);
        if (lost.count(ordinal) != 0) {
            return std::nullopt;
        }
        return answer;
    }

  private:
    std::optional<SdoPayload> Answer(const SdoPayload& request) {
        const std::uint8_t command = request[0];
        const ObjectKey key = PayloadKey(request);
        if (command == kCmdAbort) {
            upload_.reset();
            return std::nullopt;
        }
        if (command == kCmdSegment || command == kCmdSegmentToggle) {
            return Segment(request);
        }
        upload_.reset();
        if (command == kCmdRead) {
            if (auto t = texts.find(key); t != texts.end()) {
                return StartUpload(key, t->second);
            }
            if (auto n = numbers.find(key); n != numbers.end()) {
                if (segmentedNumbers) {
                    std::string bytes(4, '\0');
                    for (int i = 0; i < 4; ++i) {
                        bytes[static_cast<std::size_t>(i)] =
                            static_cast<char>(n->second >> (8 * i));
                    }
                    return StartUpload(key, bytes);
                }
                return BuildPayload(key, kAnswer32, static_cast<std::int32_t>(n->second));
            }
            return BuildAbort(key, 0x06020000);
        }
        auto n = numbers.find(key);
        if (n == numbers.end()) {
            return BuildAbort(key, 0x06020000);
        }
        const std::uint32_t mask = command == kCmdWrite8    ? 0xFFu
                                   : command == kCmdWrite16 ? 0xFFFFu
                                                            : 0xFFFFFFFFu;
        n->second = PayloadValue(request) & mask;
        return BuildPayload(key, kAnswerWrite,
                            echoWrites ? static_cast<std::int32_t>(n->second) : 0);
    }

    SdoPayload StartUpload(ObjectKey key, const std::string& data) {
        upload_ = Upload{key, data, 0, false};
        return BuildPayload(key, kAnswerSegmented, static_cast<std::int32_t>(data.size()));
    }

    SdoPayload Segment(const SdoPayload& request) {
        if (!upload_) {
            return BuildAbort(0, 0x05040001);
        }
        const bool toggle = (request[0] & kToggleBit) != 0;
        if (toggle != upload_->toggle) {
            const ObjectKey key = upload_->key;
            upload_.reset();
            return BuildAbort(key, 0x05030000);
        }
        const std::size_t left = upload_->data.size() - upload_->position;
        const std::size_t count = std::min<std::size_t>(7, left);
        const bool last = familyEnding ? count < 7 : count == left;
        SdoPayload answer{};
        answer[0] = static_cast<std::uint8_t>((toggle ? kToggleBit : 0) | ((7 - count) << 1) |
                                              (last ? kSegmentLastBit : 0));
        std::copy_n(upload_->data.begin() + static_cast<std::ptrdiff_t>(upload_->position), count,
                    answer.begin() + 1);
        upload_->position += count;
        upload_->toggle = !upload_->toggle;
        if (last) {
            upload_.reset();
        }
        return answer;
    }

    // The next block: up to size segments from the first one not acknowledged.
    std::vector<SdoPayload> SendBlock() {
        std::vector<SdoPayload> out;
        const std::size_t total = (block_->data.size() + 6) / 7;
        for (std::size_t seq = 1, seg = block_->acked; seq <= block_->size && seg < total;
             ++seq, ++seg) {
            SdoPayload segment{};
            segment[0] = static_cast<std::uint8_t>(seq | (seg + 1 == total ? 0x80 : 0));
            const std::string chunk = block_->data.substr(seg * 7, 7);
            std::copy(chunk.begin(), chunk.end(), segment.begin() + 1);
            if (lostBlockSegments.count(sentSegments_++) == 0) {
                out.push_back(segment);
            }
        }
        return out;
    }

    struct Upload {
        ObjectKey key;
        std::string data;
        std::size_t position;
        bool toggle;
    };
    std::optional<Upload> upload_;
    struct Block {
        std::string data;
        std::size_t acked;  // segments acknowledged
        std::size_t size;   // segments per block
        bool crc;
    };
    std::optional<Block> block_;
    int sentSegments_ = 0;
};

// What is on its way on a simulated line: items arrive at their time; a receive waits for
// the next one up to its time-out, and the line's clock moves on.
template <typename Item>
class SimulatedLine {
  public:
    Ms now{0};

    void Schedule(Ms delay, Item item) { inFlight_.push_back({now + delay, std::move(item)}); }
    // Drops what has arrived and was not read (a port does so when it sends).
    void DropArrived() {
        std::erase_if(inFlight_, [this](const auto& f) { return f.at <= now; });
    }
    std::optional<Item> Next(Ms timeout) {
        auto it = std::min_element(inFlight_.begin(), inFlight_.end(),
                                   [](const auto& a, const auto& b) { return a.at < b.at; });
        if (it == inFlight_.end() || it->at > now + timeout) {
            now += timeout;
            return std::nullopt;
        }
        now = std::max(now, it->at);
        Item item = std::move(it->item);
        inFlight_.erase(it);
        return item;
    }
    std::chrono::steady_clock::time_point Clock() const {
        return std::chrono::steady_clock::time_point(now);
    }

  private:
    struct InFlight {
        Ms at;
        Item item;
    };
    std::vector<InFlight> inFlight_;
};

// Each send takes the next script entry (frames with their delays; empty = silence) or,
// with no script left, the server's answer after the latency.
class TimedSerialLink : public ByteLinkObject {
  public:
    int Open(const LinkSettings&) override { return 0; }
    void Close() override {}
    int Send(const std::uint8_t* bytes, std::size_t count) override {
        sent.emplace_back(bytes, bytes + count);
        line.DropArrived();
        if (!sendResults.empty()) {
            const int r = sendResults.front();
            sendResults.pop_front();
            if (r != 0) {
                return r;
            }
        }
        if (!script.empty()) {
            for (const auto& [delay, frame] : script.front()) {
                line.Schedule(delay, frame);
            }
            script.pop_front();
        } else if (server != nullptr && count == kSerialFrameSize) {
            SerialFrame frame{};
            std::copy_n(bytes, count, frame.begin());
            if (auto answer = server->Handle(SerialPayload(frame))) {
                auto reply = BuildSerialFrame(frame[0], *answer);
                line.Schedule(latency, Bytes(reply.begin(), reply.end()));
            }
        }
        return 0;
    }
    std::size_t Receive(std::uint8_t* buffer, std::size_t capacity, Ms timeout) override {
        auto frame = line.Next(timeout);
        if (!frame) {
            return 0;
        }
        const std::size_t n = std::min(capacity, frame->size());
        std::copy_n(frame->begin(), n, buffer);
        return n;
    }
    // The SDO payloads of the frames sent.
    std::vector<SdoPayload> SentPayloads() const {
        std::vector<SdoPayload> out;
        for (const Bytes& b : sent) {
            SerialFrame f{};
            std::copy_n(b.begin(), std::min(b.size(), f.size()), f.begin());
            out.push_back(SerialPayload(f));
        }
        return out;
    }

    SimulatedLine<Bytes> line;
    FakeSdoServer* server = nullptr;
    Ms latency{0};
    std::deque<std::vector<std::pair<Ms, Bytes>>> script;
    std::deque<int> sendResults;
    std::vector<Bytes> sent;
};

class TimedCanLink : public CanLinkObject {
  public:
    int Open(const LinkSettings&) override { return 0; }
    void Close() override {}
    int Send(const CanMessage& message) override {
        sent.push_back(message);
        if (!script.empty()) {
            for (const auto& [delay, m] : script.front()) {
                line.Schedule(delay, m);
            }
            script.pop_front();
        } else if (server != nullptr) {
            for (const SdoPayload& answer : server->HandleAll(message.data)) {
                line.Schedule(latency, BuildCanResponse(
                                           static_cast<int>(message.id - kCanRequestBase), answer));
            }
        }
        return 0;
    }
    bool Receive(CanMessage& message, Ms timeout) override {
        auto m = line.Next(timeout);
        if (!m) {
            return false;
        }
        message = *m;
        return true;
    }
    bool GetVersion(std::string& text) override {
        text = "virtualcan:can0";
        return true;
    }
    std::vector<SdoPayload> SentPayloads() const {
        std::vector<SdoPayload> out;
        for (const CanMessage& m : sent) {
            out.push_back(m.data);
        }
        return out;
    }

    SimulatedLine<CanMessage> line;
    FakeSdoServer* server = nullptr;
    Ms latency{0};
    std::deque<std::vector<std::pair<Ms, CanMessage>>> script;
    std::vector<CanMessage> sent;
};

// What a receiver ends up with after reading one object the way pages do: the exchange
// result, and either a value, a refusal or the data of a segmented upload.
struct ReadOutcome {
    int exchange = kExchangeAnswered;
    std::optional<ResultKind> kind;
    std::uint32_t value = 0;
    std::optional<std::string> data;
};

// Reads the key, following a segmented upload (and its restart) as a receiver does.
inline ReadOutcome ReadObject(LinkCodec& codec, ObjectKey key) {
    UploadReader reader;
    ReadOutcome out;
    int result = codec.Exchange(key, kCmdRead, 0);
    for (int turns = 0; turns < 1000; ++turns) {
        out.exchange = result;
        if (result != kExchangeAnswered) {
            return out;
        }
        ResultKind kind;
        std::int32_t value = 0;
        if (!codec.Decode(kind, value)) {
            return out;
        }
        if (kind == ResultKind::UploadStarted) {
            result = codec.Exchange(key, reader.Start(codec.ResultKey()), 0);
            continue;
        }
        if (kind == ResultKind::Segment && reader.Running()) {
            const std::uint8_t* data = nullptr;
            int count = 0;
            bool last = false;
            codec.GetSegmentData(data, count, last);
            auto step = reader.Add({data, static_cast<std::size_t>(count)}, last);
            if (step == UploadReader::Step::Next) {
                result = codec.Exchange(key, reader.NextCommand(), 0);
                continue;
            }
            out.kind = kind;
            out.data = reader.Data();
            return out;
        }
        out.kind = kind;
        out.value = static_cast<std::uint32_t>(value);
        return out;
    }
    return out;
}

}  // namespace morlo::link::testing
