// The drive-data commands as a production script uses them: no silent success, files that
// describe themselves, differences by name and unit, and the store dialog's commands.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "ChildProcess.h"
#include "CliRun.h"
#include "TempFolder.h"

namespace morlo::test {
namespace {

using namespace std::chrono_literals;

struct Result {
    int exit;
    std::string out;
    std::string err;
};

// A copy of the built working folder in English, where the built-in simulated drive may store.
class Folder {
  public:
    Folder() {
        const std::filesystem::path built = MORLO_BUILT_RUNTIME_DIR;
        for (const char* sub : {"sys", "data", "user"}) {
            std::filesystem::copy(built / sub, folder_ / sub,
                                  std::filesystem::copy_options::recursive);
        }
        std::string ini = ReadFile(folder_ / "sys/sys.ini");
        ini.replace(ini.find("lang=1"), 6, "lang=2");
        WriteFile(folder_ / "sys/sys.ini", ini);
    }
    std::filesystem::path operator/(std::string_view name) const { return folder_ / name; }
    std::string Path(std::string_view name) const { return (folder_ / name).string(); }
    Result Run(const std::vector<std::string>& args) const {
        ChildProcess cli(MORLO_CLI_PATH, args, folder_.Path().string());
        EXPECT_TRUE(cli.Started());
        EXPECT_TRUE(cli.Wait(60s)) << "morloservo-cli did not end";
        return {cli.ExitCode(), cli.Output(), cli.Errors()};
    }

