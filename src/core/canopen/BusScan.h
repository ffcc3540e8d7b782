#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/CanPort.h"

namespace morlo::canopen {

// A node that answered the scan.
struct ScannedNode {
    int node = 0;
    std::optional<std::uint32_t> deviceType;  // 1000:00
    std::optional<std::uint32_t> refusal;     // the abort that answered 1000:00 instead
    std::optional<std::string> name;          // 1008:00, when it could be read
    std::optional<std::string> version;       // 100A:00, when it could be read
};

// Asks every node id of the range for its device type at once (one open request per node,
// as the SDO rules allow), waits the link time-out for the answers, then reads the name and
// software version of every node that answered, all nodes in parallel. A node that answers
// with an abort is there all the same. Sorted by node id.
std::vector<ScannedNode> ScanBus(link::CanPort& port, int from, int to);

}  // namespace morlo::canopen
