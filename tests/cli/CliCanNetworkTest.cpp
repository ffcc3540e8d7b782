// morloservo-cli on a CAN network of simulated drives in the standard manner, each test on a
// virtual bus of its own: scan, NMT, emergencies, and long reads by block upload.

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "CliRun.h"
#include "TempFolder.h"

namespace morlo::test {
namespace {

using namespace std::chrono_literals;

const std::string kName40 = "Servo drive for the left gantry, axis 40";

std::string Bus(int port) {
    return "virtualcan:tcp://127.0.0.1:" + std::to_string(port) + "/can0";
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

CliResult Cli(const Simulator& sim, std::vector<std::string> args) {
    args.insert(args.begin(), {"--link", sim.Link()});
    CliResult r = RunCliTool(args);
    EXPECT_TRUE(r.ended) << "still running: " << args.back();
    return r;
}

TEST(CliCanNetwork, ScanNmtAndBlockUploadOnABusOfThreeDrives) {
    Simulator sim(Simulator::Front::Can,
                  {"--standard", "--idle", "--node", "1", "--node", "5", "--node", "127", "--text",
                   "1008:00=" + kName40},
                  Bus(44010));
    ASSERT_FALSE(sim.Link().empty()) << sim.Errors();

    const std::string node = "  0x00020192  " + kName40 + "  SW 3.07";
    CliResult all = Cli(sim, {"scan"});
    EXPECT_EQ(all.exit, 0) << all.err;
    EXPECT_EQ(Lines(all.out),
              (std::vector<std::string>{"node 1" + node, "node 5" + node, "node 127" + node}));
    CliResult some = Cli(sim, {"scan", "--from", "2", "--to", "126"});
    EXPECT_EQ(Lines(some.out), std::vector<std::string>{"node 5" + node});
    CliResult none = Cli(sim, {"scan", "--from", "6", "--to", "9"});
    EXPECT_EQ(none.exit, 2);
    EXPECT_TRUE(none.out.empty());
    EXPECT_NE(none.err.find("no node answered between 6 and 9"), std::string::npos);
    CliResult json = Cli(sim, {"--json", "scan", "--from", "127"});
    EXPECT_EQ(json.out, "{\"command\":\"scan\",\"name\":\"" + kName40 +
                            "\",\"deviceType\":\"0x00020192\",\"version\":\"SW 3.07\","
                            "\"node\":127}\n");

    // A long text comes by block upload, a short one as the device chooses.
    CliResult text = Cli(sim, {"--node", "127", "--trace", "read", "1008:00"});
    EXPECT_EQ(text.exit, 0) << text.err;
    EXPECT_EQ(text.out, kName40 + "\n");
    for (const char* frame :
         {"TX 67F A4 08 10 00 7F 15 00 00", "RX 5FF C6 08 10 00 28 00 00 00", "TX 67F A3",
          "RX 5FF 86 69 73 20 34 30 00 00", "TX 67F A2 06 7F", "TX 67F A1"}) {
        EXPECT_NE(text.err.find(frame), std::string::npos) << frame << "\n" << text.err;
    }
    EXPECT_EQ(Cli(sim, {"--node", "5", "read", "100A:00"}).out, "SW 3.07\n");

    // A stopped node serves no SDO; the others do; started again, it answers again.
    CliResult stop = Cli(sim, {"--node", "5", "nmt", "stop"});
    EXPECT_EQ(stop.exit, 0) << stop.err;
    EXPECT_EQ(stop.out, "nmt stop sent to node 5\n");
    EXPECT_EQ(Cli(sim, {"--node", "5", "read", "6041:00"}).exit, 2);
    EXPECT_EQ(Cli(sim, {"--node", "1", "read", "6041:00"}).exit, 0);
    EXPECT_EQ(Cli(sim, {"nmt", "start", "--node", "all"}).out, "nmt start sent to all nodes\n");
    EXPECT_EQ(Cli(sim, {"--node", "5", "read", "6041:00"}).exit, 0);
    // A reset node answers with its boot-up message.
    CliResult reset = Cli(sim, {"nmt", "reset-comm", "--node", "127"});
    EXPECT_EQ(reset.exit, 0) << reset.err;
    EXPECT_EQ(reset.out, "nmt reset-comm sent to node 127\nnode 127 boot-up\n");
    CliResult nobody = Cli(sim, {"nmt", "reset", "--node", "9"});
    EXPECT_EQ(nobody.exit, 2);
    EXPECT_NE(nobody.err.find("no boot-up message from node 9"), std::string::npos);
}

// The simulated drive raises error bit 4 (over-temperature) and resets it, each with an
// emergency message; watch --emcy prints them as they come.
TEST(CliCanNetwork, WatchPrintsTheEmergencies) {
    Simulator sim(Simulator::Front::Can,
                  {"--standard", "--idle", "--node", "3", "--error-cycle", "4:300"}, Bus(44011));
    ASSERT_FALSE(sim.Link().empty()) << sim.Errors();
    CliResult watch = Cli(sim, {"watch", "--emcy", "--count", "2"});
    EXPECT_EQ(watch.exit, 0) << watch.err;
    const auto lines = Lines(watch.out);
    ASSERT_EQ(lines.size(), 2u) << watch.out;
    bool raised = false;
    bool reset = false;
    for (const std::string& line : lines) {
        // "2026-12-08 18:30:32.272  node 3  EMCY ..."
        ASSERT_GT(line.size(), 25u);
        EXPECT_EQ(line.substr(23, 17), "  node 3  EMCY 0x") << line;
        raised = raised || line.find(
                               "EMCY 0x4210 excess temperature (device), error register "
                               "0x01, data 10 00 00 00 00") != std::string::npos;
        reset = reset || line.find(
                             "EMCY 0x0000 error reset or no error, error register 0x00, "
                             "data 00 00 00 00 00") != std::string::npos;
    }
    EXPECT_TRUE(raised && reset) << watch.out;

    CliResult json = Cli(sim, {"--json", "watch", "--emcy", "--count", "1"});
    EXPECT_NE(json.out.find("\"node\":3"), std::string::npos) << json.out;
    EXPECT_NE(json.out.find("\"emcy\":\"0x"), std::string::npos) << json.out;
}

// The oscilloscope's record (8000 bytes) comes by block upload and is the drive's record.
TEST(CliCanNetwork, TheRecordComesByBlockUpload) {
    TempFolder folder;
    const std::string record = (folder / "record.bin").string();
    Simulator sim(Simulator::Front::Can, {"--standard", "--record-file", record}, Bus(44012));
    ASSERT_FALSE(sim.Link().empty()) << sim.Errors();
    const std::string csv = (folder / "run.csv").string();
    CliResult r = Cli(sim, {"--trace", "scope", "--ch", "6077:00", "--samples", "4000", "--csv",
                            csv, "--trigger", "manual", "--timeout", "30"});
    ASSERT_EQ(r.exit, 0) << r.err.substr(r.err.size() - std::min<std::size_t>(r.err.size(), 2000));
    EXPECT_EQ(r.out, "ch1 6077:00 4000 samples\n");
    EXPECT_NE(r.err.find("TX 601 A4 00 23 10 7F 15 00 00"), std::string::npos);
    EXPECT_NE(r.err.find("RX 581 C6 00 23 10 40 1F 00 00"), std::string::npos);  // 8000 bytes
    // 1143 segments: nine blocks of 127, each acknowledged whole, and no segment request.
    const std::size_t start = r.err.find("TX 601 A4 00 23 10");
    const std::size_t end = r.err.find("TX 601 A1", start);
    ASSERT_NE(end, std::string::npos);
    const std::string transfer = r.err.substr(start, end - start);
    std::size_t acks = 0;
    for (std::size_t at = 0;
         (at = transfer.find("TX 601 A2 7F 7F", at + 1)) != std::string::npos;) {
        ++acks;
    }
    EXPECT_EQ(acks, 9u);
    EXPECT_EQ(transfer.find("TX 601 60"), std::string::npos);
    const std::string bytes = ReadFile(record);
    ASSERT_EQ(bytes.size(), 8000u);
    const auto lines = Lines(ReadFile(csv));
    ASSERT_EQ(lines.size(), 4000u);
    bool moving = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::int16_t sample = 0;
        std::memcpy(&sample, bytes.data() + 2 * i, sizeof sample);
        ASSERT_EQ(lines[i], std::to_string(sample) + ",\r") << "sample " << i + 1;
        moving = moving || lines[i] != lines[0];
    }
    EXPECT_TRUE(moving) << "the torque never changed: not a real recording";
}

TEST(CliCanNetwork, NetworkCommandsNeedACanLink) {
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"scan"}, {"nmt", "start"}, {"watch", "--emcy"}}) {
        CliResult r = RunCliTool(args);
        EXPECT_EQ(r.exit, 3) << args.front();
        EXPECT_NE(r.err.find("works on a CAN link only"), std::string::npos) << r.err;
    }
}

}  // namespace
}  // namespace morlo::test
