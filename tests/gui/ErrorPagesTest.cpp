#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QTableWidget>
#include <QTest>

#include "CChildFrame.h"
#include "CDrvPanelF007.h"
#include "CRealtimeError.h"
#include "ErrorBitLabels.h"
#include "PageConstants.h"
#include "PageTestSupport.h"

namespace morlo::gui::test {
namespace {

ObjectKey LogKey(int record, int sub) {
    return MakeObjectKey(0x2610 + record, sub);
}

// ---- real-time errors ----

TEST(RealtimeErrorPage, StateWordLightsItsLampsAndMaskWordChecksItsBoxes) {
    PageProgram p;
    auto* page = p.Open<CRealtimeError>(cmd::kRealtimeError);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Box(2)->text(), "0004");
    EXPECT_EQ(page->Box(15)->text(), "8000");
    EXPECT_EQ(page->Label(9)->text(), "Following error too large");
    PageProgram::Deliver(page, engine::kMsgValue, 0x0021, page::kErrorState);
    for (int bit = 0; bit < 16; ++bit) {
        const bool lit = bit == 0 || bit == 5;
        EXPECT_EQ(page->LampIcon(bit), lit ? page::kIconLampFault : page::kIconLampOn) << bit;
    }
    PageProgram::Deliver(page, engine::kMsgValue, 0x00F0, page::kErrorMask);
    EXPECT_EQ(page->MaskValue(), 0x00F0);
    for (int bit = 0; bit < 16; ++bit) {
        EXPECT_EQ(page->Box(bit)->isChecked(), bit >= 4 && bit < 8) << bit;
    }
    // Other keys change nothing.
    PageProgram::Deliver(page, engine::kMsgValue, 0xFFFF, 0x260200);
    EXPECT_EQ(page->LampIcon(1), page::kIconLampOn);
}

TEST(RealtimeErrorPage, StartUpReadsThenUncheckingABoxWritesTheMaskInTwoBytes) {
    PageProgram p;
    p.OpenLink();
    auto* page = p.Open<CRealtimeError>(cmd::kRealtimeError);
    ASSERT_TRUE(WaitUntil([&] { return page->ReadStep() == 0; }));
    const std::vector<ObjectKey> reads = p.log->ReadKeys();
    const auto mask = std::find(reads.begin(), reads.end(), page::kErrorMask);
    ASSERT_NE(mask, reads.end());
    EXPECT_NE(std::find(mask, reads.end(), page::kErrorState), reads.end());
    EXPECT_EQ(page->MaskValue(), 0xFFFF);

    QTest::mouseClick(page->Box(2), Qt::LeftButton);
    EXPECT_FALSE(page->Box(2)->isChecked());  // the user's choice at once
    EXPECT_EQ(page->PendingMask(), 0xFFFB);
    ASSERT_TRUE(WaitUntil([&] { return p.drive->Value(page::kErrorMask) == 0xFFFB; }));
    const auto writes = p.log->WritesTo(page::kErrorMask);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].command, link::kCmdWrite16);
    EXPECT_EQ(writes[0].value, 0xFFFBu);
    ASSERT_TRUE(WaitUntil([&] { return page->MaskValue() == 0xFFFB; }));

    // A second click before the drive's answer to the first was seen: the second write holds
    // both changes (the order the link serves them in is the link's business).
    p.log->Clear();
    page->Box(3)->click();
    page->Box(4)->click();
    ASSERT_TRUE(WaitUntil([&] { return p.log->WritesTo(page::kErrorMask).size() == 2; }));
    std::vector<std::uint32_t> values;
    for (const SentRequest& write : p.log->WritesTo(page::kErrorMask)) {
        values.push_back(write.value);
    }
    std::sort(values.begin(), values.end());
    EXPECT_EQ(values, (std::vector<std::uint32_t>{0xFFE3, 0xFFF3}));
}

TEST(RealtimeErrorPage, BoxesWaitForTheDrivesMaskAndLampsFollowTheDrive) {
    PageProgram p;
    auto* page = p.Open<CRealtimeError>(cmd::kRealtimeError);
    for (int bit = 0; bit < 16; ++bit) {
        EXPECT_TRUE(page->Box(bit)->isChecked());
        EXPECT_FALSE(page->Box(bit)->isEnabled());  // no mask read yet: no guessed writes
    }
    // Offline the start-up reads are dropped; the cyclic reads finish them once it opens.
    EXPECT_EQ(page->ReadStep(), 2);
    p.OpenLink();
    ASSERT_TRUE(WaitUntil([&] { return page->ReadStep() == 0 && page->Box(0)->isEnabled(); }));
    p.drive->InjectError(11);
    ASSERT_TRUE(WaitUntil([&] { return page->LampIcon(11) == page::kIconLampFault; }));
    // Hidden, the page keeps its cyclic reads (it has no page commands).
    p.program.Frame().Slot(slot::kRealtimeError)->close();
    p.drive->ClearErrors();
    ASSERT_TRUE(WaitUntil([&] { return page->LampIcon(11) == page::kIconLampOn; }));
}

