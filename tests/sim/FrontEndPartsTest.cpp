#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "CliOptions.h"
#include "SerialFrameAssembler.h"
#include "SimTestSupport.h"

namespace morlo::sim::test {
namespace {

using namespace std::chrono_literals;
using Clock = SerialFrameAssembler::Clock;

std::vector<std::uint8_t> Bytes(const link::SerialFrame& frame) {
    return {frame.begin(), frame.end()};
}

TEST(SerialFrameAssembler, FindsFramesInAStreamWithNoiseAndOtherNodes) {
    SerialFrameAssembler assembler(1);
    const link::SerialFrame mine = link::BuildSerialFrame(1, Request(link::kCmdRead, 0x6041, 0));
    const link::SerialFrame other = link::BuildSerialFrame(2, Request(link::kCmdRead, 0x6041, 0));
    std::vector<std::uint8_t> stream = {0x55, 0xAA, 0x01};  // line noise
    for (const auto& frame : {other, mine, mine}) {
        const auto bytes = Bytes(frame);
        stream.insert(stream.end(), bytes.begin(), bytes.end());
    }
    const Clock::time_point t0{};
    // Byte by byte, as a slow line delivers them.
    std::vector<link::SerialFrame> found;
    for (std::uint8_t byte : stream) {
        for (const auto& frame : assembler.Feed(&byte, 1, t0)) {
            found.push_back(frame);
        }
    }
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0], mine);
    EXPECT_EQ(assembler.Pending(), 0u);
}

TEST(SerialFrameAssembler, ForgetsAPartialFrameAfterSilence) {
    SerialFrameAssembler assembler(1);
    const auto bytes = Bytes(link::BuildSerialFrame(1, Request(link::kCmdRead, 0x6041, 0)));
    const Clock::time_point t0{};
    EXPECT_TRUE(assembler.Feed(bytes.data(), 4, t0).empty());
    // The rest arrives in time: one frame.
    EXPECT_EQ(assembler.Feed(bytes.data() + 4, 6, t0 + 50ms).size(), 1u);

    EXPECT_TRUE(assembler.Feed(bytes.data(), 4, t0).empty());
    EXPECT_TRUE(assembler.Feed(bytes.data() + 4, 6, t0 + 150ms).empty());
    EXPECT_EQ(assembler.Pending(), 6u);
    assembler.Expire(t0 + 300ms);
    EXPECT_EQ(assembler.Pending(), 0u);
    EXPECT_EQ(assembler.Feed(bytes.data(), bytes.size(), t0 + 300ms).size(), 1u);
}

TEST(CliOptions, AcceptsBothFrontEnds) {
    auto serial = ParseCommandLine({"--serial", "--baud", "115200", "--node", "5", "--state",
                                    "s.txt", "--dictionary", "dir", "--idle"});
    ASSERT_TRUE(serial.options) << serial.error;
    EXPECT_EQ(serial.options->front, CliOptions::Front::Serial);
    EXPECT_EQ(serial.options->baud, 115200);
    EXPECT_EQ(serial.options->nodeId, 5);
    EXPECT_EQ(serial.options->stateFile, "s.txt");
    EXPECT_EQ(serial.options->dictionary, "dir");
    EXPECT_TRUE(serial.options->idle);

    auto can = ParseCommandLine({"--can", "virtualcan:can0"});
    ASSERT_TRUE(can.options) << can.error;
    EXPECT_EQ(can.options->front, CliOptions::Front::Can);
    EXPECT_EQ(can.options->canPlugin, "virtualcan");
    EXPECT_EQ(can.options->canInterface, "can0");
    EXPECT_EQ(can.options->nodeId, 1);
}

TEST(CliOptions, TakesFaultsDialectAndTexts) {
    auto parsed = ParseCommandLine({"--serial",   "--latency", "600",
                                    "--jitter",   "800",       "--drop",
                                    "10",         "--corrupt", "2.5",
                                    "--stray",    "5",         "--silent-after",
                                    "0",          "--seed",    "18446744073709551615",
                                    "--standard", "--text",    "1008:00=A = B",
                                    "--text",     "0x100a:0=", "--segmented",
                                    "6064:00"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    const CliOptions& o = *parsed.options;
    EXPECT_EQ(o.faults.latency, 600ms);
    EXPECT_EQ(o.faults.jitter, 800ms);
    EXPECT_DOUBLE_EQ(o.faults.dropProbability, 0.10);
    EXPECT_DOUBLE_EQ(o.faults.corruptProbability, 0.025);
    EXPECT_DOUBLE_EQ(o.faults.strayProbability, 0.05);
    EXPECT_EQ(o.faults.silentAfter, 0);
    EXPECT_EQ(o.faults.seed, 18446744073709551615ull);
    EXPECT_TRUE(o.standard);
    ASSERT_EQ(o.texts.size(), 2u);
    EXPECT_EQ(o.texts[0], std::pair(MakeObjectKey(0x1008, 0), std::string("A = B")));
    EXPECT_EQ(o.texts[1], std::pair(MakeObjectKey(0x100A, 0), std::string()));
    EXPECT_EQ(o.segmentedNumbers, std::vector<ObjectKey>{MakeObjectKey(0x6064, 0)});

    auto plain = ParseCommandLine({"--can", "virtualcan:can0"});
    ASSERT_TRUE(plain.options);
    EXPECT_FALSE(plain.options->standard);
    EXPECT_FALSE(plain.options->faults.seed);
    EXPECT_FALSE(plain.options->faults.silentAfter);
    EXPECT_EQ(plain.options->faults.dropProbability, 0);
}

TEST(CliOptions, RejectsBadArgumentsWithOneLine) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"--serial", "--can", "virtualcan:can0"},
        {"--can", "virtualcan"},
        {"--can", ":can0"},
        {"--can"},
        {"--serial", "--baud"},
        {"--serial", "--baud", "fast"},
        {"--serial", "--baud", "0"},
        {"--serial", "--node", "128"},
        {"--serial", "--node", "1x"},
        {"--serial", "--state"},
        {"--serial", "--colour"},
        {"--can", "virtualcan:can0", "--baud", "9600"},
        {"--serial", "--drop", "101"},
        {"--serial", "--drop", "-1"},
        {"--serial", "--drop", "nan"},
        {"--serial", "--stray", "5%"},
        {"--serial", "--corrupt"},
        {"--serial", "--latency", "-5"},
        {"--serial", "--jitter", "60001"},
        {"--serial", "--silent-after", "x"},
        {"--serial", "--seed", "-1"},
        {"--serial", "--seed", ""},
        {"--serial", "--text", "1008:00"},
        {"--serial", "--text", "1008=x"},
        {"--serial", "--text", "10000:00=x"},
        {"--serial", "--text", "1008:100=x"},
        {"--serial", "--text", ":00=x"},
        {"--serial", "--segmented"},
        {"--serial", "--segmented", "6064"},
        {"--serial", "--segmented", "6064:00=1"},
    };
    for (const auto& arguments : bad) {
        auto result = ParseCommandLine(arguments);
        EXPECT_FALSE(result.options);
        EXPECT_FALSE(result.error.empty());
        EXPECT_EQ(result.error.find('\n'), std::string::npos);
    }
}

}  // namespace
}  // namespace morlo::sim::test
