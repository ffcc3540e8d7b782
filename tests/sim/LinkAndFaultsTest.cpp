#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <thread>
#include <vector>

#include "SimTestSupport.h"
#include "SimulatedLinkObject.h"

namespace morlo::sim::test {
namespace {

using namespace std::chrono_literals;

link::SerialFrame ReadFrame(int node, std::int32_t index, std::int32_t sub) {
    return link::BuildSerialFrame(node, Request(link::kCmdRead, index, sub));
}

class LinkTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(link.Open({"sim", 1, 0, 500}), 0); }

    int Send(const link::SerialFrame& frame) { return link.Send(frame.data(), frame.size()); }
    std::vector<std::uint8_t> Receive(std::chrono::milliseconds timeout = 100ms) {
        std::vector<std::uint8_t> bytes(32);
        bytes.resize(link.Receive(bytes.data(), bytes.size(), timeout));
        return bytes;
    }
    // Whether one exchange of a read of 3000:03 gets an answer, and whether it is intact.
    enum class Outcome { Good, Corrupt, Lost };
    Outcome Exchange() {
        Send(ReadFrame(1, 0x3000, 0x03));
        std::vector<std::uint8_t> bytes = Receive();
        if (bytes.empty()) {
            return Outcome::Lost;
        }
        link::SerialFrame frame{};
        std::copy(bytes.begin(), bytes.end(), frame.begin());
        return link::SerialChecksumOk(frame) ? Outcome::Good : Outcome::Corrupt;
    }

    TestDrive sim{BaseSource()};
    SimulatedLinkObject link{sim.drive};
};

TEST_F(LinkTest, AnswersWellFormedFramesOfItsNodeOnly) {
    EXPECT_EQ(Send(ReadFrame(1, 0x6041, 0)), 0);
    std::vector<std::uint8_t> answer = Receive();
    ASSERT_EQ(answer.size(), 10u);
    EXPECT_EQ(answer[0], 1);
    EXPECT_EQ(answer[1], link::kAnswer16);
    EXPECT_EQ(answer[2], 0x41);
    EXPECT_EQ(answer[3], 0x60);
    EXPECT_EQ(Exchange(), Outcome::Good);

    Send(ReadFrame(2, 0x6041, 0));
    EXPECT_TRUE(Receive().empty());
    link::SerialFrame damaged = ReadFrame(1, 0x6041, 0);
    damaged[9] ^= 1;
    Send(damaged);
    EXPECT_TRUE(Receive().empty());
    EXPECT_EQ(link.Send(damaged.data(), 9), 0);
    EXPECT_TRUE(Receive().empty());

    // An answer nobody read is dropped by the next send.
    Send(ReadFrame(1, 0x3000, 0x03));
    Send(ReadFrame(1, 0x6041, 0));
    answer = Receive();
    ASSERT_EQ(answer.size(), 10u);
    EXPECT_EQ(answer[2], 0x41);
    EXPECT_TRUE(Receive().empty());

    // Small buffers get the answer in pieces.
    Send(ReadFrame(1, 0x3000, 0x03));
    std::uint8_t part[4];
    EXPECT_EQ(link.Receive(part, sizeof part, 100ms), 4u);
    EXPECT_EQ(Receive().size(), 6u);

    link.Close();
    EXPECT_NE(Send(ReadFrame(1, 0x6041, 0)), 0);
}

TEST_F(LinkTest, DropsAndCorruptsTheNextAnswersOnRequest) {
    sim.drive->DropNextAnswers(2);
    EXPECT_EQ(Exchange(), Outcome::Lost);
    EXPECT_EQ(Exchange(), Outcome::Lost);
    EXPECT_EQ(Exchange(), Outcome::Good);

    sim.drive->CorruptNextAnswers(2);
    EXPECT_EQ(Exchange(), Outcome::Corrupt);
    EXPECT_EQ(Exchange(), Outcome::Corrupt);
    EXPECT_EQ(Exchange(), Outcome::Good);

    // Requests themselves still reach the drive while its answers are lost.
    sim.drive->DropNextAnswers(1);
    Send(link::BuildSerialFrame(1, Request(link::kCmdWrite16, 0x3000, 0x03, 321)));
    EXPECT_TRUE(Receive().empty());
    EXPECT_EQ(sim.drive->Value(MakeObjectKey(0x3000, 0x03)), 321);

    FaultSettings silent;
    silent.silent = true;
    sim.drive->SetFaults(silent);
    EXPECT_EQ(Exchange(), Outcome::Lost);
}

