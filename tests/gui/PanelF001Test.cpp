#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>

#include "CChildFrame.h"
#include "CDrvPanelF001.h"
#include "PageConstants.h"
#include "PageTestSupport.h"

namespace morlo::gui::test {
namespace {

constexpr ObjectKey kVelocityActual = 0x606C00;
constexpr ObjectKey kTorqueActual = 0x607700;
constexpr ObjectKey kModeDisplay = 0x606100;
constexpr ObjectKey kVirtualInputs = 0x20100B;
constexpr ObjectKey kProfileAcceleration = 0x608300;

// A display item file with an unknown object, an empty entry and an item the drive lacks.
void WriteItems(WorkingFolder& f) {
    const auto file = f.Path() / "sys" / "F001.ini";
    std::filesystem::remove(file);
    const char* entries[] = {"606C0000", "7FFF0000", "0", "60830000", "60640000", "",
                             "",         "",         "",  "",         "",         "",
                             "",         "",         "",  "",         "60610000"};
    Profile::WriteString(file, "F001", "num", "17");
    for (int n = 1; n <= 17; ++n) {
        Profile::WriteString(file, "F001", std::to_string(n), entries[n - 1]);
    }
}

void Shows(CDrvPanelF001* page, ObjectKey key, std::int32_t raw, const char* text) {
    PageProgram::Deliver(page, engine::kMsgValue, raw, key);
    EXPECT_EQ(page->ValueField()->text(), text) << std::hex << key << " " << raw;
}

TEST(PanelF001, SignedItemsOfEightAndSixteenBitsShowNegativeValues) {
    PageProgram p;
    auto* page = p.Open<CDrvPanelF001>(cmd::kPanelF001);
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(page->Items()->count(), 16);
    EXPECT_EQ(page->Items()->itemText(3), "Torque actual value(3)");
    EXPECT_EQ(page->ValueField()->text(), "Value...");

    PageProgram::Deliver(page, engine::kMsgValue, 15, page::kDisplayItem);
    EXPECT_EQ(page->Items()->currentIndex(), 15);
    EXPECT_EQ(page->SelectedKey(), kModeDisplay);
    Shows(page, kModeDisplay, 255, "-1");
    Shows(page, kModeDisplay, 128, "-128");
    Shows(page, kModeDisplay, 127, "127");
    // A value of another object is not what the display shows.
    Shows(page, kTorqueActual, 5, "127");

    PageProgram::Deliver(page, engine::kMsgValue, 3, page::kDisplayItem);
    Shows(page, kTorqueActual, 0x8000, "-32768");
    Shows(page, kTorqueActual, 0x7FFF, "32767");
    PageProgram::Deliver(page, engine::kMsgValue, 8, page::kDisplayItem);  // U16
    Shows(page, kVirtualInputs, 255, "255");
    Shows(page, kVirtualInputs, 0xFFFF, "65535");
    PageProgram::Deliver(page, engine::kMsgValue, 0, page::kDisplayItem);  // I32
    Shows(page, kVelocityActual, -5, "-5");
}

TEST(PanelF001, ChoosingTheFourthEntryWritesThreeInOneByte) {
    PageProgram p;
    p.OpenLink();
    auto* page = p.Open<CDrvPanelF001>(cmd::kPanelF001);
    ASSERT_TRUE(WaitUntil([&] { return page->SelectedKey() == kVelocityActual; }));
    ASSERT_TRUE(WaitUntil([&] { return page->ValueField()->text() != "Value..."; }));
    emit page->Items()->activated(3);
    ASSERT_TRUE(WaitUntil([&] { return p.drive->Value(page::kDisplayItem) == 3; }));
    const auto writes = p.log->WritesTo(page::kDisplayItem);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].command, link::kCmdWrite8);
    EXPECT_EQ(writes[0].value, 3u);
    ASSERT_TRUE(WaitUntil([&] { return page->SelectedKey() == kTorqueActual; }));
    EXPECT_EQ(page->Items()->currentIndex(), 3);
    // The torque is read cyclically from now on, the velocity no more.
    p.log->Clear();
    ASSERT_TRUE(WaitUntil([&] {
        const auto reads = p.log->ReadKeys();
        return std::count(reads.begin(), reads.end(), kTorqueActual) >= 2;
    }));
    const auto reads = p.log->ReadKeys();
    EXPECT_EQ(std::count(reads.begin(), reads.end(), kVelocityActual), 0);
}

TEST(PanelF001, EntriesKeepTheDrivesItemNumbersWhenSomeAreLeftOut) {
    PageProgram p(false, WriteItems);
    p.OpenLink();
    auto* page = p.Open<CDrvPanelF001>(cmd::kPanelF001);
    ASSERT_EQ(page->Items()->count(), 4);
    EXPECT_EQ(page->Items()->itemText(1), "Profile acceleration(3)");
    EXPECT_EQ(page->Items()->itemText(3), "Modes of operation display(16)");
    ASSERT_TRUE(WaitUntil([&] { return page->SelectedKey() == kVelocityActual; }));

    // The second entry is the drive's item 3.
    emit page->Items()->activated(1);
    ASSERT_TRUE(WaitUntil([&] { return p.drive->Value(page::kDisplayItem) == 3; }));
    ASSERT_TRUE(WaitUntil([&] { return page->SelectedKey() == kProfileAcceleration; }));
    Shows(page, kProfileAcceleration, -1, "4294967295");  // U32

    // Item 16 is beyond what the drive offers: refused, the list shows the drive's item again.
    emit page->Items()->activated(3);
    ASSERT_TRUE(WaitUntil([&] { return !p.log->WritesTo(page::kDisplayItem).empty(); }));
    ASSERT_TRUE(WaitUntil([&] { return page->Items()->currentIndex() == 1; }));
    EXPECT_EQ(p.drive->Value(page::kDisplayItem), 3);
    EXPECT_EQ(page->SelectedKey(), kProfileAcceleration);
}

TEST(PanelF001, OfflineChoicesChangeNothingAndCommandsFollowThePage) {
    PageProgram p;
    auto* page = p.Open<CDrvPanelF001>(cmd::kPanelF001);
    emit page->Items()->activated(2);
    EXPECT_EQ(page->Items()->currentIndex(), -1);  // nothing written, nothing known
    EXPECT_EQ(page->SelectedKey(), 0);

    p.OpenLink();  // command 2 reads the item again
    ASSERT_TRUE(WaitUntil([&] { return page->SelectedKey() == kVelocityActual; }));
    p.program.Frame().Slot(slot::kPanelF001)->close();
    EXPECT_FALSE(page->Active());
    p.program.Frame().OpenPage(cmd::kPanelF001);
    EXPECT_TRUE(page->Active());

    const auto project = p.program.Folder().Path() / "user" / "f001.ini";
    p.program.Context().Dictionary().SetProjectWritePath(project);
    page->PageNotify(notify::kSaveProject);
    EXPECT_EQ(Profile::ReadString(project, "MorloSero:1", "39", 64).substr(0, 2), "1,");
}

}  // namespace
}  // namespace morlo::gui::test
