#pragma once

#include <filesystem>

#ifdef _WIN32
#include <windows.h>

#include <vector>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace morlo::test {

#ifdef _WIN32

// Makes the path a file that exists but cannot be read: this process keeps it open without
// sharing until it ends, so every other open of it fails (a sharing violation).
inline bool MakeFailingRead(const std::filesystem::path& path) {
    static std::vector<HANDLE> held;  // open for the rest of the test program
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    held.push_back(handle);
    return true;
}

// Mode bits cannot stop a Windows process reading a file: false, nothing to test there.
inline bool MakePermissionless(const std::filesystem::path&) {
    return false;
}

#else

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

#endif

}  // namespace morlo::test
