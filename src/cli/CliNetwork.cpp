// The CAN network commands of morloservo-cli: scan, nmt, and the emergencies of watch --emcy.

#include <cstdio>

#include "CliSession.h"
#include "canopen/BusScan.h"
#include "canopen/Emergency.h"
#include "canopen/Nmt.h"
#include "link/AbortCode.h"

namespace morlo::cli {
namespace {

using namespace std::chrono_literals;

// How long a reset node may take to send its boot-up message.
constexpr std::chrono::milliseconds kBootUpWait{2000};

std::string Hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

std::string DataText(const canopen::Emergency& e) {
    std::string text;
    char byte[4];
    for (std::uint8_t b : e.data) {
        std::snprintf(byte, sizeof byte, text.empty() ? "%02X" : " %02X", b);
        text += byte;
    }
    return text;
}

}  // namespace

int CliSession::RequireCan(const char* what) {
    if (arguments_.link.kind == LinkKind::Can) {
        return kExitDone;
    }
    err_ << what << " works on a CAN link only: --link can:PLUGIN:IFACE[@BITRATE]\n";
    return kExitUsage;
}

int CliSession::Scan() {
    std::vector<canopen::ScannedNode> nodes;
    control_->UseCanBus([&](link::CanPort& port) {
        nodes = canopen::ScanBus(port, arguments_.scanFrom, arguments_.scanTo);
    });
    for (const canopen::ScannedNode& node : nodes) {
        const std::string type = node.deviceType ? Hex(*node.deviceType, 8)
                                                 : "refused " + AbortText(node.refusal.value_or(0));
        ResultLine line;
        line.command = "scan";
        line.numbers.emplace_back("node", node.node);
        if (node.deviceType) {
            line.texts.emplace_back("deviceType", type);
        } else {
            line.texts.emplace_back("abort", AbortText(node.refusal.value_or(0)));
        }
        if (node.name) {
            line.name = *node.name;
        }
        if (node.version) {
            line.texts.emplace_back("version", *node.version);
        }
        PrintResult("node " + std::to_string(node.node) + "  " + type + "  " +
                        node.name.value_or("-") + "  " + node.version.value_or("-"),
                    line);
    }
    if (nodes.empty()) {
        err_ << "no node answered between " << arguments_.scanFrom << " and " << arguments_.scanTo
             << '\n';
        return kExitLinkFailure;
    }
    return kExitDone;
}

int CliSession::Nmt() {
    const std::optional<canopen::NmtCommand> command =
        canopen::ParseNmtCommand(arguments_.nmtCommand);
    const int node = arguments_.allNodes ? canopen::kAllNodes : arguments_.node;
    std::uint64_t seen = network_.LastSequence();
    bool sent = false;
    control_->UseCanBus([&](link::CanPort& port) {
        sent = port.Send(canopen::BuildNmtCommand(*command, node)) == 0;
    });
    const std::string target = arguments_.allNodes ? "all nodes" : "node " + std::to_string(node);
    if (!sent) {
        err_ << "the NMT command could not be sent to the bus\n";
        return kExitLinkFailure;
    }
    ResultLine line;
    line.command = "nmt";
    line.result = "sent";
    line.texts.emplace_back("nmt", arguments_.nmtCommand);
    line.texts.emplace_back("to", target);
    PrintResult("nmt " + arguments_.nmtCommand + " sent to " + target, line);
    if (*command != canopen::NmtCommand::ResetNode &&
        *command != canopen::NmtCommand::ResetCommunication) {
        return kExitDone;
    }
    // A reset node says so with its boot-up message.
    bool booted = false;
    auto collect = [&] {
        for (const canopen::NetworkEvent& event : network_.EventsAfter(seen)) {
            seen = event.sequence;
            if (event.kind != canopen::NetworkEvent::Kind::BootUp ||
                (!arguments_.allNodes && event.node != node)) {
                continue;
            }
            booted = true;
            ResultLine bootUp;
            bootUp.command = "nmt";
            bootUp.result = "boot-up";
            bootUp.numbers.emplace_back("node", event.node);
            PrintResult("node " + std::to_string(event.node) + " boot-up", bootUp);
        }
        return booted && !arguments_.allNodes;
    };
    WaitFor(collect, kBootUpWait);
    if (!booted && !arguments_.allNodes) {
        err_ << "no boot-up message from " << target << '\n';
        return kExitLinkFailure;
    }
    return kExitDone;
}

int CliSession::PrintEmergencies(std::uint64_t& seen, int most) {
    int printed = 0;
    for (const canopen::NetworkEvent& event : network_.EventsAfter(seen)) {
        if (most >= 0 && printed >= most) {
            break;
        }
        seen = event.sequence;
        if (event.kind != canopen::NetworkEvent::Kind::Emergency) {
            continue;
        }
        const canopen::Emergency& e = event.emergency;
        const std::string time = canopen::HostTimeText(event.hostTime);
        ResultLine line;
        line.command = "watch";
        line.texts.emplace_back("time", time);
        line.numbers.emplace_back("node", e.node);
        line.texts.emplace_back("emcy", Hex(e.code, 4));
        line.texts.emplace_back("text", std::string(canopen::EmergencyCodeText(e.code)));
        line.numbers.emplace_back("errorRegister", e.errorRegister);
        line.texts.emplace_back("data", DataText(e));
        PrintResult(
            time + "  node " + std::to_string(e.node) + "  EMCY " + canopen::DescribeEmergency(e),
            line);
        ++printed;
    }
    return printed;
}

}  // namespace morlo::cli
