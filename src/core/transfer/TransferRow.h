#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace morlo::transfer {

// What a run does with its rows: read them into a backup, write them back, or read them and
// compare with the file (before writing, or after a store and restart).
enum class RunKind { Backup, Restore, Compare, Verify };

enum class RowResult { None, True, Alarm, Fail };

// Why a row is not "True", or why it was not asked. noteArg carries the detail a note names.
enum class RowNote {
    None,
    BadSize,               // the key's size is not 8, 16 or 32 bits
    KeySizeDiffers,        // the key's size is not the object's (noteArg: the data type)
    EmptyValue,            // the file gives no value
    UnreadableValue,       // the file's value (or the drive's answer) is no number
    DoesNotFit,            // the file's value does not fit (noteArg: the type or "N bits")
    AnswerSizeDiffers,     // the drive answered another size (noteArg: its bits)
    DriveValueDoesNotFit,  // the drive's value does not fit (noteArg: the type or "N bits")
    Refused,               // the drive refused the request (abortCode)
    NoAnswer,              // the drive or the link did not answer
};

// One object of a run.
struct TransferRow {
    std::uint32_t key = 0;  // the drive-data key IIIISSLL
    std::string keyText;    // as shown: "%08X" of the key, or the text of the file
    std::string name;       // the dictionary name, or "? ? ? ?"
    std::string loadValue;  // the value of the file (restore, compare, verify)
    std::string value;      // the drive's value, or the abort code of a refusal
    RowResult result = RowResult::None;
    RowNote note = RowNote::None;
    std::string noteArg;
    std::uint32_t abortCode = 0;  // RowNote::Refused
    // The bit patterns behind the texts, for showing them in a unit: the file's value as it
    // is (or would be) written, and the drive's value as received with the bits its answer
    // carried (0: the answer did not say).
    std::optional<std::uint32_t> fileRaw;
    std::optional<std::uint32_t> driveRaw;
    int driveBits = 0;
};

struct RunCounts {
    int total = 0;
    int alarms = 0;
    int errors = 0;
};

// "True", "Alarm", "Fail", or "" for a row not done.
std::string_view ResultText(RowResult result);
// The English text of a row's note ("" for none): "value does not fit I16", "refused: ...".
// The pages show their own translation.
std::string NoteText(const TransferRow& row);
// The value column as saved and printed: the drive's value, or for a row that was not asked
// (or not answered) its note.
std::string ShownValue(const TransferRow& row);
// The status line at the end of a run: "Finish: Total:%d  Error:%d " for a backup (with
// "  Alarm:%d" after the total when a row is "Alarm"), "Finish: Total:%d  Alarm:%d  Error:%d"
// for the others.
std::string FinishText(RunKind kind, const RunCounts& counts);

}  // namespace morlo::transfer
