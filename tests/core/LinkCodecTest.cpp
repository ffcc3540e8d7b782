#include <gtest/gtest.h>

#include <deque>
#include <set>
#include <vector>

#include "FakeSdoLine.h"
#include "link/AbortCode.h"
#include "link/CanBitTiming.h"
#include "link/LinkCodec.h"

namespace morlo::link {
namespace {

using namespace std::chrono_literals;
using testing::Bytes;
using testing::FakeSdoServer;
using testing::ReadObject;
using testing::TimedCanLink;
using testing::TimedSerialLink;
using ScriptedSerialLink = TimedSerialLink;
using ScriptedCanLink = TimedCanLink;

class RecordingSink : public MessageSink {
  public:
    void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
    std::vector<std::string> messages;
};

Bytes Frame(int node, const SdoPayload& payload) {
    auto f = BuildSerialFrame(node, payload);
    return Bytes(f.begin(), f.end());
}

// A codec wired to a scripted link of the given kind.
template <typename Link>
struct Fixture {
    using ReadOutcome = testing::ReadOutcome;
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
        codec.SetClock([this] { return link->line.Clock(); });
    }
    // The fake server answers every request from now on, after the latency.
    void Serve(testing::Ms latency = testing::Ms{0}) {
        link->server = &server;
        link->latency = latency;
    }
    // Commands of the requests sent, in order.
    std::vector<std::uint8_t> Commands() const {
        std::vector<std::uint8_t> out;
        for (const SdoPayload& p : link->SentPayloads()) {
            out.push_back(p[0]);
        }
        return out;
    }
    ReadOutcome Read(ObjectKey key) { return ReadObject(codec, key); }
    ReadOutcome Write(ObjectKey key, std::uint8_t command, std::int32_t value) {
        ReadOutcome out;
        out.exchange = codec.Exchange(key, command, value);
        ResultKind kind;
        std::int32_t v = 0;
        if (out.exchange == kExchangeAnswered && codec.Decode(kind, v)) {
            out.kind = kind;
            out.value = static_cast<std::uint32_t>(v);
        }
        return out;
    }
    FakeSdoServer server;
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
    EXPECT_FALSE(DecodeAnswer(kCmdRead, zeros, 0)) << "0x00 is no initiate answer";
    auto write = DecodeAnswer(kCmdWrite16, zeros, 0);
    ASSERT_TRUE(write);
    EXPECT_EQ(write->kind, ResultKind::Value);
    EXPECT_EQ(write->value, 0u);

