// The program started with files that are directories, unreadable, empty, cut short or
// random: it names the problem once and goes on with what it has.

#include <gtest/gtest.h>

#include <QRadioButton>
#include <functional>

#include "AppConstants.h"
#include "CChildFrame.h"
#include "EditListCtrl.h"
#include "GuiTestSupport.h"
#include "LanguageDialog.h"
#include "ParameterPage.h"
#include "ProjectFile.h"
#include "UnreadableFile.h"
#include "profile/Profile.h"

namespace morlo::gui::test {
namespace {

using namespace std::chrono_literals;
using morlo::test::MakeFailingRead;
using morlo::test::WriteFile;

constexpr int kBasicOperateSlot = 2;
constexpr int kPositionLoopSlot = 3;
constexpr int kDatabaseRecordSize = 4510;
const std::filesystem::path kFixtures = std::filesystem::path(MORLO_TEST_DATA_DIR) / "files";

using Breaker = std::function<void(const std::filesystem::path&)>;

void MakeDirectory(const std::filesystem::path& path) {
    std::filesystem::remove(path);
    std::filesystem::create_directories(path / "inner");
}

void CopyFixture(const char* name, const std::filesystem::path& to) {
    std::filesystem::copy_file(kFixtures / name, to,
                               std::filesystem::copy_options::overwrite_existing);
}

// Runs the dictionary load to its end and delivers the message it posted, if any.
void SettleDictionary(RunningProgram& program) {
    ASSERT_TRUE(program.Context().Dictionary().WaitUntilLoaded(10s));
    QCoreApplication::processEvents();
}

TEST(BrokenFiles, SysIniThatCannotBeReadGivesTheDefaults) {
    const std::pair<const char*, Breaker> breakers[] = {
        {"directory", MakeDirectory},
        {"failing read", [](const auto& p) { MakeFailingRead(p); }},
    };
    for (const auto& [name, brk] : breakers) {
        for (const bool chineseSystem : {true, false}) {
            SCOPED_TRACE(std::string(name) + (chineseSystem ? ", Chinese system" : ""));
            RunningProgram program(chineseSystem, [&](WorkingFolder& f) { brk(f.SysIni()); });
            ASSERT_TRUE(program.Settled());
            SettleDictionary(program);
            ASSERT_EQ(program.messages.size(), 1u);
            EXPECT_TRUE(program.messages[0].contains("sys.ini"));
            EXPECT_TRUE(program.messages[0].endsWith("The default settings are used. \n"));
            // The system's language, offline; the objects load in that language.
            EXPECT_EQ(program.Context().language.load(),
                      chineseSystem ? kLanguageChinese : kLanguageEnglish);
            EXPECT_EQ(program.Context().linkType, 0);
            DictionaryEntry entry;
            ASSERT_TRUE(program.Context().Dictionary().FindByKey(0x604100, entry));
            EXPECT_EQ(entry.name == "Statusword", !chineseSystem);
            program.Frame().OpenPage(cmd::kBaseOperate);
            EXPECT_NE(program.Frame().PageOf(kBasicOperateSlot), nullptr);
            EXPECT_EQ(program.messages.size(), 1u);
        }
    }
}

// The language dialog cannot save into a sys.ini that is a directory: it says so, and the
// directory stays as it was.
TEST(BrokenFiles, ASettingThatCannotBeSavedIsReported) {
    RunningProgram program(true, [](WorkingFolder& f) { MakeDirectory(f.SysIni()); });
    ASSERT_TRUE(program.Settled());
    CLanguageDialog dialog(program.Context());
    dialog.EnglishButton()->setChecked(true);
    dialog.Confirm();
    ASSERT_EQ(program.messages.size(), 2u);  // the start-up one, then this
    EXPECT_TRUE(program.messages[1].endsWith("cannot be written!! The setting was not saved. \n"));
    EXPECT_TRUE(std::filesystem::is_directory(program.Folder().SysIni() / "inner"));
}

TEST(BrokenFiles, DatabaseProblemsAreShownOnceAndWhatLoadedStays) {
    struct Case {
        const char* name;
        Breaker brk;
        int objectsLeft;
    };
    const Case cases[] = {
        {"directory", MakeDirectory, 0},
        {"failing read", [](const auto& p) { MakeFailingRead(p); }, 0},
        {"empty", [](const auto& p) { WriteFile(p, ""); }, 0},
        {"truncated",
         [](const auto& p) { std::filesystem::resize_file(p, 5 * kDatabaseRecordSize + 77); }, 5},
        {"random",
         [](const auto& p) {
             std::filesystem::copy_file(kFixtures / "project-random.ksp", p,
                                        std::filesystem::copy_options::overwrite_existing);
         },
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunningProgram program(false,
                               [&](WorkingFolder& f) { c.brk(f.Path() / "data" / "TARNEX.dat"); });
        ASSERT_TRUE(program.Settled());
        SettleDictionary(program);
        EXPECT_EQ(program.messages, std::vector<QString>{"Couldn't load DB file!! \n"});
        EXPECT_EQ(program.Context().Dictionary().GetCount(), c.objectsLeft);
        // Pages open with what there is.
        program.Frame().OpenPage(cmd::kBaseOperate);
        auto* page = qobject_cast<ParameterPage*>(program.Frame().PageOf(kBasicOperateSlot));
        ASSERT_NE(page, nullptr);
        if (c.objectsLeft > 0) {
            DictionaryEntry first;
            ASSERT_TRUE(program.Context().Dictionary().GetAt(0, first));
            DictionaryEntry found;
            EXPECT_TRUE(program.Context().Dictionary().FindByKey(first.key, found));
        }
        EXPECT_EQ(program.messages.size(), 1u);
    }
}

TEST(BrokenFiles, PageListProblemsAreShownOnceWhenThePageOpens) {
    struct Case {
        const char* name;
        Breaker brk;
        const char* message;
        int rows;
    };
    const Case cases[] = {
        {"directory", MakeDirectory, "is a directory", 0},
        {"failing read", [](const auto& p) { MakeFailingRead(p); }, "cannot be read", 0},
        {"empty", [](const auto& p) { WriteFile(p, ""); }, "holds no object list", 0},
        {"random", [](const auto& p) { CopyFixture("pagelist-foreign.ini", p); },
         "holds no object list", 0},
        {"truncated", [](const auto& p) { CopyFixture("pagelist-truncated.ini", p); },
         "names 4 objects, but 1 of the entries are missing", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunningProgram program(
            false, [&](WorkingFolder& f) { c.brk(f.Path() / "sys" / "BasicOperate.ini"); });
        ASSERT_TRUE(program.Settled());
        SettleDictionary(program);
        EXPECT_TRUE(program.messages.empty());
        program.Frame().OpenPage(cmd::kBaseOperate);
        auto* page = qobject_cast<ParameterPage*>(program.Frame().PageOf(kBasicOperateSlot));
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->List()->RowCount(), c.rows);
        ASSERT_EQ(program.messages.size(), 1u);
        EXPECT_TRUE(program.messages[0].contains(c.message)) << program.messages[0].toStdString();
        EXPECT_TRUE(program.messages[0].contains("BasicOperate.ini"));
        // Hidden and shown again: no second message. Other pages are not touched.
        program.Frame().Slot(kBasicOperateSlot)->close();
        program.Frame().OpenPage(cmd::kBaseOperate);
        program.Frame().OpenPage(cmd::kPositionLoop);
        EXPECT_EQ(program.messages.size(), 1u);
    }
}

TEST(BrokenFiles, AFunctionNameFileThatCannotBeReadIsNamedWhenTheIoPageOpens) {
    const std::pair<const char*, Breaker> cases[] = {
        {"is a directory", MakeDirectory},
        {"cannot be read", [](const auto& p) { MakeFailingRead(p); }},
    };
    for (const auto& [message, brk] : cases) {
        SCOPED_TRACE(message);
        RunningProgram program(false,
                               [&](WorkingFolder& f) { brk(f.Path() / "data" / "DataInOut.ini"); });
        ASSERT_TRUE(program.Settled());
        SettleDictionary(program);
        program.Frame().OpenPage(cmd::kDataInOut);
        ASSERT_EQ(program.messages.size(), 1u);
        EXPECT_TRUE(program.messages[0].contains(message)) << program.messages[0].toStdString();
        EXPECT_TRUE(program.messages[0].contains("DataInOut.ini"));
        EXPECT_TRUE(program.messages[0].contains("by their codes only"));
    }
}

TEST(BrokenFiles, ProjectsThatCannotBeOpenedChangeNothing) {
    struct Case {
        const char* name;
        Breaker brk;
        const char* message;
    };
    const Case cases[] = {
        {"directory", MakeDirectory, "is a directory"},
        {"failing read", [](const auto& p) { MakeFailingRead(p); }, "cannot be read"},
        {"missing", [](const auto& p) { std::filesystem::remove(p); }, "does not exist"},
        {"empty", [](const auto& p) { CopyFixture("project-empty.ksp", p); }, "is no project file"},
        {"random", [](const auto& p) { CopyFixture("project-random.ksp", p); },
         "is no project file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunningProgram program;
        ASSERT_TRUE(program.Settled());
        SettleDictionary(program);
        const std::filesystem::path file = program.Folder().Path() / "user" / "broken.ksp";
        c.brk(file);
        program.Frame().OpenPage(cmd::kPositionLoop);
        CChildFrame* open = program.Frame().Slot(kPositionLoopSlot);
        ASSERT_NE(open, nullptr);
        program.Context().fileChooser = [&](bool, const QString&, const QString&, const QString&) {
            return QString::fromStdString(file.string());
        };
        EXPECT_FALSE(OpenProject(program.Frame(), program.Context()));
        ASSERT_EQ(program.messages.size(), 1u);
        EXPECT_TRUE(program.messages[0].contains(c.message)) << program.messages[0].toStdString();
        EXPECT_TRUE(program.messages[0].endsWith("The project was not opened. \n"));
        EXPECT_FALSE(open->isHidden());  // nothing was hidden
        EXPECT_TRUE(program.Context().projectStamp.isEmpty());
        EXPECT_TRUE(program.Context().Dictionary().ProjectReadPath().empty());
    }
}

// A good project and the same cut short, side by side: the cut one still restores its page,
// reports the rows it lost once, and the page falls back to its default list.
TEST(BrokenFiles, ATruncatedProjectRestoresWhatItHolds) {
    for (const char* name : {"project-good.ksp", "project-truncated.ksp"}) {
        SCOPED_TRACE(name);
        RunningProgram program;
        ASSERT_TRUE(program.Settled());
        SettleDictionary(program);
        const std::filesystem::path file = program.Folder().Path() / "user" / name;
        CopyFixture(name, file);
        program.Context().fileChooser = [&](bool, const QString&, const QString&, const QString&) {
            return QString::fromStdString(file.string());
        };
        ASSERT_TRUE(OpenProject(program.Frame(), program.Context()));
        auto* page = qobject_cast<ParameterPage*>(program.Frame().PageOf(kPositionLoopSlot));
        ASSERT_NE(page, nullptr);
        if (std::string(name) == "project-good.ksp") {
            EXPECT_TRUE(program.messages.empty());
            ASSERT_EQ(page->List()->RowCount(), 3);
            EXPECT_EQ(page->List()->Text(0, kColumnValue), "400");
        } else {
            ASSERT_EQ(program.messages.size(), 1u);
            EXPECT_TRUE(program.messages[0].startsWith("PositionLoop: project rows 0"));
            EXPECT_EQ(page->List()->RowCount(),
                      Profile::ReadInt(program.Folder().Path() / "sys" / "PositionLoop.ini",
                                       "PositionLoop", "num", 32));
        }
    }
}

// Saving onto a directory reports the failure and leaves the directory as it was.
TEST(BrokenFiles, SavingAProjectOntoADirectoryIsRefused) {
    RunningProgram program;
    ASSERT_TRUE(program.Settled());
    SettleDictionary(program);
    program.Frame().OpenPage(cmd::kPositionLoop);
    const std::filesystem::path dir = program.Folder().Path() / "user" / "plant.ksp";
    std::filesystem::create_directories(dir / "inner");
    program.Context().fileChooser = [&](bool, const QString&, const QString&, const QString&) {
        return QString::fromStdString(dir.string());
    };
    EXPECT_FALSE(SaveProject(program.Frame(), program.Context()));
    EXPECT_EQ(program.messages, std::vector<QString>{kMsgProjectSaveFailed});
    EXPECT_TRUE(std::filesystem::is_directory(dir / "inner"));

    // The pages cannot write their part (here its temporary name is taken by a directory):
    // the old project stays whole and nothing takes its name.
    const std::filesystem::path old = program.Folder().Path() / "user" / "old.ksp";
    WriteFile(old, "[MorloSero:1]\n3=1,0,0\n");
    std::filesystem::create_directories(program.Folder().Path() / "user" / "old.ksp.tmp" / "x");
    program.Context().fileChooser = [&](bool, const QString&, const QString&, const QString&) {
        return QString::fromStdString(old.string());
    };
    EXPECT_FALSE(SaveProject(program.Frame(), program.Context()));
    EXPECT_EQ(program.messages.size(), 2u);
    EXPECT_EQ(morlo::test::ReadFile(old), "[MorloSero:1]\n3=1,0,0\n");
    EXPECT_TRUE(std::filesystem::is_directory(program.Folder().Path() / "user" / "old.ksp.tmp"));
}

}  // namespace
}  // namespace morlo::gui::test
