// The working folder every program uses: --workdir, the current folder, or the per-user folder
// made from the installed defaults.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "TempFolder.h"
#include "common/WorkingFolder.h"

namespace morlo {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempFolder;
using test::WriteFile;

// A machine: an installed prefix (bin/ and share/morloservo), a home, a current folder.
struct Machine {
    TempFolder root;
    fs::path prefix = root / "usr";
    fs::path home = root / "home";
    fs::path current = root / "here";
#ifdef _WIN32
    fs::path perUser = home / "morloservo";  // %LOCALAPPDATA%\morloservo
#else
    fs::path perUser = home / ".local/share/morloservo";
#endif

    Machine() {
        fs::create_directories(prefix / "bin");
        fs::create_directories(home);
        fs::create_directories(current);
        InstallDefaults("database v1");
    }
    void InstallDefaults(const std::string& database) {
        const fs::path defaults = prefix / "share/morloservo";
        WriteFile(defaults / kWorkingFolderMark, database);
        WriteFile(defaults / "data/dictionary/10-communication.txt", "source");
        WriteFile(defaults / "sys/sys.ini", "[sys]\nlang=1\n");
        WriteFile(defaults / "sys/BasicOperate.ini", "list");
        WriteFile(defaults / "user/all-parameters.cdo", "defaults");
    }
    WorkingFolderRequest Request(fs::path workdir = {}) const {
        WorkingFolderRequest request;
        request.explicitFolder = std::move(workdir);
        request.currentFolder = current;
        request.executableFolder = prefix / "bin";
        request.home = home;
        return request;
    }
};

TEST(WorkingFolder, ChoosesExplicitThenCurrentThenPerUser) {
    Machine machine;
    WriteFile(machine.root / "other" / kWorkingFolderMark, "db");

    // Nothing in the current folder: the per-user folder is made from the defaults.
    WorkingFolder first = ChooseWorkingFolder(machine.Request());
    ASSERT_TRUE(first) << first.problem;
    EXPECT_EQ(first.folder, machine.perUser);
    EXPECT_TRUE(first.created);
    for (const char* file : {kWorkingFolderMark, "data/dictionary/10-communication.txt",
                             "sys/sys.ini", "sys/BasicOperate.ini", "user/all-parameters.cdo"}) {
        EXPECT_TRUE(fs::is_regular_file(machine.perUser / file)) << file;
    }
    WorkingFolder again = ChooseWorkingFolder(machine.Request());
    EXPECT_EQ(again.folder, machine.perUser);
    EXPECT_FALSE(again.created);

    // A current folder that is a working folder wins over the per-user one.
    WriteFile(machine.current / kWorkingFolderMark, "db");
    EXPECT_EQ(ChooseWorkingFolder(machine.Request()).folder, machine.current);
    // --workdir wins over both, relative paths too.
    EXPECT_EQ(ChooseWorkingFolder(machine.Request(machine.root / "other")).folder,
              machine.root / "other");

    // XDG_DATA_HOME, when absolute, names the per-user base; a relative one is ignored.
    fs::remove(machine.current / kWorkingFolderMark);
    WorkingFolderRequest xdg = machine.Request();
    xdg.xdgDataHome = machine.root / "xdg";
    EXPECT_EQ(ChooseWorkingFolder(xdg).folder, machine.root / "xdg/morloservo");
    xdg.xdgDataHome = "relative/xdg";
    EXPECT_EQ(ChooseWorkingFolder(xdg).folder, machine.perUser);
}

TEST(WorkingFolder, UpgradeRenewsTheProgramsDataAndKeepsTheUsers) {
    Machine machine;
    ASSERT_TRUE(ChooseWorkingFolder(machine.Request()));
    WriteFile(machine.perUser / "sys/sys.ini", "[sys]\nlang=2\ncomm=3\n");
    WriteFile(machine.perUser / "user/all-parameters.cdo", "edited by the user");
    WriteFile(machine.perUser / "user/mine.cdi", "a backup");
    fs::remove(machine.perUser / "sys/BasicOperate.ini");

    machine.InstallDefaults("database v2");
    WriteFile(machine.prefix / "share/morloservo/sys/NewPage.ini", "new list");
    const WorkingFolder upgraded = ChooseWorkingFolder(machine.Request());
    ASSERT_TRUE(upgraded) << upgraded.problem;

    EXPECT_EQ(ReadFile(machine.perUser / kWorkingFolderMark), "database v2");
    EXPECT_EQ(ReadFile(machine.perUser / "sys/sys.ini"), "[sys]\nlang=2\ncomm=3\n");
    EXPECT_EQ(ReadFile(machine.perUser / "user/all-parameters.cdo"), "edited by the user");
    EXPECT_EQ(ReadFile(machine.perUser / "user/mine.cdi"), "a backup");
    EXPECT_EQ(ReadFile(machine.perUser / "sys/NewPage.ini"), "new list");
    EXPECT_EQ(ReadFile(machine.perUser / "sys/BasicOperate.ini"), "list");
}

TEST(WorkingFolder, AnUnusableFolderIsNamedOnce) {
    struct Case {
        const char* what;
        std::function<WorkingFolderRequest(Machine&)> setUp;
        std::string named;  // a text the one message must hold
    };
    const std::vector<Case> cases = {
        {"--workdir that does not exist", [](Machine& m) { return m.Request(m.root / "missing"); },
         "missing does not exist"},
        {"--workdir without a database", [](Machine& m) { return m.Request(m.home); },
         "home holds no data/TARNEX.dat"},
        {"no home and no XDG_DATA_HOME",
         [](Machine& m) {
             WorkingFolderRequest r = m.Request();
             r.home.clear();
             return r;
         },
         "neither XDG_DATA_HOME nor HOME"},
        {"no installed defaults",
         [](Machine& m) {
             fs::remove_all(m.prefix / "share");
             return m.Request();
         },
         "morloservo holds no data/TARNEX.dat and the installed defaults"},
        {"the per-user folder is a file",
         [](Machine& m) {
             WriteFile(m.perUser, "not a folder");
             return m.Request();
         },
         "morloservo is not a folder"},
    };
    for (const Case& c : cases) {
        Machine machine;
        const WorkingFolder chosen = ChooseWorkingFolder(c.setUp(machine));
        EXPECT_FALSE(chosen) << c.what;
        EXPECT_NE(chosen.problem.find(c.named), std::string::npos)
            << c.what << ": " << chosen.problem;
    }
}

}  // namespace
}  // namespace morlo