    SdoPayload abort{kCmdAbort, 0, 0, 0, 0x00, 0x00, 0x02, 0x06};
    auto refused = DecodeAnswer(kCmdRead, abort, 0);
    EXPECT_EQ(refused->kind, ResultKind::Abort);
    EXPECT_EQ(refused->value, 0x06020000u);
    SdoPayload segment{0x0B, 'a', 'b', 0, 0, 0, 0, 0};
    auto seg = DecodeAnswer(kCmdSegment, segment, 77);
    EXPECT_EQ(seg->kind, ResultKind::Segment);
    EXPECT_EQ(seg->value, 77u);
    EXPECT_FALSE(DecodeAnswer(0x55, segment, 0));
}

TEST(SdoFrames, EveryUploadInitiateFormIsDecoded) {
    struct Case {
        std::uint8_t command;
        ResultKind kind;
        std::uint32_t value;
        int bits;  // the size the answer names, 0 when it does not
    };
    // Data bytes 4-7 are AA BB CC DD in every answer.
    const Case cases[] = {
        {0x43, ResultKind::Value, 0xDDCCBBAAu, 32},         // 4 bytes
        {0x47, ResultKind::Value, 0x00CCBBAAu, 24},         // 3 bytes
        {0x4B, ResultKind::Value, 0x0000BBAAu, 16},         // 2 bytes, never sign-extended
        {0x4F, ResultKind::Value, 0x000000AAu, 8},          // 1 byte
        {0x42, ResultKind::Value, 0xDDCCBBAAu, 0},          // size not given: all four
        {0x41, ResultKind::UploadStarted, 0xDDCCBBAAu, 0},  // segmented, the announced size
        {0x40, ResultKind::UploadStarted, 0u, 0},           // segmented, no size
    };
    for (const Case& c : cases) {
        SdoPayload answer{c.command, 0x09, 0x10, 0, 0xAA, 0xBB, 0xCC, 0xDD};
        auto decoded = DecodeAnswer(kCmdRead, answer, 0);
        ASSERT_TRUE(decoded) << std::hex << int(c.command);
        EXPECT_EQ(decoded->kind, c.kind) << std::hex << int(c.command);
        EXPECT_EQ(decoded->value, c.value) << std::hex << int(c.command);
        EXPECT_EQ(decoded->bits, c.bits) << std::hex << int(c.command);
    }
    SdoPayload notAnInitiate{0x53, 0x09, 0x10, 0, 1, 2, 3, 4};
    EXPECT_FALSE(DecodeAnswer(kCmdRead, notAnInitiate, 0));
}

TEST(SdoFrames, HowASegmentEndsTheUpload) {
    EXPECT_EQ(SegmentDataCount(0x00), 7);
    EXPECT_EQ(SegmentDataCount(0x0B), 2);
    EXPECT_FALSE(IsLastSegment(0x00));  // 7 bytes, no c bit: more follow
    EXPECT_FALSE(IsLastSegment(0x10));
    EXPECT_TRUE(IsLastSegment(0x01));  // c bit with 7 bytes
    EXPECT_TRUE(IsLastSegment(0x11));
    EXPECT_TRUE(IsLastSegment(0x0A));  // 2 bytes, no c bit: our drives' way
    EXPECT_TRUE(IsLastSegment(0x0E));  // no data at all
}

TEST(SdoFrames, AnAnswerIsTakenOnlyForARequestItFits) {
    const SdoPayload read = BuildPayload(0x100900, kCmdRead, 0);
    const SdoPayload write = BuildPayload(0x607A00, kCmdWrite32, 111);
    const SdoPayload seg0 = BuildPayload(0x100900, kCmdSegment, 0);
    const SdoPayload seg1 = BuildPayload(0x100900, kCmdSegmentToggle, 0);
    auto answer = [](std::uint8_t command, ObjectKey key) { return BuildPayload(key, command, 0); };
    // Class of the answer against the request.
    EXPECT_TRUE(AnswerFits(read, answer(0x41, 0x100900)));
    EXPECT_TRUE(AnswerFits(read, answer(0x4F, 0x100900)));
    EXPECT_TRUE(AnswerFits(read, answer(kCmdAbort, 0x100900)));
    EXPECT_FALSE(AnswerFits(read, answer(kAnswerWrite, 0x100900)));
    EXPECT_FALSE(AnswerFits(read, answer(0x00, 0x100900)));
    EXPECT_TRUE(AnswerFits(write, answer(kAnswerWrite, 0x607A00)));
    EXPECT_TRUE(AnswerFits(write, answer(kCmdAbort, 0x607A00)));
    EXPECT_FALSE(AnswerFits(write, answer(kAnswer32, 0x607A00)));
    EXPECT_FALSE(AnswerFits(write, answer(0x00, 0x607A00)));
    // Index and subindex where the answer carries them.
    EXPECT_FALSE(AnswerFits(read, answer(0x43, 0x100A00)));
    EXPECT_FALSE(AnswerFits(read, answer(0x43, 0x100901)));
    EXPECT_FALSE(AnswerFits(write, answer(kCmdAbort, 0x607B00)));
    // Segments: the toggle bit of the request; an initiate answer is no segment.
    EXPECT_TRUE(AnswerFits(seg0, {0x00, 'M', 'o', 'r', 'l', 'o', 'S', 'e'}));
    EXPECT_TRUE(AnswerFits(seg1, {0x15, 'x', 'y', 0, 0, 0, 0, 0}));
    EXPECT_FALSE(AnswerFits(seg0, {0x15, 'x', 'y', 0, 0, 0, 0, 0}));
    EXPECT_FALSE(AnswerFits(seg1, {0x00, 'M', 'o', 'r', 'l', 'o', 'S', 'e'}));
    EXPECT_FALSE(AnswerFits(seg0, answer(0x43, 0x100900)));
    EXPECT_FALSE(AnswerFits(seg0, answer(kAnswerWrite, 0x100900)));
    // A segment request's abort belongs to the running upload.
    EXPECT_TRUE(AnswerFits(seg0, answer(kCmdAbort, 0x100900), 0x100900));
    EXPECT_FALSE(AnswerFits(seg0, answer(kCmdAbort, 0x100A00), 0x100900));
}

TEST(SdoFrames, AbortTextsAndBitTimings) {
    EXPECT_EQ(AbortCodeText(0x06010002), "attempt to write a read-only object");
    EXPECT_EQ(AbortCodeText(0x12345678), "unknown abort code");
    EXPECT_EQ(FindCanBitTiming(0x011C)->bitRate, 250000);
    EXPECT_FALSE(FindCanBitTiming(0x1234));
}

TEST(LinkCodecSerial, TakesAMatchingAnswer) {
    Fixture<ScriptedSerialLink> f;
    f.link->script.push_back({{0ms, Frame(1, {kAnswer16, 0x41, 0x60, 0, 0x27, 0x02, 0, 0})}});
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
    // A late answer to an earlier read of 0x606C comes first, then the right one.
    f.link->script.push_back({{5ms, Frame(1, {kAnswer32, 0x6C, 0x60, 0, 1, 0, 0, 0})},
                              {10ms, Frame(1, {kAnswer16, 0x41, 0x60, 0, 0x37, 0, 0, 0})}});
    ASSERT_EQ(f.codec.Exchange(0x604100, kCmdRead, 0), kExchangeAnswered);
    ResultKind kind;
    std::int32_t value = 0;
    ASSERT_TRUE(f.codec.Decode(kind, value));
    EXPECT_EQ(value, 0x37);
    EXPECT_EQ(f.link->sent.size(), 1u);
    // Another node's frame and a write confirmation are no answers to a read either.
    f.link->script.push_back({{5ms, Frame(2, {kAnswer16, 0x41, 0x60, 0, 1, 0, 0, 0})},
                              {6ms, Frame(1, {kAnswerWrite, 0x41, 0x60, 0, 2, 0, 0, 0})}});
    f.link->script.push_back({{5ms, Frame(1, {kAnswer16, 0x41, 0x60, 0, 3, 0, 0, 0})}});
    ASSERT_EQ(f.codec.Exchange(0x604100, kCmdRead, 0), kExchangeAnswered);
    ASSERT_TRUE(f.codec.Decode(kind, value));
    EXPECT_EQ(value, 3);
}

TEST(LinkCodecSerial, BadChecksumsAreRetried) {
    Fixture<ScriptedSerialLink> f;
    Bytes good = Frame(1, {kAnswer16, 0x41, 0x60, 0, 0x37, 0, 0, 0});
    Bytes bad = good;
    bad[9] ^= 0x01;
    f.link->script = {{{0ms, bad}}, {{0ms, Bytes(good.begin(), good.begin() + 6)}}, {{0ms, good}}};
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
    f.link->script.push_back({{0ms, Frame(1, {kCmdAbort, 0x00, 0x20, 1, 0x31, 0, 0x09, 0x06})}});
    f.link->script.push_back({{0ms, Frame(1, {kAnswer16, 0x00, 0x20, 1, 0x64, 0, 0, 0})}});
    ASSERT_EQ(f.codec.Exchange(0x200001, kCmdWrite16, 5000), kExchangeAnswered);
    ASSERT_EQ(f.link->sent.size(), 2u);
    EXPECT_EQ(f.link->sent[1][1], kCmdRead);
    EXPECT_EQ(f.link->sent[1][5], 0x88);  // same value field: 5000 = 0x1388
    ResultKind kind;
    std::int32_t value = 0;
    ASSERT_TRUE(f.codec.Decode(kind, value));
    EXPECT_EQ(kind, ResultKind::Value);
    EXPECT_EQ(value, 100);
    // The receiver learns that the value is a read-back of a refused write, and its size.
    EXPECT_EQ(f.codec.WriteRefusal(), 0x06090031u);
    EXPECT_EQ(f.codec.ResultBits(), 16);
    // The next exchange forgets the refusal.
    f.link->script.push_back({{0ms, Frame(1, {kAnswerWrite, 0x00, 0x20, 1, 0x64, 0, 0, 0})}});
    ASSERT_EQ(f.codec.Exchange(0x200001, kCmdWrite16, 100), kExchangeAnswered);
    ASSERT_TRUE(f.codec.Decode(kind, value));
    EXPECT_EQ(f.codec.WriteRefusal(), 0u);
    EXPECT_EQ(f.codec.ResultBits(), 16);
}

TEST(LinkCodecSerial, ARefusedReadIsReportedAsAbort) {
    Fixture<ScriptedSerialLink> f;
    f.link->script.push_back({{0ms, Frame(1, {kCmdAbort, 0x99, 0x29, 0, 0, 0, 0x02, 0x06})}});
    ASSERT_EQ(f.codec.Exchange(0x299900, kCmdRead, 0), kExchangeAnswered);
    ResultKind kind;
    std::int32_t value = 0;
    ASSERT_TRUE(f.codec.Decode(kind, value));
    EXPECT_EQ(kind, ResultKind::Abort);
    EXPECT_EQ(static_cast<std::uint32_t>(value), 0x06020000u);
}

TEST(LinkCodecSerial, SegmentDataOfTheLastAnswer) {
    Fixture<ScriptedSerialLink> f;
    f.link->script.push_back({{0ms, Frame(1, {0x15, 'x', 'y', 'z', 0, 0, 0, 0})}});  // n=2, last
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
    f.link->script.push_back({{1ms, heartbeat}, {2ms, otherNode}, {3ms, stale}, {4ms, answer}});
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

// ---- segmented uploads ----

template <typename Link>
void ReadsTextsAndNumbersInSegments() {
    Fixture<Link> f;
    f.Serve();
    f.server.texts[0x100900] = "HW 1.2";          // one short segment
    f.server.texts[0x100800] = "MorloServo 42";   // 7 + 6
    f.server.texts[0x100A00] = "FW 2.00.17-rc3";  // 7 + 7, and the empty segment
    f.server.numbers[0x606400] = 0x12345678;
    EXPECT_EQ(f.Read(0x100900).data, "HW 1.2");
    EXPECT_EQ(f.Read(0x100800).data, "MorloServo 42");
    f.link->sent.clear();
    EXPECT_EQ(f.Read(0x100A00).data, "FW 2.00.17-rc3");
    EXPECT_EQ(f.Commands(),
              (std::vector<std::uint8_t>{kCmdRead, kCmdSegment, kCmdSegmentToggle, kCmdSegment}));
    // Bytes 1-7 of a segment request are reserved: zeros on the wire.
    for (const SdoPayload& p : f.link->SentPayloads()) {
        if (p[0] != kCmdRead) {
            EXPECT_EQ(p, (SdoPayload{p[0], 0, 0, 0, 0, 0, 0, 0}));
        }
    }
    // A standard server marks the 7-byte last segment with the c bit: no extra request.
    f.server.familyEnding = false;
    f.link->sent.clear();
    EXPECT_EQ(f.Read(0x100A00).data, "FW 2.00.17-rc3");
    EXPECT_EQ(f.Commands(), (std::vector<std::uint8_t>{kCmdRead, kCmdSegment, kCmdSegmentToggle}));
    // A number sent in segments: the announced size (4) is never taken for its value.
    f.server.segmentedNumbers = true;
    auto number = f.Read(0x606400);
    ASSERT_TRUE(number.data);
    UploadReader reader;
    reader.Start(0x606400);
    reader.Add({reinterpret_cast<const std::uint8_t*>(number.data->data()), number.data->size()},
               true);
    EXPECT_EQ(reader.AsNumber(), 0x12345678u);
}

TEST(LinkCodecSerial, ReadsTextsAndNumbersInSegments) {
    ReadsTextsAndNumbersInSegments<ScriptedSerialLink>();
}

TEST(LinkCodecCan, ReadsTextsAndNumbersInSegments) {
    ReadsTextsAndNumbersInSegments<ScriptedCanLink>();
}

TEST(UploadReader, TogglesEndsAndLimits) {
    UploadReader reader(10);
    const std::uint8_t seven[7] = {1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(reader.Start(0x100800), kCmdSegment);
    EXPECT_EQ(reader.Add(seven, false), UploadReader::Step::Next);
    EXPECT_EQ(reader.NextCommand(), kCmdSegmentToggle);
    EXPECT_FALSE(reader.AsNumber());  // 7 bytes are no number
    EXPECT_EQ(reader.Add(seven, false), UploadReader::Step::TooLong);
    EXPECT_FALSE(reader.Running());
    // A restart begins with toggle 0 and no data.
    EXPECT_EQ(reader.Start(0x100800), kCmdSegment);
    EXPECT_TRUE(reader.Data().empty());
    EXPECT_EQ(reader.Add({seven, 3}, true), UploadReader::Step::Done);
    EXPECT_EQ(reader.AsNumber(), 0x030201u);
    reader.Start(0x100800);
    EXPECT_EQ(reader.Add({seven, 0}, true), UploadReader::Step::Done);
    EXPECT_FALSE(reader.AsNumber());  // nothing is no number either
}

TEST(LinkCodecSerial, AnInitiateWithoutSizeStartsAnUpload) {
    Fixture<ScriptedSerialLink> f;
    f.link->script.push_back({{0ms, Frame(1, {0x40, 0x08, 0x10, 0, 0, 0, 0, 0})}});
    f.link->script.push_back({{0ms, Frame(1, {0x05, 'a', 'b', 'c', 'd', 'e', 0, 0})}});
    auto out = f.Read(0x100800);
    EXPECT_EQ(out.data, "abcde");
}

TEST(LinkCodecSerial, WrongToggleIndexOrClassIsDiscarded) {
    Fixture<ScriptedSerialLink> f;
    // Segment request with toggle 0: an answer with toggle 1, an initiate answer and a write
    // confirmation are all skipped; the fitting segment is taken.
    f.link->script.push_back({{1ms, Frame(1, {0x1B, 'x', 'x', 0, 0, 0, 0, 0})},
                              {2ms, Frame(1, {0x43, 0x09, 0x10, 0, 6, 0, 0, 0})},
                              {3ms, Frame(1, {0x60, 0x09, 0x10, 0, 0, 0, 0, 0})},
                              {4ms, Frame(1, {0x0B, 'o', 'k', 0, 0, 0, 0, 0})}});
    ASSERT_EQ(f.codec.Exchange(0x100900, kCmdSegment, 0), kExchangeAnswered);
    const std::uint8_t* data = nullptr;
    int count = 0;
    bool last = false;
    f.codec.GetSegmentData(data, count, last);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(data), 2), "ok");
    EXPECT_TRUE(last);
    // A read answered only with another object's value three times is a link failure.
    for (int i = 0; i < 3; ++i) {
        f.link->script.push_back({{1ms, Frame(1, {0x43, 0x0A, 0x10, 0, 6, 0, 0, 0})}});
    }
    EXPECT_EQ(f.codec.Exchange(0x100900, kCmdRead, 0), kExchangeInvalidAnswers);
}

template <typename Link>
void ALostSegmentAbortsRestartsOnceThenFails() {
    Fixture<Link> f;
    f.Serve();
    f.server.texts[0x100800] = "MorloServo 42";
    f.server.lost = {1};  // the answer to the first segment request
    auto once = f.Read(0x100800);
    EXPECT_EQ(once.data, "MorloServo 42");
    const auto sent = f.link->SentPayloads();
    ASSERT_EQ(f.Commands(), (std::vector<std::uint8_t>{kCmdRead, kCmdSegment, kCmdAbort, kCmdRead,
                                                       kCmdSegment, kCmdSegmentToggle}));
    EXPECT_EQ(PayloadKey(sent[2]), 0x100800);
    EXPECT_EQ(PayloadValue(sent[2]), 0x05040000u);

    // Lost again after the restart: the receiver learns of a link fault, not a refusal.
    f.link->sent.clear();
    f.server.requests.clear();
    f.server.lost = {1, 4};
    auto twice = f.Read(0x100800);
    EXPECT_EQ(twice.exchange, kExchangeSegmentLost);
    EXPECT_FALSE(twice.kind);
    EXPECT_EQ(f.Commands(), (std::vector<std::uint8_t>{kCmdRead, kCmdSegment, kCmdAbort, kCmdRead,
                                                       kCmdSegment, kCmdAbort}));
    EXPECT_FALSE(f.codec.UploadRunning());
}

TEST(LinkCodecSerial, ALostSegmentAbortsRestartsOnceThenFails) {
    ALostSegmentAbortsRestartsOnceThenFails<ScriptedSerialLink>();
}

TEST(LinkCodecCan, ALostSegmentAbortsRestartsOnceThenFails) {
    ALostSegmentAbortsRestartsOnceThenFails<ScriptedCanLink>();
}

TEST(LinkCodecSerial, AnAbandonedUploadIsAborted) {
    Fixture<ScriptedSerialLink> f;
    f.Serve();
    f.server.texts[0x100800] = "MorloServo 42";
    f.server.numbers[0x606400] = 5;
    ASSERT_EQ(f.codec.Exchange(0x100800, kCmdRead, 0), kExchangeAnswered);
    ASSERT_EQ(f.codec.Exchange(0x100800, kCmdSegment, 0), kExchangeAnswered);
    EXPECT_TRUE(f.codec.UploadRunning());
    // The receiver goes on with something else: the drive is told first.
    EXPECT_EQ(f.Write(0x606400, kCmdWrite32, 9).value, 9u);
    auto sent = f.link->SentPayloads();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[2][0], kCmdAbort);
    EXPECT_EQ(PayloadKey(sent[2]), 0x100800);
    EXPECT_EQ(PayloadValue(sent[2]), 0x08000000u);
    EXPECT_FALSE(f.codec.UploadRunning());
    // Closing the link or a receiver that stops early abandon it the same way.
    ASSERT_EQ(f.codec.Exchange(0x100800, kCmdRead, 0), kExchangeAnswered);
    f.codec.AbandonUpload(0x05040005);
    EXPECT_EQ(PayloadValue(f.link->SentPayloads().back()), 0x05040005u);
    f.codec.AbandonUpload(0x05040005);  // nothing runs any more: nothing sent
    EXPECT_EQ(f.link->sent.size(), 6u);
}

