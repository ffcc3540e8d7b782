// morloservo-cli against a simulator that loses, damages, delays and garbles its answers: under
// no fault and no exit code may the tool print a value the drive does not hold. Every fault runs
// at a realistic and at a harsh rate, all of them at once (each with its own simulator); the
// table of outcomes goes to stdout and to fault-suite.txt in the build folder.

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "CliRun.h"

namespace morlo::test {
namespace {

using namespace std::chrono_literals;

// One invocation may take several exchanges with three tries each and one restart of a text
// upload; beyond this it hangs.
constexpr auto kInvocationBound = 30s;

const std::string kDeviceName = "Gantry axis, left side";  // 22 characters: four segments
const std::string kHardware = "H12";                       // expedited where the manner allows
const std::string kSoftware = "SW 3.07 build 9";           // 15 characters: three segments
const std::string kLoopGain = "400";                       // 2001:01, never written here

struct Row {
    std::string fault;
    std::string rate;
    Simulator::Front front;
    std::vector<std::string> options;  // the fault's simulator options
    int operations;
};

struct Outcome {
    int operations = 0;
    int wrong = 0;
    std::map<int, int> exits;           // exit code -> count; -1: ran past the bound
    std::vector<std::string> examples;  // the first wrong values, for the failure message
    std::vector<std::string> refusals;  // the first runs that ended otherwise than 0 or 2
};

// What the suite knows of a written object: the values the drive may hold. A write that
// failed on the link may or may not have reached the drive.
using Candidates = std::set<std::string>;

class RowRunner {
  public:
    RowRunner(const Row& row, int node, std::uint32_t seed)
        : row_(row), node_(std::to_string(node)), random_(seed) {}

    Outcome Run() {
        std::vector<std::string> options = {"--idle",
                                            "--node",
                                            node_,
                                            "--seed",
                                            std::to_string(random_()),
                                            "--text",
                                            "1008:00=" + kDeviceName,
                                            "--text",
                                            "1009:00=" + kHardware,
                                            "--text",
                                            "100A:00=" + kSoftware};
        options.insert(options.end(), row_.options.begin(), row_.options.end());
        Simulator sim(row_.front, options);
        if (sim.Link().empty()) {
            outcome_.examples.push_back("the simulator did not start: " + sim.Errors());
            ++outcome_.wrong;
            return outcome_;
        }
        link_ = sim.Link();
        // Both targets start at their default, 0.
        written_["607A:00"] = {"0"};
        written_["607C:00"] = {"0"};
        for (int i = 0; i < row_.operations; ++i) {
            Step(i);
        }
        return outcome_;
    }

  private:
    // The same mix over and over; no two neighbours touch the same object, so that an answer
    // that belongs to the previous request shows up as a wrong value.
    void Step(int i) {
        switch (i % 8) {
            case 0:
                Write("607A:00");
                break;
            case 1:
                ReadText("1008:00", kDeviceName);
                break;
            case 2:
                ReadWritten("607C:00");
                break;
            case 3:
                Write("607C:00");
                break;
            case 4:
                ReadWritten("607A:00");
                break;
            case 5:
                ReadText("1009:00", kHardware);
                break;
            case 6:
                ReadFixed("2001:01", kLoopGain);
                break;
            default:
                ReadText("100A:00", kSoftware);
                break;
        }
    }

    CliResult Cli(std::vector<std::string> args) {
        args.insert(args.begin(), {"--link", link_, "--node", node_});
        CliResult r = RunCliTool(args, kInvocationBound);
        ++outcome_.operations;
        ++outcome_.exits[r.ended ? r.exit : -1];
        if ((!r.ended || (r.exit != 0 && r.exit != 2)) && outcome_.refusals.size() < 3) {
            std::string command;
            for (const std::string& arg : args) {
                command += arg + ' ';
            }
            outcome_.refusals.push_back(command + "-> exit " + std::to_string(r.exit) + ": " +
                                        r.err.substr(0, 300));
        }
        return r;
    }

    // The printed value, or nothing; a lone trailing newline is not part of it.
    static std::optional<std::string> Printed(const CliResult& r) {
        if (r.out.empty()) {
            return std::nullopt;
        }
        std::string text = r.out;
        if (text.back() == '\n') {
            text.pop_back();
        }
        return text;
    }

    void Wrong(const std::string& what, const CliResult& r) {
        ++outcome_.wrong;
        if (outcome_.examples.size() < 3) {
            outcome_.examples.push_back(what + " (exit " + std::to_string(r.exit) + ", out '" +
                                        r.out + "', err '" + r.err.substr(0, 200) + "')");
        }
    }

    void Write(const std::string& object) {
        const std::string value = std::to_string(static_cast<std::int32_t>(random_()));
        CliResult r = Cli({"write", object, value, "--unit", "counts"});
        auto printed = Printed(r);
        Candidates& held = written_[object];
        if (r.exit == 0) {
            if (printed != value) {
                Wrong("write " + object + " " + value, r);
            }
            held = {value};
            return;
        }
        held.insert(value);
        if (printed && held.count(*printed) == 0) {
            Wrong("failed write " + object + " " + value, r);
        }
    }

    void ReadWritten(const std::string& object) {
        CliResult r = Cli({"read", object, "--unit", "counts"});
        auto printed = Printed(r);
        Candidates& held = written_[object];
        if ((r.exit == 0 && !printed) || (printed && held.count(*printed) == 0)) {
            Wrong("read " + object + ", the drive holds one of " + Join(held), r);
            return;
        }
        if (r.exit == 0) {
            held = {*printed};
        }
    }

    void ReadFixed(const std::string& object, const std::string& expected) {
        CliResult r = Cli({"read", object, "--unit", "DEC"});
        auto printed = Printed(r);
        if ((r.exit == 0 && !printed) || (printed && *printed != expected)) {
            Wrong("read " + object + ", the drive holds " + expected, r);
        }
    }