TEST(RealtimeErrorPage, LampsMoveOnAScreenOtherThanNinetySixDotsPerInch) {
    for (int dpi : {96, 120}) {
        PageProgram p;
        p.program.Context().dpiX = dpi;
        auto* page = p.Open<CRealtimeError>(cmd::kRealtimeError);
        for (int bit : {0, 5, 15}) {
            EXPECT_EQ(page->Lamp(bit)->geometry(), CRealtimeError::LampRect(bit, dpi));
        }
    }
    EXPECT_EQ(CRealtimeError::LampRect(0, 120), QRect(86, 16, 35, 35));
    EXPECT_EQ(CRealtimeError::LampRect(4, 120), QRect(86, 166, 35, 35));
    EXPECT_EQ(CRealtimeError::LampRect(15, 120), QRect(86, 580, 35, 35));
    EXPECT_NE(CRealtimeError::LampRect(5, 96), CRealtimeError::LampRect(5, 120));
}

// ---- the error log ----

bool Done(CDrvPanelF007* page) {
    return !page->Running();
}

std::vector<QString> Column(CDrvPanelF007* page, int column) {
    std::vector<QString> texts;
    for (int row = 0; row < page->List()->rowCount(); ++row) {
        texts.push_back(page->Text(row, column));
    }
    return texts;
}

TEST(ErrorLogPage, RecordsNewestFirstByTheirHiddenTimesWithTheTextsOfTheirBits) {
    PageProgram p;
    const int times[] = {5, 9, 7};
    const int codes[] = {0x0200, 0x0010, 0x0820};
    for (int r = 0; r < 3; ++r) {
        p.drive->SetValue(LogKey(r, 7), times[r]);
        p.drive->SetValue(LogKey(r, 1), codes[r]);
    }
    p.OpenLink();
    auto* page = p.Open<CDrvPanelF007>(cmd::kPanelF007);
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return Done(page); }));
    ASSERT_EQ(page->List()->rowCount(), 8);
    // Sixteen reads, time before code, record by record.
    std::vector<ObjectKey> expected;
    for (int r = 0; r < 8; ++r) {
        expected.push_back(LogKey(r, 7));
        expected.push_back(LogKey(r, 1));
    }
    std::vector<ObjectKey> reads = p.log->ReadKeys();
    std::erase_if(reads,
                  [](ObjectKey key) { return IndexOf(key) < 0x2610 || IndexOf(key) > 0x2617; });
    EXPECT_EQ(reads, expected);
    const auto time = Column(page, CDrvPanelF007::kColumnTime);
    EXPECT_EQ(std::vector<QString>(time.begin(), time.begin() + 3),
              (std::vector<QString>{"9", "7", "5"}));
    const auto record = Column(page, CDrvPanelF007::kColumnRecord);
    EXPECT_EQ(std::vector<QString>(record.begin(), record.begin() + 3),
              (std::vector<QString>{"1", "2", "0"}));
    EXPECT_EQ(page->Text(0, CDrvPanelF007::kColumnCode), "10");
    EXPECT_EQ(page->Text(1, CDrvPanelF007::kColumnCode), "820");
    EXPECT_EQ(page->Text(0, CDrvPanelF007::kColumnText), "Drive over-temperature");
    EXPECT_EQ(page->Text(1, CDrvPanelF007::kColumnText), "Bus over-voltage (400 V)+I2*T fault");
    EXPECT_EQ(page->Text(2, CDrvPanelF007::kColumnText), "Following error too large");
    EXPECT_EQ(page->Text(7, CDrvPanelF007::kColumnText), "");  // an empty record
    EXPECT_TRUE(page->List()->isColumnHidden(CDrvPanelF007::kColumnTime));
    // The newest error is highlighted, not the last row read.
    EXPECT_EQ(page->List()->currentRow(), 0);
    ASSERT_EQ(page->List()->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(page->List()->selectionModel()->selectedRows().front().row(), 0);
}

