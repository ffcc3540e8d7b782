// The programs as an installed package starts them: from any folder, with --help, --version,
// --workdir and the per-user working folder, and the command-line tool's JSON lines.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "ChildProcess.h"
#include "TempFolder.h"

namespace morlo::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

struct Outcome {
    int exit;
    std::string out;
    std::string err;
};

// Runs a program in `folder` with HOME set to `home` and no XDG_DATA_HOME.
Outcome RunIn(const fs::path& folder, const fs::path& home, const std::string& program,
              const std::vector<std::string>& args) {
    std::vector<std::string> all{"-u", "XDG_DATA_HOME", "HOME=" + home.string(),
                                 "QT_QPA_PLATFORM=offscreen", program};
    all.insert(all.end(), args.begin(), args.end());
    ChildProcess child("/usr/bin/env", all, folder.string());
    EXPECT_TRUE(child.Started());
    EXPECT_TRUE(child.Wait(30s)) << program << " did not end";
    return {child.ExitCode(), child.Output(), child.Errors()};
}

std::vector<nlohmann::json> JsonLines(const std::string& out) {
    std::vector<nlohmann::json> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(nlohmann::json::parse(line, nullptr, false));
        EXPECT_FALSE(lines.back().is_discarded()) << "not JSON: " << line;
    }
    return lines;
}

TEST(InstalledPrograms, AnswerHelpAndVersionWithoutAWindowOrAWorkingFolder) {
    TempFolder scratch;
    const std::pair<std::string, std::string> programs[] = {
        {MORLO_CLI_PATH, "morloservo-cli"},
        {MORLO_SIM_PATH, "morloservo-sim"},
        {MORLO_GUI_PATH, "morloservo"},
        {MORLO_DICT_PATH, "morloservo-dict"},
    };
    for (const auto& [path, name] : programs) {
        for (const char* help : {"--help", "-h"}) {
            const Outcome r = RunIn(scratch.Path(), scratch.Path(), path, {help});
            EXPECT_EQ(r.exit, 0) << name << " " << help << ": " << r.err;
            EXPECT_EQ(r.out.rfind("usage: " + name + " ", 0), 0u) << name << ": " << r.out;
        }
        const Outcome v = RunIn(scratch.Path(), scratch.Path(), path, {"--version"});
        EXPECT_EQ(v.exit, 0) << name << ": " << v.err;
        EXPECT_EQ(v.out, name + " " + MORLO_VERSION + "\n");
    }
    // Nothing was made: neither answer needs a working folder.
    EXPECT_FALSE(fs::exists(scratch / ".local"));
}

TEST(InstalledPrograms, FindTheirWorkingFolderFromAnyFolder) {
    TempFolder home;
    TempFolder elsewhere;
    // From a folder that is none, the per-user folder is made from the defaults and used.
    const Outcome first = RunIn(elsewhere.Path(), home.Path(), MORLO_CLI_PATH, {"read", "6041:00"});
    EXPECT_EQ(first.exit, 0) << first.err;
    EXPECT_FALSE(first.out.empty());
    const fs::path perUser = home / ".local/share/morloservo";
    EXPECT_TRUE(fs::is_regular_file(perUser / "data/TARNEX.dat"));
    EXPECT_TRUE(fs::is_regular_file(perUser / "sys/sys.ini"));
    EXPECT_NE(first.err.find("made the working folder " + perUser.string()), std::string::npos)
        << first.err;
    const Outcome second =
        RunIn(elsewhere.Path(), home.Path(), MORLO_CLI_PATH, {"read", "6041:00"});
    EXPECT_EQ(second.exit, 0) << second.err;
    EXPECT_TRUE(second.err.empty()) << second.err;

    // --workdir names the folder; one that cannot be used is named once, nothing is sent.
    const Outcome given = RunIn(elsewhere.Path(), elsewhere.Path(), MORLO_CLI_PATH,
                                {"--workdir", MORLO_BUILT_RUNTIME_DIR, "read", "6041:00"});
    EXPECT_EQ(given.exit, 0) << given.err;
    EXPECT_FALSE(fs::exists(elsewhere / ".local"));
    for (const std::string& bad : {(elsewhere / "missing").string(), elsewhere.Path().string()}) {
        for (const std::string& program : {MORLO_CLI_PATH, MORLO_SIM_PATH, MORLO_DICT_PATH}) {
            std::vector<std::string> args{"--workdir", bad};
            if (program == MORLO_CLI_PATH) {
                args.insert(args.end(), {"--trace", "read", "6041:00"});
            } else if (program == MORLO_SIM_PATH) {
                args.push_back("--serial");
            }
            const Outcome r = RunIn(elsewhere.Path(), home.Path(), program, args);
            EXPECT_NE(r.exit, 0) << program << " " << bad;
            const std::string named = "the working folder " + bad;
            const auto at = r.err.find(named);
            EXPECT_NE(at, std::string::npos) << program << ": " << r.err;
            EXPECT_EQ(r.err.find(named, at + 1), std::string::npos) << program << ": " << r.err;
            EXPECT_EQ(r.err.find("TX"), std::string::npos) << r.err;
        }
    }
}

