#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "transfer/TransferRow.h"

namespace morlo::transfer {

// The drive-data file formats: pure readers and writers of 8-bit texts (GB18030 on disk,
// UTF-8 inside the program).

// An object list (.cdo): one drive-data key per line. Lines are taken in pieces of at most 23
// characters with the line end counted, each piece one key (a blank line gives the key 0); a
// last line without a line end gives the same keys as with one.
std::vector<std::uint32_t> ReadObjectList(std::string_view bytes);

// One row of a drive-data file as the write page takes it.
struct DriveDataLine {
    std::string keyText;    // the text before the first ','
    std::string loadValue;  // the text between the first and the second ',' ("" without one)
};

// A drive-data file (.cdi or .txt): "key,value,result" lines, read in pieces of at most 255
// characters. A piece is taken when it has a ',' after its first character and no lower-case
// 'i' after it (so "Fail" rows are dropped); other pieces leave no gap.
std::vector<DriveDataLine> ReadDriveDataLines(std::string_view bytes);

// Whether a line can be written or compared at all: its key is eight hexadecimal digits
// (blanks around them allowed) of size 8, 16 or 32 bits, and it gives a value. A file without
// one such line (empty, an object list, a binary file) is refused as a whole.
bool IsUsableLine(const DriveDataLine& line);
bool HasUsableLine(const std::vector<DriveDataLine>& lines);

// The rows of a backup as a drive-data file: "%08X,value,result" and CR LF per row.
std::string WriteDriveDataText(const std::vector<TransferRow>& rows);

// The path a backup is saved to: the file name is cut at its first '.' after its first
// character (the folders stay whole), then ".cdi" is added when the extension the user chose
// is exactly "cdi", else ".txt".
std::filesystem::path SavePathFor(const std::filesystem::path& chosen, std::string_view extension);
// The extension of a chosen name (after its last '.'), or the fallback when it has none.
std::string ChosenExtension(const std::filesystem::path& chosen, std::string_view fallback);

// Reads a whole file; false when it cannot be opened or read (a folder, no permission).
bool ReadFileBytes(const std::filesystem::path& path, std::string& bytes);
// Writes a whole file through a temporary file beside it, so that a failure never leaves half
// a file; false when it cannot be written.
bool WriteFileReplacing(const std::filesystem::path& path, std::string_view bytes);

}  // namespace morlo::transfer
