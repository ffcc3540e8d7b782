#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include <QTest>
#include "AppConstants.h"
#include "CExportDrvData.h"
#include "CImportDrvData.h"
#include "CStoreDialog.h"
#include "GuiTestSupport.h"
#include "PageTable.h"
#include "SimulatedDrive.h"
#include "dictionary/DictionarySource.h"
#include "profile/Profile.h"
#include "text/NumberText.h"
#include "transfer/DriveDataFiles.h"
#include "transfer/DriveDataKey.h"
#include "transfer/ParameterList.h"
#include "transfer/TransferConstants.h"

namespace morlo::gui::test {
namespace {

using namespace std::chrono_literals;

// The default backup list as the dictionary and the pages' default lists make it.
std::string ExpectedParameterList() {
    const std::filesystem::path sys = std::filesystem::path(MORLO_SOURCE_RUNTIME_DIR) / "sys";
    std::vector<std::vector<ObjectKey>> pages;
    for (const PageKind& kind : PageKinds()) {
        if (*kind.pageName == '\0') {
            continue;
        }
        const auto file = sys / (std::string(kind.pageName) + ".ini");
        std::vector<ObjectKey> keys;
        const int count = Profile::ReadInt(file, kind.pageName, "num", 32);
        for (int i = 1; i <= count; ++i) {
            keys.push_back(
                ParseHexLoose(Profile::ReadString(file, kind.pageName, std::to_string(i), 32)));
        }
        pages.push_back(std::move(keys));
    }
    ObjectDictionary dictionary;
    dictionary.LoadFile(std::filesystem::path(MORLO_BUILT_RUNTIME_DIR) / "data" / "TARNEX.dat", 2);
    std::vector<DictionaryEntry> entries(static_cast<std::size_t>(dictionary.GetCount()));
    for (int i = 0; i < dictionary.GetCount(); ++i) {
        dictionary.GetAt(i, entries[static_cast<std::size_t>(i)]);
    }
    std::string text;
    for (std::uint32_t key : transfer::BuildParameterList(pages, entries)) {
        text += transfer::DriveDataKeyText(key) + "\r\n";
    }
    return text;
}

TEST(DefaultBackupList, ShipsEveryParameterInPageOrder) {
    const std::string expected = ExpectedParameterList();
    const auto shipped = std::filesystem::path(MORLO_SOURCE_RUNTIME_DIR) / "user" /
                         "all-parameters.cdo";
    if (morlo::test::ReadFile(shipped) != expected) {
        const auto fresh = std::filesystem::path(MORLO_SCREENSHOT_DIR).parent_path() /
                           "all-parameters.cdo";
        morlo::test::WriteFile(fresh, expected);
        FAIL() << shipped << " is not what the dictionary and the pages make; the list they make "
               << "is in " << fresh;
    }
    // The list starts with the first parameter of the first page and holds no commands.
    const auto keys = transfer::ReadObjectList(expected);
    EXPECT_EQ(keys.front(), 0x60600008u);  // modes of operation, on the basic page
    for (std::uint32_t command : {0x60400010u, 0x2FF00108u, 0x2FFF0010u, 0x60FF0020u}) {
        EXPECT_EQ(std::count(keys.begin(), keys.end(), command), 0) << std::hex << command;
    }
    EXPECT_EQ(std::count(keys.begin(), keys.end(), 0x20010110u), 1);
}

}  // namespace
}  // namespace morlo::gui::test