// ---- writes ----

TEST(LinkCodecSerial, AWriteReportsWhatTheDriveHolds) {
    Fixture<ScriptedSerialLink> f;
    f.Serve();
    f.server.numbers[0x607A00] = 0;
    // Our drives echo the value: no extra exchange.
    EXPECT_EQ(f.Write(0x607A00, kCmdWrite32, -5).value, 0xFFFFFFFBu);
    EXPECT_EQ(f.Commands(), (std::vector<std::uint8_t>{kCmdWrite32}));
    // A standard server confirms with zeros: the object is read back.
    f.server.echoWrites = false;
    f.link->sent.clear();
    auto out = f.Write(0x607A00, kCmdWrite16, 0x1234);
    EXPECT_EQ(out.kind, ResultKind::Value);
    EXPECT_EQ(out.value, 0x1234u);
    EXPECT_EQ(f.Commands(), (std::vector<std::uint8_t>{kCmdWrite16, kCmdRead}));
    // Writing 0 is confirmed by the zeros themselves.
    f.link->sent.clear();
    EXPECT_EQ(f.Write(0x607A00, kCmdWrite8, 0).value, 0u);
    EXPECT_EQ(f.Commands(), (std::vector<std::uint8_t>{kCmdWrite8}));
}

// A standard server may send even a number in segments; the write's read-back fetches it.
template <typename Link>
void AWriteReadBackInSegmentsReportsTheNumber() {
    Fixture<Link> f;
    f.Serve();
    f.server.echoWrites = false;
    f.server.familyEnding = false;
    f.server.segmentedNumbers = true;
    f.server.numbers[0x607A00] = 0;
    auto out = f.Write(0x607A00, kCmdWrite32, -123456);
    EXPECT_EQ(out.exchange, kExchangeAnswered);
    EXPECT_EQ(out.kind, ResultKind::Value);
    EXPECT_EQ(out.value, static_cast<std::uint32_t>(-123456));
    EXPECT_EQ(f.Commands(), (std::vector<std::uint8_t>{kCmdWrite32, kCmdRead, kCmdSegment}));
    EXPECT_FALSE(f.codec.UploadRunning());

    // The segment answer is lost: the upload is aborted and read once more.
    f.link->sent.clear();
    f.server.lost = {static_cast<int>(f.server.requests.size()) + 2};
    out = f.Write(0x607A00, kCmdWrite16, 0x1234);
    EXPECT_EQ(out.exchange, kExchangeAnswered);
    EXPECT_EQ(out.value, 0x1234u);
    EXPECT_EQ(f.Commands(), (std::vector<std::uint8_t>{kCmdWrite16, kCmdRead, kCmdSegment,
                                                       kCmdAbort, kCmdRead, kCmdSegment}));

    // More than four bytes are no number: no value is reported and the upload is aborted.
    f.server.lost.clear();
    f.server.numbers.erase(0x607A00);
    f.server.texts[0x607A00] = "12345678";
    f.link->sent.clear();
    out = f.Write(0x607A00, kCmdWrite32, 5);
    EXPECT_EQ(out.exchange, kExchangeInvalidAnswers);
    EXPECT_FALSE(out.kind);
    EXPECT_EQ(f.Commands(),
              (std::vector<std::uint8_t>{kCmdWrite32, kCmdRead, kCmdSegment, kCmdAbort}));
    EXPECT_EQ(PayloadValue(f.link->SentPayloads().back()), 0x06070012u);
}

