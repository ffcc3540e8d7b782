#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace morlo {

// The drive family's 8-bit texts (database, INI and data files) are GB18030, whatever the
// system locale; inside the program text is UTF-8. Invalid input never fails: undecodable
// bytes become U+FFFD, unencodable characters become '?'.
std::string Gb18030ToUtf8(std::string_view bytes);
std::string Utf8ToGb18030(std::string_view utf8);

// UTF-16 little endian without byte-order mark (the oscilloscope data file).
std::string Utf16LeToUtf8(std::string_view bytes);
std::string Utf8ToUtf16Le(std::string_view utf8);

// A path as UTF-8 for messages and names, on every system (a path's narrow string is in the
// local code page on Windows, and may even fail there).
std::string PathUtf8(const std::filesystem::path& path);
// The path a UTF-8 text names, on every system (a narrow string would be read in the local code
// page on Windows).
std::filesystem::path PathFromUtf8(std::string_view utf8);

// Length in UTF-16 code units, the unit of the fixed character buffers of the file formats.
std::size_t Utf16Length(std::string_view utf8);
// The longest prefix of at most maxUnits UTF-16 code units, never splitting a character.
std::string TruncateUtf16Units(std::string_view utf8, std::size_t maxUnits);

}  // namespace morlo
