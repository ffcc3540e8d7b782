#include "CliOptions.h"

#include <algorithm>
#include <charconv>

#include "text/NumberIo.h"

namespace morlo::sim {
namespace {

constexpr int kMinNode = 1;
constexpr int kMaxNode = 127;
constexpr int kMaxBaud = 4000000;
constexpr int kMaxDelayMs = 60000;
constexpr double kMaxPercent = 100;
constexpr int kMaxAnswers = 1000000000;
constexpr std::uint64_t kMaxIndex = 0xFFFF;
constexpr std::uint64_t kMaxSubIndex = 0xFF;
constexpr int kLastErrorBit = 15;
constexpr int kMinErrorCycleMs = 20;

std::optional<int> ParseInt(const std::string& text, int low, int high) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [rest, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || rest != end || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> ParsePercent(const std::string& text) {
    double value = 0;
    const char* end = text.data() + text.size();
    auto [rest, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || rest != end || !(value >= 0) || value > kMaxPercent) {
        return std::nullopt;
    }
    return value / kMaxPercent;
}

std::optional<std::uint64_t> ParseSeed(const std::string& text) {
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    auto [rest, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || rest != end) {
        return std::nullopt;
    }
    return value;
}

// "6064:00": an object address in hexadecimal.
std::optional<ObjectKey> ParseAddress(const std::string& text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) {
        return std::nullopt;
    }
    auto index = ReadHexInteger(text.substr(0, colon));
    auto sub = ReadHexInteger(text.substr(colon + 1));
    if (!index || !sub || *index > kMaxIndex || *sub > kMaxSubIndex) {
        return std::nullopt;
    }
    return MakeObjectKey(static_cast<std::int32_t>(*index), static_cast<std::int32_t>(*sub));
}

// "1008:00=Some text": an object address and its new text.
std::optional<std::pair<ObjectKey, std::string>> ParseText(const std::string& text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos) {
        return std::nullopt;
    }
    auto key = ParseAddress(text.substr(0, equals));
    if (!key) {
        return std::nullopt;
    }
    return std::pair{*key, text.substr(equals + 1)};
}

// "4:1000": an error state bit and a period in milliseconds.
std::optional<std::pair<int, int>> ParseErrorCycle(const std::string& text) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) {
        return std::nullopt;
    }
    auto bit = ParseInt(text.substr(0, colon), 0, kLastErrorBit);
    auto period = ParseInt(text.substr(colon + 1), kMinErrorCycleMs, kMaxDelayMs);
    if (!bit || !period) {
        return std::nullopt;
    }
    return std::pair{*bit, *period};
}

}  // namespace

