#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace morlo::transfer {

// What a run does with its rows: read them into a backup, write them back, or read them and
// compare with the file (before writing, or after a store and restart).
enum class RunKind { Backup, Restore, Compare, Verify };

enum class RowResult { None, True, Alarm, Fail };

// Why a row failed without the drive being asked, or was never answered.
enum class RowNote { None, BadSize, EmptyValue, UnreadableValue, OutOfRange, NoAnswer };

// One object of a run.
struct TransferRow {
    std::uint32_t key = 0;  // the drive-data key IIIISSLL
    std::string keyText;    // as shown: "%08X" of the key, or the text of the file
    std::string name;       // the dictionary name, or "? ? ? ?"
    std::string loadValue;  // the value of the file (restore, compare, verify)
    std::string value;      // the drive's value, or the abort code of a refusal
    RowResult result = RowResult::None;
    RowNote note = RowNote::None;
};

struct RunCounts {
    int total = 0;
    int alarms = 0;
    int errors = 0;
};

// "True", "Alarm", "Fail", or "" for a row not done.
std::string_view ResultText(RowResult result);
// The English text of a note ("" for none); the pages show their own translation.
std::string_view NoteText(RowNote note);
// The value column as saved and printed: the value, or the note of a row that has one.
std::string ShownValue(const TransferRow& row);
// The status line at the end of a run: "Finish: Total:%d  Error:%d " for a backup,
// "Finish: Total:%d  Alarm:%d  Error:%d" for the others.
std::string FinishText(RunKind kind, const RunCounts& counts);

}  // namespace morlo::transfer
