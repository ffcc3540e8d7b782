#pragma once

#include <optional>
#include <string_view>

#include "canopen/NetworkConstants.h"
#include "link/LinkTypes.h"

namespace morlo::canopen {

// The NMT frame that gives the command to one node (1..127) or to all (kAllNodes).
link::CanMessage BuildNmtCommand(NmtCommand command, int node);

// The command-line names of the commands: start, stop, preop, reset, reset-comm.
std::optional<NmtCommand> ParseNmtCommand(std::string_view name);
std::string_view NmtCommandName(NmtCommand command);

// "operational", "pre-operational", "stopped", "boot-up".
std::string_view NmtStateText(NmtState state);

// A heartbeat or boot-up message: the node and the state it reports.
struct Heartbeat {
    int node = 0;
    NmtState state = NmtState::BootUp;
};
std::optional<Heartbeat> DecodeHeartbeat(const link::CanMessage& message);

}  // namespace morlo::canopen
