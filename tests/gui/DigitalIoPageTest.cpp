#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include "CChildFrame.h"
#include "CDataInOut.h"
#include "CFunctionDialog.h"
#include "FunctionWords.h"
#include "PageConstants.h"
#include "PageTestSupport.h"
#include "TipWindow.h"

namespace morlo::gui::test {
namespace {

constexpr ObjectKey kDin1Function = 0x201003;
constexpr ObjectKey kDin8Function = 0x20101D;
constexpr ObjectKey kDout1Function = 0x20100F;
constexpr ObjectKey kDout3Function = 0x201011;

// A name file of our own: A and B for the first two input functions, a few outputs.
void WriteNames(WorkingFolder& f) {
    const auto file = f.Path() / "data" / "DataInOut.ini";
    std::filesystem::remove(file);
    for (const char* section : {"in", "out"}) {
        Profile::WriteString(file, section, "ch0001", "甲");
        Profile::WriteString(file, section, "en0001", "A");
        Profile::WriteString(file, section, "en0002", "B");
        Profile::WriteString(file, section, "en0008", "D");
        Profile::WriteString(file, section, "ch8004", "定位完成");
        Profile::WriteString(file, section, "en8004", "In position");
    }
}

bool SequenceDone(CDataInOut* page) {
    return page->ReadStep() == 0;
}

void Value(CDataInOut* page, ObjectKey key, std::int32_t value) {
    PageProgram::Deliver(page, engine::kMsgValue, value, key);
}

TEST(DigitalIoPage, FunctionWordsShowTheirNamesJoinedAndNumberedInTheTip) {
    PageProgram p(false, WriteNames);
    auto* page = p.Open<CDataInOut>(cmd::kDataInOut);
    ASSERT_NE(page, nullptr);
    const CDataInOut::Channel& din1 = page->ChannelAt(0);
    Value(page, kDin1Function, 0x0003);
    EXPECT_EQ(din1.function->text(), "A+B");
    EXPECT_TRUE(page->Tips()->HasTip(din1.function));
    // A name missing from the file is left out of the text.
    Value(page, kDin1Function, 0x000F);
    EXPECT_EQ(din1.function->text(), "A+B+D");
    Value(page, kDin1Function, 0);
    EXPECT_EQ(din1.function->text(), "");
    EXPECT_FALSE(page->Tips()->HasTip(din1.function));
    // An output word names the output-type functions.
    Value(page, kDout3Function, 0x8004);
    EXPECT_EQ(page->ChannelAt(CDataInOut::OutputChannel(2)).function->text(), "In position");

    // The same word again rebuilds nothing: a text changed meanwhile stays.
    Value(page, kDin1Function, 0x0003);
    din1.function->setText("untouched");
    Value(page, kDin1Function, 0x0003);
    EXPECT_EQ(din1.function->text(), "untouched");
    Value(page, kDin1Function, 0x0002);
    EXPECT_EQ(din1.function->text(), "B");
}

TEST(DigitalIoPage, TheTipListsTheFunctionsNumbered) {
    PageProgram p(false, WriteNames);
    auto* page = p.Open<CDataInOut>(cmd::kDataInOut);
    QLineEdit* din8 = page->ChannelAt(7).function;
    Value(page, kDin8Function, 0x0003);
    page->Tips()->MouseMove(din8->geometry().center());
    EXPECT_EQ(page->Tips()->CurrentControl(), din8);
    EXPECT_FALSE(page->Tips()->ShownBox().isNull());  // two lines always show
    page->Tips()->MouseMove(page->ChannelAt(0).function->geometry().center());
    EXPECT_TRUE(page->Tips()->ShownBox().isNull());  // DIN1 has no functions, no tip
}

TEST(DigitalIoPage, ChineseNamesComeFromTheChineseKeys) {
    PageProgram p(true, WriteNames);
    auto* page = p.Open<CDataInOut>(cmd::kDataInOut);
    Value(page, kDout3Function, 0x8004);
    EXPECT_EQ(page->ChannelAt(CDataInOut::OutputChannel(2)).function->text(), "定位完成");
    Value(page, kDin1Function, 0x0003);
    EXPECT_EQ(page->ChannelAt(0).function->text(), "甲");  // "ch0002" has no name
}

TEST(DigitalIoPage, FlagsAndLampsFollowTheirWords) {
    PageProgram p;
    auto* page = p.Open<CDataInOut>(cmd::kDataInOut);
    Value(page, page::kInputPolarity, 0x0005);
    for (int din = 0; din < 8; ++din) {
        const bool set = din == 0 || din == 2;
        EXPECT_EQ(CDataInOut::IconOf(page->ChannelAt(din).polarity),
                  set ? page::kIconFlagSet : page::kIconFlagClear)
            << din;
        EXPECT_EQ(CDataInOut::IconOf(page->ChannelAt(din).simulation), page::kIconFlagClear);
    }
    Value(page, page::kOutputSimulation, 0x0040);
    EXPECT_EQ(CDataInOut::IconOf(page->ChannelAt(CDataInOut::OutputChannel(6)).simulation),
              page::kIconFlagSet);
    Value(page, page::kVirtualInputStates, 0x0081);
    Value(page, page::kInputStates, 0x0002);
    Value(page, page::kOutputStates, 0x0001);
    EXPECT_EQ(CDataInOut::IconOf(page->ChannelAt(0).virtualLamp), page::kIconLampOn);
    EXPECT_EQ(CDataInOut::IconOf(page->ChannelAt(7).virtualLamp), page::kIconLampOn);
    EXPECT_EQ(CDataInOut::IconOf(page->ChannelAt(0).lamp), page::kIconLampOff);
    EXPECT_EQ(CDataInOut::IconOf(page->ChannelAt(1).lamp), page::kIconLampOn);
    EXPECT_EQ(CDataInOut::IconOf(page->ChannelAt(CDataInOut::OutputChannel(0)).lamp),
              page::kIconLampOn);
    EXPECT_EQ(CDataInOut::IconOf(page->ChannelAt(CDataInOut::OutputChannel(1)).lamp),
              page::kIconLampOff);
}

TEST(DigitalIoPage, ReadsItsTwentyTwoObjectsInOrderThenTogglesAFlagWithATwoByteWrite) {
    PageProgram p;
    ASSERT_TRUE(p.drive->SetValue(page::kInputPolarity, 0x0005));
    p.OpenLink();
    auto* page = p.Open<CDataInOut>(cmd::kDataInOut);
    ASSERT_TRUE(WaitUntil([&] { return SequenceDone(page); }));
    // The sequence's reads in its order (cyclic reads of the states run beside it).
    std::vector<ObjectKey> sequence;
    for (ObjectKey key : p.log->ReadKeys()) {
        const bool state = key == page::kInputStates || key == page::kVirtualInputStates ||
                           key == page::kOutputStates;
        if (!state && IndexOf(key) == 0x2010 &&
            std::find(sequence.begin(), sequence.end(), key) == sequence.end()) {
            sequence.push_back(key);
        }
    }
    std::vector<ObjectKey> expected;
    for (ObjectKey key : page::kDataInOutReadOrder) {
        if (key != page::kInputStates && key != page::kVirtualInputStates &&
            key != page::kOutputStates) {
            expected.push_back(key);
        }
    }
    EXPECT_EQ(sequence, expected);
    EXPECT_EQ(page->ChannelAt(0).function->text(), "Servo enable");
    EXPECT_EQ(page->ChannelAt(CDataInOut::OutputChannel(0)).function->text(), "Servo ready");

    // DIN2's polarity button: 0x0005 becomes 0x0007, written as one 16-bit word.
    QToolButton* din2 = page->ChannelAt(1).polarity;
    ASSERT_TRUE(din2->isEnabled());
    QTest::mouseClick(din2, Qt::LeftButton);
    EXPECT_EQ(CDataInOut::IconOf(din2), page::kIconFlagSet);  // at once
    ASSERT_TRUE(WaitUntil([&] { return p.drive->Value(page::kInputPolarity) == 0x0007; }));
    const auto writes = p.log->WritesTo(page::kInputPolarity);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].command, link::kCmdWrite16);
    EXPECT_EQ(writes[0].value, 0x0007u);
}

