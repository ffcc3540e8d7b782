#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dictionary/ObjectDictionary.h"
#include "transfer/DriveTexts.h"
#include "transfer/TransferRow.h"
#include "values/UnitTable.h"

namespace morlo::transfer {

// What a backup says about itself, in an INI file beside the drive-data file (NAME.cdi.ini):
// when and through which link it was read, from which drive, and per row the object's name,
// data type and unit. The drive-data file itself stays as it always was.
struct SidecarRow {
    std::string keyText;  // the drive-data key as in the drive-data file
    std::string name;
    std::string dataType;
    std::string unit;
};

struct DriveDataSidecar {
    std::string date;  // local time of the backup, "YYYY-MM-DD hh:mm:ss"
    std::string link;  // "serial:/dev/ttyUSB0@115200", "can:socketcan:can0@500000", "sim"
    int node = 0;
    DriveIdentity identity;
    std::vector<SidecarRow> rows;

    // The description of an object, by its drive-data key; null when the file has none.
    const SidecarRow* RowOf(std::uint32_t key) const;
};

// NAME.cdi.ini beside NAME.cdi.
std::filesystem::path SidecarPathOf(const std::filesystem::path& dataFile);

// The description of a backup's rows from the dictionary (name, type) and the unit table
// (the object's default unit; "" for an object the dictionary does not know).
std::vector<SidecarRow> DescribeRows(const std::vector<TransferRow>& rows,
                                     const ObjectDictionary& dictionary, UnitTable& units);

// The INI text (8-bit, as the drive-data files are) and back; nullopt when the text is no
// description of a backup.
std::string WriteSidecarText(const DriveDataSidecar& sidecar);
std::optional<DriveDataSidecar> ReadSidecarText(std::string_view bytes);

// The rows a run found the drive lacking or refusing, described by the file's description
// where it has the row (else by the run's row): key, name, data type, unit and the reason.
struct RefusedRow {
    std::string keyText;
    std::string name;
    std::string dataType;
    std::string unit;
    std::string reason;
};
std::vector<RefusedRow> RefusedRows(const std::vector<TransferRow>& rows,
                                    const DriveDataSidecar* sidecar);

// The identity texts that tell drives apart before a file is written into one: the device
// name and the software version. A text the file or the drive does not give is no difference.
struct IdentityDifference {
    std::string what;  // "device name", "software version"
    std::string file;
    std::string drive;
};
std::vector<IdentityDifference> IdentityDifferences(const DriveIdentity& file,
                                                    const DriveIdentity& drive);
// "software version: file 'V1.02', drive 'V1.03'", one line per difference.
std::string DescribeDifferences(const std::vector<IdentityDifference>& differences);

}  // namespace morlo::transfer