  private:
    TempFolder folder_;
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The printed table line of a key, or "".
std::string LineOf(const std::string& text, const std::string& key) {
    for (const std::string& line : Lines(text)) {
        if (line.find("  " + key + "  ") != std::string::npos) {
            return line;
        }
    }
    return "";
}

TEST(CliDriveDataFiles, AFileWithoutAUsableRowIsRefusedBeforeAnythingIsSent) {
    Folder folder;
    WriteFile(folder / "user/empty.cdi", "");
    WriteFile(folder / "user/list.cdi", ReadFile(folder / "user/all-parameters.cdo"));
    WriteFile(folder / "user/binary.cdi", std::string("\x7F"
                                                      "ELF\x02\x01\x01\0,\0,\xFF\r\n",
                                                      14));
    WriteFile(folder / "user/empty.cdo", "");
    for (const char* file :
         {"user/empty.cdi", "user/list.cdi", "user/binary.cdi", "user/empty.cdo"}) {
        const bool list = std::string(file).ends_with(".cdo");
        for (std::vector<std::string> command :
             list ? std::vector<std::vector<std::string>>{{"backup", file, "user/out.cdi"}}
                  : std::vector<std::vector<std::string>>{{"restore", file, "--store"},
                                                          {"compare", file}}) {
            command.insert(command.begin(), "--trace");
            const Result r = folder.Run(command);
            SCOPED_TRACE(command[1] + " " + file);
            EXPECT_EQ(r.exit, 3);
            EXPECT_NE(r.err.find(std::string(file) + " holds no usable row"), std::string::npos)
                << r.err;
            EXPECT_EQ(r.err.find("TX"), std::string::npos) << r.err;  // not a single frame
            EXPECT_EQ(r.out.find("Finish"), std::string::npos) << r.out;
        }
    }
    EXPECT_FALSE(std::filesystem::exists(folder / "user/simulated-drive.state"));
    EXPECT_FALSE(std::filesystem::exists(folder / "user/out.cdi"));  // no empty backup
}

TEST(CliDriveDataFiles, RestoreStoresOnlyWhenEveryRowIsTrue) {
    Folder folder;
    TempFolder state;
    SerialSimulator sim(state / "drive.state");
    ASSERT_FALSE(sim.link.empty()) << sim.process.Errors();
    // One row the drive refuses (the statusword is read-only).
    WriteFile(folder / "user/partial.cdi", "20010110,420,True\r\n60410010,5,True\r\n");
    const Result refused = folder.Run(
        {"--link", sim.link, "restore", folder.Path("user/partial.cdi"), "--store", "--restart"});
    EXPECT_EQ(refused.exit, 1);
    EXPECT_NE(refused.err.find("not stored: 1 of 2 rows are not True"), std::string::npos)
        << refused.err;
    EXPECT_EQ(refused.out.find("Finish."), std::string::npos);
    EXPECT_EQ(refused.out.find("verify after restart"), std::string::npos);  // not restarted
    EXPECT_FALSE(std::filesystem::exists(state / "drive.state"));
    EXPECT_TRUE(LineOf(refused.out, "60410010").find("0x06010002") != std::string::npos)
        << refused.out;

    const Result anyway = folder.Run(
        {"--link", sim.link, "restore", folder.Path("user/partial.cdi"), "--store-anyway"});
    EXPECT_EQ(anyway.exit, 1);  // a row is still not True
    EXPECT_NE(anyway.out.find("Finish.\n"), std::string::npos) << anyway.out;
    EXPECT_NE(ReadFile(state / "drive.state").find("2001:01=420\n"), std::string::npos);
}

TEST(CliDriveDataFiles, BackupDescribesItselfAndCompareAndDiffShowNamesAndUnits) {
    Folder folder;
    TempFolder state;
    SerialSimulator sim(state / "drive.state");
    ASSERT_FALSE(sim.link.empty()) << sim.process.Errors();
    const std::string a = folder.Path("user/a.cdi");
    const std::string b = folder.Path("user/b.cdi");
    const Result saved = folder.Run({"--link", sim.link, "backup", "user/all-parameters.cdo", a,
                                     "--report", folder.Path("user/a.csv")});
    ASSERT_EQ(saved.exit, 0) << saved.err;
    const std::string sidecar = ReadFile(a + ".ini");
    for (const char* line :
         {"[backup]\r\n", "\r\nlink=", "\r\nnode=1\r\n", "\r\ndevice name=MS-D2 Servo Drive\r\n",
          "\r\nhardware version=", "\r\nsoftware version=",
          "\r\nkey=20010110\r\nname=Velocity loop proportional gain\r\ntype=U16\r\nunit=Hz\r\n"}) {
        EXPECT_NE(sidecar.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(sidecar.find("date="), 10u);

    ASSERT_EQ(folder.Run({"--link", sim.link, "write", "2001:01", "55.5"}).exit, 0);
    ASSERT_EQ(folder.Run({"--link", sim.link, "write", "2000:01", "123"}).exit, 0);
    const Result compared =
        folder.Run({"--link", sim.link, "compare", a, "--report", folder.Path("user/compare.csv")});
    EXPECT_EQ(compared.exit, 1);
    const auto lines = Lines(compared.out);
    ASSERT_EQ(lines.size(), 4u) << compared.out;  // header, two rows, status
    for (const char* column : {"row", "key", "name", "file", "drive", "unit", "result", "note"}) {
        EXPECT_NE(lines[0].find(column), std::string::npos) << lines[0];
    }
    const std::string gain = LineOf(compared.out, "20010110");
    for (const char* piece :
         {"Velocity loop proportional gain", "40.000", "55.500", "Hz", "Alarm"}) {
        EXPECT_NE(gain.find(piece), std::string::npos) << piece << "\n" << compared.out;
    }
    const std::string csv = ReadFile(folder / "user/compare.csv");
    EXPECT_EQ(csv.substr(0, csv.find("\r\n")), "key,name,unit,file value,drive value,result,note");
    EXPECT_NE(csv.find("\r\n20010110,Velocity loop proportional gain,Hz,40.000,55.500,Alarm,\r\n"),
              std::string::npos);
    const std::string data = ReadFile(a);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'),
              std::count(data.begin(), data.end(), '\n') + 1);  // every row and the header
    EXPECT_EQ(ReadFile(folder / "user/a.csv").substr(0, 48),
              "key,name,unit,file value,drive value,result,note");

    // Two files, offline: the same differences, and the same file is the same.
    ASSERT_EQ(folder.Run({"--link", sim.link, "backup", "user/all-parameters.cdo", b}).exit, 0);
    const Result diff = folder.Run({"diff", a, b, "--report", folder.Path("user/diff.csv")});
    EXPECT_EQ(diff.exit, 1) << diff.err;
    EXPECT_NE(LineOf(diff.out, "20010110").find("40.000  55.500"), std::string::npos) << diff.out;
    EXPECT_NE(LineOf(diff.out, "20000110").find("Position loop"), std::string::npos) << diff.out;
    EXPECT_NE(diff.out.find("differ: 2 of "), std::string::npos);
    EXPECT_EQ(ReadFile(folder / "user/diff.csv").substr(0, 50),
              "key,name,unit,first value,second value,result,note");
    const Result same = folder.Run({"diff", a, a});
    EXPECT_EQ(same.exit, 0) << same.out;
    EXPECT_EQ(folder.Run({"diff", a, folder.Path("user/all-parameters.cdo")}).exit, 3);
}

TEST(CliDriveDataFiles, AnotherSoftwareVersionIsNamedBeforeWriting) {
    Folder folder;
    const std::string file = folder.Path("user/gain.cdi");
    ASSERT_EQ(folder.Run({"backup", "user/all-parameters.cdo", file}).exit, 0);
    std::string sidecar = ReadFile(file + ".ini");
    const std::size_t version = sidecar.find("software version=");
    ASSERT_NE(version, std::string::npos);
    sidecar.insert(sidecar.find("\r\n", version), "-old");
    WriteFile(file + ".ini", sidecar);

    const Result warned = folder.Run({"compare", file});
    EXPECT_EQ(warned.exit, 0) << warned.out;
    EXPECT_NE(warned.err.find("warning: " + file +
                              " was saved from another drive:\n"
                              "software version: file '"),
              std::string::npos)
        << warned.err;
    const Result refused = folder.Run({"--trace", "restore", file, "--expect-same-drive"});
    EXPECT_EQ(refused.exit, 3);
    EXPECT_NE(refused.err.find("-old', drive '"), std::string::npos) << refused.err;
    EXPECT_EQ(refused.err.find("TX 01 2"), std::string::npos) << refused.err;  // no write
    std::filesystem::remove(file + ".ini");
    EXPECT_EQ(folder.Run({"restore", file, "--expect-same-drive"}).exit, 3);  // unknown drive
}

TEST(CliDriveDataFiles, StoreInitAndRestartCommands) {
    TempFolder state;
    Folder folder;
    {
        // A drive whose store fails: the refusal with the drive's code, exit 1.
        SerialSimulator broken(state / "missing-folder" / "drive.state");
        ASSERT_FALSE(broken.link.empty());
        const Result store = folder.Run({"--link", broken.link, "store"});
        EXPECT_EQ(store.exit, 1);
        EXPECT_NE(store.err.find("refused by the drive: 2FF0:03 0x08000020 "), std::string::npos)
            << store.err;
    }
    SerialSimulator sim(state / "drive.state");
    ASSERT_FALSE(sim.link.empty());
    ASSERT_EQ(folder.Run({"--link", sim.link, "write", "2001:01", "33.3"}).exit, 0);
    const Result store = folder.Run({"--link", sim.link, "store"});
    EXPECT_EQ(store.exit, 0) << store.err;
    EXPECT_EQ(store.out, "Finish.\n");
    EXPECT_NE(ReadFile(state / "drive.state").find("2001:01=333\n"), std::string::npos);
    const Result init = folder.Run({"--link", sim.link, "init"});
    EXPECT_EQ(init.exit, 0) << init.err;
    EXPECT_EQ(folder.Run({"--link", sim.link, "read", "2001:01"}).out, "40.000\n");
    const Result restart = folder.Run({"--link", sim.link, "restart"});
    EXPECT_EQ(restart.exit, 0) << restart.err;
    EXPECT_EQ(restart.out, "the drive answers again\n");
    EXPECT_EQ(folder.Run({"--link", sim.link, "read", "2001:01"}).out, "33.300\n");
}

// The built-in simulated drive of the tool keeps what it stored for the next run.
TEST(CliDriveDataFiles, TheBuiltInDriveKeepsStoredValuesAcrossRuns) {
    Folder folder;
    WriteFile(folder / "user/gain.cdi", "20010110,444,True\r\n");
    const Result stored = folder.Run({"restore", "user/gain.cdi", "--store"});
    EXPECT_EQ(stored.exit, 0) << stored.err;
    EXPECT_EQ(folder.Run({"read", "2001:01"}).out, "44.400\n");
    EXPECT_NE(ReadFile(folder / "user/simulated-drive.state").find("2001:01=444\n"),
              std::string::npos);
    // Written but not stored: gone with the run.
    ASSERT_EQ(folder.Run({"write", "2001:01", "12"}).exit, 0);
    EXPECT_EQ(folder.Run({"read", "2001:01"}).out, "44.400\n");
}

}  // namespace
}  // namespace morlo::test
