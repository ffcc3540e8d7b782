#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dictionary/ObjectDictionary.h"
#include "transfer/DriveDataFiles.h"
#include "transfer/TransferRow.h"

namespace morlo::transfer {

// Drive-data rows by name and unit: the differences of a run (drive against file) or of two
// files, as a table for a terminal and as CSV.

// A value as the object's default unit shows it.
struct UnitValue {
    std::string text;
    std::string unit;
};
// Shows a raw value of an object (by its drive-data key) in its default unit; nullopt when it
// cannot (an object the dictionary does not know, a formula without its constants).
using UnitShower = std::function<std::optional<UnitValue>(std::uint32_t key, std::uint32_t raw)>;

// One row of a report: both values in the same unit, or both as the files and the drive give
// them (unit "") when either cannot be shown in the unit.
struct ReportRow {
    int number = 0;  // the row's place in its file or list, from 1
    std::string keyText;
    std::string name;
    std::string unit;
    std::string fileValue;   // the file's value, or the first file's in a diff
    std::string driveValue;  // the drive's value, or the second file's in a diff
    std::string result;
    std::string note;
};

// The rows of a run; only those that are not "True" when differencesOnly.
std::vector<ReportRow> ReportOfRun(const std::vector<TransferRow>& rows, const UnitShower& show,
                                   bool differencesOnly);

// Two drive-data files compared offline, row by row in the first file's order (then the rows
// only the second has), matched by object: "True" when the values are the same number for
// the object's type, "Alarm" when they differ, "Fail" when one file lacks the object or a
// value cannot be read.
struct DiffRow {
    std::uint32_t key = 0;
    std::string keyText;
    std::string name;
    std::string first;  // the texts of the files ("" when the file lacks the object)
    std::string second;
    std::optional<std::uint32_t> firstRaw;
    std::optional<std::uint32_t> secondRaw;
    RowResult result = RowResult::None;
    std::string note;
};
std::vector<DiffRow> DiffDriveData(const std::vector<DriveDataLine>& first,
                                   const std::vector<DriveDataLine>& second,
                                   const ObjectDictionary& dictionary);
std::vector<ReportRow> ReportOfDiff(const std::vector<DiffRow>& rows, const UnitShower& show,
                                    bool differencesOnly);

enum class ReportKind { Backup, DriveAgainstFile, FileAgainstFile };
// CSV (UTF-8, comma separated, CR LF) with a header line: key, name, unit, the two values
// ("file value", "drive value"; "first value", "second value" for two files), result, note.
std::string WriteReportCsv(const std::vector<ReportRow>& rows, ReportKind kind);
// A table with a header and aligned columns, one line per row; "" for no rows.
std::string FormatReportTable(const std::vector<ReportRow>& rows, ReportKind kind);
// Lines of cells (the first the header) with aligned columns, as a terminal shows them.
std::string FormatTable(const std::vector<std::vector<std::string>>& cells);

}  // namespace morlo::transfer
