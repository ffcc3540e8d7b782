#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/ObjectKey.h"

namespace morlo::cli {

enum class LinkKind { Simulated, Serial, Can };

struct LinkChoice {
    LinkKind kind = LinkKind::Simulated;
    std::string port;          // serial: the port name
    int baud = 115200;         // serial
    std::string canInterface;  // CAN: "plugin:interface"
    int canBitRate = 500000;   // CAN, bit/s
};

// What `scope` records and how: only the settings given are written to the recorder.
struct ScopeRequest {
    std::vector<ObjectKey> channels;  // channel n records the n-th; the others are switched off
    std::optional<std::int32_t> period;
    std::optional<std::int32_t> samples;
    bool manualTrigger = false;
    std::optional<ObjectKey> trigger;
    std::optional<bool> risingEdge;
    std::optional<std::int32_t> level;
    std::string csv;
    std::string txt;
    std::string table;        // time and values in the objects' default units, with a header
    int timeoutSeconds = 10;  // for the trigger and the record
};

// What `watch --csv` logs and how often.
inline constexpr int kWatchPeriodMaxMs = 60000;
inline constexpr int kWatchDurationMaxS = 30 * 24 * 3600;
struct WatchRequest {
    std::string csv;          // empty: print changes instead
    int periodMs = 0;         // with csv
    int durationSeconds = 0;  // 0: until ^C
};

struct CliArguments {
    LinkChoice link;
    std::string workDir;  // --workdir: the working folder instead of the usual choice
    bool json = false;    // results as one JSON object per line
    int node = 1;
    bool allNodes = false;  // nmt: --node all
    bool trace = false;
    // read, write, info, watch, backup, restore, compare, diff, store, init, restart, scope,
    // scan, nmt
    std::string command;
    std::vector<ObjectKey> keys;      // read, write: one; watch: one or more
    std::string value;                // write
    std::optional<std::string> unit;  // read, write
    int count = -1;                   // watch: stop after this many lines (-1: until ^C)
    // backup: list and output; restore, compare: the data; diff: the two data files
    std::vector<std::string> files;
    bool store = false;        // restore: store the parameters afterwards (every row "True")
    bool storeAnyway = false;  // restore: store also when a row is not "True"
    bool restart = false;      // restore: restart the drive and verify afterwards
    // restore, compare: a drive other than the file's (by its description) is an error
    bool expectSameDrive = false;
    std::string report;  // backup, compare, restore, diff: every row as CSV
    ScopeRequest scope;  // scope
    bool emcy = false;       // watch: print the emergency messages too
    int scanFrom = 1;        // scan: the node ids asked
    int scanTo = 127;
    std::string nmtCommand;  // nmt: start, stop, preop, reset, reset-comm
    WatchRequest watch;  // watch --csv
};

// Parses the command line; on failure error holds a one-line message.
std::optional<CliArguments> ParseCliArguments(const std::vector<std::string>& args,
                                              std::string& error);

// "6041:00", "0x6041:0" -> key; nullopt for anything else.
std::optional<ObjectKey> ParseObjectAddress(const std::string& text);

// Whether the command line asks only for the usage (--help, -h) or the version (--version);
// these are answered before anything else is looked at.
enum class InfoRequest { None, Help, Version };
InfoRequest FindInfoRequest(const std::vector<std::string>& args);

extern const char* const kCliUsage;

}  // namespace morlo::cli