TEST(LinkCodecSerial, AWriteReadBackInSegmentsReportsTheNumber) {
    AWriteReadBackInSegmentsReportsTheNumber<ScriptedSerialLink>();
}

TEST(LinkCodecCan, AWriteReadBackInSegmentsReportsTheNumber) {
    AWriteReadBackInSegmentsReportsTheNumber<ScriptedCanLink>();
}

// ---- a slow drive: answers arrive after the time-out ----

template <typename Link>
void WritesToASlowDriveReportTheirOwnValues() {
    Fixture<Link> f;
    f.Serve(600ms);
    f.server.numbers[0x607A00] = 0;
    for (std::int32_t value : {111, 222, 333}) {
        // Each write times out once; the late echo of its first send must not be taken
        // for the next write.
        auto out = f.Write(0x607A00, kCmdWrite32, value);
        ASSERT_EQ(out.exchange, kExchangeAnswered);
        ASSERT_TRUE(out.kind);
        EXPECT_EQ(out.value, static_cast<std::uint32_t>(value));
    }
    EXPECT_EQ(f.server.numbers[0x607A00], 333u);
}

TEST(LinkCodecSerial, WritesToASlowDriveReportTheirOwnValues) {
    WritesToASlowDriveReportTheirOwnValues<ScriptedSerialLink>();
}

