#include "CliArguments.h"

#include <cstdint>

#include "canopen/NetworkConstants.h"
#include "canopen/Nmt.h"
#include "link/CanBitTiming.h"
#include "text/NumberIo.h"

namespace morlo::cli {

const char* const kCliUsage =
    "usage: morloservo-cli [--link sim|serial:PORT[@BAUD]|can:PLUGIN:IFACE[@BITRATE]]\n"
    "                      [--node N] [--trace] [--json] [--workdir DIR] COMMAND\n"
    "       morloservo-cli --help | --version\n"
    "commands:\n"
    "  read INDEX:SUB [--unit U]        print the value as a page shows it\n"
    "  write INDEX:SUB VALUE [--unit U] write a value given in unit U\n"
    "  info                             device name, versions and statusword\n"
    "  watch INDEX:SUB... [--count N]   print every new value of the objects\n"
    "  watch --emcy [INDEX:SUB...] [--count N]\n"
    "                                   (CAN) print every emergency message as well\n"
    "  watch INDEX:SUB... --csv FILE --period MS [--duration S]\n"
    "                                   read the objects every MS milliseconds (a fixed\n"
    "                                   period, no drift) into a CSV file with host time and\n"
    "                                   elapsed ms, for S seconds or until ^C; missed periods\n"
    "                                   are reported on stderr\n"
    "  backup LIST.cdo OUT.cdi [--report R.csv]\n"
    "                                   read the listed objects into a drive-data file (and\n"
    "                                   OUT.cdi.ini, which says which drive it came from)\n"
    "  restore IN.cdi [--store|--store-anyway] [--restart] [--expect-same-drive]\n"
    "          [--report R.csv]         write a drive-data file into the drive; store the\n"
    "                                   parameters when every row is True (--store-anyway:\n"
    "                                   also when not), restart and verify that they persisted\n"
    "  compare IN.cdi [--expect-same-drive] [--report R.csv]\n"
    "                                   show by name and unit where the drive differs\n"
    "  diff A.cdi B.cdi [--report R.csv] show by name and unit where two files differ\n"
    "  store                            store the motor, then the control parameters\n"
    "  init                             initialise the control parameters\n"
    "  restart                          restart the drive and wait until it answers again\n"
    "  scope --ch KEY [--ch KEY ...] [--period N] [--samples N] [--trigger KEY|manual]\n"
    "        [--edge rising|falling] [--level RAW] [--csv FILE] [--txt FILE] [--table FILE]\n"
    "        [--timeout S]   (--table: time_ms and each channel in its default unit)\n"
    "                                   capture the recorder once (channel n is the n-th\n"
    "                                   --ch, up to four) and write the samples\n"
    "  scan [--from N] [--to N]         (CAN) list the nodes on the bus: id, device type,\n"
    "                                   name and software version\n"
    "  nmt start|stop|preop|reset|reset-comm [--node N|all]\n"
    "                                   (CAN) send a network management command\n"
    "options:\n"
    "  --json        print each result as one JSON object per line\n"
    "  --workdir DIR use DIR as the working folder\n"
    "working folder (data/TARNEX.dat, sys/sys.ini): --workdir, else the current folder when it\n"
    "holds data/TARNEX.dat, else $XDG_DATA_HOME/morloservo (~/.local/share/morloservo), made\n"
    "from the installed defaults on first use\n"
    "exit codes: 0 done, 1 refused or different, 2 link failure or no database, 3 bad input\n";

namespace {

constexpr std::size_t kScopeChannels = 4;

std::optional<long> ParseNumber(const std::string& text, long min, long max) {
    std::optional<std::int64_t> value = ReadInteger(text);
    if (!value || text.front() == ' ' || text.back() == ' ' || *value < min || *value > max) {
        return std::nullopt;
    }
    return static_cast<long>(*value);
}

std::optional<long> ParseHex(const std::string& text, long max) {
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits = digits.substr(2);
    }
    if (digits.empty() || digits.size() > 4) {
        return std::nullopt;
    }
    std::optional<std::uint64_t> value = ReadHexInteger(digits);
    if (!value || digits.front() == ' ' || digits.back() == ' ' ||
        *value > static_cast<std::uint64_t>(max)) {
        return std::nullopt;
    }
    return static_cast<long>(*value);
}

bool ParseLink(const std::string& text, LinkChoice& link, std::string& error) {
    if (text == "sim") {
        link.kind = LinkKind::Simulated;
        return true;
    }
    auto splitRate = [](std::string spec, std::string& rate) {
        auto at = spec.rfind('@');
        if (at != std::string::npos) {
            rate = spec.substr(at + 1);
            spec = spec.substr(0, at);
        }
        return spec;
    };
    if (text.rfind("serial:", 0) == 0) {
        std::string rate;
        link.kind = LinkKind::Serial;
        link.port = splitRate(text.substr(7), rate);
        if (link.port.empty()) {
            error = "--link serial: needs a port, e.g. serial:/dev/ttyUSB0@115200";
            return false;
        }
        if (!rate.empty()) {
            auto baud = ParseNumber(rate, 300, 4000000);
            if (!baud) {
                error = "bad baud rate '" + rate + "'";
                return false;
            }
            link.baud = static_cast<int>(*baud);
        }
        return true;
    }
    if (text.rfind("can:", 0) == 0) {
        std::string rate;
        link.kind = LinkKind::Can;
        link.canInterface = splitRate(text.substr(4), rate);
        if (link.canInterface.find(':') == std::string::npos) {
            error = "--link can: needs PLUGIN:IFACE, e.g. can:socketcan:can0@500000";
            return false;
        }
        if (!rate.empty()) {
            auto bitRate = ParseNumber(rate, 1, 1000000);
            bool known = false;
            for (const auto& timing : link::kCanBitTimings) {
                known = known || (bitRate && timing.bitRate == *bitRate);
            }
            if (!known) {
                error = "bad CAN bit rate '" + rate +
                        "' (1000000, 500000, 250000, 125000, "
                        "100000, 50000, 20000, 10000 or 5000)";
                return false;
            }
            link.canBitRate = static_cast<int>(*bitRate);
        }
        return true;
    }
    error = "unknown link '" + text + "'";
    return false;
}

bool IsScopeOption(const std::string& arg) {
    for (const char* option : {"--ch", "--period", "--samples", "--trigger", "--edge", "--level",
                               "--csv", "--txt", "--table", "--timeout"}) {
        if (arg == option) {
            return true;
        }
    }
    return false;
}

bool ParseScopeOption(const std::string& option, const std::string& value, ScopeRequest& scope,
                      std::string& error) {
    auto address = [&](std::optional<ObjectKey>& into) {
        into = ParseObjectAddress(value);
        if (!into) {
            error = "bad object address '" + value + "' (use INDEX:SUB in hexadecimal)";
        }
        return into.has_value();
    };
    auto number = [&](long min, long max, std::optional<std::int32_t>& into) {
        auto n = ParseNumber(value, min, max);
        if (!n) {
            error = option + " takes a number from " + std::to_string(min) + " to " +
                    std::to_string(max) + ", not '" + value + "'";
            return false;
        }
        into = static_cast<std::int32_t>(*n);
        return true;
    };
    if (option == "--ch") {
        std::optional<ObjectKey> key;
        if (!address(key)) {
            return false;
        }
        if (scope.channels.size() == kScopeChannels) {
            error = "the recorder has four channels: at most four --ch";
            return false;
        }
        scope.channels.push_back(*key);
        return true;
    }
    if (option == "--period" || option == "--samples") {
        // Both are 16-bit settings of the recorder.
        return number(1, 65535, option == "--period" ? scope.period : scope.samples);
    }
    if (option == "--trigger") {
        scope.trigger.reset();
        scope.manualTrigger = value == "manual";
        return scope.manualTrigger || address(scope.trigger);
    }
    if (option == "--edge") {
        if (value != "rising" && value != "falling") {
            error = "--edge takes rising or falling, not '" + value + "'";
            return false;
        }
        scope.risingEdge = value == "rising";
        return true;
    }
    if (option == "--level") {
        return number(INT32_MIN, INT32_MAX, scope.level);
    }
    if (option == "--timeout") {
        std::optional<std::int32_t> seconds;
        if (!number(1, 3600, seconds)) {
            return false;
        }
        scope.timeoutSeconds = *seconds;
        return true;
    }
    if (value.empty()) {
        error = option + " needs a file name";
        return false;
    }
    (option == "--csv" ? scope.csv : option == "--txt" ? scope.txt : scope.table) = value;
    return true;
}

bool ParseWatchOption(const std::string& option, const std::string& value, WatchRequest& watch,
                      std::string& error) {
    if (option == "--csv") {
        if (value.empty()) {
            error = "--csv needs a file name";
            return false;
        }
        watch.csv = value;
        return true;
    }
    if (option == "--period" || option == "--duration") {
        const bool period = option == "--period";
        const auto number = ParseNumber(value, 1, period ? kWatchPeriodMaxMs : kWatchDurationMaxS);
        if (!number) {
            error = option +
                    (period ? " takes milliseconds from 1 to " + std::to_string(kWatchPeriodMaxMs)
                            : " takes seconds from 1 to " + std::to_string(kWatchDurationMaxS));
            return false;
        }
        (period ? watch.periodMs : watch.durationSeconds) = static_cast<int>(*number);
        return true;
    }
    error = option + " goes with scope only";
    return false;
}

}  // namespace

