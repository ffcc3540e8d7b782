#include <gtest/gtest.h>

#include "CliArguments.h"

namespace morlo::cli {
namespace {

std::optional<CliArguments> Parse(std::vector<std::string> args, std::string* errorOut = nullptr) {
    std::string error;
    auto parsed = ParseCliArguments(args, error);
    if (errorOut) {
        *errorOut = error;
    }
    return parsed;
}

TEST(CliArguments, LinksNodesAndCommands) {
    auto a = Parse({"--link", "serial:/dev/pts/3@57600", "--node", "5", "--trace", "read",
                    "0x6041:0", "--unit", "HEX"});
    ASSERT_TRUE(a);
    EXPECT_EQ(a->link.kind, LinkKind::Serial);
    EXPECT_EQ(a->link.port, "/dev/pts/3");
    EXPECT_EQ(a->link.baud, 57600);
    EXPECT_EQ(a->node, 5);
    EXPECT_TRUE(a->trace);
    EXPECT_EQ(a->keys, std::vector<ObjectKey>{0x604100});
    EXPECT_EQ(a->unit, "HEX");

    auto can = Parse(
        {"--link", "can:virtualcan:can0@250000", "watch", "606C:00", "6064:00", "--count", "3"});
    ASSERT_TRUE(can);
    EXPECT_EQ(can->link.canInterface, "virtualcan:can0");
    EXPECT_EQ(can->link.canBitRate, 250000);
    EXPECT_EQ(can->keys.size(), 2u);
    EXPECT_EQ(can->count, 3);

    auto write = Parse({"write", "60FF:00", "-300"});  // a negative value is no option
    ASSERT_TRUE(write);
    EXPECT_EQ(write->value, "-300");
    EXPECT_EQ(write->link.kind, LinkKind::Simulated);
}

TEST(CliArguments, DriveDataCommands) {
    auto backup = Parse({"backup", "user/all-parameters.cdo", "/tmp/out.cdi"});
    ASSERT_TRUE(backup);
    EXPECT_EQ(backup->files, (std::vector<std::string>{"user/all-parameters.cdo", "/tmp/out.cdi"}));
    auto restore = Parse({"restore", "in.cdi", "--restart", "--store"});
    ASSERT_TRUE(restore);
    EXPECT_TRUE(restore->store);
    EXPECT_TRUE(restore->restart);
    auto anyway =
        Parse({"restore", "in.cdi", "--store-anyway", "--expect-same-drive", "--report", "r.csv"});
    ASSERT_TRUE(anyway);
    EXPECT_TRUE(anyway->store && anyway->storeAnyway && anyway->expectSameDrive);
    EXPECT_EQ(anyway->report, "r.csv");
    auto diff = Parse({"diff", "a.cdi", "b.cdi"});
    ASSERT_TRUE(diff);
    EXPECT_EQ(diff->files, (std::vector<std::string>{"a.cdi", "b.cdi"}));
    for (const char* command : {"store", "init", "restart"}) {
        EXPECT_TRUE(Parse({command})) << command;
    }
    const std::pair<std::vector<std::string>, const char*> misuses[] = {
        {{"backup", "list.cdo"}, "backup takes LIST.cdo and OUT.cdi"},
        {{"compare"}, "compare takes one drive-data file"},
        {{"diff", "a.cdi"}, "diff takes two drive-data files"},
        {{"store", "now"}, "store takes no arguments"},
        {{"compare", "in.cdi", "--store"},
         "--store, --store-anyway and --restart go with restore only"},
        {{"diff", "a.cdi", "b.cdi", "--expect-same-drive"},
         "--expect-same-drive goes with restore and compare only"},
        {{"read", "6041:00", "--report", "r.csv"},
         "--report goes with backup, restore, compare and diff only"},
        {{"compare", "in.cdi", "--report"}, "--report needs a value"},
    };
    for (const auto& [args, message] : misuses) {
        std::string error;
        EXPECT_FALSE(Parse(args, &error));
        EXPECT_EQ(error, message);
    }
}

TEST(CliArguments, BadInputGetsAClearMessage) {
    std::string error;
    EXPECT_FALSE(Parse({}, &error));
    EXPECT_EQ(error, "no command given");
    EXPECT_FALSE(Parse({"read"}, &error));
    EXPECT_FALSE(Parse({"read", "6041"}, &error));
    EXPECT_NE(error.find("bad object address"), std::string::npos);
    EXPECT_FALSE(Parse({"read", "10000:00"}, &error));
    EXPECT_FALSE(Parse({"read", "6041:100"}, &error));
    EXPECT_FALSE(Parse({"--link", "can:virtualcan:can0@123", "info"}, &error));
    EXPECT_NE(error.find("bit rate"), std::string::npos);
    EXPECT_FALSE(Parse({"--link", "usb", "info"}, &error));
    EXPECT_FALSE(Parse({"--node", "0", "info"}, &error));
    EXPECT_FALSE(Parse({"--node"}, &error));
    EXPECT_FALSE(Parse({"--colour", "info"}, &error));
    EXPECT_FALSE(Parse({"info", "extra"}, &error));
    EXPECT_FALSE(Parse({"watch", "606C:00", "--count", "0"}, &error));
    // Numbers are whole texts.
    EXPECT_FALSE(Parse({"--node", "1x", "info"}, &error));
    EXPECT_FALSE(Parse({"--node", " 2", "info"}, &error));
    EXPECT_FALSE(Parse({"--count", "3.0", "watch", "606C:00"}, &error));
    EXPECT_FALSE(Parse({"--link", "serial:/dev/ttyS0@9600baud", "info"}, &error));
    EXPECT_FALSE(Parse({"read", "60 41:00"}, &error));
    EXPECT_FALSE(Parse({"read", "-1:00"}, &error));
    EXPECT_FALSE(Parse({"dance"}, &error));
    EXPECT_EQ(error, "unknown command 'dance'");
}

TEST(CliArguments, NetworkCommands) {
    auto scan = Parse({"--link", "can:socketcan:can0", "scan", "--from", "2", "--to", "9"});
    ASSERT_TRUE(scan);
    EXPECT_EQ(scan->scanFrom, 2);
    EXPECT_EQ(scan->scanTo, 9);
    auto nmt = Parse({"nmt", "reset-comm", "--node", "all"});
    ASSERT_TRUE(nmt);
    EXPECT_EQ(nmt->nmtCommand, "reset-comm");
    EXPECT_TRUE(nmt->allNodes);
    auto emcy = Parse({"watch", "--emcy", "--count", "2"});
    ASSERT_TRUE(emcy);
    EXPECT_TRUE(emcy->emcy && emcy->keys.empty());

    const std::pair<std::vector<std::string>, const char*> refused[] = {
        {{"scan", "--from", "9", "--to", "2"}, "scan: --from 9 is above --to 2"},
        {{"scan", "--to", "128"}, "--to takes a node id from 1 to 127"},
        {{"scan", "5"}, "scan takes options only (--from N --to N)"},
        {{"nmt", "operational"}, "nmt takes one of start, stop, preop, reset, reset-comm"},
        {{"nmt"}, "nmt takes one of start, stop, preop, reset, reset-comm"},
        {{"--node", "all", "read", "6041:00"}, "--node all goes with nmt only"},
        {{"info", "--from", "3"}, "--from and --to go with scan only"},
        {{"read", "6041:00", "--emcy"}, "--emcy goes with watch only"},
        {{"watch"}, "watch takes one or more INDEX:SUB, or --emcy"},
    };
    for (const auto& [args, message] : refused) {
        std::string error;
        EXPECT_FALSE(Parse(args, &error)) << message;
        EXPECT_EQ(error, message);
    }
}

TEST(CliArguments, ScopeTakesOnlyTheSettingsGiven) {
    auto a = Parse({"scope",     "--ch",  "606C:00",   "--ch",    "6077:00", "--period",  "16",
                    "--samples", "500",   "--trigger", "6064:00", "--edge",  "falling",   "--level",
                    "-1000",     "--csv", "run.csv",   "--txt",   "run.txt", "--timeout", "30"});
    ASSERT_TRUE(a);
    EXPECT_EQ(a->scope.channels, (std::vector<ObjectKey>{0x606C00, 0x607700}));
    EXPECT_EQ(a->scope.period, 16);
    EXPECT_EQ(a->scope.samples, 500);
    EXPECT_EQ(a->scope.trigger, 0x606400);
    EXPECT_FALSE(a->scope.manualTrigger);
    EXPECT_EQ(a->scope.risingEdge, false);
    EXPECT_EQ(a->scope.level, -1000);  // a negative level is no option
    EXPECT_EQ(a->scope.csv, "run.csv");
    EXPECT_EQ(a->scope.txt, "run.txt");
    EXPECT_EQ(a->scope.timeoutSeconds, 30);

    // Nothing but the channels: the drive keeps its other settings.
    auto plain = Parse({"scope", "--ch", "6041:00"});
    ASSERT_TRUE(plain);
    EXPECT_FALSE(plain->scope.period || plain->scope.samples || plain->scope.trigger ||
                 plain->scope.manualTrigger || plain->scope.risingEdge || plain->scope.level);
    auto manual = Parse({"scope", "--ch", "6041:00", "--trigger", "manual"});
    ASSERT_TRUE(manual);
    EXPECT_TRUE(manual->scope.manualTrigger);
    EXPECT_FALSE(manual->scope.trigger);

    std::string error;
    EXPECT_FALSE(Parse({"scope", "--ch", "6041:00", "--samples", "65536"}, &error));
    EXPECT_EQ(error, "--samples takes a number from 1 to 65535, not '65536'");
    EXPECT_FALSE(Parse({"scope", "--ch", "6041:00", "--level", "2147483648"}, &error));
    EXPECT_FALSE(Parse({"scope", "--ch", "6041:00", "--timeout", "0"}, &error));
    EXPECT_FALSE(Parse({"scope", "--ch", "6041:00", "--csv", ""}, &error));
    EXPECT_EQ(error, "--csv needs a file name");
    EXPECT_FALSE(Parse({"scope", "--ch", "6041:00", "--txt"}, &error));
    EXPECT_EQ(error, "--txt needs a value");
    EXPECT_FALSE(Parse({"scope", "6041:00"}, &error));
    EXPECT_FALSE(Parse({"info", "--csv", "x.csv"}, &error));
}

}  // namespace
}  // namespace morlo::cli