TEST(LinkCodecCan, WritesToASlowDriveReportTheirOwnValues) {
    WritesToASlowDriveReportTheirOwnValues<ScriptedCanLink>();
}

template <typename Link>
void ALateInitiateAnswerIsNeverTakenForASegment() {
    Fixture<Link> f;
    f.Serve(600ms);
    f.server.texts[0x100900] = "HW 1.2";
    f.server.numbers[0x606400] = 77;
    // Every segment answer comes after its time-out: the upload is given up as a link
    // fault, and the late initiate answers are never taken for segments.
    auto out = f.Read(0x100900);
    EXPECT_EQ(out.exchange, kExchangeSegmentLost);
    EXPECT_FALSE(out.data);
    for (const SdoPayload& p : f.link->SentPayloads()) {
        if (p[0] == kCmdAbort) {
            EXPECT_EQ(PayloadKey(p), 0x100900);
        }
    }
    // Whatever is still under way is not taken for the next read either.
    auto next = f.Read(0x606400);
    ASSERT_EQ(next.exchange, kExchangeAnswered);
    EXPECT_EQ(next.kind, ResultKind::Value);
    EXPECT_EQ(next.value, 77u);
    // A drive slow but within the time-out reads the text whole.
    f.link->latency = 300ms;
    EXPECT_EQ(f.Read(0x100900).data, "HW 1.2");
}

