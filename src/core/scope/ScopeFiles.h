#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scope/RecordDecoder.h"
#include "scope/ScopeConstants.h"

namespace morlo::scope {

// One channel's block of the text data file.
struct ChannelFileBlock {
    bool checked = false;
    std::uint32_t item = 0;  // the MappingValue the drive reported for the channel
    double scale = 0;
    double offset = 0;
    double coefficient = 0;
    int unit = 0;  // index of the unit combo's selection
    bool autoScale = false;
    // What the object and the unit were called; written for readers, not needed to import.
    std::string name;
    std::string unitText;
};

// Where and when a capture was made; written for readers, not needed to import.
struct CaptureDescription {
    std::string captured;  // local date and time, "2026-12-08 09:30:00"
    std::string deviceName;
    std::string softwareVersion;
    std::string link;
};

// The oscilloscope's settings and curves as the text data file holds them.
struct ScopeFileData {
    std::int32_t period = 0;
    std::int32_t pointerOffset = 0;
    std::int32_t samples = 0;
    int triggerItem = 0;          // index of the trigger combo's selection, 0 manual
    std::int32_t triggerKey = 0;  // ObjectKey of the trigger object
    std::string levelText;        // as the level edit shows it
    int triggerUnit = 0;          // index of the trigger unit combo's selection
    bool continuous = false;
    std::array<ChannelFileBlock, kChannelCount> channels;
    Curves curves;  // raw values, rounded to integers when written
    CaptureDescription description;
};

// The text data file: UTF-16LE without byte-order mark, LF line ends, the keys in their fixed
// order, then the sample lines of each row, then the capture's description.
std::string WriteScopeText(const ScopeFileData& data);

enum class ScopeReadStatus {
    Read,
    NotScopeFile,  // no [oscilloscope] section: nothing can be taken from it
};
struct ScopeReadResult {
    ScopeReadStatus status = ScopeReadStatus::NotScopeFile;
    ScopeFileData data;
    // Values that were not numbers (read as 0), a sample count that was cut, ...
    std::vector<std::string> warnings;
};

// Reads a text data file (a byte-order mark is accepted). Missing keys read as 0; unknown
// keys are ignored; the samples of each ticked channel are read for rows 1 .. "number",
// a missing sample line giving 0.
ScopeReadResult ReadScopeText(std::string_view bytes);

// The CSV file: one line per row, "<value>," for each channel that has a sample in that row,
// then CR LF.
std::string WriteScopeCsv(const Curves& curves);

enum class ExportKind { Csv, Text, Bitmap, Png, Unknown };
struct ExportTarget {
    std::string path;
    ExportKind kind = ExportKind::Unknown;
};
// The file an export writes: the chosen path without its extension and with its file name cut
// at the first '.', then "." and the extension ("dir.x/run.1.csv" -> "dir.x/run.csv"). The
// kind follows the extension compared exactly.
ExportTarget ExportPathFor(std::string_view chosen, std::string_view extension);
// The extension of a chosen file name (after its last '.'), or empty.
std::string ExtensionOf(std::string_view chosen);

}  // namespace morlo::scope