    void ReadText(const std::string& object, const std::string& expected) {
        CliResult r = Cli({"read", object});
        auto printed = Printed(r);
        if ((r.exit == 0 && !printed) || (printed && *printed != expected)) {
            Wrong("read " + object + ", the drive holds '" + expected + "'", r);
        }
    }

    static std::string Join(const Candidates& values) {
        std::string text;
        for (const std::string& v : values) {
            text += (text.empty() ? "" : ", ") + v;
        }
        return text;
    }

    const Row& row_;
    std::string node_;
    std::mt19937 random_;
    std::string link_;
    std::map<std::string, Candidates> written_;
    Outcome outcome_;
};

std::vector<Row> Rows() {
    using F = Simulator::Front;
    return {
        {"none", "-", F::Serial, {}, 24},
        {"dropped answers", "2 %", F::Serial, {"--drop", "2"}, 48},
        {"dropped answers", "10 %", F::Serial, {"--drop", "10"}, 200},
        {"bad checksums", "2 %", F::Serial, {"--corrupt", "2"}, 48},
        {"bad checksums", "10 %", F::Serial, {"--corrupt", "10"}, 120},
        {"stray bytes", "1 %", F::Serial, {"--stray", "1"}, 48},
        {"stray bytes", "5 %", F::Serial, {"--stray", "5"}, 200},
        {"latency", "100 ms", F::Serial, {"--latency", "100"}, 40},
        {"latency", "600 ms", F::Serial, {"--latency", "600"}, 64},
        {"jitter", "0-300 ms", F::Serial, {"--jitter", "300"}, 40},
        {"jitter", "0-800 ms", F::Serial, {"--jitter", "800"}, 96},
        {"silence", "after 12 answers", F::Serial, {"--silent-after", "12"}, 16},
        {"mixed",
         "2 % each, 0-200 ms",
         F::Serial,
         {"--drop", "2", "--corrupt", "2", "--stray", "2", "--jitter", "200"},
         48},
        {"dropped answers", "10 %", F::Can, {"--drop", "10"}, 120},
        {"dropped answers (CiA 301 drive)", "10 %", F::Can, {"--drop", "10", "--standard"}, 64},
        {"foreign frames", "5 %", F::Can, {"--stray", "5"}, 120},
        {"latency", "600 ms", F::Can, {"--latency", "600"}, 48},
        {"jitter", "0-800 ms", F::Can, {"--jitter", "800"}, 80},
    };
}

std::string Table(const std::vector<Row>& rows, const std::vector<Outcome>& outcomes) {
    std::ostringstream table;
    auto line = [&table](const std::string& fault, const std::string& rate, const std::string& link,
                         const std::string& operations, const std::string& wrong,
                         const std::string& e0, const std::string& e1, const std::string& e2,
                         const std::string& other) {
        table << std::left << std::setw(34) << fault << std::setw(20) << rate << std::setw(8)
              << link << std::right << std::setw(10) << operations << std::setw(8) << wrong
              << std::setw(8) << e0 << std::setw(8) << e1 << std::setw(8) << e2 << std::setw(8)
              << other << '\n';
    };
    line("fault", "rate", "link", "ops", "wrong", "exit 0", "exit 1", "exit 2", "other");
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Outcome& o = outcomes[i];
        auto count = [&o](int code) {
            auto it = o.exits.find(code);
            return std::to_string(it == o.exits.end() ? 0 : it->second);
        };
        int other = o.operations;
        for (int code : {0, 1, 2}) {
            other -= std::stoi(count(code));
        }
        line(rows[i].fault, rows[i].rate,
             rows[i].front == Simulator::Front::Serial ? "serial" : "CAN",
             std::to_string(o.operations), std::to_string(o.wrong), count(0), count(1), count(2),
             std::to_string(other));
    }
    return table.str();
}

TEST(CliFaultSuite, NoWrongValueAndOnlyLinkFailuresUnderEveryFault) {
    const std::vector<Row> rows = Rows();
    std::vector<Outcome> outcomes(rows.size());
    // The virtual bus lives in the first program that joins it; this one stays to the end, so
    // that the bus does not go away with the first row that is done.
    Simulator bus(Simulator::Front::Can, {"--idle", "--node", "5"});
    ASSERT_FALSE(bus.Link().empty()) << bus.Errors();
    std::vector<std::thread> threads;
    int canNode = 10;  // one node per CAN row on the shared bus, far from each other's neighbours
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int node = rows[i].front == Simulator::Front::Can ? (canNode += 10) : 1;
        threads.emplace_back([&, i, node] {
            outcomes[i] = RowRunner(rows[i], node, static_cast<std::uint32_t>(1000 + i)).Run();
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }

    const std::string table = Table(rows, outcomes);
    std::cout << table;
    std::ofstream(std::string(MORLO_BUILD_DIR) + "/fault-suite.txt") << table;

    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Outcome& o = outcomes[i];
        SCOPED_TRACE(rows[i].fault + " " + rows[i].rate);
        EXPECT_EQ(o.operations, rows[i].operations);
        EXPECT_EQ(o.wrong, 0) << ::testing::PrintToString(o.examples);
        for (const auto& [code, count] : o.exits) {
            // The drive refuses nothing here: a failure is the link's, never "refused".
            EXPECT_TRUE(code == 0 || code == 2) << count << " runs ended with " << code << ": "
                                                << ::testing::PrintToString(o.refusals);
        }
    }
    // Without faults everything works; the check above would otherwise pass for a tool that
    // never prints anything.
    EXPECT_EQ(outcomes.front().exits[0], rows.front().operations);
}

}  // namespace
}  // namespace morlo::test