TEST(DigitalIoPage, AFlagWordNeverReadIsNotWrittenBack) {
    // The drive refuses the input polarity word: its buttons cannot write guessed bits.
    PageProgram p(false, {}, {page::kInputPolarity});
    auto* page = p.Open<CDataInOut>(cmd::kDataInOut);
    QToolButton* din2 = page->ChannelAt(1).polarity;
    EXPECT_FALSE(din2->isEnabled());  // offline, nothing read yet
    p.OpenLink();
    ASSERT_TRUE(WaitUntil([&] { return SequenceDone(page); }));
    EXPECT_TRUE(page->ChannelAt(1).simulation->isEnabled());
    EXPECT_FALSE(din2->isEnabled());
    din2->click();
    EXPECT_EQ(CDataInOut::IconOf(din2), page::kIconFlagClear);
    EXPECT_TRUE(p.log->WritesTo(page::kInputPolarity).empty());
}

TEST(DigitalIoPage, AMissingObjectDoesNotStopTheSequenceAndARefusedWriteIsReadBack) {
    // A drive without DIN8's function word: the outputs after it are still read.
    PageProgram p(false, {}, {kDin8Function});
    p.OpenLink();
    auto* page = p.Open<CDataInOut>(cmd::kDataInOut);
    ASSERT_TRUE(WaitUntil([&] { return SequenceDone(page); }));
    EXPECT_EQ(page->ChannelAt(7).function->text(), "");
    EXPECT_EQ(page->ChannelAt(CDataInOut::OutputChannel(6)).function->text(), "Homing complete");
    EXPECT_TRUE(page->ChannelAt(CDataInOut::OutputChannel(6)).polarity->isEnabled());

    // An output function for an input: the drive refuses the value, the page reads the word
    // again and keeps showing what the drive holds.
    p.log->Clear();
    page->FunctionChosen(0x8001, kDin1Function);
    ASSERT_TRUE(WaitUntil([&] {
        const auto all = p.log->All();
        return all.size() >= 2 && all[all.size() - 1].command == link::kCmdRead &&
               all[all.size() - 1].key == kDin1Function;
    }));
    ASSERT_EQ(p.log->WritesTo(kDin1Function).size(), 1u);
    EXPECT_EQ(p.drive->Value(kDin1Function), 0x0001);
    EXPECT_EQ(page->ChannelAt(0).function->text(), "Servo enable");
    // ... and says that, and why.
    ASSERT_TRUE(WaitUntil([&] { return !p.program.messages.empty(); }));
    EXPECT_EQ(p.program.messages.back(),
              "DIN1: the drive refused 0x8001: value of parameter written too high (0x06090031)");
}

