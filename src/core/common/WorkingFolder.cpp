#include "WorkingFolder.h"

#include <cstdlib>
#include <system_error>

#include "profile/FileAccess.h"
#include "text/Encoding.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace morlo {
namespace {

namespace fs = std::filesystem;

constexpr const char* kSubFolders[] = {"sys", "data", "user"};

// Whatever bears the database's name marks a working folder: a broken database is reported by
// the program that loads it, not passed over for another folder.
bool HoldsDatabase(const fs::path& folder) {
    std::error_code ec;
    return !folder.empty() && fs::exists(folder / kWorkingFolderMark, ec);
}

std::string Named(const fs::path& folder) {
    return PathUtf8(folder.lexically_normal());
}

fs::path PerUserBase(const WorkingFolderRequest& request) {
    if (!request.xdgDataHome.empty() && request.xdgDataHome.is_absolute()) {
        return request.xdgDataHome;
    }
    if (request.home.empty()) {
        return {};
    }
#ifdef _WIN32
    return request.home;
#else
    return request.home / ".local" / "share";
#endif
}

fs::path FindDefaults(const fs::path& executableFolder) {
    for (const char* relative : {kInstalledDefaults, kBuildTreeDefaults}) {
        fs::path candidate = (executableFolder / relative).lexically_normal();
        if (HoldsDatabase(candidate)) {
            return candidate;
        }
    }
    return {};
}

bool SameContents(const fs::path& a, const fs::path& b) {
    const FileContents left = ReadWholeFile(a);
    const FileContents right = ReadWholeFile(b);
    return left.problem == FileProblem::None && right.problem == FileProblem::None &&
           left.bytes == right.bytes;
}

// Copies one sub-folder of the defaults; overwriting replaces what is there, else only missing
// files are added. File by file: copying a folder onto one that exists fails under MinGW.
bool CopySubFolder(const fs::path& from, const fs::path& to, bool overwrite, std::string& error) {
    std::error_code ec;
    if (!fs::is_directory(from, ec)) {
        return true;  // nothing of that kind installed
    }
    fs::create_directories(to, ec);
    for (auto it = fs::recursive_directory_iterator(from, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const fs::path target = to / fs::relative(it->path(), from, ec);
        if (ec) {
            break;
        }
        if (it->is_directory(ec)) {
            fs::create_directories(target, ec);
        } else if (overwrite || !fs::exists(target, ec)) {
            // The old file goes first: MinGW's copy_file reports an existing target as an
            // error whatever the copy options say.
            fs::remove(target, ec);
            if (!ec) {
                fs::copy_file(it->path(), target, ec);
            }
        }
        if (ec) {
            error =
                "cannot copy " + Named(it->path()) + " to " + Named(target) + ": " + ec.message();
            return false;
        }
    }
    if (ec) {
        error = "cannot copy " + Named(from) + " to " + Named(to) + ": " + ec.message();
        return false;
    }
    return true;
}

WorkingFolder Refused(std::string problem) {
    WorkingFolder result;
    result.problem = std::move(problem);
    return result;
}

WorkingFolder PerUserFolder(const WorkingFolderRequest& request) {
    const fs::path base = PerUserBase(request);
    if (base.empty()) {
        return Refused("no working folder: the current folder holds no " +
                       std::string(kWorkingFolderMark) +
                       " and neither XDG_DATA_HOME nor HOME names a per-user folder");
    }
    const fs::path folder = base / kPerUserFolderName;
    const fs::path defaults = FindDefaults(request.executableFolder);
    const bool isWorkingFolder = HoldsDatabase(folder);
    if (!isWorkingFolder && defaults.empty()) {
        return Refused("no working folder: " + Named(folder) + " holds no " +
                       std::string(kWorkingFolderMark) + " and the installed defaults (" +
                       Named(request.executableFolder / kInstalledDefaults) + ") are missing");
    }
    std::error_code ec;
    if (fs::exists(folder, ec) && !fs::is_directory(folder, ec)) {
        return Refused("the working folder " + Named(folder) + " is not a folder");
    }
    std::string error;
    if (!defaults.empty()) {
        for (const char* sub : kSubFolders) {
            // data/ is the program's own: it follows the installed database.
            const bool refresh =
                std::string(sub) == "data" && isWorkingFolder &&
                !SameContents(defaults / kWorkingFolderMark, folder / kWorkingFolderMark);
            const bool addMissing = !isWorkingFolder || std::string(sub) != "user";
            if ((refresh || addMissing) &&
                !CopySubFolder(defaults / sub, folder / sub, refresh, error)) {
                return Refused("the working folder " + Named(folder) +
                               " cannot be made from the installed defaults: " + error);
            }
        }
    }
    if (!HoldsDatabase(folder)) {
        return Refused("the working folder " + Named(folder) + " holds no " +
                       std::string(kWorkingFolderMark));
    }
    WorkingFolder result;
    result.folder = folder;
    result.created = !isWorkingFolder;
    return result;
}

// A variable of the environment naming a folder; empty when it is not set.
fs::path EnvironmentFolder(const char* name) {
#ifdef _WIN32
    const std::wstring wide(name, name + std::char_traits<char>::length(name));
    const wchar_t* value = _wgetenv(wide.c_str());
    return value ? fs::path(value) : fs::path();
#else
    const char* value = std::getenv(name);
    return value ? fs::path(value) : fs::path();
#endif
}

}  // namespace

WorkingFolderRequest WorkingFolderRequest::FromEnvironment(fs::path explicitFolder,
                                                           const char* argv0) {
    WorkingFolderRequest request;
    request.explicitFolder = std::move(explicitFolder);
    std::error_code ec;
    request.currentFolder = fs::current_path(ec);
    request.executableFolder = ExecutableFolder(argv0);
#ifdef _WIN32
    request.home = EnvironmentFolder("LOCALAPPDATA");
#else
    request.xdgDataHome = EnvironmentFolder("XDG_DATA_HOME");
    request.home = EnvironmentFolder("HOME");
#endif
    return request;
}

WorkingFolder ChooseWorkingFolder(const WorkingFolderRequest& request) {
    if (!request.explicitFolder.empty()) {
        std::error_code ec;
        const fs::path folder = fs::absolute(request.explicitFolder, ec);
        if (!fs::is_directory(folder, ec)) {
            return Refused("the working folder " + Named(request.explicitFolder) +
                           " does not exist or is not a folder");
        }
        if (!HoldsDatabase(folder)) {
            return Refused("the working folder " + Named(request.explicitFolder) + " holds no " +
                           std::string(kWorkingFolderMark));
        }
        WorkingFolder result;
        result.folder = folder;
        return result;
    }
    if (HoldsDatabase(request.currentFolder)) {
        WorkingFolder result;
        result.folder = request.currentFolder;
        return result;
    }
    return PerUserFolder(request);
}

fs::path ExecutableFolder(const char* argv0) {
    std::error_code ec;
#ifdef _WIN32
    wchar_t buffer[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, static_cast<DWORD>(std::size(buffer)));
    if (length > 0 && length < std::size(buffer)) {
        return fs::path(std::wstring(buffer, length)).parent_path();
    }
#else
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec && !self.empty()) {
        return self.parent_path();
    }
#endif
    if (argv0 == nullptr || *argv0 == '\0') {
        return {};
    }
    return fs::absolute(fs::path(argv0), ec).parent_path();
}

}  // namespace morlo
