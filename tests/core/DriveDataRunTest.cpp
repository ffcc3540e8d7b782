#include <gtest/gtest.h>

#include "TempFolder.h"
#include "dictionary/DictionarySource.h"
#include "engine/EngineConstants.h"
#include "link/LinkConstants.h"
#include "transfer/DriveDataRun.h"
#include "transfer/TransferConstants.h"

namespace morlo::transfer {
namespace {

using namespace std::chrono_literals;

constexpr ObjectKey kOffset = MakeObjectKey(0x3000, 0x01);  // I16
constexpr ObjectKey kGain = MakeObjectKey(0x3000, 0x02);    // U16
constexpr ObjectKey kLimit = MakeObjectKey(0x3000, 0x04);   // U32
constexpr ObjectKey kUnknown = MakeObjectKey(0x4000, 0x01);

SourceObject Object(int index, int sub, std::string name, std::string type) {
    SourceObject o;
    o.index = index;
    o.subIndex = sub;
    o.nameChinese = name;
    o.nameEnglish = std::move(name);
    o.dataType = std::move(type);
    o.access = "RW";
    o.helpChinese = "-";
    o.helpEnglish = "-";
    return o;
}

struct Request {
    std::uint8_t command;
    ObjectKey key;
    std::int32_t value;
    bool operator==(const Request&) const = default;
};

class FakeLink : public TransferLink {
  public:
    bool IsOpen() const override { return open; }
    void Submit(std::uint8_t command, ObjectKey key, std::int32_t value) override {
        requests.push_back({command, key, value});
    }
    void SetCyclicReads(bool on) override { cyclicReads = on; }
    void SetSendRetry(bool on) override { sendRetry = on; }
    bool SendRetry() const override { return sendRetry; }
    void SegmentData(std::array<std::uint8_t, link::kSegmentDataBytes>& data, int& count,
                     bool& last) override {
        std::copy_n(segment.begin(), data.size(), data.begin());
        count = segmentCount;
        last = segmentLast;
    }
    std::optional<std::uint32_t> TakeWriteRefusal() override {
        auto taken = refusal;
        refusal.reset();
        return taken;
    }
    bool open = true;
    bool cyclicReads = true;
    bool sendRetry = true;
    std::optional<std::uint32_t> refusal;
    std::vector<Request> requests;
    // The segment answer the run reads next.
    std::array<std::uint8_t, link::kSegmentDataBytes> segment{};
    int segmentCount = 0;
    bool segmentLast = true;
};

class FakeTimer : public TransferTimer {
  public:
    void Start(std::chrono::milliseconds delay) override { pending = delay; }
    void Stop() override { pending.reset(); }
    std::optional<std::chrono::milliseconds> pending;
};

class Recorder : public TransferEvents {
  public:
    void RowChanged(int row) override { changed.push_back(row); }
    void RowsStarted(RunKind kind) override { started.push_back(kind); }
    void RunFinished(RunKind, const RunCounts& c, bool noAnswer) override {
        finished.push_back(c);
        unanswered = noAnswer;
    }
    void StoreFinished(StoreOutcome outcome) override { stores.push_back(outcome); }
    std::vector<int> changed;
    std::vector<RunKind> started;
    std::vector<RunCounts> finished;
    bool unanswered = false;
    std::vector<StoreOutcome> stores;
};

class DriveDataRunTest : public ::testing::Test {
  protected:
    DriveDataRunTest() {
        std::string bytes;
        for (const auto& o :
             {Object(0x3000, 1, "Offset", "I16"), Object(0x3000, 2, "Gain", "U16"),
              Object(0x3000, 3, "Label", "VISIBLE STRING"), Object(0x3000, 4, "Limit", "U32")}) {
            bytes += EncodeDatabaseRecord(o);
        }
        test::WriteFile(folder / "TARNEX.dat", bytes);
        dictionary.LoadFile(folder / "TARNEX.dat", 2);
    }
    const std::vector<TransferRow>& Rows() const { return run.Rows(); }
    Request Last() const { return link.requests.back(); }
    // Fires the pending timer call.
    void Fire() {
        ASSERT_TRUE(timer.pending);
        timer.pending.reset();
        run.OnTimer();
    }