TEST(ErrorLogPage, ARefusedRecordIsLeftOutAndTheRestStillSorted) {
    PageProgram p(false, {}, {LogKey(1, 1), LogKey(2, 7)});
    p.drive->SetValue(LogKey(0, 7), 3);
    p.drive->SetValue(LogKey(2, 1), 0x0001);
    p.drive->SetValue(LogKey(3, 7), 8);
    p.OpenLink();
    auto* page = p.Open<CDrvPanelF007>(cmd::kPanelF007);
    ASSERT_TRUE(WaitUntil([&] { return Done(page); }));
    ASSERT_EQ(page->List()->rowCount(), 7);  // record 1 has no code
    const auto record = Column(page, CDrvPanelF007::kColumnRecord);
    EXPECT_EQ(record[0], "3");
    EXPECT_EQ(record[1], "0");
    EXPECT_EQ(record.back(), "2");  // no time: counted as the earliest
    EXPECT_EQ(page->Text(6, CDrvPanelF007::kColumnTime), "");
}

TEST(ErrorLogPage, CommandsRestartTheSequenceAndLateAnswersAreIgnored) {
    PageProgram p;
    auto* page = p.Open<CDrvPanelF007>(cmd::kPanelF007);
    EXPECT_EQ(page->List()->rowCount(), 0);  // offline: the first read was dropped
    EXPECT_TRUE(page->Active());
    PageProgram::Deliver(page, engine::kMsgValue, 0x0200, LogKey(3, 1));  // not waited for
    EXPECT_EQ(page->List()->rowCount(), 0);
    p.OpenLink();  // command 2 to every page
    ASSERT_TRUE(WaitUntil([&] { return Done(page); }));
    EXPECT_EQ(page->List()->rowCount(), 8);
    page->PageNotify(notify::kHidden);
    EXPECT_FALSE(page->Active());
    page->PageNotify(notify::kRefresh);  // not active: stays
    EXPECT_EQ(page->List()->rowCount(), 8);
    p.drive->InjectError(7);
    p.program.Frame().OpenPage(cmd::kPanelF007);  // command 0
    EXPECT_TRUE(page->Active());
    ASSERT_TRUE(WaitUntil([&] { return Done(page); }));
    EXPECT_EQ(page->Text(0, CDrvPanelF007::kColumnCode), "80");
}

TEST(ErrorLogPage, ALinkLostMidSequenceStartsAgainWhenItReturns) {
    PageProgram p;
    p.drive->SetValue(LogKey(4, 1), 0x0040);
    p.drive->SetValue(LogKey(4, 7), 50);
    p.OpenLink();
    auto* page = p.Open<CDrvPanelF007>(cmd::kPanelF007);
    ASSERT_TRUE(WaitUntil([&] { return Done(page); }));
    sim::FaultSettings silent;
    silent.silent = true;
    p.drive->SetFaults(silent);
    p.program.Frame().OpenPage(cmd::kPanelF007);  // command 0: the sequence starts again
    ASSERT_TRUE(WaitUntil(
        [&] { return p.program.Context().Link().LinkState() != engine::kLinkStateOpen; }));
    EXPECT_TRUE(page->Running());
    p.drive->SetFaults({});
    p.OpenLink();
    ASSERT_TRUE(WaitUntil([&] { return Done(page); }));
    EXPECT_EQ(page->List()->rowCount(), 8);
    EXPECT_EQ(page->Text(0, CDrvPanelF007::kColumnCode), "40");
}

TEST(RealtimeErrorPage, OfflineClicksWriteNothingAndKeepTheDrivesMask) {
    PageProgram p;
    auto* page = p.Open<CRealtimeError>(cmd::kRealtimeError);
    PageProgram::Deliver(page, engine::kMsgValue, 0xFFFF, page::kErrorMask);
    ASSERT_TRUE(page->Box(2)->isEnabled());
    page->Box(2)->click();
    EXPECT_TRUE(page->Box(2)->isChecked());
    EXPECT_TRUE(p.log->All().empty());
}

TEST(ErrorLogPage, OrderIsASelectionSortOnTheDecimalTimes) {
    EXPECT_EQ(ErrorLogOrder({"5", "9", "7"}), (std::vector<int>{1, 2, 0}));
    EXPECT_EQ(ErrorLogOrder({"10", "9", "100"}), (std::vector<int>{2, 0, 1}));  // not text order
    EXPECT_EQ(ErrorLogOrder({"", "1", "x"}), (std::vector<int>{1, 0, 2}));
    EXPECT_EQ(ErrorLogOrder({"4294967295", "0"}), (std::vector<int>{0, 1}));
    EXPECT_TRUE(ErrorLogOrder({}).empty());
}

TEST(ErrorBitLabels, CodesNameTheirBits) {
    PageProgram english;
    EXPECT_EQ(ErrorCodeText(0), "");
    EXPECT_EQ(ErrorCodeText(0x8001), "Drive internal error+EEPROM internal error");
    EXPECT_EQ(ErrorBitLabel(16), "");
}

}  // namespace
}  // namespace morlo::gui::test