TEST(DigitalIoPage, ALinkLostMidSequenceStartsItAgainWhenTheLinkReturns) {
    PageProgram p;
    p.OpenLink();
    auto* page = p.Open<CDataInOut>(cmd::kDataInOut);
    ASSERT_TRUE(WaitUntil([&] { return SequenceDone(page); }));
    sim::FaultSettings silent;
    silent.silent = true;
    p.drive->SetFaults(silent);
    p.program.Frame().OpenPage(cmd::kDataInOut);  // command 0: the sequence starts again
    ASSERT_TRUE(WaitUntil(
        [&] { return p.program.Context().Link().LinkState() != engine::kLinkStateOpen; }));
    EXPECT_GT(page->ReadStep(), 0);
    // Offline, a flag press writes nothing and shows nothing new.
    QToolButton* din1 = page->ChannelAt(0).polarity;
    din1->click();
    EXPECT_EQ(CDataInOut::IconOf(din1), page::kIconFlagClear);
    p.drive->SetFaults({});
    ASSERT_TRUE(p.drive->SetValue(kDout1Function, 0x8100));
    p.OpenLink();
    ASSERT_TRUE(WaitUntil([&] { return SequenceDone(page); }));
    EXPECT_EQ(page->ChannelAt(CDataInOut::OutputChannel(0)).function->text(), "Warning");
    EXPECT_TRUE(p.log->WritesTo(page::kInputPolarity).empty());
}

TEST(DigitalIoPage, EachFunctionDialogOffersOnlyItsOwnKindOfFunction) {
    PageProgram p;
    p.OpenLink();
    auto* page = p.Open<CDataInOut>(cmd::kDataInOut);
    ASSERT_TRUE(WaitUntil([&] { return SequenceDone(page); }));
    CFunctionDialog* in = page->InputDialog();
    CFunctionDialog* out = page->OutputDialog();
    // The name file lists both kinds in both sections; each dialog shows its own 15.
    for (auto [dialog, output] : {std::pair{in, false}, std::pair{out, true}}) {
        ASSERT_EQ(dialog->List()->rowCount(), 15);
        for (int row = 0; row < dialog->List()->rowCount(); ++row) {
            EXPECT_EQ((dialog->CodeOfRow(row) & 0x8000) != 0, output) << row;
        }
    }
    EXPECT_EQ(out->CodeOfRow(0), 0x8001);
    EXPECT_EQ(out->List()->item(1, 1)->text(), "2");
    EXPECT_EQ(out->List()->item(1, 2)->text(), "Alarm");

    // "..." of DIN4 (negative limit, 0x0008) shows the dialog with row 3 checked.
    QTest::mouseClick(page->ChannelAt(3).choose, Qt::LeftButton);
    ASSERT_TRUE(in->isVisible());
    for (int row = 0; row < in->List()->rowCount(); ++row) {
        EXPECT_EQ(in->RowChecked(row), row == 3) << row;
    }
    // Rows 1 and 3: 0x000A, written to DIN4's word with a two-byte download.
    in->SetRowChecked(1, true);
    in->OkButton()->click();
    EXPECT_FALSE(in->isVisible());
    ASSERT_TRUE(WaitUntil([&] { return p.drive->Value(0x201006) == 0x000A; }));
    ASSERT_EQ(p.log->WritesTo(0x201006).size(), 1u);
    EXPECT_EQ(p.log->WritesTo(0x201006)[0].command, link::kCmdWrite16);
    EXPECT_EQ(p.log->WritesTo(0x201006)[0].value, 0x000Au);
    ASSERT_TRUE(WaitUntil(
        [&] { return page->ChannelAt(3).function->text() == "Alarm reset+Negative limit"; }));

    // DOUT1 (0x8001): row 0 checked; row 1 alone sends 0x8002.
    QTest::mouseClick(page->ChannelAt(CDataInOut::OutputChannel(0)).choose, Qt::LeftButton);
    ASSERT_TRUE(out->isVisible());
    EXPECT_TRUE(out->RowChecked(0));
    out->SetRowChecked(0, false);
    out->SetRowChecked(1, true);
    out->OkButton()->click();
    ASSERT_TRUE(WaitUntil([&] { return p.drive->Value(kDout1Function) == 0x8002; }));
    EXPECT_TRUE(p.program.messages.empty());  // nothing refused
}

