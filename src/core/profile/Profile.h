#pragma once

#include <cstddef>
#include <filesystem>

#include <string>
#include <string_view>
#include <utility>
#include <vector>
#include "profile/FileAccess.h"

namespace morlo {

// How an INI file is stored on disk.
enum class ProfileEncoding {
    EightBit,  // GB18030 bytes (the database code page); ASCII files are the same either way
    Utf16Le,   // UTF-16 little endian, no byte-order mark (the oscilloscope data file)
};

// Reads and writes INI files with the semantics the program relies on: a missing file,
// section or key reads as the empty text; names compare case-insensitively; a write creates
// what is missing and keeps every other line. Texts are UTF-8 in the program.
// A file that cannot be read (a directory, no permission) reads as empty too; callers that
// must tell the user ask Problem() once.
class Profile {
  public:
    // The value cut to bufferChars - 1 characters, like a fixed character buffer.
    static std::string ReadString(const std::filesystem::path& file, std::string_view section,
                                  std::string_view key, std::size_t bufferChars,
                                  ProfileEncoding encoding = ProfileEncoding::EightBit);

    // The value read as a decimal integer, the whole text ("", "x", "12abc" and numbers
    // beyond int give 0).
    static int ReadInt(const std::filesystem::path& file, std::string_view section,
                       std::string_view key, std::size_t bufferChars,
                       ProfileEncoding encoding = ProfileEncoding::EightBit);

    // A value text as ReadInt reads it.
    static int NumberOf(std::string_view text);

    // The section names of the file in file order (UTF-8).
    static std::vector<std::string> SectionNames(
        const std::filesystem::path& file, ProfileEncoding encoding = ProfileEncoding::EightBit);

    // Why the file cannot be read; Missing and None are the ordinary cases.
    static FileProblem Problem(const std::filesystem::path& file);

    // Writes through a temporary file and a rename, so a failure never leaves half a file.
    // Returns false when the file cannot be written, or exists but cannot be read (its
    // other keys would be lost).
    static bool WriteString(const std::filesystem::path& file, std::string_view section,
                            std::string_view key, std::string_view value,
                            ProfileEncoding encoding = ProfileEncoding::EightBit);

    // All key = value pairs of a section in file order.
    static std::vector<std::pair<std::string, std::string>> ReadSection(
        const std::filesystem::path& file, std::string_view section,
        ProfileEncoding encoding = ProfileEncoding::EightBit);
};

}  // namespace morlo
