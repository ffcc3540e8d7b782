// morloservo-cli against the simulator in both of its answer manners (the drive family's and
// plain CiA 301), over the pseudo-terminal and the virtual CAN bus: the tool must show the same
// values either way.

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "CliRun.h"
#include "TempFolder.h"

namespace morlo::test {
namespace {

using namespace std::chrono_literals;

const std::string kText3 = "Ax3";
const std::string kText7 = "Drive B";          // one full segment
const std::string kText14 = "Axis 14 of 100";  // two full segments
const std::string kText40 = "Servo drive for the left gantry, axis 40";

// Not node 1: other programs on the same virtual bus are most likely node 1.
const std::string kNode = "42";
const std::string kAbsentNode = "99";

enum class Manner { Family, Standard };

using Params = std::tuple<Simulator::Front, Manner>;

class CliStandardMode : public ::testing::TestWithParam<Params> {
  protected:
    // A simulator with the three text objects set to texts of 3, 7 and 14 characters, or the
    // device name to `deviceName` when given.
    Simulator Start(const std::string& deviceName = {}) {
        std::vector<std::string> options = {"--idle", "--node", kNode};
        if (std::get<1>(GetParam()) == Manner::Standard) {
            // A plain device may send any object in segments, numbers too.
            options.insert(options.end(),
                           {"--standard", "--segmented", "607A:00", "--segmented", "2001:01"});
        }
        if (deviceName.empty()) {
            for (const std::string& text :
                 {"1008:00=" + kText3, "1009:00=" + kText7, "100A:00=" + kText14}) {
                options.insert(options.end(), {"--text", text});
            }
        } else {
            options.insert(options.end(), {"--text", "1008:00=" + deviceName});
        }
        return Simulator(std::get<0>(GetParam()), options);
    }
    static CliResult Cli(const Simulator& sim, std::vector<std::string> args) {
        args.insert(args.begin(), {"--link", sim.Link(), "--node", kNode});
        return RunCliTool(args);
    }
};

TEST_P(CliStandardMode, ReadsNumbersAndTextsOfEveryLength) {
    Simulator sim = Start();
    ASSERT_FALSE(sim.Link().empty()) << sim.Errors();
    const std::pair<const char*, std::string> reads[] = {
        {"1008:00", kText3},  {"1009:00", kText7},
        {"100A:00", kText14}, {"2001:01", "400"},  // a number, between texts
        {"1008:00", kText3},
    };
    for (const auto& [object, expected] : reads) {
        SCOPED_TRACE(object);
        CliResult r = Cli(sim, {"read", object, "--unit", "DEC"});
        EXPECT_TRUE(r.ended);
        EXPECT_EQ(r.exit, 0) << r.err;
        EXPECT_EQ(r.out, expected + "\n");
    }
    CliResult info = Cli(sim, {"info"});
    EXPECT_EQ(info.exit, 0) << info.err;
    EXPECT_NE(info.out.find("device name: " + kText3 + "\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find(": " + kText14 + "\n"), std::string::npos) << info.out;
    EXPECT_EQ(sim.Stop(), 0);

    Simulator longName = Start(kText40);
    ASSERT_FALSE(longName.Link().empty()) << longName.Errors();
    CliResult r = Cli(longName, {"read", "1008:00"});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, kText40 + "\n");
}

TEST_P(CliStandardMode, WritesShowWhatTheDriveHolds) {
    Simulator sim = Start();
    ASSERT_FALSE(sim.Link().empty()) << sim.Errors();
    for (const char* value : {"-2147483648", "2147483647", "123456789", "0", "-1"}) {
        SCOPED_TRACE(value);
        CliResult written = Cli(sim, {"write", "607A:00", value, "--unit", "counts"});
        EXPECT_EQ(written.exit, 0) << written.err;
        EXPECT_EQ(written.out, std::string(value) + "\n");
        CliResult back = Cli(sim, {"read", "607A:00", "--unit", "counts"});
        EXPECT_EQ(back.exit, 0) << back.err;
        EXPECT_EQ(back.out, std::string(value) + "\n");
    }
    // A 16-bit object in a scaled unit.
    CliResult hz = Cli(sim, {"write", "2001:01", "55.5"});
    EXPECT_EQ(hz.exit, 0) << hz.err;
    EXPECT_EQ(hz.out, "55.500\n");
    EXPECT_EQ(Cli(sim, {"read", "2001:01", "--unit", "DEC"}).out, "555\n");
}

TEST_P(CliStandardMode, RefusedWritesAndAWrongNodeAreReported) {
    Simulator sim = Start();
    ASSERT_FALSE(sim.Link().empty()) << sim.Errors();
    CliResult readOnly = Cli(sim, {"write", "6041:00", "5"});
    EXPECT_EQ(readOnly.exit, 1);
    EXPECT_NE(readOnly.err.find("0x06010002"), std::string::npos) << readOnly.err;
    CliResult tooHigh = Cli(sim, {"write", "2001:01", "30001", "--unit", "DEC"});
    EXPECT_EQ(tooHigh.exit, 1);
    EXPECT_NE(tooHigh.err.find("0x06090031"), std::string::npos) << tooHigh.err;
    // What a refused write shows, if anything, is what the drive still holds.
    EXPECT_TRUE(tooHigh.out.empty() || tooHigh.out == "400\n") << tooHigh.out;
    EXPECT_EQ(Cli(sim, {"read", "2001:01", "--unit", "DEC"}).out, "400\n");  // unchanged

    // Nobody answers another node: a link failure after the retries, not a hang.
    const auto bound = 6s;
    CliResult nobody =
        RunCliTool({"--link", sim.Link(), "--node", kAbsentNode, "read", "6041:00"}, bound);
    EXPECT_TRUE(nobody.ended) << "still running after " << bound.count() << " s";
    EXPECT_EQ(nobody.exit, 2);
    EXPECT_TRUE(nobody.out.empty()) << nobody.out;
    CliResult nobodyText =
        RunCliTool({"--link", sim.Link(), "--node", kAbsentNode, "read", "1008:00"}, bound);
    EXPECT_TRUE(nobodyText.ended);
    EXPECT_EQ(nobodyText.exit, 2);
}

// In the standard manner 607A:00 and 2001:01 come in segments, on reads and on the read-back
// of each write.
TEST_P(CliStandardMode, BackupCompareAndRestoreTakeNumbersInSegments) {
    Simulator sim = Start();
    ASSERT_FALSE(sim.Link().empty()) << sim.Errors();
    TempFolder folder;
    WriteFile(folder / "list.cdo", "20010110\r\n607A0020\r\n20000110\r\n");
    const std::string backup = (folder / "drive.cdi").string();
    ASSERT_EQ(Cli(sim, {"write", "607A:00", "-123456", "--unit", "counts"}).exit, 0);

    CliResult saved = Cli(sim, {"backup", (folder / "list.cdo").string(), backup});
    EXPECT_EQ(saved.exit, 0) << saved.err;
    EXPECT_EQ(saved.out, "Finish: Total:3  Error:0 \n");
    EXPECT_EQ(ReadFile(backup),
              "20010110,400,True\r\n607A0020,-123456,True\r\n20000110,400,True\r\n");

    ASSERT_EQ(Cli(sim, {"write", "2001:01", "555", "--unit", "DEC"}).exit, 0);
    CliResult differs = Cli(sim, {"compare", backup});
    EXPECT_EQ(differs.exit, 1);
    // The differing row by name, in the object's unit (Hz, raw 0.1 Hz).
    EXPECT_NE(differs.out.find("\n1    20010110  "), std::string::npos) << differs.out;
    EXPECT_NE(differs.out.find("  40.000  55.500  Hz    Alarm\n"), std::string::npos)
        << differs.out;
    CliResult restored = Cli(sim, {"restore", backup});
    EXPECT_EQ(restored.exit, 0) << restored.err << restored.out;
    EXPECT_EQ(restored.out, "Finish: Total:3  Alarm:0  Error:0\n");
    EXPECT_EQ(Cli(sim, {"compare", backup}).exit, 0);
}

// 16 exchanges of 400 ms each take longer than the tool's limit for a silent drive, but the
// drive never falls silent: the read goes on to the last segment.
TEST(CliOnASlowLine, ALongTextIsReadWhileItsSegmentsKeepArriving) {
    const std::string text(100, 'x');
    Simulator sim(Simulator::Front::Serial,
                  {"--idle", "--latency", "400", "--text", "1008:00=" + text});
    ASSERT_FALSE(sim.Link().empty()) << sim.Errors();
    CliResult r = RunCliTool({"--link", sim.Link(), "read", "1008:00"}, 30s);
    EXPECT_TRUE(r.ended);
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, text + "\n");
}

std::string Name(const ::testing::TestParamInfo<Params>& info) {
    return std::string(std::get<0>(info.param) == Simulator::Front::Serial ? "Serial" : "Can") +
           (std::get<1>(info.param) == Manner::Family ? "Family" : "Standard");
}

INSTANTIATE_TEST_SUITE_P(BothFrontsBothManners, CliStandardMode,
                         ::testing::Combine(::testing::Values(Simulator::Front::Serial,
                                                              Simulator::Front::Can),
                                            ::testing::Values(Manner::Family, Manner::Standard)),
                         Name);

}  // namespace
}  // namespace morlo::test
