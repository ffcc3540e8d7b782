// morloservo-cli scope against the simulator on a pseudo-terminal and on the virtual CAN bus:
// what it writes is compared with the record the simulated drive made.

#include <fcntl.h>
#include <stdlib.h>

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "ChildProcess.h"
#include "CliRun.h"
#include "TempFolder.h"
#include "scope/ScopeFiles.h"

namespace morlo::test {
namespace {

using namespace std::chrono_literals;

const std::string kSim = MORLO_SIM_PATH;

CliResult RunCli(const std::vector<std::string>& args) {
    CliResult result = RunCliTool(args, 30s);
    EXPECT_TRUE(result.ended) << "morloservo-cli did not end";
    return result;
}

// The simulator with its records copied to a file; the link text that reaches it.
struct Simulator {
    Simulator(const std::vector<std::string>& front, const std::filesystem::path& record) {
        std::vector<std::string> args = front;
        args.insert(args.end(), {"--record-file", record.string()});
        process = std::make_unique<ChildProcess>(kSim, args);
        first = process->ReadLine(10s);
    }
    ~Simulator() {
        process->Signal(SIGTERM);
        process->Wait(10s);
    }
    std::unique_ptr<ChildProcess> process;
    std::optional<std::string> first;
};

std::vector<std::vector<long long>> CsvRows(const std::string& csv) {
    std::vector<std::vector<long long>> rows;
    std::size_t start = 0;
    while (start < csv.size()) {
        const std::size_t end = csv.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "a line without CR LF";
            break;
        }
        std::vector<long long> row;
        std::stringstream line(csv.substr(start, end - start));
        std::string field;
        while (std::getline(line, field, ',')) {
            row.push_back(std::stoll(field));
        }
        rows.push_back(row);
        start = end + 2;
    }
    return rows;
}

template <typename T>
T Little(const std::string& bytes, std::size_t at) {
    T value{};
    std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;
}

// Channel 1: velocity actual (32 bits, the wide slot of channels 1 and 2); channel 2: torque
// actual (signed 16 bits); channel 3: DC bus voltage (unsigned 16 bits). The drive lays out
// each sample as slot 02, slot 05, slot 03: torque, velocity, voltage.
void CaptureAndCompare(const std::string& link, const std::filesystem::path& record,
                       const TempFolder& folder, const std::vector<std::string>& trigger) {
    const std::string csv = (folder / "run.csv").string();
    const std::string txt = (folder / "run.txt").string();
    std::vector<std::string> args = {"--link", link,        "scope",     "--ch",    "606C:00",
                                     "--ch",   "6077:00",   "--ch",      "2050:02", "--period",
                                     "2",      "--samples", "500",       "--csv",   csv,
                                     "--txt",  txt,         "--timeout", "20"};
    args.insert(args.end(), trigger.begin(), trigger.end());
    const CliResult r = RunCli(args);
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out,
              "ch1 606C:00 500 samples\n"
              "ch2 6077:00 500 samples\n"
              "ch3 2050:02 500 samples\n");
    EXPECT_NE(r.err.find("reading 100 %\n"), std::string::npos) << r.err;

    const std::string bytes = ReadFile(record);
    ASSERT_EQ(bytes.size(), 500u * 8u);
    const auto rows = CsvRows(ReadFile(csv));
    ASSERT_EQ(rows.size(), 500u);
    bool moving = false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::size_t at = i * 8;
        const std::vector<long long> expected = {Little<std::int32_t>(bytes, at + 2),
                                                 Little<std::int16_t>(bytes, at),
                                                 Little<std::uint16_t>(bytes, at + 6)};
        ASSERT_EQ(rows[i], expected) << "sample " << i + 1;
        moving = moving || rows[i][0] != rows[0][0];
    }
    EXPECT_TRUE(moving) << "the velocity never changed: not a real recording";

    // The text data file holds the same samples and what was recorded, for the page.
    const scope::ScopeReadResult file = scope::ReadScopeText(ReadFile(txt));
    ASSERT_EQ(file.status, scope::ScopeReadStatus::Read);
    EXPECT_TRUE(file.warnings.empty());
    EXPECT_EQ(file.data.period, 2);
    EXPECT_EQ(file.data.samples, 500);
    EXPECT_EQ(file.data.channels[0].item, 0x606C0020u);
    EXPECT_EQ(file.data.channels[1].item, 0x60770010u);
    EXPECT_EQ(file.data.channels[2].item, 0x20500210u);
    EXPECT_FALSE(file.data.channels[3].checked);
    for (std::size_t n = 0; n < 3; ++n) {
        ASSERT_EQ(file.data.curves[n].size(), 500u);
        EXPECT_EQ(file.data.curves[n][499], static_cast<double>(rows[499][n]));
    }
    EXPECT_EQ(file.data.description.deviceName, "MS-D2 Servo Drive");
    EXPECT_EQ(file.data.description.link, link);
    // Units as the page lists them: velocity r/min, counts/s, DEC; shown in DEC, the last.
    EXPECT_EQ(file.data.channels[0].unit, 2);
    EXPECT_EQ(file.data.channels[0].unitText, "DEC");
    EXPECT_EQ(file.data.channels[0].coefficient, 1.0);
    // In the working folder's language.
    const std::string name = file.data.channels[0].name;
    EXPECT_TRUE(name == "实际速度" || name == "Velocity actual value") << name;
}

