// morloservo-cli in a working folder whose files are broken: a clear message, no crash, and
// an exit code that tells what happened.

#include <gtest/gtest.h>

#include <functional>

#include "ChildProcess.h"
#include "TempFolder.h"
#include "UnreadableFile.h"

namespace morlo::test {
namespace {

using namespace std::chrono_literals;

constexpr int kExitNoDatabase = 2;
constexpr int kDatabaseRecordSize = 4510;

// A copy of the built working folder that a test may break.
class BrokenFolder {
  public:
    BrokenFolder() {
        const std::filesystem::path built = MORLO_BUILT_RUNTIME_DIR;
        for (const char* sub : {"sys", "data"}) {
            std::filesystem::copy(built / sub, folder_.Path() / sub,
                                  std::filesystem::copy_options::recursive);
        }
    }
    std::filesystem::path operator/(std::string_view name) const { return folder_ / name; }
    std::filesystem::path Database() const { return folder_ / "data/TARNEX.dat"; }

    struct Result {
        int exit;
        std::string out;
        std::string err;
    };
    Result Run(const std::vector<std::string>& args) const {
        ChildProcess cli(MORLO_CLI_PATH, args, folder_.Path().string());
        EXPECT_TRUE(cli.Started());
        EXPECT_TRUE(cli.Wait(20s)) << "morloservo-cli did not end";
        return {cli.ExitCode(), cli.Output(), cli.Errors()};
    }

  private:
    TempFolder folder_;
};

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos;
         at = text.find(part, at + part.size())) {
        ++n;
    }
    return n;
}

// Every way a database can be unusable ends the tool with exit 2 and one line that says why,
// before any frame is sent.
TEST(CliFiles, UnusableDatabaseEndsWithExit2AndTheReason) {
    struct Case {
        const char* name;
        std::function<void(const std::filesystem::path&)> make;
        const char* reason;
    };
    const Case cases[] = {
        {"directory",
         [](const auto& p) {
             std::filesystem::remove(p);
             std::filesystem::create_directories(p);
         },
         "is a directory"},
        {"failing read", [](const auto& p) { MakeFailingRead(p); }, "cannot be read"},
        {"empty", [](const auto& p) { WriteFile(p, ""); }, "no object in it"},
        {"truncated",
         [](const auto& p) { std::filesystem::resize_file(p, 3 * kDatabaseRecordSize + 1000); },
         "no whole number of 4510-byte records"},
        {"random",
         [](const auto& p) {
             std::string bytes;
             std::uint32_t x = 12345;
             for (int i = 0; i < 7777; ++i) {
                 x = x * 1103515245u + 12345u;
                 bytes += static_cast<char>(x >> 24);
             }
             WriteFile(p, bytes);
         },
         "no whole number of 4510-byte records"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BrokenFolder folder;
        c.make(folder.Database());
        const auto r = folder.Run({"--trace", "info"});
        EXPECT_EQ(r.exit, kExitNoDatabase) << r.err;
        EXPECT_EQ(Count(r.err, "cannot use the object database"), 1u) << r.err;
        EXPECT_NE(r.err.find(c.reason), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("TX"), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
}

// A sys.ini that cannot be read is named once; the tool goes on with the defaults.
TEST(CliFiles, BrokenSysIniIsReportedAndTheToolGoesOn) {
    for (const bool directory : {true, false}) {
        SCOPED_TRACE(directory ? "directory" : "failing read");
        BrokenFolder folder;
        const auto sysIni = folder / "sys/sys.ini";
        if (directory) {
            std::filesystem::remove(sysIni);
            std::filesystem::create_directories(sysIni);
        } else {
            ASSERT_TRUE(MakeFailingRead(sysIni));
        }
        const auto r = folder.Run({"read", "6041:00", "--unit", "HEX"});
        EXPECT_EQ(r.exit, 0) << r.err;
        EXPECT_EQ(Count(r.err, "sys.ini"), 1u) << r.err;
        EXPECT_NE(r.err.find("the default settings are used"), std::string::npos) << r.err;
        EXPECT_FALSE(r.out.empty());
    }
}

}  // namespace
}  // namespace morlo::test