const char* CliUsage() {
    return "usage: morloservo-sim --serial [--baud B] [OPTIONS]\n"
           "       morloservo-sim --can PLUGIN:IFACE [OPTIONS]\n"
           "options:\n"
           "  --node N            node id, 1 to 127 (default 1); with --can, give --node\n"
           "                      again for more drives on the bus (--node 1 --node 5 ...)\n"
           "  --state FILE        keep stored parameters in FILE\n"
           "  --dictionary DIR    the dictionary source folder (default: data/dictionary of the\n"
           "                      working folder)\n"
           "  --workdir DIR       the working folder (default: the current folder when it holds\n"
           "                      data/TARNEX.dat, else ~/.local/share/morloservo)\n"
           "  --help, --version   print this text or the version and end\n"
           "  --idle              start switched off instead of running the demo motion\n"
           "  --record-file FILE  copy each finished record of the recorder to FILE\n"
           "  --standard          answer as a plain CiA 301 device: no echo in write\n"
           "                      confirmations, texts of up to 4 bytes expedited, the last\n"
           "                      segment marked without an extra empty one, block upload\n"
           "  --text I:S=TEXT     give the text object I:S (hexadecimal) another text\n"
           "  --segmented I:S     answer reads of the number object I:S (hexadecimal) in\n"
           "                      segments, as a CiA 301 device may\n"
           "  --error-cycle B:MS  raise error state bit B (0 to 15) every MS milliseconds and\n"
           "                      reset it MS/2 later (CAN: each sends an emergency message)\n"
           "link faults (answers to requests; requests always reach the drive):\n"
           "  --latency MS        delay every answer by MS milliseconds\n"
           "  --jitter MS         delay every answer by a further 0 to MS milliseconds\n"
           "  --drop PCT          lose PCT percent of the answers\n"
           "  --corrupt PCT       damage PCT percent of the answers (serial: checksum;\n"
           "                      CAN: the frame does not arrive)\n"
           "  --stray PCT         send noise before PCT percent of the answers (serial: 1 to\n"
           "                      3 random bytes; CAN: a frame of another identifier)\n"
           "  --silent-after N    answer N requests, then none\n"
           "  --seed N            the same faults on every run with the same seed\n";
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
        } else if (argument == "--standard") {
            options.standard = true;
        } else if (argument == "--text") {
            const std::string* text = value();
            auto parsed = text ? ParseText(*text) : std::nullopt;
            if (!parsed) {
                return fail("--text needs INDEX:SUB=TEXT, e.g. 1008:00=Drive A");
            }
            options.texts.push_back(std::move(*parsed));
        } else if (argument == "--segmented") {
            const std::string* text = value();
            auto key = text ? ParseAddress(*text) : std::nullopt;
            if (!key) {
                return fail("--segmented needs INDEX:SUB, e.g. 6064:00");
            }
            options.segmentedNumbers.push_back(*key);
        } else if (argument == "--error-cycle") {
            const std::string* text = value();
            auto cycle = text ? ParseErrorCycle(*text) : std::nullopt;
            if (!cycle) {
                return fail("--error-cycle needs BIT:MS, a bit from 0 to 15 and 20 to 60000 ms");
            }
            options.errorCycle = cycle;
        } else if (argument == "--latency" || argument == "--jitter" ||
                   argument == "--silent-after") {
            const std::string* text = value();
            const bool answers = argument == "--silent-after";
            auto number =
                text ? ParseInt(*text, 0, answers ? kMaxAnswers : kMaxDelayMs) : std::nullopt;
            if (!number) {
                return fail(argument + (answers ? " needs a number of answers"
                                                : " needs milliseconds from 0 to 60000"));
            }
            if (answers) {
                options.faults.silentAfter = *number;
            } else {
                (argument == "--latency" ? options.faults.latency : options.faults.jitter) =
                    std::chrono::milliseconds(*number);
            }
        } else if (argument == "--drop" || argument == "--corrupt" || argument == "--stray") {
            const std::string* text = value();
            auto share = text ? ParsePercent(*text) : std::nullopt;
            if (!share) {
                return fail(argument + " needs a percentage from 0 to 100");
            }
            (argument == "--drop"      ? options.faults.dropProbability
             : argument == "--corrupt" ? options.faults.corruptProbability
                                       : options.faults.strayProbability) = *share;
        } else if (argument == "--seed") {
            const std::string* text = value();
            auto seed = text ? ParseSeed(*text) : std::nullopt;
            if (!seed) {
                return fail("--seed needs a whole number");
            }
            options.faults.seed = *seed;
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
            if (baud) {
                options.baud = *number;
                baudGiven = true;
            } else if (std::find(options.nodeIds.begin(), options.nodeIds.end(), *number) !=
                       options.nodeIds.end()) {
                return fail("--node " + *text + " is given twice");
            } else {
                options.nodeIds.push_back(*number);
                options.nodeId = options.nodeIds.front();
            }
        } else if (argument == "--version") {
            options.version = true;
        } else if (argument == "--state" || argument == "--dictionary" ||
                   argument == "--record-file" || argument == "--workdir") {
            const std::string* text = value();
            if (!text || text->empty()) {
                return fail(argument + " needs a path");
            }
            (argument == "--state"        ? options.stateFile
             : argument == "--dictionary" ? options.dictionary
             : argument == "--workdir"    ? options.workDir
                                          : options.recordFile) = *text;
        } else {
            return fail("unknown argument '" + argument + "'");
        }
    }
    if (options.help || options.version) {
        return {options, {}};
    }
    if (serial == can) {
        return fail("give exactly one of --serial and --can PLUGIN:IFACE");
    }
    if (can && baudGiven) {
        return fail("--baud applies to --serial only");
    }
    if (options.errorCycle && serial) {
        return fail("--error-cycle applies to --can only");
    }
    if (options.nodeIds.size() > 1 && serial) {
        return fail("several --node apply to --can only");
    }
    if (options.nodeIds.size() > 1 && (!options.stateFile.empty() || !options.recordFile.empty())) {
        return fail("--state and --record-file apply to one --node only");
    }
    options.front = can ? CliOptions::Front::Can : CliOptions::Front::Serial;
    return {options, {}};
}

}  // namespace morlo::sim
