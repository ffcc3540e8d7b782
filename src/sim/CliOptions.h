#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "FaultInjector.h"
#include "common/ObjectKey.h"

namespace morlo::sim {

// The command line of morloservo-sim.
struct CliOptions {
    enum class Front { Serial, Can };
    Front front = Front::Serial;
    int baud = 0;              // serial: 0 = answer at once
    int nodeId = 1;            // the first --node
    std::vector<int> nodeIds;  // every --node (CAN: one simulated drive each); empty: nodeId
    std::string stateFile;     // empty: none
    std::string dictionary;    // empty: data/dictionary of the working folder
    std::string workDir;       // --workdir: the working folder instead of the usual choice
    std::string recordFile;    // empty: none; else each finished record is copied there
    std::string canPlugin;
    std::string canInterface;
    bool idle = false;
    bool standard = false;                                 // answer as a plain CiA 301 device
    std::vector<std::pair<ObjectKey, std::string>> texts;  // text objects given other texts
    std::vector<ObjectKey> segmentedNumbers;               // numbers read in segments
    // --error-cycle BIT:MS: error state bit BIT is raised every MS ms and reset MS/2 later.
    std::optional<std::pair<int, int>> errorCycle;
    FaultSettings faults;
    bool help = false;
    bool version = false;
};

struct CliParseResult {
    std::optional<CliOptions> options;
    std::string error;  // one line, when options is empty
};

// Parses the arguments after the program name.
CliParseResult ParseCommandLine(const std::vector<std::string>& arguments);

// The usage text for --help.
const char* CliUsage();

}  // namespace morlo::sim
