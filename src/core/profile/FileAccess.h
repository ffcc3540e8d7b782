#pragma once

#include <filesystem>
#include <string>

namespace morlo {

// Why a file could not be read.
enum class FileProblem {
    None,
    Missing,     // nothing of that name
    NotAFile,    // a directory, a device, a socket, ...
    Unreadable,  // no permission, or a read failed
};

struct FileContents {
    FileProblem problem = FileProblem::None;
    std::string bytes;
};

// The whole file, or the reason it could not be read; never throws.
FileContents ReadWholeFile(const std::filesystem::path& file);

// Whether the file can be opened for reading, without reading it; never throws.
FileProblem CheckReadable(const std::filesystem::path& file);

// A plain sentence for a message: "sys/sys.ini is a directory, not a file".
std::string DescribeFileProblem(const std::filesystem::path& file, FileProblem problem);

}  // namespace morlo
