#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "TempFolder.h"
#include "UnreadableFile.h"
#include "profile/FileAccess.h"
#include "profile/Profile.h"
#include "text/Encoding.h"

namespace morlo {
namespace {

using test::ReadFile;
using test::TempFolder;
using test::WriteFile;

TEST(FileAccess, EveryKindOfPathGivesAResult) {
    TempFolder folder;
    WriteFile(folder / "good.ini", "[sys]\nlang=2\n");
    FileContents good = ReadWholeFile(folder / "good.ini");
    EXPECT_EQ(good.problem, FileProblem::None);
    EXPECT_EQ(good.bytes, "[sys]\nlang=2\n");

    EXPECT_EQ(ReadWholeFile(folder / "none.ini").problem, FileProblem::Missing);
    std::filesystem::create_directories(folder / "dir.ini");
    EXPECT_EQ(ReadWholeFile(folder / "dir.ini").problem, FileProblem::NotAFile);
#ifndef _WIN32  // Windows file systems hold no FIFOs
    ASSERT_EQ(mkfifo((folder / "fifo.ini").c_str(), 0600), 0);
    EXPECT_EQ(ReadWholeFile(folder / "fifo.ini").problem, FileProblem::NotAFile);  // no hang
#endif
    ASSERT_TRUE(test::MakeFailingRead(folder / "eio.ini"));
    FileContents failing = ReadWholeFile(folder / "eio.ini");
    EXPECT_EQ(failing.problem, FileProblem::Unreadable);
    EXPECT_TRUE(failing.bytes.empty());
    EXPECT_EQ(CheckReadable(folder / "dir.ini"), FileProblem::NotAFile);
    EXPECT_EQ(CheckReadable(folder / "good.ini"), FileProblem::None);

    WriteFile(folder / "locked.ini", "x");
    if (test::MakePermissionless(folder / "locked.ini")) {
        EXPECT_EQ(ReadWholeFile(folder / "locked.ini").problem, FileProblem::Unreadable);
        EXPECT_EQ(CheckReadable(folder / "locked.ini"), FileProblem::Unreadable);
    }
    EXPECT_NE(DescribeFileProblem(folder / "dir.ini", FileProblem::NotAFile).find("dir.ini"),
              std::string::npos);
    // Messages name a path in UTF-8, whatever the system's own encoding of paths.
    const std::filesystem::path chinese = folder.Path() / u8"参数" / u8"驱动器.ini";
    const std::string named = PathUtf8(std::filesystem::path(u8"参数") / u8"驱动器.ini");
    EXPECT_NE(DescribeFileProblem(chinese, FileProblem::Missing).find(named), std::string::npos);
    EXPECT_EQ(ReadWholeFile(chinese).problem, FileProblem::Missing);
}

// A settings file that is a directory or fails to read behaves as an empty one, and a write
// never replaces what could not be read.
TEST(FileAccess, ProfileReadsBrokenFilesAsEmptyAndKeepsThem) {
    TempFolder folder;
    const auto dir = folder / "sys.ini";
    std::filesystem::create_directories(dir / "inner");
    EXPECT_EQ(Profile::ReadString(dir, "sys", "lang", 4), "");
    EXPECT_EQ(Profile::ReadInt(dir, "sys", "comm", 4), 0);
    EXPECT_TRUE(Profile::ReadSection(dir, "sys").empty());
    EXPECT_EQ(Profile::Problem(dir), FileProblem::NotAFile);
    EXPECT_FALSE(Profile::WriteString(dir, "sys", "lang", "1"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "inner"));
    EXPECT_FALSE(std::filesystem::exists(folder / "sys.ini.tmp"));

    const auto failing = folder / "failing.ini";
    ASSERT_TRUE(test::MakeFailingRead(failing));
    EXPECT_EQ(Profile::ReadString(failing, "sys", "lang", 4, ProfileEncoding::Utf16Le), "");
    EXPECT_EQ(Profile::Problem(failing), FileProblem::Unreadable);  // it opens, but no read works
    EXPECT_FALSE(Profile::WriteString(failing, "sys", "lang", "1"));
    EXPECT_EQ(Profile::Problem(failing), FileProblem::Unreadable);  // not replaced

    const auto locked = folder / "locked.ini";
    WriteFile(locked, "[sys]\nlang=1\ncomm=2\n");
    if (test::MakePermissionless(locked)) {
        EXPECT_FALSE(Profile::WriteString(locked, "sys", "lang", "2"));
        std::filesystem::permissions(locked, std::filesystem::perms::owner_read |
                                                 std::filesystem::perms::owner_write);
        EXPECT_EQ(ReadFile(locked), "[sys]\nlang=1\ncomm=2\n");
    }
}

TEST(FileAccess, SectionNamesInFileOrder) {
    TempFolder folder;
    const auto file = folder / "p.ksp";
    WriteFile(file, "junk\n[MorloSero:1]\n2=1,0,0\n[ MorloSero:3 ]\nnum=0\n[broken\n");
    EXPECT_EQ(Profile::SectionNames(file),
              (std::vector<std::string>{"MorloSero:1", "MorloSero:3"}));
    EXPECT_TRUE(Profile::SectionNames(folder / "none").empty());
}

}  // namespace
}  // namespace morlo