    test::TempFolder folder;
    ObjectDictionary dictionary;
    FakeLink link;
    FakeTimer timer;
    Recorder events;
    DriveDataRun run{dictionary, link, timer, events};
};

TEST_F(DriveDataRunTest, BackupShowsValuesByTypeAndMarksRowsItCannotAsk) {
    run.SetObjectList(ReadObjectList("30000110\n30000210\n40000110\n30000308\n40000218\n\n"));
    ASSERT_EQ(Rows().size(), 6u);
    EXPECT_EQ(Rows()[0].name, "Offset");
    EXPECT_EQ(Rows()[2].name, "? ? ? ?");
    EXPECT_EQ(Rows()[5].keyText, "00000000");

    ASSERT_EQ(run.Start(RunKind::Backup), StartResult::Started);
    EXPECT_FALSE(link.cyclicReads);
    EXPECT_EQ(Last(), (Request{link::kCmdRead, kOffset, 0}));
    run.OnValue(kOffset, 0xFFFE);
    EXPECT_EQ(Last(), (Request{link::kCmdRead, kGain, 0}));
    run.OnValue(kGain, 0xFFFE);
    run.OnAbort(kUnknown, 0x06020000);
    ASSERT_FALSE(run.Busy());  // the rest could not be asked

    EXPECT_EQ(link.requests.size(), 3u);
    EXPECT_EQ(Rows()[0].value, "-2");
    EXPECT_EQ(Rows()[1].value, "65534");
    EXPECT_EQ(Rows()[2].value, "0x06020000");
    EXPECT_EQ(Rows()[2].result, RowResult::Fail);
    for (int i : {3, 4, 5}) {
        EXPECT_EQ(Rows()[i].result, RowResult::Fail) << i;
        EXPECT_EQ(Rows()[i].note, RowNote::BadSize) << i;
    }
    EXPECT_TRUE(link.cyclicReads);
    ASSERT_EQ(events.finished.size(), 1u);
    EXPECT_EQ(FinishText(RunKind::Backup, events.finished[0]), "Finish: Total:6  Error:4 ");
    EXPECT_FALSE(timer.pending);
}

// A plain device may send numbers in segments; a segment lost twice costs only its row.
TEST_F(DriveDataRunTest, NumbersInSegmentsAreReadThroughAndALostOneSkipsItsRow) {
    using engine::Delivery;
    const auto deliver = [&](int message, ObjectKey key, std::int32_t w = 0) {
        run.OnResult(Delivery{1, message, w, static_cast<std::int32_t>(key)});
    };
    const auto segment = [&](std::vector<std::uint8_t> bytes, bool last) {
        link.segment = {};
        std::copy(bytes.begin(), bytes.end(), link.segment.begin());
        link.segmentCount = static_cast<int>(bytes.size());
        link.segmentLast = last;
        deliver(engine::kMsgSegment, 0);
    };
    run.SetObjectList(ReadObjectList("30000110\n30000420\n30000210\n30000110\n"));
    ASSERT_EQ(run.Start(RunKind::Backup), StartResult::Started);

    // Two bytes, one segment: the I16 value, never the announced size.
    deliver(engine::kMsgUploadStart, kOffset, 2);
    EXPECT_EQ(Last(), (Request{link::kCmdSegment, kOffset, 0}));
    segment({0x9C, 0xFF}, true);
    EXPECT_EQ(Rows()[0].value, "-100");
    EXPECT_EQ(Last(), (Request{link::kCmdRead, kLimit, 0}));

    // Seven bytes are no number: the upload is aborted and the row marked.
    deliver(engine::kMsgUploadStart, kLimit, 9);
    segment({1, 2, 3, 4, 5, 6, 7}, false);
    EXPECT_EQ(link.requests[link.requests.size() - 2],
              (Request{link::kCmdAbort, kLimit, 0x06070012}));
    EXPECT_EQ(Rows()[1].note, RowNote::UnreadableValue);
    EXPECT_EQ(Last(), (Request{link::kCmdRead, kGain, 0}));

    // The link lost a segment of this row twice: no answer for it, and the run goes on.
    deliver(engine::kMsgUploadStart, kGain, 4);
    deliver(engine::kMsgLinkFault, kGain);
    EXPECT_EQ(Rows()[2].note, RowNote::NoAnswer);
    EXPECT_EQ(Last(), (Request{link::kCmdRead, kOffset, 0}));
    segment({0x05, 0x00}, true);  // a late segment of the given-up upload changes nothing
    EXPECT_EQ(Rows()[3].result, RowResult::None);
    deliver(engine::kMsgValue, kOffset, 7);
    ASSERT_FALSE(run.Busy());
    EXPECT_EQ(Rows()[3].value, "7");
    EXPECT_EQ(FinishText(RunKind::Backup, events.finished.at(0)), "Finish: Total:4  Error:2 ");
}

TEST_F(DriveDataRunTest, AnObjectOutsideTheDictionarySavesByTheKeySize) {
    run.SetObjectList({0x40000110});
    run.Start(RunKind::Backup);
    run.OnValue(kUnknown, 5);
    EXPECT_EQ(WriteDriveDataText(Rows()), "40000110,0x0005,True\r\n");
}

TEST_F(DriveDataRunTest, AnswersOutsideARunNeverStartOrAdvanceOne) {
    run.SetObjectList({0x30000110, 0x30000210});
    run.OnValue(kOffset, 1);  // before any run
    EXPECT_TRUE(events.changed.empty());
    EXPECT_TRUE(link.requests.empty());

    run.Start(RunKind::Backup);
    run.OnValue(kGain, 7);  // not the row asked
    run.OnValue(kRestartKey, 0xAA55);
    EXPECT_EQ(Rows()[0].result, RowResult::None);
    EXPECT_EQ(Rows()[1].result, RowResult::None);
    run.OnValue(kOffset, 1);
    run.OnValue(kGain, 2);
    ASSERT_FALSE(run.Busy());
    const auto changes = events.changed.size();
    run.OnValue(kGain, 3);  // a late answer
    run.OnAbort(kGain, 0x06020000);
    run.OnTimer();
    EXPECT_EQ(events.changed.size(), changes);
    EXPECT_EQ(Rows()[1].value, "2");
    EXPECT_EQ(events.finished.size(), 1u);
}

TEST_F(DriveDataRunTest, NothingRunsWithTheLinkClosed) {
    link.open = false;
    run.SetObjectList({0x30000110});
    EXPECT_EQ(run.Start(RunKind::Backup), StartResult::LinkClosed);
    EXPECT_FALSE(link.cyclicReads);  // switched off first, as the page does
    EXPECT_EQ(run.StartStore(), StartResult::LinkClosed);
    EXPECT_EQ(run.Restart(), StartResult::LinkClosed);
    EXPECT_TRUE(link.requests.empty());
    EXPECT_FALSE(run.Busy());
}

TEST_F(DriveDataRunTest, RestoreWritesStrictValuesAndComparesWhatTheDriveReports) {
    link.sendRetry = false;
    run.SetDriveData({{"30000110", "-2"},
                      {"40000110", "0x0005"},
                      {"30000210", "70000"},
                      {"30000210", ""},
                      {"30000210", "abc"},
                      {"30000120", "5"},
                      {"30000210", "12"}});
    ASSERT_EQ(run.Start(RunKind::Restore), StartResult::Started);
    EXPECT_TRUE(link.sendRetry);
    EXPECT_EQ(Last(), (Request{link::kCmdWrite16, kOffset, 0xFFFE}));
    run.OnValue(kOffset, static_cast<std::int32_t>(0xFFFFFFFE));
    EXPECT_EQ(Last(), (Request{link::kCmdWrite16, kUnknown, 5}));
    run.OnValue(kUnknown, 5);
    EXPECT_EQ(Last(), (Request{link::kCmdWrite16, kGain, 12}));
    run.OnValue(kGain, 11);  // the drive holds something else
    ASSERT_FALSE(run.Busy());
    EXPECT_EQ(link.requests.size(), 3u);

    EXPECT_EQ(Rows()[0].value, "-2");
    EXPECT_EQ(Rows()[0].result, RowResult::True);
    EXPECT_EQ(Rows()[1].value, "0x0005");
    EXPECT_EQ(Rows()[1].result, RowResult::True);
    EXPECT_EQ(Rows()[2].note, RowNote::OutOfRange);
    EXPECT_EQ(Rows()[3].note, RowNote::EmptyValue);
    EXPECT_EQ(Rows()[4].note, RowNote::UnreadableValue);
    EXPECT_EQ(Rows()[5].note, RowNote::BadSize);  // the key's size is not the object's
    EXPECT_EQ(Rows()[6].value, "11");
    EXPECT_EQ(Rows()[6].result, RowResult::Alarm);
    EXPECT_EQ(FinishText(RunKind::Restore, events.finished.at(0)),
              "Finish: Total:7  Alarm:1  Error:4");
}

TEST_F(DriveDataRunTest, CompareReadsOnlyAndMarksDifferences) {
    run.SetDriveData({{"30000110", "-2"}, {"30000210", "100"}});
    run.Start(RunKind::Compare);
    EXPECT_EQ(Last(), (Request{link::kCmdRead, kOffset, 0}));
    run.OnValue(kOffset, 0xFFFE);
    EXPECT_EQ(Last(), (Request{link::kCmdRead, kGain, 0}));
    run.OnValue(kGain, 101);
    EXPECT_EQ(Rows()[0].result, RowResult::True);
    EXPECT_EQ(Rows()[1].result, RowResult::Alarm);
    EXPECT_EQ(Rows()[1].value, "101");
    EXPECT_EQ(events.finished.at(0).alarms, 1);
}

TEST_F(DriveDataRunTest, AnUnansweredRequestEndsTheRunAndMarksTheRowsLeft) {
    run.SetObjectList({0x30000110, 0x30000210, 0x30000420});
    run.Start(RunKind::Backup);
    run.OnValue(kOffset, 3);
    EXPECT_EQ(timer.pending, kAnswerLimit);
    Fire();
    EXPECT_FALSE(run.Busy());
    EXPECT_TRUE(events.unanswered);
    EXPECT_EQ(Rows()[0].result, RowResult::True);
    EXPECT_EQ(Rows()[1].note, RowNote::NoAnswer);
    EXPECT_EQ(Rows()[2].note, RowNote::NoAnswer);
    EXPECT_EQ(events.finished.at(0).errors, 2);
    EXPECT_TRUE(link.cyclicReads);

    // A link failure reported by the face ends it the same way.
    run.Start(RunKind::Backup);
    run.OnLinkLost();
    EXPECT_FALSE(run.Busy());
    EXPECT_EQ(events.finished.at(1).errors, 3);
}

TEST_F(DriveDataRunTest, StoreWritesMotorThenControlParametersOnTimers) {
    ASSERT_EQ(run.StartStore(), StartResult::Started);
    EXPECT_TRUE(run.Storing());
    EXPECT_TRUE(link.requests.empty());  // nothing before the first wait
    EXPECT_EQ(timer.pending, kStoreFirstWait);
    Fire();
    EXPECT_EQ(Last(), (Request{link::kCmdWrite8, kStoreMotorKey, 1}));
    run.OnValue(kStoreControlKey, 1);  // not the answer waited for
    EXPECT_EQ(timer.pending, kAnswerLimit);
    run.OnValue(kStoreMotorKey, 1);
    EXPECT_EQ(timer.pending, kStoreSecondWait);
    EXPECT_EQ(link.requests.size(), 1u);
    EXPECT_EQ(run.Start(RunKind::Backup), StartResult::Busy);
    Fire();
    EXPECT_EQ(Last(), (Request{link::kCmdWrite8, kStoreControlKey, 1}));
    run.OnValue(kStoreControlKey, 1);
    EXPECT_EQ(timer.pending, kStoreFinalWait);
    EXPECT_TRUE(events.stores.empty());
    Fire();
    EXPECT_EQ(events.stores, std::vector<StoreOutcome>{StoreOutcome::Done});
    EXPECT_FALSE(run.Busy());
    EXPECT_EQ(link.requests.size(), 2u);
}

TEST_F(DriveDataRunTest, ARefusedOrUnansweredStoreIsNotReportedAsDone) {
    run.StartStore();
    Fire();
    run.OnAbort(kStoreMotorKey, 0x08000020);
    EXPECT_EQ(timer.pending, kStoreFinalWait);  // the refusal ends the sequence
    Fire();
    EXPECT_EQ(events.stores.back(), StoreOutcome::Refused);
    EXPECT_EQ(link.requests.size(), 1u);

    run.StartStore();
    Fire();
    Fire();  // no answer in time
    EXPECT_EQ(events.stores.back(), StoreOutcome::NoAnswer);

    // A refusal the link saw, answered with a read of the object.
    run.StartStore();
    Fire();
    run.OnValue(kStoreMotorKey, 1);
    Fire();
    link.refusal = 0x08000020;
    run.OnValue(kStoreControlKey, 0);
    Fire();
    EXPECT_EQ(events.stores.back(), StoreOutcome::Refused);
}

TEST_F(DriveDataRunTest, VerifyWaitsForTheRestartedDrive) {
    run.SetDriveData({{"30000308", "x"}, {"30000210", "100"}});
    ASSERT_EQ(run.Restart(), StartResult::Started);
    EXPECT_FALSE(link.sendRetry);
    EXPECT_EQ(Last(), (Request{link::kCmdWrite16, kRestartKey, 0xAA55}));
    run.OnValue(kRestartKey, 0xAA55);  // an answer to the restart starts nothing
    EXPECT_FALSE(run.Busy());

    ASSERT_EQ(run.Start(RunKind::Verify), StartResult::Started);
    EXPECT_EQ(link.requests.size(), 1u);  // the restart goes out first
    Fire();
    EXPECT_EQ(Last(), (Request{link::kCmdRead, kGain, 0}));  // the first row that can be asked
    EXPECT_TRUE(events.started.empty());
    Fire();  // the drive is still silent: ask again
    EXPECT_EQ(link.requests.size(), 3u);
    EXPECT_FALSE(link.sendRetry);
    run.OnValue(kGain, 100);
    EXPECT_TRUE(link.sendRetry);
    EXPECT_EQ(events.started, std::vector<RunKind>{RunKind::Verify});
    EXPECT_EQ(Last(), (Request{link::kCmdRead, kGain, 0}));
    run.OnValue(kGain, 100);
    EXPECT_EQ(Rows()[0].note, RowNote::BadSize);
    EXPECT_EQ(Rows()[1].result, RowResult::True);

    // A drive that never comes back ends the verify as unanswered.
    link.sendRetry = false;
    run.Start(RunKind::Verify);
    const auto asked = link.requests.size();
    for (int i = 0; i < 100 && run.Busy(); ++i) {
        Fire();
    }
    EXPECT_EQ(link.requests.size() - asked, kDriveBackLimit / kProbeInterval + 1);
    EXPECT_FALSE(run.Busy());
    EXPECT_TRUE(events.unanswered);
    EXPECT_EQ(Rows()[1].note, RowNote::NoAnswer);
}

TEST_F(DriveDataRunTest, RowsStayWhileARunIsInProgress) {
    run.SetObjectList({0x30000110});
    run.Start(RunKind::Backup);
    EXPECT_FALSE(run.SetObjectList({0x30000210, 0x30000110}));
    EXPECT_FALSE(run.SetDriveData({}));
    EXPECT_EQ(Rows().size(), 1u);
    EXPECT_EQ(run.Restart(), StartResult::Busy);
}

}  // namespace
}  // namespace morlo::transfer
