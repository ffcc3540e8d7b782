// morloservo-cli watch --csv and scope --table against the built-in simulated drive.

#include <gtest/gtest.h>

#include <sstream>

#include "CliRun.h"
#include "TempFolder.h"
#include "profile/FileAccess.h"
#include "text/NumberIo.h"

namespace morlo::test {
namespace {

using namespace std::chrono_literals;

std::vector<std::vector<std::string>> Lines(const std::string& csv) {
    std::vector<std::vector<std::string>> lines;
    std::stringstream in(csv);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::stringstream cells(line);
        std::string field;
        while (std::getline(cells, field, ',')) {
            fields.push_back(field);
        }
        if (!line.empty() && line.back() == ',') {
            fields.emplace_back();
        }
        lines.push_back(fields);
    }
    return lines;
}

// The object's name as the tool names it.
std::string NameOf(const std::string& key) {
    const CliResult read = RunCliTool({"--json", "read", key});
    const std::string marker = "\"name\":\"";
    const auto at = read.out.find(marker);
    if (at == std::string::npos) {
        return {};
    }
    const auto from = at + marker.size();
    return read.out.substr(from, read.out.find('"', from) - from);
}

TEST(CliWatchCsv, RowsHeaderAndMonotonicTimestamps) {
    TempFolder folder;
    const std::string file = (folder / "log.csv").string();
    const CliResult run = RunCliTool({"watch", "6041:00", "6077:00", "606C:00", "--csv", file,
                                      "--period", "20", "--duration", "1"},
                                     30s);
    ASSERT_TRUE(run.ended);
    ASSERT_EQ(run.exit, 0) << run.err;
    const auto lines = Lines(ReadWholeFile(file).bytes);
    ASSERT_GE(lines.size(), 2u);
    const std::vector<std::string> header{"host_time", "elapsed_ms", NameOf("6041:00") + " [HEX]",
                                          NameOf("6077:00") + " [%]",
                                          NameOf("606C:00") + " [r/min]"};
    EXPECT_EQ(lines[0], header);
    // One row per period kept: never more rows than deadlines in the second; the summary on
    // stderr counts the rows written and the periods missed.
    const std::size_t rows = lines.size() - 1;
    EXPECT_LE(rows, 50u);
    std::int64_t written = -1;
    std::int64_t missed = -1;
    std::sscanf(run.err.c_str() + run.err.rfind('\n', run.err.size() - 2) + 1,
                "%ld rows written to %*s %ld missed periods", &written, &missed);
    EXPECT_EQ(written, static_cast<std::int64_t>(rows)) << run.err;
    EXPECT_LE(written + missed, 50) << run.err;
    // Times from one monotonic clock: the host time never goes back, the elapsed time grows
    // and row k is read no earlier than its deadline k x 20 ms (later ones when periods
    // were missed); every cell holds the drive's answer.
    double previous = -1;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        ASSERT_EQ(lines[i].size(), header.size()) << i;
        EXPECT_EQ(lines[i][0].size(), std::string("2026-05-01 09:30:00.125").size());
        if (i > 1) {
            EXPECT_LE(lines[i - 1][0], lines[i][0]) << i;
        }
        const auto elapsed = ReadNumber(lines[i][1]);
        ASSERT_TRUE(elapsed) << lines[i][1];
        EXPECT_GT(*elapsed, previous);
        EXPECT_GE(*elapsed, 20.0 * static_cast<double>(i - 1));
        previous = *elapsed;
        for (std::size_t c = 2; c < header.size(); ++c) {
            EXPECT_FALSE(lines[i][c].empty()) << i << ' ' << c;
        }
        EXPECT_TRUE(ReadHexInteger(lines[i][2])) << lines[i][2];
        EXPECT_TRUE(ReadNumber(lines[i][3])) << lines[i][3];
    }
}

TEST(CliWatchCsv, RefusedBeforeAnythingIsRead) {
    TempFolder folder;
    const std::string file = (folder / "log.csv").string();
    const std::vector<std::vector<std::string>> cases{
        {"watch", "6041:00", "--csv", file},                    // no period
        {"watch", "6041:00", "--period", "10"},                 // no file
        {"watch", "6041:00", "--csv", file, "--period", "0"},   // no period of 0 ms
        {"watch", "6041:00", "--duration", "5"},                // a duration logs to a file
        {"watch", "1008:00", "--csv", file, "--period", "10"},  // a text
        {"watch", "6041:00", "--csv", folder.Path().string(), "--period", "10"},  // a folder
        {"read", "6041:00", "--duration", "5"},
    };
    for (const auto& args : cases) {
        const CliResult run = RunCliTool(args);
        EXPECT_EQ(run.exit, 3) << args[1] << ' ' << run.err;
        EXPECT_FALSE(run.err.empty());
    }
    EXPECT_EQ(CheckReadable(file), FileProblem::Missing);
}

TEST(CliScopeTable, HeaderTimeColumnAndValuesInTheDefaultUnits) {
    TempFolder folder;
    const std::string table = (folder / "table.csv").string();
    const std::string raw = (folder / "raw.csv").string();
    const CliResult run =
        RunCliTool({"scope", "--ch", "6077:00", "--ch", "6041:00", "--samples", "50", "--period",
                    "8", "--trigger", "manual", "--table", table, "--csv", raw},
                   30s);
    ASSERT_TRUE(run.ended);
    ASSERT_EQ(run.exit, 0) << run.err;
    const auto lines = Lines(ReadWholeFile(table).bytes);
    const auto raws = Lines(ReadWholeFile(raw).bytes);
    ASSERT_EQ(lines.size(), 51u);
    ASSERT_EQ(raws.size(), 50u);
    EXPECT_EQ(lines[0], (std::vector<std::string>{"time_ms", NameOf("6077:00") + " [%]",
                                                  NameOf("6041:00") + " [HEX]"}));
    for (std::size_t i = 1; i < lines.size(); ++i) {
        ASSERT_EQ(lines[i].size(), 3u);
        // Period 8: half a millisecond per sample, the first at one period.
        EXPECT_EQ(lines[i][0], WriteSignificant(0.5 * static_cast<double>(i), 15));
        const auto torque = ReadInteger(raws[i - 1][0]);
        const auto status = ReadInteger(raws[i - 1][1].substr(0, raws[i - 1][1].find('\r')));
        ASSERT_TRUE(torque && status);
        EXPECT_EQ(lines[i][1], WriteSignificant(static_cast<double>(*torque) * 0.1, 15));
        EXPECT_EQ(lines[i][2], WriteUpperHex(static_cast<std::uint64_t>(*status), 4));
    }
}

}  // namespace
}  // namespace morlo::test
