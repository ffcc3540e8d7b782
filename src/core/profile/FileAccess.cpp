#include "profile/FileAccess.h"

#include <array>
#include <fstream>
#include <system_error>
#include "text/Encoding.h"

namespace morlo {
namespace {

constexpr std::size_t kChunk = 64 * 1024;

FileProblem ProblemOfStatus(const std::filesystem::path& file) {
    std::error_code ec;
    const auto status = std::filesystem::status(file, ec);
    if (status.type() == std::filesystem::file_type::not_found) {
        return FileProblem::Missing;
    }
    if (ec) {
        return FileProblem::Unreadable;  // e.g. a folder on the way that may not be entered
    }
    if (status.type() != std::filesystem::file_type::regular) {
        return FileProblem::NotAFile;
    }
    return FileProblem::None;
}

}  // namespace

FileContents ReadWholeFile(const std::filesystem::path& file) {
    FileContents out;
    out.problem = ProblemOfStatus(file);
    if (out.problem != FileProblem::None) {
        return out;
    }
    try {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            out.problem = FileProblem::Unreadable;
            return out;
        }
        std::array<char, kChunk> chunk;
        while (in) {
            in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
            out.bytes.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
        }
        if (in.bad()) {
            out.problem = FileProblem::Unreadable;
            out.bytes.clear();
        }
    } catch (const std::exception&) {
        // The stream library may throw on a failed read; the caller gets a result instead.
        out.problem = FileProblem::Unreadable;
        out.bytes.clear();
    }
    return out;
}

FileProblem CheckReadable(const std::filesystem::path& file) {
    FileProblem problem = ProblemOfStatus(file);
    if (problem != FileProblem::None) {
        return problem;
    }
    try {
        std::ifstream in(file, std::ios::binary);
        return in ? FileProblem::None : FileProblem::Unreadable;
    } catch (const std::exception&) {
        return FileProblem::Unreadable;
    }
}

std::string DescribeFileProblem(const std::filesystem::path& file, FileProblem problem) {
    const std::string name = PathUtf8(file);
    switch (problem) {
        case FileProblem::None:
            return name + " can be read";
        case FileProblem::Missing:
            return name + " does not exist";
        case FileProblem::NotAFile:
            return name + " is a directory or another special file, not a file";
        case FileProblem::Unreadable:
            return name + " cannot be read (no permission, or a read error)";
    }
    return name;
}

}  // namespace morlo
