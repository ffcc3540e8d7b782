#include "CliOptions.h"

#include <charconv>

namespace morlo::sim {
namespace {

constexpr int kMinNode = 1;
constexpr int kMaxNode = 127;
constexpr int kMaxBaud = 4000000;

std::optional<int> ParseInt(const std::string& text, int low, int high) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [rest, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || rest != end || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

const char* CliUsage() {
    return "usage: morloservo-sim --serial [--baud B] [--node N] [--state FILE] "
           "[--dictionary DIR] [--idle] [--record-file FILE]\n"
           "       morloservo-sim --can PLUGIN:IFACE [--node N] [--state FILE] "
           "[--dictionary DIR] [--idle] [--record-file FILE]\n";
}

CliParseResult ParseCommandLine(const std::vector<std::string>& arguments) {
    CliOptions options;
    bool serial = false;
    bool can = false;
    bool baudGiven = false;
    auto fail = [](std::string text) { return CliParseResult{std::nullopt, std::move(text)}; };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        auto value = [&]() -> const std::string* {
            return i + 1 < arguments.size() ? &arguments[++i] : nullptr;
        };
        if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--serial") {
            serial = true;
        } else if (argument == "--idle") {
            options.idle = true;
        } else if (argument == "--can") {
            const std::string* text = value();
            if (!text) {
                return fail("--can needs PLUGIN:IFACE");
            }
            const std::size_t colon = text->find(':');
            if (colon == std::string::npos || colon == 0 || colon + 1 == text->size()) {
                return fail("--can needs PLUGIN:IFACE, e.g. virtualcan:can0, not '" + *text + "'");
            }
            options.canPlugin = text->substr(0, colon);
            options.canInterface = text->substr(colon + 1);
            can = true;
        } else if (argument == "--baud" || argument == "--node") {
            const std::string* text = value();
            const bool baud = argument == "--baud";
            auto number = text ? ParseInt(*text, baud ? 1 : kMinNode, baud ? kMaxBaud : kMaxNode)
                               : std::nullopt;
            if (!number) {
                return fail(argument + (baud ? " needs a bit rate from 1 to 4000000"
                                             : " needs a node id from 1 to 127"));
            }
            (baud ? options.baud : options.nodeId) = *number;
            baudGiven = baudGiven || baud;
        } else if (argument == "--state" || argument == "--dictionary" ||
                   argument == "--record-file") {
            const std::string* text = value();
            if (!text || text->empty()) {
                return fail(argument + " needs a path");
            }
            (argument == "--state"        ? options.stateFile
             : argument == "--dictionary" ? options.dictionary
                                          : options.recordFile) = *text;
        } else {
            return fail("unknown argument '" + argument + "'");
        }
    }
    if (options.help) {
        return {options, {}};
    }
    if (serial == can) {
        return fail("give exactly one of --serial and --can PLUGIN:IFACE");
    }
    if (can && baudGiven) {
        return fail("--baud applies to --serial only");
    }
    options.front = can ? CliOptions::Front::Can : CliOptions::Front::Serial;
    return {options, {}};
}

}  // namespace morlo::sim
