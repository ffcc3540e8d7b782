#include <gtest/gtest.h>

#include <QLocale>
#include <QMenuBar>
#include <QMimeDatabase>
#include <QRadioButton>

#include "AppConstants.h"
#include "GuiTestSupport.h"
#include "LanguageDialog.h"
#include "profile/Profile.h"

namespace morlo::gui::test {
namespace {

void SetLang(WorkingFolder& folder, const char* lang) {
    Profile::WriteString(folder.SysIni(), "sys", "lang", lang);
}

TEST(Startup, ChineseSystemFollowsSysIni) {
    RunningProgram chinese(true, [](WorkingFolder& f) { SetLang(f, "1"); });
    ASSERT_TRUE(chinese.Settled());
    EXPECT_EQ(chinese.Context().language.load(), kLanguageChinese);
    EXPECT_EQ(chinese.Context().columnCaption[0], QString::fromUtf8("名称"));
    EXPECT_EQ(chinese.Frame().menuBar()->actions().first()->text(), QString::fromUtf8("文件(&F)"));

    RunningProgram english(true, [](WorkingFolder& f) { SetLang(f, "2"); });
    ASSERT_TRUE(english.Settled());
    EXPECT_EQ(english.Context().language.load(), kLanguageEnglish);
    EXPECT_EQ(english.Context().columnCaption[2], "unit");
    EXPECT_EQ(english.Frame().menuBar()->actions().first()->text(), "&File");
}

TEST(Startup, WithoutChineseGlyphsTheProgramIsEnglishWhateverSysIniSays) {
    RunningProgram program(false, [](WorkingFolder& f) { SetLang(f, "1"); });
    ASSERT_TRUE(program.Settled());
    EXPECT_EQ(program.Context().language.load(), kLanguageEnglish);
    EXPECT_EQ(program.Context().columnCaption[1], "data");
    // The dictionary loads in the same language.
    ASSERT_TRUE(program.Context().Dictionary().WaitUntilLoaded(std::chrono::seconds(10)));
    DictionaryEntry entry;
    ASSERT_TRUE(program.Context().Dictionary().FindByKey(0x604100, entry));
    EXPECT_EQ(entry.name, "Statusword");
}

TEST(Startup, LanguageOutsideTheChoicesLeavesCaptionsUnset) {
    RunningProgram program(true, [](WorkingFolder& f) { SetLang(f, "7"); });
    ASSERT_TRUE(program.Settled());
    EXPECT_FALSE(program.Context().captionsSet);
    EXPECT_EQ(program.Context().columnWidth[0], 0);
}

TEST(Startup, AMissingEnglishTranslationEndsTheProgram) {
    RunningProgram program(
        false, [](WorkingFolder& f) { std::filesystem::remove(f.Path() / "data" / "EN.qm"); });
    EXPECT_FALSE(program.Settled());
    ASSERT_EQ(program.messages.size(), 1u);
    EXPECT_EQ(program.messages[0], "Load EN.dll resource failure!\n  System exit!\n");
}

TEST(Startup, ColumnWidthsFollowTheResolution) {
    EXPECT_EQ(AppContext::ColumnWidthsFor(96), (std::array<int, 5>{257, 115, 105, 244, 48}));
    EXPECT_EQ(AppContext::ColumnWidthsFor(120), (std::array<int, 5>{321, 144, 132, 306, 60}));
}

TEST(Startup, NonNumericLinkTypeIsOffline) {
    RunningProgram program(
        false, [](WorkingFolder& f) { Profile::WriteString(f.SysIni(), "sys", "comm", "x"); });
    EXPECT_EQ(program.Context().linkType, 0);
    program.Frame().RunCommand(cmd::kToolLink);
    ASSERT_FALSE(program.messages.empty());
    EXPECT_EQ(program.messages.back(), "The connecting mode is Offline!!");
    EXPECT_NE(program.Context().Link().LinkState(), engine::kLinkStateOpen);
    program.Frame().RunCommand(cmd::kLinkSettings);
    EXPECT_EQ(program.messages.back(), "The connecting mode is Offline!!");
}

TEST(Startup, ChineseIsOfferedUnderACLocaleWhenAChineseFontIsInstalled) {
    // The tests run under LANG=C.UTF-8; fonts-noto-cjk (scripts/setup) gives the glyphs.
    ASSERT_NE(QLocale::system().name(), "zh_CN");
    ASSERT_TRUE(ChineseFontInstalled());
    RunningProgram program(std::nullopt, [](WorkingFolder& f) { SetLang(f, "1"); });
    ASSERT_TRUE(program.Settled());
    EXPECT_EQ(program.Context().systemChinese, kSystemChinese);
    EXPECT_EQ(program.Context().language.load(), kLanguageChinese);
    EXPECT_EQ(program.Frame().menuBar()->actions().first()->text(), QString::fromUtf8("文件(&F)"));
    // The language dialog keeps the choice and takes it again.
    CLanguageDialog dialog(program.Context());
    EXPECT_EQ(Profile::ReadString(program.Folder().SysIni(), "sys", "lang", 4), "1");
    EXPECT_TRUE(dialog.ChineseButton()->isChecked());
    dialog.Confirm();
    EXPECT_TRUE(program.messages.empty());
    EXPECT_EQ(Profile::ReadString(program.Folder().SysIni(), "sys", "lang", 4), "1");
}

TEST(Startup, QtsOwnTextsFollowTheProgramsLanguage) {
    {
        RunningProgram chinese(true, [](WorkingFolder& f) { SetLang(f, "1"); });
        // File dialogs, message box buttons and context menus: Qt's Chinese translation.
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"),
                  QString::fromUtf8("取消"));
        EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"),
                  QString::fromUtf8("查找范围："));
        EXPECT_EQ(QLocale().language(), QLocale::Chinese);
    }
    RunningProgram english(true, [](WorkingFolder& f) { SetLang(f, "2"); });
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Cancel");
    // File types are named in English, whatever the system's locale.
    EXPECT_EQ(QLocale().language(), QLocale::English);
    EXPECT_EQ(QMimeDatabase().mimeTypeForName("text/plain").comment(), "plain text document");
}

TEST(LanguageDialog, RewritesEnglishWhereChineseCannotBeShown) {
    RunningProgram program(false, [](WorkingFolder& f) { SetLang(f, "1"); });
    CLanguageDialog dialog(program.Context());
    EXPECT_EQ(Profile::ReadString(program.Folder().SysIni(), "sys", "lang", 4), "2");
    EXPECT_TRUE(dialog.EnglishButton()->isChecked());
    dialog.ChineseButton()->setChecked(true);
    dialog.Confirm();
    EXPECT_EQ(program.messages.back().left(20), "Your computer OS doe");
    EXPECT_TRUE(dialog.EnglishButton()->isChecked());
    EXPECT_FALSE(dialog.ChineseButton()->isChecked());
}

TEST(LanguageDialog, WritesTheChoiceOnAChineseSystem) {
    RunningProgram program(true, [](WorkingFolder& f) { SetLang(f, "1"); });
    CLanguageDialog dialog(program.Context());
    EXPECT_TRUE(dialog.ChineseButton()->isChecked());
    dialog.EnglishButton()->setChecked(true);
    dialog.Confirm();
    EXPECT_EQ(Profile::ReadString(program.Folder().SysIni(), "sys", "lang", 4), "2");
    EXPECT_EQ(program.Context().language.load(), kLanguageChinese);  // only after a restart
}

}  // namespace
}  // namespace morlo::gui::test
