#pragma once

// Runs morloservo-cli and morloservo-sim as a user does, for the end-to-end tests.

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "ChildProcess.h"

namespace morlo::test {

struct CliResult {
    int exit = -1;
    std::string out;
    std::string err;
    bool ended = false;  // false: it was still running at the bound and was ended
};

// Runs the tool in the working folder; waits at most `bound`.
inline CliResult RunCliTool(const std::vector<std::string>& args,
                            std::chrono::milliseconds bound = std::chrono::seconds(20)) {
    ChildProcess cli(MORLO_CLI_PATH, args, MORLO_BUILT_RUNTIME_DIR);
    CliResult result;
    result.ended = cli.Started() && cli.Wait(bound);
    result.exit = cli.ExitCode();
    result.out = cli.Output();
    result.err = cli.Errors();
    return result;
}

// The simulator on a pseudo-terminal or a CAN bus, with the link text that reaches it. The
// destructor ends it.
class Simulator {
  public:
    enum class Front { Serial, Can };

    // CAN: on the given bus (a private virtual bus, virtualcan:tcp://127.0.0.1:PORT/can0).
    Simulator(Front front, std::vector<std::string> options,
              const std::string& canBus = "virtualcan:can0")
        : process_(MORLO_SIM_PATH, Arguments(front, std::move(options), canBus)) {
        auto first = process_.ReadLine(std::chrono::seconds(10));
        if (!first) {
            return;
        }
        if (front == Front::Serial && first->rfind("serial ", 0) == 0) {
            link_ = "serial:" + first->substr(std::string("serial ").size());
        } else if (front == Front::Can && first->rfind("can ", 0) == 0) {
            link_ = "can:" + first->substr(std::string("can ").size());
        }
    }
    ~Simulator() { Stop(); }
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Empty when the simulator did not come up.
    const std::string& Link() const { return link_; }
    std::string Errors() const { return process_.Errors(); }
    // Ends the simulator; its exit code, or -1 when it had to be killed.
    int Stop() {
        process_.Signal(SIGTERM);
        return process_.Wait(std::chrono::seconds(10)) ? process_.ExitCode() : -1;
    }

  private:
    static std::vector<std::string> Arguments(Front front, std::vector<std::string> options,
                                              const std::string& canBus) {
        std::vector<std::string> args = front == Front::Serial
                                            ? std::vector<std::string>{"--serial"}
                                            : std::vector<std::string>{"--can", canBus};
        args.insert(args.end(), options.begin(), options.end());
        return args;
    }

    ChildProcess process_;
    std::string link_;
};

// The simulator on a pseudo-terminal at 115200 baud with a state file, and the link text that
// reaches it (empty when it did not come up). The destructor ends it.
struct SerialSimulator {
    explicit SerialSimulator(const std::filesystem::path& state)
        : process(MORLO_SIM_PATH, {"--serial", "--baud", "115200", "--state", state.string()}) {
        auto first = process.ReadLine(std::chrono::seconds(10));
        if (first && first->rfind("serial ", 0) == 0) {
            link = "serial:" + first->substr(7) + "@115200";
        }
    }
    ~SerialSimulator() {
        process.Signal(SIGTERM);
        process.Wait(std::chrono::seconds(10));
    }
    SerialSimulator(const SerialSimulator&) = delete;
    SerialSimulator& operator=(const SerialSimulator&) = delete;
    ChildProcess process;
    std::string link;
};

}  // namespace morlo::test
