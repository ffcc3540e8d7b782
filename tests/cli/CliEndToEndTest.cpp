// morloservo-cli as a user runs it: in the working folder, against the built-in simulated
// drive, the simulator on a pseudo-terminal and the simulator on the virtual CAN bus.

#include <fcntl.h>
#include <stdlib.h>

#include <clocale>

#include <gtest/gtest.h>

#include <algorithm>

#include "ChildProcess.h"
#include "CliRun.h"
#include "TempFolder.h"

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

// Whether a line of the text holds all the pieces, in this order.
bool LineWith(const std::string& text, const std::vector<std::string>& pieces) {
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string line = text.substr(start, end - start);
        std::size_t at = 0;
        bool all = true;
        for (const std::string& piece : pieces) {
            at = line.find(piece, at);
            if (at == std::string::npos) {
                all = false;
                break;
            }
            at += piece.size();
        }
        if (all) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

// Runs the tool, or with `wrapped` the program named by the first argument (an env wrapper).
Result RunCli(const std::vector<std::string>& args, bool wrapped = false) {
    ChildProcess cli(wrapped ? args.front() : kCli,
                     wrapped ? std::vector<std::string>(args.begin() + 1, args.end()) : args,
                     kWork);
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

TEST(CliOnTheSimulatedDrive, WritesThatDoNotFitAreRefusedAndNothingIsSent) {
    struct Case {
        std::vector<std::string> args;
        const char* refusal;
    };
    const Case cases[] = {
        {{"607A:00", "3000000000", "--unit", "DEC"},
         ": 3000000000 is out of range (-2147483648 .. 2147483647)!!\n"},
        {{"100D:00", "300"}, ": 300 is out of range (0 .. 255)!!\n"},
        {{"607A:00", "abc"}, ": abc is not a number!!\n"},
        {{"607A:00", ""}, ": the empty text is not a number!!\n"},
        {{"607A:00", "12abc"}, ": 12abc is not a number!!\n"},
        {{"6040:00", "1ffff", "--unit", "HEX"}, ": 1ffff is out of range (0 .. ffff)!!\n"},
        {{"2001:01", "7000"}, ": 7000 is out of range (0 .. 6553.5)!!\n"},
        {{"1008:00", "x"}, ": values of type VISIBLE STRING cannot be written!!\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"--trace", "write"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        Result r = RunCli(args);
        SCOPED_TRACE(c.args[0] + " " + c.args[1]);
        EXPECT_EQ(r.exit, 3);
        EXPECT_EQ(r.err.find("TX"), std::string::npos) << r.err;  // not a single frame
        EXPECT_NE(r.err.find(c.refusal), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty());
    }
}

TEST(CliOnTheSimulatedDrive, UnitWritesRoundAndNeverDependOnTheLocale) {
    // Winding resistance: shown in ohm, raw in 0.01 ohm. 1.15 * 100 is 114.99999999999999.
    Result ohm = RunCli({"--trace", "write", "2030:08", "1.15"});
    EXPECT_EQ(ohm.exit, 0) << ohm.err;
    EXPECT_NE(ohm.err.find("TX 01 2B 30 20 08 73 00 00 00"), std::string::npos) << ohm.err;
    EXPECT_EQ(ohm.out, "1.150\n");
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) {
        GTEST_SKIP() << "no decimal-comma locale on this machine";
    }
    std::setlocale(LC_ALL, "C");
    // The recorder period's unit holds a fraction: N*62.5.
    Result comma = RunCli({"/usr/bin/env", "LC_ALL=de_DE.UTF-8", kCli, "read", "2300:08"}, true);
    EXPECT_EQ(comma.exit, 0) << comma.err;
    EXPECT_EQ(comma.out, "1000.000\n");
    Result write =
        RunCli({"/usr/bin/env", "LC_ALL=de_DE.UTF-8", kCli, "write", "2001:01", "55.5"}, true);
    EXPECT_EQ(write.out, "55.500\n") << write.err;
    EXPECT_EQ(
        RunCli({"/usr/bin/env", "LC_ALL=de_DE.UTF-8", kCli, "write", "2001:01", "55,5"}, true).exit,
        3);
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

TEST(CliDriveData, BackupChangeCompareRestoreStoreRestartOverSerial) {
    TempFolder folder;
    SerialSimulator sim(folder / "drive.state");
    ASSERT_FALSE(sim.link.empty()) << sim.process.Errors();
    const std::string backup = (folder / "drive.cdi").string();
    const std::string list = ReadFile(kWork + "/user/all-parameters.cdo");
    const auto rows = std::count(list.begin(), list.end(), '\n');
    const std::string total = "Total:" + std::to_string(rows);

    Result saved = RunCli({"--link", sim.link, "backup", "user/all-parameters.cdo", backup});
    EXPECT_EQ(saved.exit, 0) << saved.err;
    EXPECT_EQ(saved.out, "Finish: " + total + "  Error:0 \n");
    const std::string file = ReadFile(backup);
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), rows);
    EXPECT_NE(file.find("\r\n20010110,400,True\r\n"), std::string::npos);

    ASSERT_EQ(RunCli({"--link", sim.link, "write", "2001:01", "55.5"}).exit, 0);
    Result differs = RunCli({"--link", sim.link, "compare", backup});
    EXPECT_EQ(differs.exit, 1);
    // By name and in the object's unit (Hz; the velocity loop gain is raw 0.1 Hz).
    EXPECT_TRUE(LineWith(differs.out, {"20010110", "40.000", "55.500", "Hz", "Alarm"}))
        << differs.out;
    EXPECT_NE(differs.out.find("Finish: " + total + "  Alarm:1  Error:0\n"), std::string::npos);

    Result restored = RunCli({"--link", sim.link, "restore", backup, "--store", "--restart"});
    EXPECT_EQ(restored.exit, 0) << restored.err;
    EXPECT_EQ(restored.out, "Finish: " + total + "  Alarm:0  Error:0\nFinish.\n" +
                                "verify after restart:\nFinish: " + total + "  Alarm:0  Error:0\n");
    EXPECT_NE(ReadFile(folder / "drive.state").find("2001:01=400\n"), std::string::npos);
    Result same = RunCli({"--link", sim.link, "compare", backup});
    EXPECT_EQ(same.exit, 0) << same.out;

    // A restart without a store brings back what was stored, and verify says so.
    ASSERT_EQ(RunCli({"--link", sim.link, "write", "2001:01", "55.5"}).exit, 0);
    WriteFile(folder / "changed.cdi", "20010110,555,True\r\n20000110,400,True\r\n");
    Result lost =
        RunCli({"--link", sim.link, "restore", (folder / "changed.cdi").string(), "--restart"});
    EXPECT_EQ(lost.exit, 1);
    const std::string verify = lost.out.substr(lost.out.find("verify after restart:"));
    EXPECT_TRUE(LineWith(verify, {"1 ", "20010110", "55.500", "40.000", "Hz", "Alarm"}))
        << lost.out;
}

TEST(CliDriveData, BadRowsFilesAndLinksAreReported) {
    TempFolder folder;
    WriteFile(folder / "bad.cdi",
              "20010110,70000,True\r\n"
              "20010110,0x0005,Fail\r\n"
              "12340010,0x0005,True\r\n"
              "20000110,400,True\r\n");
    Result bad = RunCli({"restore", (folder / "bad.cdi").string()});
    EXPECT_EQ(bad.exit, 1);
    EXPECT_TRUE(LineWith(bad.out, {"1 ", "20010110", "70000", "Fail", "value does not fit U16"}))
        << bad.out;
    EXPECT_TRUE(LineWith(bad.out, {"2 ", "12340010", "? ? ? ?", "0x0005", "0x06020000", "Fail",
                                   "refused: object does not exist"}))
        << bad.out;
    EXPECT_NE(bad.out.find("\nFinish: Total:3  Alarm:0  Error:2\n"), std::string::npos);
    EXPECT_EQ(RunCli({"compare", (folder / "missing.cdi").string()}).exit, 3);
    EXPECT_EQ(
        RunCli({"backup", "user/all-parameters.cdo", (folder / "no" / "x.cdi").string()}).exit, 3);
    EXPECT_FALSE(std::filesystem::exists(folder / "no"));
    EXPECT_EQ(RunCli({"backup", "user/all-parameters.cdo"}).exit, 3);

    int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    Result silent = RunCli({"--link", std::string("serial:") + ptsname(master), "backup",
                            "user/all-parameters.cdo", (folder / "none.cdi").string()});
    close(master);
    EXPECT_EQ(silent.exit, 2);
    EXPECT_NE(silent.err.find("no answer from the drive"), std::string::npos) << silent.err;
    EXPECT_FALSE(std::filesystem::exists(folder / "none.cdi"));  // no half backup
}

}  // namespace
}  // namespace morlo::test
