#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "link/AbortCode.h"
#include "link/CanBitTiming.h"
#include "link/LinkCodec.h"

namespace morlo::link {
namespace {

using Bytes = std::vector<std::uint8_t>;

class RecordingSink : public MessageSink {
  public:
    void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
    std::vector<std::string> messages;
};

// A serial link whose answers are scripted: each Receive hands out the next script entry
// (an empty entry is silence).
class ScriptedSerialLink : public ByteLinkObject {
  public:
    int Open(const LinkSettings&) override { return 0; }
    void Close() override {}
    int Send(const std::uint8_t* bytes, std::size_t count) override {
        sent.emplace_back(bytes, bytes + count);
        if (!sendResults.empty()) {
            int r = sendResults.front();
            sendResults.pop_front();
            return r;
        }
        return 0;
    }
    std::size_t Receive(std::uint8_t* buffer, std::size_t capacity,
                        std::chrono::milliseconds) override {
        if (answers.empty()) {
            return 0;
        }
        Bytes answer = answers.front();
        answers.pop_front();
        std::size_t n = std::min(capacity, answer.size());
        std::copy_n(answer.begin(), n, buffer);
        return n;
    }
    std::vector<Bytes> sent;
    std::deque<Bytes> answers;
    std::deque<int> sendResults;
};

class ScriptedCanLink : public CanLinkObject {
  public:
    int Open(const LinkSettings&) override { return 0; }
    void Close() override {}
    int Send(const CanMessage& message) override {
        sent.push_back(message);
        return 0;
    }
    bool Receive(CanMessage& message, std::chrono::milliseconds) override {
        if (bus.empty()) {
            return false;
        }
        message = bus.front();
        bus.pop_front();
        return true;
    }
    bool GetVersion(std::string& text) override {
        text = "virtualcan:can0";
        return true;
    }
    std::vector<CanMessage> sent;
    std::deque<CanMessage> bus;
};

Bytes Frame(int node, const SdoPayload& payload) {
    auto f = BuildSerialFrame(node, payload);
    return Bytes(f.begin(), f.end());
}

// A codec wired to a scripted link of the given kind.
template <typename Link>
struct Fixture {
    Fixture() : library(&sink), codec(library, retry) {
        library.RegisterFactory(kLinkTypeSerial, [this] {
            auto l = std::make_unique<Link>();
            link = l.get();
            return l;
        });
        library.RegisterFactory(kLinkTypeCan, [this] {
            auto l = std::make_unique<Link>();
            link = l.get();
            return l;
        });
        int type = std::is_same_v<Link, ScriptedCanLink> ? kLinkTypeCan : kLinkTypeSerial;
        library.Load(type);
        codec.SetLinkType(type);
        codec.SetNodeId(1);
    }
    std::atomic<bool> retry{true};
    RecordingSink sink;
    LinkLibrary library;
    LinkCodec codec;
    Link* link = nullptr;
};

TEST(SdoFrames, TheFramesOfAStatuswordRead) {
    auto payload = BuildPayload(0x604100, kCmdRead, 0);
    EXPECT_EQ(Frame(1, payload), (Bytes{0x01, 0x40, 0x41, 0x60, 0x00, 0, 0, 0, 0, 0x1E}));
    CanMessage m = BuildCanRequest(1, payload);
    EXPECT_EQ(m.id, 0x601u);
    EXPECT_EQ(m.length, 8);
    EXPECT_EQ(Bytes(m.data.begin(), m.data.end()), (Bytes{0x40, 0x41, 0x60, 0, 0, 0, 0, 0}));
    EXPECT_EQ(PayloadKey(payload), 0x604100);
    EXPECT_EQ(WriteCommandForWidth(8), kCmdWrite8);
    EXPECT_EQ(WriteCommandForWidth(16), kCmdWrite16);
    EXPECT_EQ(WriteCommandForWidth(32), kCmdWrite32);
    EXPECT_EQ(WriteCommandForWidth(0), 0);
}

TEST(SdoFrames, DecodingRules) {
    SdoPayload zeros{};
    SerialFrame zeroFrame{};
    EXPECT_TRUE(SerialChecksumOk(zeroFrame));  // ten zero bytes sum to 0
    EXPECT_FALSE(DecodeAnswer(kCmdRead, zeros, 0));
    auto write = DecodeAnswer(kCmdWrite16, zeros, 0);
    ASSERT_TRUE(write);
    EXPECT_EQ(write->kind, ResultKind::Value);
    EXPECT_EQ(write->value, 0u);

    SdoPayload word{kAnswer16, 0x41, 0x60, 0, 0xFF, 0xFF, 0xAA, 0xAA};
    EXPECT_EQ(DecodeAnswer(kCmdRead, word, 0)->value, 65535u);
    SdoPayload byte{kAnswer8, 0x41, 0x60, 0, 0xFE, 0x12, 0x34, 0x56};
    EXPECT_EQ(DecodeAnswer(kCmdRead, byte, 0)->value, 0xFEu);
    SdoPayload abort{kCmdAbort, 0, 0, 0, 0x00, 0x00, 0x02, 0x06};
    auto refused = DecodeAnswer(kCmdRead, abort, 0);
    EXPECT_EQ(refused->kind, ResultKind::Abort);
    EXPECT_EQ(refused->value, 0x06020000u);
    SdoPayload segment{0x0B, 'a', 'b', 0, 0, 0, 0, 0};
    auto seg = DecodeAnswer(kCmdSegment, segment, 77);
    EXPECT_EQ(seg->kind, ResultKind::Segment);
    EXPECT_EQ(seg->value, 77u);
    EXPECT_EQ(SegmentDataCount(0x00), 7);
    EXPECT_EQ(SegmentDataCount(0x0B), 2);
    EXPECT_FALSE(DecodeAnswer(0x55, word, 0));
    SdoPayload unknown{0x47, 0x41, 0x60, 0, 1, 2, 3, 0};
    EXPECT_FALSE(DecodeAnswer(kCmdRead, unknown, 0));
}

TEST(SdoFrames, AbortTextsAndBitTimings) {
    EXPECT_EQ(AbortCodeText(0x06010002), "attempt to write a read-only object");
    EXPECT_EQ(AbortCodeText(0x12345678), "unknown abort code");
    EXPECT_EQ(FindCanBitTiming(0x011C)->bitRate, 250000);
    EXPECT_FALSE(FindCanBitTiming(0x1234));
}

TEST(LinkCodecSerial, TakesAMatchingAnswer) {
    Fixture<ScriptedSerialLink> f;
    f.link->answers.push_back(Frame(1, {kAnswer16, 0x41, 0x60, 0, 0x27, 0x02, 0, 0}));
    ASSERT_EQ(f.codec.Exchange(0x604100, kCmdRead, 0), kExchangeAnswered);
    ResultKind kind;
    std::int32_t value = 0;
    ASSERT_TRUE(f.codec.Decode(kind, value));
    EXPECT_EQ(kind, ResultKind::Value);
    EXPECT_EQ(value, 0x0227);
    EXPECT_EQ(f.link->sent[0], (Bytes{0x01, 0x40, 0x41, 0x60, 0x00, 0, 0, 0, 0, 0x1E}));
}

TEST(LinkCodecSerial, LateOrForeignAnswersAreNotTaken) {
    Fixture<ScriptedSerialLink> f;
    // The answer to an earlier read of 0x606C arrives late; the retry gets the right one.
    f.link->answers.push_back(Frame(1, {kAnswer32, 0x6C, 0x60, 0, 1, 0, 0, 0}));
    f.link->answers.push_back(Frame(1, {kAnswer16, 0x41, 0x60, 0, 0x37, 0, 0, 0}));
    ASSERT_EQ(f.codec.Exchange(0x604100, kCmdRead, 0), kExchangeAnswered);
    ResultKind kind;
    std::int32_t value = 0;
    ASSERT_TRUE(f.codec.Decode(kind, value));
    EXPECT_EQ(value, 0x37);
    EXPECT_EQ(f.link->sent.size(), 2u);
}

TEST(LinkCodecSerial, BadChecksumsAreRetried) {
    Fixture<ScriptedSerialLink> f;
    Bytes good = Frame(1, {kAnswer16, 0x41, 0x60, 0, 0x37, 0, 0, 0});
    Bytes bad = good;
    bad[9] ^= 0x01;
    f.link->answers = {bad, Bytes(good.begin(), good.begin() + 6), good};
    EXPECT_EQ(f.codec.Exchange(0x604100, kCmdRead, 0), kExchangeAnswered);
    EXPECT_EQ(f.link->sent.size(), 3u);
}

TEST(LinkCodecSerial, SilenceEndsInALinkFailureAfterThreeTries) {
    Fixture<ScriptedSerialLink> f;
    EXPECT_EQ(f.codec.Exchange(0x604100, kCmdRead, 0), kExchangeInvalidAnswers);
    EXPECT_EQ(f.link->sent.size(), 3u);
    ResultKind kind;
    std::int32_t value = 0;
    EXPECT_FALSE(f.codec.Decode(kind, value));
}

TEST(LinkCodecSerial, FailedSendsEndAfterThreeTries) {
    Fixture<ScriptedSerialLink> f;
    f.link->sendResults = {-1, -1, -1};
    EXPECT_EQ(f.codec.Exchange(0x604100, kCmdRead, 0), kExchangeSendFailures);
}

TEST(LinkCodecSerial, WithTheRetrySwitchOffARestartEndsQuietly) {
    Fixture<ScriptedSerialLink> f;
    f.retry = false;
    EXPECT_EQ(f.codec.Exchange(0x2FFF00, kCmdWrite16, 0xAA55), kExchangeAnswered);
    EXPECT_EQ(f.link->sent.size(), 1u);
    ResultKind kind;
    std::int32_t value = 0;
    EXPECT_FALSE(f.codec.Decode(kind, value));  // nothing to report, no stale value
    f.link->sendResults = {-1};
    EXPECT_EQ(f.codec.Exchange(0x2FFF00, kCmdWrite16, 0xAA55), kExchangeAnswered);
    EXPECT_FALSE(f.codec.Decode(kind, value));
}

TEST(LinkCodecSerial, ARefusedWriteIsAnsweredWithTheCurrentValue) {
    Fixture<ScriptedSerialLink> f;
    f.link->answers.push_back(Frame(1, {kCmdAbort, 0x00, 0x20, 1, 0x31, 0, 0x09, 0x06}));
    f.link->answers.push_back(Frame(1, {kAnswer16, 0x00, 0x20, 1, 0x64, 0, 0, 0}));
    ASSERT_EQ(f.codec.Exchange(0x200001, kCmdWrite16, 5000), kExchangeAnswered);
    ASSERT_EQ(f.link->sent.size(), 2u);
    EXPECT_EQ(f.link->sent[1][1], kCmdRead);
    EXPECT_EQ(f.link->sent[1][5], 0x88);  // same value field: 5000 = 0x1388
    ResultKind kind;
    std::int32_t value = 0;
    ASSERT_TRUE(f.codec.Decode(kind, value));
    EXPECT_EQ(kind, ResultKind::Value);
    EXPECT_EQ(value, 100);
}

TEST(LinkCodecSerial, ARefusedReadIsReportedAsAbort) {
    Fixture<ScriptedSerialLink> f;
    f.link->answers.push_back(Frame(1, {kCmdAbort, 0x99, 0x29, 0, 0, 0, 0x02, 0x06}));
    ASSERT_EQ(f.codec.Exchange(0x299900, kCmdRead, 0), kExchangeAnswered);
    ResultKind kind;
    std::int32_t value = 0;
    ASSERT_TRUE(f.codec.Decode(kind, value));
    EXPECT_EQ(kind, ResultKind::Abort);
    EXPECT_EQ(static_cast<std::uint32_t>(value), 0x06020000u);
}

TEST(LinkCodecSerial, SegmentDataOfTheLastAnswer) {
    Fixture<ScriptedSerialLink> f;
    f.link->answers.push_back(Frame(1, {0x15, 'x', 'y', 'z', 0, 0, 0, 0}));  // toggle, n=2, last
    ASSERT_EQ(f.codec.Exchange(0, kCmdSegmentToggle, 0), kExchangeAnswered);
    ResultKind kind;
    std::int32_t value = 0;
    ASSERT_TRUE(f.codec.Decode(kind, value));
    EXPECT_EQ(kind, ResultKind::Segment);
    const std::uint8_t* data = nullptr;
    int count = 0;
    bool last = false;
    f.codec.GetSegmentData(data, count, last);
    EXPECT_EQ(count, 5);
    EXPECT_TRUE(last);
    EXPECT_EQ(data[0], 'x');
}

TEST(LinkCodecSerial, NoLinkObjectOrOffline) {
    std::atomic<bool> retry{true};
    LinkLibrary library;
    LinkCodec codec(library, retry);
    codec.SetLinkType(kLinkTypeSerial);
    EXPECT_EQ(codec.Exchange(0x604100, kCmdRead, 0), kExchangeNoLibrary);
    Fixture<ScriptedSerialLink> f;
    f.codec.SetLinkType(kLinkTypeOffline);
    EXPECT_EQ(f.codec.Exchange(0x604100, kCmdRead, 0), kExchangeNoLibrary);
    EXPECT_TRUE(f.link->sent.empty());
}

TEST(LinkCodecCan, OtherTrafficIsSkipped) {
    Fixture<ScriptedCanLink> f;
    CanMessage heartbeat;
    heartbeat.id = 0x701;
    heartbeat.length = 1;
    CanMessage otherNode = BuildCanResponse(2, {kAnswer16, 0x41, 0x60, 0, 1, 0, 0, 0});
    CanMessage stale = BuildCanResponse(1, {kAnswer32, 0x6C, 0x60, 0, 9, 0, 0, 0});
    CanMessage answer = BuildCanResponse(1, {kAnswer16, 0x41, 0x60, 0, 0x27, 0, 0, 0});
    f.link->bus = {heartbeat, otherNode, stale, answer};
    ASSERT_EQ(f.codec.Exchange(0x604100, kCmdRead, 0), kExchangeAnswered);
    ResultKind kind;
    std::int32_t value = 0;
    ASSERT_TRUE(f.codec.Decode(kind, value));
    EXPECT_EQ(value, 0x27);
    ASSERT_EQ(f.link->sent.size(), 1u);
    EXPECT_EQ(f.link->sent[0].id, 0x601u);
}

TEST(LinkCodecCan, SilenceEndsInALinkFailure) {
    Fixture<ScriptedCanLink> f;
    EXPECT_EQ(f.codec.Exchange(0x604100, kCmdRead, 0), kExchangeInvalidAnswers);
    EXPECT_EQ(f.link->sent.size(), 3u);
}

TEST(LinkLibrary, LoadingAndOpeningReportTheirFailures) {
    RecordingSink sink;
    LinkLibrary library(&sink);
    EXPECT_EQ(library.Load(kLinkTypeOffline), 1);
    EXPECT_EQ(library.Load(kLinkTypeSerial), 0);
    EXPECT_EQ(library.Load(kLinkTypeCan), 0);
    library.RegisterFactory(kLinkTypeCan, [] { return std::unique_ptr<LinkObject>(); });
    EXPECT_EQ(library.Load(kLinkTypeCan), 0);
    EXPECT_EQ(sink.messages,
              (std::vector<std::string>{kMsgSerialInterfaceFailure, kMsgCanInterfaceFailure,
                                        kMsgCanInstanceFailure}));
    sink.messages.clear();
    library.Load(kLinkTypeSerial);
    EXPECT_EQ(library.Open(LinkSettings{}), -1);
    EXPECT_EQ(sink.messages.back(), kMsgSerialLibraryFailure);

    library.RegisterFactory(kLinkTypeCan, [] { return std::make_unique<ScriptedCanLink>(); });
    EXPECT_EQ(library.Load(kLinkTypeCan), 1);
    EXPECT_EQ(library.Open(LinkSettings{}), 0);
    std::string version;
    EXPECT_TRUE(library.GetVersion(version));
    EXPECT_NE(version.find(':'), std::string::npos);
}

}  // namespace
}  // namespace morlo::link