TEST(FunctionWords, CheckedCodesAndTheWordOfAChoice) {
    EXPECT_TRUE(FunctionCodeChecked(0x0005, 0x0004));
    EXPECT_FALSE(FunctionCodeChecked(0x0005, 0x8004));
    EXPECT_TRUE(FunctionCodeChecked(0x8005, 0x8004));
    EXPECT_FALSE(FunctionCodeChecked(0x8005, 0x0004));
    // 0x8000 is an output with no function: nothing is checked.
    for (bool outputs : {false, true}) {
        for (std::uint16_t code : FunctionDialogCodes(outputs)) {
            EXPECT_FALSE(FunctionCodeChecked(0x8000, code)) << code;
        }
    }
    EXPECT_EQ(FunctionWordOfCodes({0x0002, 0x0008}), 0x000A);
    EXPECT_EQ(FunctionWordOfCodes({0x8002}), 0x8002);
    EXPECT_EQ(FunctionWordOfCodes({}), 0);
    EXPECT_EQ(FunctionWordOfCodes({0x0001, 0x8001}), std::nullopt);
}

TEST(DigitalIoPage, PageCommandsStopRestartAndSaveThePlacement) {
    PageProgram p;
    p.OpenLink();
    auto* page = p.Open<CDataInOut>(cmd::kDataInOut);
    ASSERT_TRUE(WaitUntil([&] { return SequenceDone(page); }));
    p.program.Frame().Slot(slot::kDataInOut)->close();  // hidden: command 1
    EXPECT_FALSE(page->Active());
    EXPECT_EQ(page->ReadStep(), 0);
    page->PageNotify(notify::kRefresh);  // not active: nothing
    EXPECT_EQ(page->ReadStep(), 0);
    p.program.Frame().OpenPage(cmd::kDataInOut);  // shown again: command 0
    EXPECT_TRUE(page->Active());
    EXPECT_GT(page->ReadStep(), 0);
    ASSERT_TRUE(WaitUntil([&] { return SequenceDone(page); }));

    const auto project = p.program.Folder().Path() / "user" / "io.ini";
    p.program.Context().Dictionary().SetProjectWritePath(project);
    page->PageNotify(notify::kSaveProject);
    EXPECT_EQ(Profile::ReadString(project, "MorloSero:1", "6", 64).substr(0, 2), "1,");
    EXPECT_TRUE(Profile::ReadString(project, "MorloSero:6", "num", 64).empty());
}

TEST(DigitalIoPage, LampsFollowTheDriveWhileShown) {
    PageProgram p;
    p.OpenLink();
    auto* page = p.Open<CDataInOut>(cmd::kDataInOut);
    ASSERT_TRUE(WaitUntil([&] { return SequenceDone(page); }));
    QLabel* virtualDin2 = page->ChannelAt(1).virtualLamp;
    EXPECT_EQ(CDataInOut::IconOf(virtualDin2), page::kIconLampOff);
    // DIN2 simulated closed: its virtual state lights through the cyclic reads.
    ASSERT_TRUE(p.drive->SetValue(page::kInputSimulation, 0x0002));
    ASSERT_TRUE(p.drive->SetValue(0x201015, 0x0002));
    ASSERT_TRUE(WaitUntil([&] { return CDataInOut::IconOf(virtualDin2) == page::kIconLampOn; }));
    EXPECT_EQ(CDataInOut::IconOf(page->ChannelAt(1).lamp), page::kIconLampOff);  // terminal
}

}  // namespace
}  // namespace morlo::gui::test