TEST(InstalledPrograms, JsonLinesCarryKeyNameValueUnitAndRaw) {
    TempFolder scratch;
    const Outcome read = RunIn(MORLO_BUILT_RUNTIME_DIR, scratch.Path(), MORLO_CLI_PATH,
                               {"--json", "read", "2001:01"});
    ASSERT_EQ(read.exit, 0) << read.err;
    const auto lines = JsonLines(read.out);
    ASSERT_EQ(lines.size(), 1u) << read.out;
    EXPECT_EQ(lines[0]["command"], "read");
    EXPECT_EQ(lines[0]["key"], "2001:01");
    EXPECT_FALSE(lines[0]["name"].get<std::string>().empty());
    EXPECT_EQ(lines[0]["unit"], "Hz");
    // The value is the raw number in the unit: raw in 0.1 Hz.
    const double shown = std::stod(lines[0]["value"].get<std::string>());
    EXPECT_DOUBLE_EQ(shown * 10, lines[0]["raw"].get<double>());

    const Outcome info =
        RunIn(MORLO_BUILT_RUNTIME_DIR, scratch.Path(), MORLO_CLI_PATH, {"--json", "info"});
    ASSERT_EQ(info.exit, 0) << info.err;
    const auto infoLines = JsonLines(info.out);
    ASSERT_FALSE(infoLines.empty());
    EXPECT_EQ(infoLines.back()["label"], "statusword");
    EXPECT_TRUE(infoLines.back()["raw"].is_number_integer());

    // A backup and its compare: a line per row with the drive's value, then the totals.
    const std::string backup = (scratch / "drive.cdi").string();
    const Outcome saved = RunIn(MORLO_BUILT_RUNTIME_DIR, scratch.Path(), MORLO_CLI_PATH,
                                {"--json", "backup", "user/all-parameters.cdo", backup});
    ASSERT_EQ(saved.exit, 0) << saved.err;
    const auto savedLines = JsonLines(saved.out);
    ASSERT_GT(savedLines.size(), 100u);
    EXPECT_EQ(savedLines.front()["command"], "backup");
    EXPECT_EQ(savedLines.front()["result"], "True");
    EXPECT_TRUE(savedLines.front().contains("value"));
    EXPECT_EQ(savedLines.back()["result"], "finish");
    EXPECT_EQ(savedLines.back()["total"], savedLines.size() - 1);
    const Outcome compared = RunIn(MORLO_BUILT_RUNTIME_DIR, scratch.Path(), MORLO_CLI_PATH,
                                   {"--json", "compare", backup});
    EXPECT_EQ(compared.exit, 0) << compared.err;
    const auto comparedLines = JsonLines(compared.out);
    ASSERT_EQ(comparedLines.size(), savedLines.size());
    for (std::size_t i = 0; i + 1 < comparedLines.size(); ++i) {
        EXPECT_EQ(comparedLines[i]["key"], savedLines[i]["key"]);
        EXPECT_EQ(comparedLines[i]["file"], comparedLines[i]["value"]);
        EXPECT_EQ(comparedLines[i]["result"], "True");
    }
    EXPECT_EQ(comparedLines.back()["alarms"], 0);

    // Errors stay on stderr with their exit code; stdout holds nothing that is not JSON.
    const Outcome bad = RunIn(MORLO_BUILT_RUNTIME_DIR, scratch.Path(), MORLO_CLI_PATH,
                              {"--json", "write", "6041:00", "1"});
    EXPECT_NE(bad.exit, 0);
    EXPECT_FALSE(bad.err.empty());
    JsonLines(bad.out);
}

}  // namespace
}  // namespace morlo::test