TEST(LinkCodecSerial, ALateInitiateAnswerIsNeverTakenForASegment) {
    ALateInitiateAnswerIsNeverTakenForASegment<ScriptedSerialLink>();
}

TEST(LinkCodecCan, ALateInitiateAnswerIsNeverTakenForASegment) {
    ALateInitiateAnswerIsNeverTakenForASegment<ScriptedCanLink>();
}

TEST(LinkCodecSerial, LateInputIsDrainedAfterATimeOut) {
    Fixture<ScriptedSerialLink> f;
    // The first read is answered late (after its time-out) and the answer of the second
    // read is a moment later still: the late one is drained, the retry's answer taken.
    f.link->script.push_back({{505ms, Frame(1, {kAnswer16, 0x41, 0x60, 0, 1, 0, 0, 0})}});
    f.link->script.push_back({{30ms, Frame(1, {kAnswer16, 0x41, 0x60, 0, 2, 0, 0, 0})}});
    auto out = f.Read(0x604100);
    EXPECT_EQ(out.value, 2u);
    EXPECT_EQ(f.link->sent.size(), 2u);
}

// ---- block upload ----

constexpr std::uint8_t kA4 = 0xA4, kA3 = 0xA3, kA2 = 0xA2, kA1 = 0xA1;

struct BlockCase {
    const char* name;
    std::size_t length;  // of the text read
    bool offered;        // the server does block uploads
    bool crc;            // ...offering the CRC
    bool wrongCrc;
    std::set<int> lost;                   // block segments (counted from 0) that never arrive
    int exchange;                         // what the read ends with
    std::vector<std::uint8_t> commands;   // the client's requests on the wire
    std::vector<std::uint8_t> acks;       // the last sequence numbers acknowledged
    std::vector<std::uint8_t> readAgain;  // the requests of a second read
};