TEST(CliScopeOnTheSerialSimulator, CapturesWhatTheDriveRecorded) {
    TempFolder folder;
    Simulator sim({"--serial", "--baud", "115200"}, folder / "record.bin");
    ASSERT_TRUE(sim.first && sim.first->rfind("serial ", 0) == 0) << sim.process->Errors();
    const std::string link = "serial:" + sim.first->substr(7) + "@115200";
    CaptureAndCompare(link, folder / "record.bin", folder, {"--trigger", "manual"});

    // A 16-bit object recorded on channel 1 after the 32-bit one: its own slot, and the
    // drive's wide slot is switched off again.
    const std::string csv = (folder / "one.csv").string();
    const CliResult one =
        RunCli({"--link", link, "scope", "--ch", "6041:00", "--samples", "20", "--csv", csv});
    ASSERT_EQ(one.exit, 0) << one.err;
    EXPECT_EQ(one.out, "ch1 6041:00 20 samples\n");
    const std::string bytes = ReadFile(folder / "record.bin");
    ASSERT_EQ(bytes.size(), 40u);
    const auto rows = CsvRows(ReadFile(csv));
    ASSERT_EQ(rows.size(), 20u);
    EXPECT_EQ(rows[19], (std::vector<long long>{Little<std::uint16_t>(bytes, 38)}));
}

TEST(CliScopeOnTheCanSimulator, CapturesWhatTheDriveRecorded) {
    TempFolder folder;
    // A bus of this test's own, so that nothing else on the machine shares it.
    const std::string bus = "virtualcan:tcp://127.0.0.1:41000/can0";
    Simulator sim({"--can", bus}, folder / "record.bin");
    ASSERT_EQ(sim.first, "can " + bus) << sim.process->Errors();
    CaptureAndCompare("can:" + bus + "@500000", folder / "record.bin", folder,
                      {"--trigger", "606C:00", "--edge", "rising", "--level", "0"});
}

// Whether a --trace run sent a write (command 0x23, 0x2B or 0x2F) on the serial link.
bool SentAWrite(const std::string& trace) {
    std::stringstream lines(trace);
    std::string line;
    while (std::getline(lines, line)) {
        std::stringstream fields(line);
        std::string direction, node, command;
        fields >> direction >> node >> command;
        if (direction == "TX" && (command == "23" || command == "2B" || command == "2F")) {
            return true;
        }
    }
    return false;
}

