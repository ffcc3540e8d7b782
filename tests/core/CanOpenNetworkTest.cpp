// The CANopen network functions: NMT frames, heartbeat supervision, emergency messages and
// the bus scan.

#include <gtest/gtest.h>

#include <map>

#include "FakeSdoLine.h"
#include "canopen/BusScan.h"
#include "canopen/Emergency.h"
#include "canopen/NetworkMonitor.h"
#include "canopen/Nmt.h"

namespace morlo::canopen {
namespace {

using namespace std::chrono_literals;
using link::CanMessage;
using link::testing::FakeSdoServer;
using link::testing::Ms;

CanMessage Frame(std::uint32_t id, std::vector<std::uint8_t> bytes) {
    CanMessage m;
    m.id = id;
    m.length = static_cast<std::uint8_t>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), m.data.begin());
    return m;
}

TEST(CanOpenNetwork, NmtFramesOnTheBus) {
    const std::pair<const char*, std::uint8_t> commands[] = {
        {"start", 0x01}, {"stop", 0x02}, {"preop", 0x80}, {"reset", 0x81}, {"reset-comm", 0x82}};
    for (const auto& [name, specifier] : commands) {
        SCOPED_TRACE(name);
        const auto command = ParseNmtCommand(name);
        ASSERT_TRUE(command);
        EXPECT_EQ(NmtCommandName(*command), name);
        for (int node : {5, 127, kAllNodes}) {
            const CanMessage m = BuildNmtCommand(*command, node);
            EXPECT_EQ(m.id, 0x000u);
            EXPECT_EQ(m.length, 2);
            EXPECT_EQ(m.data[0], specifier);
            EXPECT_EQ(m.data[1], node);
        }
    }
    EXPECT_FALSE(ParseNmtCommand("operational"));
}

// The node's NMT state follows its heartbeats and boot-up; with the period from 1017:00
// watched, a heartbeat that stays away three periods is lost.
TEST(CanOpenNetwork, HeartbeatLostAfterThreePeriods) {
    NetworkMonitor monitor;
    const auto t0 = std::chrono::steady_clock::time_point{} + 1h;
    struct Step {
        Ms at;
        std::optional<std::uint8_t> heartbeat;  // a heartbeat of node 5 with this state
        std::optional<NmtState> state;          // then the status of node 5
        bool lost;
    };
    const Step steps[] = {
        {0ms, std::nullopt, std::nullopt, false},  // watched from t0, nothing seen yet
        {299ms, std::nullopt, std::nullopt, false},
        {301ms, std::nullopt, std::nullopt, true},  // never came
        {310ms, 0x05, NmtState::Operational, false},
        {610ms, std::nullopt, NmtState::Operational, false},
        {611ms, std::nullopt, NmtState::Operational, true},
        {700ms, 0x00, NmtState::BootUp, false},
        {750ms, 0x7F, NmtState::PreOperational, false},
        {760ms, 0x84, NmtState::Stopped, false},  // bit 7 is the guarding toggle
        {1061ms, std::nullopt, NmtState::Stopped, true},
    };
    monitor.WatchHeartbeat(5, 100ms, t0);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.at.count());
        monitor.WatchHeartbeat(5, 100ms, t0 + step.at);  // read again: nothing changes
        if (step.heartbeat) {
            monitor.Feed(Frame(0x705, {*step.heartbeat}), t0 + step.at);
            monitor.Feed(Frame(0x706, {0x05}), t0 + step.at);  // another node says nothing
        }
        const NodeStatus status = monitor.Status(5, t0 + step.at);
        EXPECT_EQ(status.state, step.state);
        EXPECT_EQ(status.lost, step.lost);
        EXPECT_EQ(status.period, 100ms);
    }
    // Node 6 is not watched: never lost. A period of 0 ends the watch.
    EXPECT_FALSE(monitor.Status(6, t0 + 1h).lost);
    monitor.WatchHeartbeat(5, 0ms, t0 + 2s);
    EXPECT_FALSE(monitor.Status(5, t0 + 1h).lost);
    // The boot-up was an event of its own.
    const auto events = monitor.EventsAfter(0);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, NetworkEvent::Kind::BootUp);
    EXPECT_EQ(events[0].node, 5);
    monitor.ForgetNodes();
    EXPECT_FALSE(monitor.Status(5, t0).state);
}