std::set<int> Range(int from, int to) {
    std::set<int> out;
    for (int i = from; i < to; ++i) {
        out.insert(i);
    }
    return out;
}

TEST(LinkCodecCan, BlockUpload) {
    // 1000 bytes are 143 segments: a block of 127 and one of 16.
    const BlockCase cases[] = {
        {"whole, with CRC",
         1000,
         true,
         true,
         false,
         {},
         kExchangeAnswered,
         {kA4, kA3, kA2, kA2, kA1},
         {127, 16},
         {kA4, kA3, kA2, kA2, kA1}},
        {"whole, without CRC",
         1000,
         true,
         false,
         false,
         {},
         kExchangeAnswered,
         {kA4, kA3, kA2, kA2, kA1},
         {127, 16},
         {}},
        {"a lost segment: the block again from the next one",
         1000,
         true,
         true,
         false,
         {5},
         kExchangeAnswered,
         {kA4, kA3, kA2, kA2, kA2, kA1},
         {5, 127, 11},
         {}},
        {"the last segment of a block lost: the time-out ends the block",
         1000,
         true,
         true,
         false,
         {126},
         kExchangeAnswered,
         {kA4, kA3, kA2, kA2, kA1},
         {126, 17},
         {}},
        {"a wrong CRC: aborted",
         1000,
         true,
         true,
         true,
         {},
         kExchangeSegmentLost,
         {kA4, kA3, kA2, kA2, kCmdAbort},
         {127, 16},
         {}},
        {"three blocks without a segment: aborted",
         1000,
         true,
         true,
         false,
         Range(0, 381),
         kExchangeSegmentLost,
         {kA4, kA3, kA2, kA2, kCmdAbort},
         {0, 0},
         {}},
        {"short data: the server switches to a segmented upload",
         20,
         true,
         true,
         false,
         {},
         kExchangeAnswered,
         {kA4, kCmdSegment, kCmdSegmentToggle, kCmdSegment},
         {},
         {}},
        {"refused: asked again in segments, and from then on",
         30,
         false,
         true,
         false,
         {},
         kExchangeAnswered,
         {kA4, kCmdRead, kCmdSegment, kCmdSegmentToggle, kCmdSegment, kCmdSegmentToggle,
          kCmdSegment},
         {},
         {kCmdRead, kCmdSegment, kCmdSegmentToggle, kCmdSegment, kCmdSegmentToggle, kCmdSegment}},
    };
    for (const BlockCase& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture<ScriptedCanLink> f;
        f.Serve(1ms);
        f.codec.SetBlockUploadObjects([](ObjectKey key) { return key == 0x100800; });
        std::string text(c.length, ' ');
        for (std::size_t i = 0; i < text.size(); ++i) {
            text[i] = static_cast<char>('A' + i % 26);
        }
        f.server.texts[0x100800] = text;
        f.server.blockUpload = c.offered;
        f.server.blockCrc = c.crc;
        f.server.wrongCrc = c.wrongCrc;
        f.server.lostBlockSegments = c.lost;

        auto out = f.Read(0x100800);
        EXPECT_EQ(out.exchange, c.exchange);
        EXPECT_EQ(out.data, c.exchange == kExchangeAnswered ? std::optional(text) : std::nullopt);
        EXPECT_EQ(f.Commands(), c.commands);
        const auto sent = f.link->SentPayloads();
        EXPECT_EQ(sent.front(), (SdoPayload{kA4, 0x08, 0x10, 0x00, 127, 21, 0, 0}));
        std::vector<std::uint8_t> acks;
        for (const SdoPayload& p : sent) {
            if (p[0] == kA2) {
                acks.push_back(p[1]);
                EXPECT_EQ(p[2], 127);  // the next block's size
            }
            if (p[0] == kCmdAbort) {
                EXPECT_EQ(PayloadValue(p), c.wrongCrc ? 0x05040004u : 0x05040000u);
            }
        }
        EXPECT_EQ(acks, c.acks);
        EXPECT_FALSE(f.codec.UploadRunning());
        if (!c.readAgain.empty()) {
            f.link->sent.clear();
            EXPECT_EQ(f.Read(0x100800).data, text);
            EXPECT_EQ(f.Commands(), c.readAgain);
        }
    }
}

