#include "canopen/Nmt.h"

#include <array>
#include <utility>

namespace morlo::canopen {
namespace {

constexpr std::array<std::pair<NmtCommand, std::string_view>, 5> kCommandNames = {{
    {NmtCommand::Start, "start"},
    {NmtCommand::Stop, "stop"},
    {NmtCommand::PreOperational, "preop"},
    {NmtCommand::ResetNode, "reset"},
    {NmtCommand::ResetCommunication, "reset-comm"},
}};

}  // namespace

link::CanMessage BuildNmtCommand(NmtCommand command, int node) {
    link::CanMessage message;
    message.id = kNmtId;
    message.length = kNmtFrameLength;
    message.data[0] = static_cast<std::uint8_t>(command);
    message.data[1] = static_cast<std::uint8_t>(node & kNodeMask);
    return message;
}

std::optional<NmtCommand> ParseNmtCommand(std::string_view name) {
    for (const auto& [command, text] : kCommandNames) {
        if (text == name) {
            return command;
        }
    }
    return std::nullopt;
}

std::string_view NmtCommandName(NmtCommand command) {
    for (const auto& [known, text] : kCommandNames) {
        if (known == command) {
            return text;
        }
    }
    return "?";
}

std::string_view NmtStateText(NmtState state) {
    switch (state) {
        case NmtState::BootUp:
            return "boot-up";
        case NmtState::Stopped:
            return "stopped";
        case NmtState::Operational:
            return "operational";
        case NmtState::PreOperational:
            return "pre-operational";
    }
    return "unknown";
}

std::optional<Heartbeat> DecodeHeartbeat(const link::CanMessage& message) {
    const int node = static_cast<int>(message.id - kHeartbeatBase);
    if (message.id <= kHeartbeatBase || node > kLastNode || message.length < 1) {
        return std::nullopt;
    }
    const auto state = static_cast<NmtState>(message.data[0] & kHeartbeatStateMask);
    switch (state) {
        case NmtState::BootUp:
        case NmtState::Stopped:
        case NmtState::Operational:
        case NmtState::PreOperational:
            return Heartbeat{node, state};
    }
    return std::nullopt;
}

}  // namespace morlo::canopen