TEST(CanOpenNetwork, AnEmergencyIsDecodedAndListed) {
    const std::pair<std::uint16_t, const char*> codes[] = {
        {0x0000, "error reset or no error"},
        {0x4210, "excess temperature (device)"},
        {0x4211, "device temperature"},  // unknown code: its group
        {0x1234, "generic error"},       // unknown group: its class
        {0x7305, "incremental sensor 1 fault (encoder A/B/N)"},
        {0x8611, "following error too large"},
        {0x8130, "life guard or heartbeat error"},
        {0xFF0C, "drive family: input pulse frequency too high"},
        {0xFF77, "drive family: device specific error"},
        {0xE001, "unknown error code"},
    };
    for (const auto& [code, text] : codes) {
        EXPECT_EQ(EmergencyCodeText(code), text) << std::hex << code;
    }
    // Every bit of the family's error state word has a code with a text of its own.
    for (int bit = 0; bit < 16; ++bit) {
        EXPECT_NE(EmergencyCodeText(EmergencyCodeOfErrorBit(bit)), "unknown error code") << bit;
    }
    EXPECT_EQ(EmergencyCodeOfErrorBit(4), 0x4210);

    const auto host = std::chrono::system_clock::time_point{} + 24h * 20000;
    NetworkMonitor monitor([host] { return host; });
    const auto now = std::chrono::steady_clock::now();
    monitor.Feed(Frame(0x080, {}), now);                                 // SYNC
    monitor.Feed(Frame(0x5FF, {0x43, 0x10, 0x42, 0, 0, 0, 0, 0}), now);  // an SDO answer
    monitor.Feed(Frame(0x081, {0x10}), now);                             // too short
    monitor.Feed(BuildEmergency(3, 0x4210, 0x09, {0x10, 0x00, 0, 0, 0x7E}), now);
    const auto events = monitor.EventsAfter(0);
    ASSERT_EQ(events.size(), 1u);
    const NetworkEvent& event = events[0];
    EXPECT_EQ(event.kind, NetworkEvent::Kind::Emergency);
    EXPECT_EQ(event.hostTime, host);
    EXPECT_EQ(event.emergency.node, 3);
    EXPECT_EQ(DescribeEmergency(event.emergency),
              "0x4210 excess temperature (device), error register 0x09, data 10 00 00 00 7E");
    EXPECT_TRUE(monitor.EventsAfter(event.sequence).empty());
    EXPECT_EQ(HostTimeText(host).size(), std::string("2024-10-04 00:00:00.000").size());
}

// A bus of simulated nodes: each answers its SDO requests after a latency of its own.
class FakeBus final : public link::CanPort {
  public:
    std::map<int, FakeSdoServer> nodes;
    std::vector<CanMessage> passedOn;
    std::vector<CanMessage> sent;
    int mostOpen = 0;  // requests of one node waiting for their answer at the same time

    int Send(const CanMessage& message) override {
        sent.push_back(message);
        const int node = static_cast<int>(message.id) - 0x600;
        mostOpen = std::max(mostOpen, ++open_[node]);
        if (auto it = nodes.find(node); it != nodes.end()) {
            for (const link::SdoPayload& answer : it->second.HandleAll(message.data)) {
                line_.Schedule(Ms(1 + node % 7), link::BuildCanResponse(node, answer));
            }
        }
        return 0;
    }
    std::optional<CanMessage> Receive(TimePoint deadline) override {
        auto m = line_.Next(std::max(Ms(0), std::chrono::duration_cast<Ms>(deadline - Now())));
        if (m && m->id > 0x580 && m->id < 0x600) {
            --open_[static_cast<int>(m->id) - 0x580];
        }
        return m;
    }
    TimePoint Now() const override { return line_.Clock(); }
    void PassOn(const CanMessage& message) override { passedOn.push_back(message); }
    void Schedule(Ms delay, CanMessage message) { line_.Schedule(delay, message); }

  private:
    link::testing::SimulatedLine<CanMessage> line_;
    std::map<int, int> open_;
};

TEST(CanOpenNetwork, AScanFindsExactlyTheNodesThatAnswer) {
    FakeBus bus;
    bus.nodes[1].numbers[0x100000] = 0x00020192;
    bus.nodes[1].texts = {{0x100800, "Axis 1, family"}, {0x100A00, "SW 3.07"}};  // 7 + 7 + empty
    // Node 5 refuses the device type and has no version: it is there all the same.
    bus.nodes[5].texts = {{0x100800, "Gantry"}};
    bus.nodes[127].familyEnding = false;
    bus.nodes[127].numbers[0x100000] = 0x00040191;
    bus.nodes[127].texts = {{0x100800, std::string(30, 'n')}, {0x100A00, "1.0"}};
    bus.Schedule(2ms, Frame(0x705, {0x7F}));  // a heartbeat while the scan runs

    const auto found = ScanBus(bus, 1, 127);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].node, 1);
    EXPECT_EQ(found[0].deviceType, 0x00020192u);
    EXPECT_EQ(found[0].name, "Axis 1, family");
    EXPECT_EQ(found[0].version, "SW 3.07");
    EXPECT_EQ(found[1].node, 5);
    EXPECT_FALSE(found[1].deviceType);
    EXPECT_EQ(found[1].refusal, 0x06020000u);
    EXPECT_EQ(found[1].name, "Gantry");
    EXPECT_FALSE(found[1].version);
    EXPECT_EQ(found[2].node, 127);
    EXPECT_EQ(found[2].deviceType, 0x00040191u);
    EXPECT_EQ(found[2].name, std::string(30, 'n'));
    EXPECT_EQ(found[2].version, "1.0");
    ASSERT_EQ(bus.passedOn.size(), 1u);
    EXPECT_EQ(bus.passedOn[0].id, 0x705u);
    // Every node id was asked for its device type exactly once, before any text.
    for (int node = 1; node <= 127; ++node) {
        EXPECT_EQ(bus.sent[static_cast<std::size_t>(node - 1)].id, 0x600u + node);
        EXPECT_EQ(bus.sent[static_cast<std::size_t>(node - 1)].data[0], 0x40);
    }
    // No more than one request open per node: each text request follows its node's answer.
    EXPECT_EQ(bus.mostOpen, 1);

    const auto some = ScanBus(bus, 2, 100);
    ASSERT_EQ(some.size(), 1u);
    EXPECT_EQ(some[0].node, 5);
}

}  // namespace
}  // namespace morlo::canopen