// A device that answers the block request only after the time-out is read in segments, and
// its late refusal of the block request is not taken for a refusal of the read.
TEST(LinkCodecCan, ALateRefusalOfABlockRequestIsNotTheReadsAnswer) {
    Fixture<ScriptedCanLink> f;
    f.Serve(30ms);
    f.codec.SetBlockUploadObjects([](ObjectKey) { return true; });
    f.server.texts[0x100800] = std::string(30, 'y');
    f.link->script.push_back({{600ms, BuildCanResponse(1, BuildAbort(0x100800, 0x05040001))}});
    auto out = f.Read(0x100800);
    EXPECT_EQ(out.exchange, kExchangeAnswered);
    EXPECT_EQ(out.data, std::string(30, 'y'));
    EXPECT_TRUE(f.codec.BlockUploadRefused());
    EXPECT_EQ(f.Commands(),
              (std::vector<std::uint8_t>{kA4, kCmdRead, kCmdSegment, kCmdSegmentToggle, kCmdSegment,
                                         kCmdSegmentToggle, kCmdSegment}));
}

// The data of a block upload reaches the receiver in segments without the wire; a receiver
// that gives up on it sends nothing either.
TEST(LinkCodecCan, BlockDataIsHandedOutInSegments) {
    Fixture<ScriptedCanLink> f;
    f.Serve();
    f.codec.SetBlockUploadObjects([](ObjectKey) { return true; });
    f.server.blockUpload = true;
    f.server.texts[0x100800] = std::string(50, 'x');
    ASSERT_EQ(f.codec.Exchange(0x100800, kCmdRead, 0), kExchangeAnswered);
    ResultKind kind;
    std::int32_t size = 0;
    ASSERT_TRUE(f.codec.Decode(kind, size));
    EXPECT_EQ(kind, ResultKind::UploadStarted);
    EXPECT_EQ(size, 50);
    const std::size_t onTheWire = f.link->sent.size();
    ASSERT_EQ(f.codec.Exchange(0x100800, kCmdSegment, 0), kExchangeAnswered);
    const std::uint8_t* data = nullptr;
    int count = 0;
    bool last = true;
    f.codec.GetSegmentData(data, count, last);
    EXPECT_EQ(count, 7);
    EXPECT_FALSE(last);
    EXPECT_EQ(f.codec.Exchange(0x100800, kCmdAbort, 0x05040005), kExchangeAnswered);
    EXPECT_FALSE(f.codec.UploadRunning());
    EXPECT_EQ(f.link->sent.size(), onTheWire);
    // Forgetting the device (a new opening) asks for block uploads again.
    f.server.blockUpload = false;
    f.Read(0x100800);
    f.server.blockUpload = true;
    f.codec.ForgetDevice();
    f.link->sent.clear();
    EXPECT_EQ(f.Read(0x100800).data, std::string(50, 'x'));
    EXPECT_EQ(f.Commands().front(), kA4);
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
