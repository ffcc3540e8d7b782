// morloservo-cli as a user runs it: in the working folder, against the built-in simulated
// drive, the simulator on a pseudo-terminal and the simulator on the virtual CAN bus.

#include <fcntl.h>
#include <stdlib.h>

#include <gtest/gtest.h>

#include "ChildProcess.h"

namespace morlo::test {
namespace {

using namespace std::chrono_literals;

const std::string kCli = MORLO_CLI_PATH;
const std::string kSim = MORLO_SIM_PATH;
const std::string kWork = MORLO_BUILT_RUNTIME_DIR;

struct Result {
    int exit;
    std::string out;
    std::string err;
};

Result RunCli(const std::vector<std::string>& args) {
    ChildProcess cli(kCli, args, kWork);
    EXPECT_TRUE(cli.Started());
    EXPECT_TRUE(cli.Wait(20s)) << "morloservo-cli did not end";
    return {cli.ExitCode(), cli.Output(), cli.Errors()};
}

TEST(CliOnTheSimulatedDrive, ReadTracesTheFrames) {
    Result r = RunCli({"--trace", "read", "6041:00"});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_NE(r.err.find("TX 01 40 41 60 00 00 00 00 00 1E"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("RX 01 4B 41 60 00"), std::string::npos) << r.err;
    EXPECT_FALSE(r.out.empty());
}

TEST(CliOnTheSimulatedDrive, WritesInAScaledUnitAndReadsInAnother) {
    // Velocity loop gain: raw in 0.1 Hz, shown in Hz by default.
    Result hz = RunCli({"write", "2001:01", "55.5"});
    EXPECT_EQ(hz.exit, 0) << hz.err;
    EXPECT_EQ(hz.out, "55.500\n");
    Result raw = RunCli({"write", "2001:01", "555", "--unit", "DEC"});
    EXPECT_EQ(raw.exit, 0) << raw.err;
    EXPECT_EQ(raw.out, "555\n");
    Result hex = RunCli({"read", "2001:01", "--unit", "HEX"});
    EXPECT_EQ(hex.exit, 0) << hex.err;
}

TEST(CliOnTheSimulatedDrive, RefusedWritesReportTheAbortCode) {
    Result readOnly = RunCli({"write", "6041:00", "5"});
    EXPECT_EQ(readOnly.exit, 1);
    EXPECT_NE(readOnly.err.find("0x06010002 attempt to write a read-only object"),
              std::string::npos)
        << readOnly.err;
    Result tooLow = RunCli({"write", "2001:01", "1", "--unit", "DEC"});
    EXPECT_EQ(tooLow.exit, 1);
    EXPECT_NE(tooLow.err.find("0x06090032"), std::string::npos) << tooLow.err;
}

TEST(CliOnTheSimulatedDrive, InfoReadsTextsInSegments) {
    Result r = RunCli({"info"});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_NE(r.out.find("device name: MS-D2 Servo Drive\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("software version: "), std::string::npos);
    EXPECT_NE(r.out.find("statusword: 0x"), std::string::npos);
}

TEST(CliOnTheSimulatedDrive, WatchPrintsNewValues) {
    Result r = RunCli({"watch", "606C:00", "--count", "3"});
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3) << r.out;
    EXPECT_EQ(r.out.rfind("606C:00 ", 0), 0u) << r.out;
}

TEST(CliOnTheSimulatedDrive, BadInputNeverCrashes) {
    EXPECT_EQ(RunCli({"read", "6041:77"}).exit, 3);
    EXPECT_EQ(RunCli({"read", "6041:00", "--unit", "furlongs"}).exit, 3);
    EXPECT_EQ(RunCli({"write", "2001:01", "x", "--unit", "ASCII"}).exit, 3);
    EXPECT_EQ(RunCli({"write", "1008:00", "x"}).exit, 3);
    Result usage = RunCli({"--link", "serial:", "info"});
    EXPECT_EQ(usage.exit, 3);
    EXPECT_NE(usage.err.find("usage:"), std::string::npos);
    EXPECT_EQ(RunCli({"--link", "serial:/dev/does-not-exist@115200", "info"}).exit, 2);
}

TEST(CliOnTheSerialSimulator, ReadsAndWritesOverAPseudoTerminal) {
    ChildProcess sim(kSim, {"--serial", "--baud", "115200"});
    ASSERT_TRUE(sim.Started());
    auto first = sim.ReadLine(10s);
    ASSERT_TRUE(first) << "no first line from the simulator: " << sim.Errors();
    ASSERT_EQ(first->rfind("serial ", 0), 0u) << *first;
    const std::string link = "serial:" + first->substr(7) + "@115200";
    Result read = RunCli({"--link", link, "--trace", "read", "6041:00"});
    EXPECT_EQ(read.exit, 0) << read.err;
    EXPECT_NE(read.err.find("TX 01 40 41 60 00 00 00 00 00 1E"), std::string::npos);
    Result info = RunCli({"--link", link, "info"});
    EXPECT_EQ(info.exit, 0) << info.err;
    EXPECT_NE(info.out.find("device name: MS-D2 Servo Drive"), std::string::npos);
    // The simulator keeps its state between two runs of the tool.
    EXPECT_EQ(RunCli({"--link", link, "write", "2001:01", "42"}).exit, 0);
    Result back = RunCli({"--link", link, "read", "2001:01", "--unit", "DEC"});
    EXPECT_EQ(back.out, "420\n");
    sim.Signal(SIGTERM);
    ASSERT_TRUE(sim.Wait(10s));
    EXPECT_EQ(sim.ExitCode(), 0);
}

TEST(CliOnTheSerialSimulator, ASilentPortIsALinkFailure) {
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    Result r = RunCli({"--link", std::string("serial:") + ptsname(master), "read", "6041:00"});
    close(master);
    EXPECT_EQ(r.exit, 2);
    EXPECT_NE(r.err.find("no answer from the drive"), std::string::npos) << r.err;
}

TEST(CliOnTheCanSimulator, ReadsOnTheVirtualBus) {
    ChildProcess sim(kSim, {"--can", "virtualcan:can0"});
    ASSERT_TRUE(sim.Started());
    auto first = sim.ReadLine(10s);
    ASSERT_TRUE(first) << "no first line from the simulator: " << sim.Errors();
    EXPECT_EQ(*first, "can virtualcan:can0");
    Result read = RunCli({"--link", "can:virtualcan:can0@500000", "--trace", "read", "6041:00"});
    EXPECT_EQ(read.exit, 0) << read.err;
    EXPECT_NE(read.err.find("TX 601 40 41 60 00 00 00 00 00"), std::string::npos) << read.err;
    Result info = RunCli({"--link", "can:virtualcan:can0", "info"});
    EXPECT_EQ(info.exit, 0) << info.err;
    EXPECT_NE(info.out.find("device name: MS-D2 Servo Drive"), std::string::npos);
    sim.Signal(SIGTERM);
    ASSERT_TRUE(sim.Wait(10s));
    EXPECT_EQ(sim.ExitCode(), 0);
}

}  // namespace
}  // namespace morlo::test