std::optional<ObjectKey> ParseObjectAddress(const std::string& text) {
    auto colon = text.find(':');
    if (colon == std::string::npos) {
        return std::nullopt;
    }
    auto index = ParseHex(text.substr(0, colon), 0xFFFF);
    auto sub = ParseHex(text.substr(colon + 1), 0xFF);
    if (!index || !sub || *index == 0) {
        return std::nullopt;
    }
    return MakeObjectKey(static_cast<std::int32_t>(*index), static_cast<std::int32_t>(*sub));
}

InfoRequest FindInfoRequest(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            return InfoRequest::Help;
        }
        if (arg == "--version") {
            return InfoRequest::Version;
        }
    }
    return InfoRequest::None;
}

std::optional<CliArguments> ParseCliArguments(const std::vector<std::string>& args,
                                              std::string& error) {
    CliArguments out;
    std::vector<std::string> positional;
    bool scanOptions = false;
    std::vector<std::pair<std::string, std::string>> commandOptions;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto next = [&](const char* what) -> std::optional<std::string> {
            if (i + 1 >= args.size()) {
                error = std::string(what) + " needs a value";
                return std::nullopt;
            }
            return args[++i];
        };
        if (arg == "--link") {
            auto v = next("--link");
            if (!v || !ParseLink(*v, out.link, error)) {
                return std::nullopt;
            }
        } else if (arg == "--node") {
            auto v = next("--node");
            if (v && *v == "all") {
                out.allNodes = true;
                continue;
            }
            auto node = v ? ParseNumber(*v, canopen::kFirstNode, canopen::kLastNode) : std::nullopt;
            if (!node) {
                if (error.empty()) {
                    error = "--node takes a number from 1 to 127 (or all, with nmt)";
                }
                return std::nullopt;
            }
            out.node = static_cast<int>(*node);
            out.allNodes = false;
        } else if (arg == "--from" || arg == "--to") {
            auto v = next(arg.c_str());
            auto node = v ? ParseNumber(*v, canopen::kFirstNode, canopen::kLastNode) : std::nullopt;
            if (!node) {
                if (error.empty()) {
                    error = arg + " takes a node id from 1 to 127";
                }
                return std::nullopt;
            }
            (arg == "--from" ? out.scanFrom : out.scanTo) = static_cast<int>(*node);
            scanOptions = true;
        } else if (arg == "--emcy") {
            out.emcy = true;
        } else if (arg == "--trace") {
            out.trace = true;
        } else if (arg == "--json") {
            out.json = true;
        } else if (arg == "--workdir") {
            auto v = next("--workdir");
            if (!v || v->empty()) {
                error = "--workdir needs a folder";
                return std::nullopt;
            }
            out.workDir = *v;
        } else if (arg == "--store") {
            out.store = true;
        } else if (arg == "--store-anyway") {
            out.store = true;
            out.storeAnyway = true;
        } else if (arg == "--restart") {
            out.restart = true;
        } else if (arg == "--expect-same-drive") {
            out.expectSameDrive = true;
        } else if (arg == "--report") {
            auto v = next("--report");
            if (!v || v->empty()) {
                if (error.empty()) {
                    error = "--report needs a file name";
                }
                return std::nullopt;
            }
            out.report = *v;
        } else if (arg == "--unit") {
            auto v = next("--unit");
            if (!v) {
                return std::nullopt;
            }
            out.unit = *v;
        } else if (arg == "--count") {
            auto v = next("--count");
            auto count = v ? ParseNumber(*v, 1, 100000000) : std::nullopt;
            if (!count) {
                if (error.empty()) {
                    error = "--count takes a positive number";
                }
                return std::nullopt;
            }
            out.count = static_cast<int>(*count);
        } else if (IsScopeOption(arg) || arg == "--duration") {
            // Taken once the command is known: watch has its own --csv and --period.
            auto v = next(arg.c_str());
            if (!v) {
                return std::nullopt;
            }
            commandOptions.emplace_back(arg, *v);
        } else if (arg.size() > 1 && arg[0] == '-' && arg[1] == '-') {
            error = "unknown option '" + arg + "'";
            return std::nullopt;
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.empty()) {
        error = "no command given";
        return std::nullopt;
    }
    out.command = positional[0];
    for (const auto& [option, value] : commandOptions) {
        if (out.command == "watch" && !ParseWatchOption(option, value, out.watch, error)) {
            return std::nullopt;
        }
        if (out.command == "scope" &&
            (option == "--duration" || !ParseScopeOption(option, value, out.scope, error))) {
            if (error.empty()) {
                error = "--duration goes with watch only";
            }
            return std::nullopt;
        }
        if (out.command != "watch" && out.command != "scope") {
            error =
                "--ch, --period, --samples, --trigger, --edge, --level, --csv, --txt, --table and "
                "--timeout go with scope only (--csv, --period and --duration also with watch)";
            return std::nullopt;
        }
    }
    if (out.command == "watch" && !out.watch.csv.empty() != (out.watch.periodMs > 0)) {
        error = "watch --csv FILE and --period MS go together";
        return std::nullopt;
    }
    if (out.command == "watch" && out.watch.durationSeconds > 0 && out.watch.csv.empty()) {
        error = "watch --duration goes with --csv";
        return std::nullopt;
    }
    std::vector<std::string> rest(positional.begin() + 1, positional.end());
    auto addresses = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i) {
            auto key = ParseObjectAddress(rest[i]);
            if (!key) {
                error = "bad object address '" + rest[i] + "' (use INDEX:SUB in hexadecimal)";
                return false;
            }
            out.keys.push_back(*key);
        }
        return true;
    };
    if (out.command == "read") {
        if (rest.size() != 1) {
            error = "read takes one INDEX:SUB";
            return std::nullopt;
        }
        if (!addresses(0, 1)) {
            return std::nullopt;
        }
    } else if (out.command == "write") {
        if (rest.size() != 2) {
            error = "write takes INDEX:SUB and a VALUE";
            return std::nullopt;
        }
        if (!addresses(0, 1)) {
            return std::nullopt;
        }
        out.value = rest[1];
    } else if (out.command == "info") {
        if (!rest.empty()) {
            error = "info takes no arguments";
            return std::nullopt;
        }
    } else if (out.command == "watch") {
        if (rest.empty() && !out.emcy) {
            error = "watch takes one or more INDEX:SUB, or --emcy";
            return std::nullopt;
        }
        if (!addresses(0, rest.size())) {
            return std::nullopt;
        }
    } else if (out.command == "backup") {
        if (rest.size() != 2) {
            error = "backup takes LIST.cdo and OUT.cdi";
            return std::nullopt;
        }
        out.files = rest;
    } else if (out.command == "restore" || out.command == "compare") {
        if (rest.size() != 1) {
            error = out.command + " takes one drive-data file";
            return std::nullopt;
        }
        out.files = rest;
    } else if (out.command == "diff") {
        if (rest.size() != 2) {
            error = "diff takes two drive-data files";
            return std::nullopt;
        }
        out.files = rest;
    } else if (out.command == "store" || out.command == "init" || out.command == "restart") {
        if (!rest.empty()) {
            error = out.command + " takes no arguments";
            return std::nullopt;
        }
    } else if (out.command == "scope") {
        if (!rest.empty()) {
            error = "scope takes options only (--ch KEY ...)";
            return std::nullopt;
        }
        if (out.scope.channels.empty()) {
            error = "scope needs at least one --ch INDEX:SUB";
            return std::nullopt;
        }
    } else if (out.command == "scan") {
        if (!rest.empty()) {
            error = "scan takes options only (--from N --to N)";
            return std::nullopt;
        }
        if (out.scanFrom > out.scanTo) {
            error = "scan: --from " + std::to_string(out.scanFrom) + " is above --to " +
                    std::to_string(out.scanTo);
            return std::nullopt;
        }
    } else if (out.command == "nmt") {
        if (rest.size() != 1 || !canopen::ParseNmtCommand(rest[0])) {
            error = "nmt takes one of start, stop, preop, reset, reset-comm";
            return std::nullopt;
        }
        out.nmtCommand = rest[0];
    } else {
        error = "unknown command '" + out.command + "'";
        return std::nullopt;
    }
    if (scanOptions && out.command != "scan") {
        error = "--from and --to go with scan only";
        return std::nullopt;
    }
    if (out.allNodes && out.command != "nmt") {
        error = "--node all goes with nmt only";
        return std::nullopt;
    }
    if (out.emcy && out.command != "watch") {
        error = "--emcy goes with watch only";
        return std::nullopt;
    }
    if ((out.store || out.restart) && out.command != "restore") {
        error = "--store, --store-anyway and --restart go with restore only";
        return std::nullopt;
    }
    if (out.expectSameDrive && out.command != "restore" && out.command != "compare") {
        error = "--expect-same-drive goes with restore and compare only";
        return std::nullopt;
    }
    const bool reports = out.command == "backup" || out.command == "restore" ||
                         out.command == "compare" || out.command == "diff";
    if (!out.report.empty() && !reports) {
        error = "--report goes with backup, restore, compare and diff only";
        return std::nullopt;
    }
    return out;
}

}  // namespace morlo::cli