// The time given bounds only the wait for the trigger; what the drive refuses is said with
// its reason; a level that does not fit is never written; a plain CiA 301 drive's short
// record comes in the read's answer itself.
TEST(CliScopeOnTheSerialSimulator, LongRecordsLevelsRefusalsAndExpeditedRecords) {
    TempFolder folder;
    Simulator family({"--serial", "--baud", "115200"}, folder / "family.bin");
    Simulator standard({"--serial", "--baud", "115200", "--standard"}, folder / "standard.bin");
    ASSERT_TRUE(family.first && family.first->rfind("serial ", 0) == 0);
    ASSERT_TRUE(standard.first && standard.first->rfind("serial ", 0) == 0);
    const std::string csv = (folder / "run.csv").string();
    struct Case {
        const char* name;
        bool plain;                       // the standard simulator
        std::vector<std::string> before;  // a run that sets the drive up first
        std::vector<std::string> args;
        int exit;
        const char* error;  // part of stderr, or empty
        std::size_t rows;   // CSV rows after exit 0
    };
    const Case cases[] = {
        // 4000 samples of 8 bytes, about 13 s at 115200 baud, with the default time.
        {"long record",
         false,
         {},
         {"scope", "--ch", "606C:00", "--ch", "6077:00", "--ch", "6064:00", "--samples", "4000",
          "--csv", csv},
         0,
         "reading 100 %",
         4000},
        {"level beyond a 16-bit trigger",
         false,
         {},
         {"--trace", "scope", "--ch", "6041:00", "--trigger", "6077:00", "--level", "40000"},
         3,
         "--level 40000 does not fit the trigger object 6077:00 (-32768 to 32767)",
         0},
        {"level beyond the drive's trigger object (the statusword, unsigned 16 bits)",
         false,
         {"scope", "--ch", "6041:00", "--trigger", "6041:00", "--samples", "2"},
         {"--trace", "scope", "--ch", "6041:00", "--level", "-1"},
         3,
         "does not fit the trigger object 6041:00 (0 to 65535)",
         0},
        {"refused setting",
         false,
         {},
         {"scope", "--ch", "6041:00", "--samples", "5000"},
         3,
         "a recorder setting (2300:0A): refused by the drive: 0x06090031",
         0},
        {"no trigger within the time",
         false,
         {},
         {"scope", "--ch", "6041:00", "--trigger", "6077:00", "--level", "30000", "--timeout", "1"},
         3,
         "no record within 1 s",
         0},
        {"two samples expedited",
         true,
         {},
         {"scope", "--ch", "6077:00", "--samples", "2", "--trigger", "manual", "--csv", csv},
         0,
         "",
         2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(csv);
        const Simulator& sim = c.plain ? standard : family;
        const std::vector<std::string> link = {"--link",
                                               "serial:" + sim.first->substr(7) + "@115200"};
        if (!c.before.empty()) {
            std::vector<std::string> before = link;
            before.insert(before.end(), c.before.begin(), c.before.end());
            const CliResult set = RunCli(before);
            ASSERT_EQ(set.exit, 0) << set.err;
        }
        std::vector<std::string> args = link;
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliResult r = RunCli(args);
        EXPECT_EQ(r.exit, c.exit) << r.err;
        EXPECT_NE(r.err.find(c.error), std::string::npos) << r.err;
        if (c.exit != 0) {
            if (c.args.front() == "--trace") {
                EXPECT_FALSE(SentAWrite(r.err)) << r.err;
            }
            EXPECT_FALSE(std::filesystem::exists(csv));
            continue;
        }
        const auto rows = CsvRows(ReadFile(csv));
        ASSERT_EQ(rows.size(), c.rows);
        // Every row is the drive's record.
        const std::string bytes = ReadFile(folder / (c.plain ? "standard.bin" : "family.bin"));
        const std::size_t sampleBytes = bytes.size() / c.rows;
        ASSERT_EQ(bytes.size(), c.rows * sampleBytes);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const std::size_t at = i * sampleBytes;
            const std::vector<long long> expected =
                c.plain ? std::vector<long long>{Little<std::int16_t>(bytes, at)}
                        : std::vector<long long>{Little<std::int32_t>(bytes, at + 2),
                                                 Little<std::int16_t>(bytes, at),
                                                 Little<std::int32_t>(bytes, at + 6)};
            ASSERT_EQ(rows[i], expected) << "sample " << i + 1;
        }
    }
}

TEST(CliScope, RefusesWhatCannotBeRecordedBeforeAskingTheDrive) {
    TempFolder folder;
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{"scope"}, "scope needs at least one --ch"},
        {{"scope", "--ch", "606C"}, "bad object address '606C'"},
        {{"scope", "--ch", "6041:00", "--ch", "6041:00", "--ch", "6041:00", "--ch", "6041:00",
          "--ch", "6041:00"},
         "at most four --ch"},
        {{"scope", "--ch", "6041:00", "--period", "0"}, "--period takes a number from 1"},
        {{"scope", "--ch", "6041:00", "--edge", "up"}, "--edge takes rising or falling"},
        {{"scope", "--ch", "6041:00", "--level", "1e3"}, "--level takes a number"},
        {{"read", "6041:00", "--ch", "6041:00"}, "go with scope only"},
        {{"--trace", "scope", "--ch", "1008:00"}, "object 1008:00 cannot be recorded"},
        {{"--trace", "scope", "--ch", "6041:00", "--trigger", "1008:00"},
         "object 1008:00 cannot trigger"},
        {{"--trace", "scope", "--ch", "606C:00", "--ch", "6064:00"},
         "channels 1 and 2 share one slot for 32-bit objects"},
        {{"--trace", "scope", "--ch", "6041:00", "--csv", (folder / "no" / "x.csv").string()},
         "cannot write"},
    };
    for (const Case& c : cases) {
        const CliResult r = RunCli(c.args);
        SCOPED_TRACE(c.args.back());
        EXPECT_EQ(r.exit, 3);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("TX"), std::string::npos) << "a frame was sent: " << r.err;
        EXPECT_TRUE(r.out.empty());
    }
}

TEST(CliScope, ASilentDriveIsALinkFailureAndNothingIsWritten) {
    TempFolder folder;
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const CliResult r = RunCli({"--link", std::string("serial:") + ptsname(master), "scope", "--ch",
                                "6041:00", "--csv", (folder / "x.csv").string()});
    close(master);
    EXPECT_EQ(r.exit, 2);
    EXPECT_NE(r.err.find("no answer from the drive"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(folder / "x.csv"));
}

}  // namespace
}  // namespace morlo::test
