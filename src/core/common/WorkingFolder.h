#pragma once

#include <filesystem>
#include <string>

namespace morlo {

// The folder every program reads its files from (sys/, data/, user/).
inline constexpr const char* kWorkingFolderMark = "data/TARNEX.dat";
inline constexpr const char* kPerUserFolderName = "morloservo";
// The defaults a package installs, relative to the folder of the executable; the second is the
// working folder a build assembles beside its programs.
inline constexpr const char* kInstalledDefaults = "../share/morloservo";
inline constexpr const char* kBuildTreeDefaults = "../runtime";

// What the choice depends on; FromEnvironment fills it for the running process.
struct WorkingFolderRequest {
    std::filesystem::path explicitFolder;  // --workdir; empty when not given
    std::filesystem::path currentFolder;
    std::filesystem::path executableFolder;
    std::filesystem::path xdgDataHome;  // $XDG_DATA_HOME
    std::filesystem::path home;         // $HOME (on Windows %LOCALAPPDATA% stands in for both)

    static WorkingFolderRequest FromEnvironment(std::filesystem::path explicitFolder,
                                                const char* argv0);
};

struct WorkingFolder {
    std::filesystem::path folder;  // empty when none could be used
    std::string problem;           // one sentence naming the folder, when folder is empty
    bool created = false;          // the per-user folder was made from the defaults just now
    explicit operator bool() const { return !folder.empty(); }
};

// The working folder: --workdir when given (it must be one); else the current folder when it
// holds data/TARNEX.dat; else the per-user folder ($XDG_DATA_HOME/morloservo, by default
// ~/.local/share/morloservo), made from the installed defaults when it is not one yet. The
// per-user folder's data/ follows the installed defaults (they are the program's, not the
// user's); its sys/ and user/ only gain files that are missing, never lose the user's.
WorkingFolder ChooseWorkingFolder(const WorkingFolderRequest& request);

// The folder of the running executable (argv0 where the system cannot tell).
std::filesystem::path ExecutableFolder(const char* argv0);

}  // namespace morlo