TEST_F(LinkTest, RandomFaultsRepeatWithTheSameSeed) {
    auto pattern = [&](std::uint64_t seed) {
        FaultSettings random;
        random.dropProbability = 0.3;
        random.corruptProbability = 0.3;
        random.seed = seed;
        sim.drive->SetFaults(random);
        std::vector<Outcome> outcomes;
        for (int i = 0; i < 60; ++i) {
            outcomes.push_back(Exchange());
        }
        return outcomes;
    };
    const std::vector<Outcome> first = pattern(7);
    EXPECT_EQ(pattern(7), first);
    EXPECT_NE(pattern(8), first);
    for (Outcome kind : {Outcome::Good, Outcome::Corrupt, Outcome::Lost}) {
        EXPECT_NE(std::count(first.begin(), first.end(), kind), 0);
    }
}

TEST(FaultInjector, JitterStrayNoiseAndSilenceFollowTheSeed) {
    const link::SdoPayload answer = Request(link::kAnswer16, 0x6041, 0, 0x27);
    auto run = [&](const FaultSettings& settings, int count) {
        FaultInjector injector;
        injector.Configure(settings);
        std::vector<std::optional<Reply>> replies;
        for (int i = 0; i < count; ++i) {
            replies.push_back(injector.Apply(answer));
        }
        return replies;
    };
    FaultSettings noisy;
    noisy.latency = 100ms;
    noisy.jitter = 50ms;
    noisy.strayProbability = 0.5;
    noisy.seed = 11;
    const auto replies = run(noisy, 200);
    std::set<std::chrono::milliseconds::rep> delays;
    int stray = 0;
    for (const auto& reply : replies) {
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->payload, answer);  // noise comes beside the answer, never in it
        EXPECT_FALSE(reply->corrupt);
        EXPECT_GE(reply->latency, 100ms);
        EXPECT_LE(reply->latency, 150ms);
        delays.insert(reply->latency.count());
        if (!reply->stray.empty()) {
            ++stray;
            EXPECT_LE(reply->stray.size(), kMaxStrayBytes);
        }
    }
    EXPECT_GT(delays.size(), 20u);
    EXPECT_GT(stray, 60);
    EXPECT_LT(stray, 140);
    const auto again = run(noisy, 200);
    for (std::size_t i = 0; i < replies.size(); ++i) {
        EXPECT_EQ(again[i]->latency, replies[i]->latency);
        EXPECT_EQ(again[i]->stray, replies[i]->stray);
    }

    FaultSettings tired;
    tired.silentAfter = 3;
    const auto tiredReplies = run(tired, 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(tiredReplies[i].has_value(), i < 3) << i;
    }
    tired.silentAfter = 0;
    EXPECT_FALSE(run(tired, 1)[0]);
}

TEST_F(LinkTest, StrayBytesArriveAheadOfTheAnswer) {
    FaultSettings noisy;
    noisy.strayProbability = 1;
    noisy.seed = 3;
    sim.drive->SetFaults(noisy);
    Send(ReadFrame(1, 0x6041, 0));
    std::vector<std::uint8_t> bytes = Receive();
    ASSERT_GT(bytes.size(), link::kSerialFrameSize);
    ASSERT_LE(bytes.size(), link::kSerialFrameSize + kMaxStrayBytes);
    link::SerialFrame frame{};
    std::copy(bytes.end() - link::kSerialFrameSize, bytes.end(), frame.begin());
    EXPECT_TRUE(link::SerialChecksumOk(frame));
    EXPECT_EQ(frame[1], link::kAnswer16);
}

TEST_F(LinkTest, LatencyBeyondTheTimeoutLosesTheAnswer) {
    FaultSettings slow;
    slow.latency = 5ms;
    sim.drive->SetFaults(slow);
    EXPECT_EQ(Exchange(), Outcome::Good);
    Send(ReadFrame(1, 0x3000, 0x03));
    EXPECT_TRUE(Receive(2ms).empty());
    EXPECT_TRUE(Receive(100ms).empty());  // it is not delivered later either

    SimulatedLinkOptions waiting;
    waiting.waitOnSilence = true;
    SimulatedLinkObject patient(sim.drive, waiting);
    patient.Open({"sim", 1, 0, 500});
    FaultSettings silent;
    silent.silent = true;
    sim.drive->SetFaults(silent);
    std::uint8_t byte = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(patient.Receive(&byte, 1, 20ms), 0u);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 20ms);
}

TEST_F(LinkTest, DriveServesSeveralThreadsAtOnce) {
    std::thread hooks([&] {
        for (int i = 0; i < 500; ++i) {
            sim.drive->InjectError(i % 16);
            sim.drive->ClearErrors();
            sim.clock->Advance(100us);
        }
    });
    int good = 0;
    for (int i = 0; i < 500; ++i) {
        good += Exchange() == Outcome::Good ? 1 : 0;
    }
    hooks.join();
    EXPECT_EQ(good, 500);
}

}  // namespace
}  // namespace morlo::sim::test
