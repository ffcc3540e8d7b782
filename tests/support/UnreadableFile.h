#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace morlo::test {

// Makes the path a file that exists and opens but whose first read fails (EIO), for any user,
// root included: a link to the reading process's own memory, whose first page is unmapped.
// chmod 000 would not do under root, where permissions do not stop reading.
inline bool MakeFailingRead(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    std::filesystem::create_symlink("/proc/self/mem", path, ec);
    return !ec;
}

// Takes every permission from the file; false when that cannot stop this process (root).
inline bool MakePermissionless(const std::filesystem::path& path) {
    if (geteuid() == 0) {
        return false;
    }
    return chmod(path.c_str(), 0) == 0;
}

}  // namespace morlo::test
