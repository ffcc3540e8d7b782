#include <gtest/gtest.h>

#include "TempFolder.h"
#include "dictionary/DictionarySource.h"
#include "engine/EngineConstants.h"
#include "link/LinkConstants.h"
#include "link/SdoFrame.h"
#include "transfer/DriveDataKey.h"
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
    bool open = true;
    bool cyclicReads = true;
    bool sendRetry = true;
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
    void CommandFinished(DriveCommand command, const CommandResult& result) override {
        commands.push_back(command);
        stores.push_back(result.outcome);
        results.push_back(result);
    }
    void IdentityRead(const DriveIdentity& read, bool noAnswer) override {
        identity = read;
        identityUnanswered = noAnswer;
    }
    void DriveBack(bool back) override { driveBack = back; }
    std::vector<int> changed;
    std::vector<RunKind> started;
    std::vector<RunCounts> finished;
    bool unanswered = false;
    std::vector<StoreOutcome> stores;
    std::vector<DriveCommand> commands;
    std::vector<CommandResult> results;
    std::optional<DriveIdentity> identity;
    bool identityUnanswered = false;
    std::optional<bool> driveBack;
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
    // The drive's answers as the link hands them over.
    void Value(ObjectKey key, std::uint32_t value, int bits = 0, std::uint32_t refusal = 0) {
        engine::Delivery d{1, engine::kMsgValue, static_cast<std::int32_t>(value),
                           static_cast<std::int32_t>(key)};
        d.dataBits = bits;
        d.writeRefusal = refusal;
        run.OnResult(d);
    }
    void Abort(ObjectKey key, std::uint32_t code) {
        run.OnResult({1, engine::kMsgAbort, static_cast<std::int32_t>(code),
                      static_cast<std::int32_t>(key)});
    }
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
    Value(kOffset, 0xFFFE);
    EXPECT_EQ(Last(), (Request{link::kCmdRead, kGain, 0}));
    Value(kGain, 0xFFFE);
    Abort(kUnknown, 0x06020000);
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

// Objects outside the dictionary, listed narrower than the drive answers: the whole value is
// saved, compared and never "True"; the write of the listed size is refused and is "Fail".
TEST_F(DriveDataRunTest, UnknownObjectsOfEverySizeAgainstADriveAnsweringWider) {
    struct Case {
        const char* key;
        std::uint32_t held;  // what the drive holds
        int heldBits;
        const char* fileValue;  // what the list's size makes of it
        const char* backup;     // the backup's line
    };
    const Case cases[] = {
        {"40000108", 0x1234, 16, "0x34", "40000108,0x1234,Alarm\r\n"},
        {"40000108", 0x00000034, 32, "0x34", "40000108,0x34,Alarm\r\n"},
        {"40000110", 0xFFFFFFFE, 32, "0xfffe", "40000110,0xfffffffe,Alarm\r\n"},
        {"40000110", 0x00005634, 32, "0x5634", "40000110,0x5634,Alarm\r\n"},
        {"40000108", 0x5634, 0, "0x34", "40000108,0x5634,Alarm\r\n"},  // size not given
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.backup);
        const std::uint32_t key = ParseDriveDataKey(c.key);
        run.SetObjectList({key});
        ASSERT_EQ(run.Start(RunKind::Backup), StartResult::Started);
        Value(kUnknown, c.held, c.heldBits);
        EXPECT_EQ(WriteDriveDataText(Rows()), c.backup);
        EXPECT_EQ(events.finished.back().alarms, 1);

        run.SetDriveData({{c.key, c.fileValue}});
        ASSERT_EQ(run.Start(RunKind::Compare), StartResult::Started);
        Value(kUnknown, c.held, c.heldBits);
        EXPECT_EQ(Rows()[0].result, RowResult::Alarm);
        EXPECT_NE(Rows()[0].note, RowNote::None);

        // The drive refuses a write of another size and the link reads the object back.
        ASSERT_EQ(run.Start(RunKind::Restore), StartResult::Started);
        EXPECT_EQ(Last().command, link::WriteCommandForWidth(KeySizeBits(key)));
        Value(kUnknown, c.held, c.heldBits, 0x06070010);
        EXPECT_EQ(Rows()[0].result, RowResult::Fail);
        EXPECT_EQ(Rows()[0].value, "0x06070010");
        EXPECT_EQ(NoteText(Rows()[0]),
                  "refused: data type does not match, length of service parameter does not match");
        EXPECT_EQ(FinishText(RunKind::Restore, events.finished.back()),
                  "Finish: Total:1  Alarm:0  Error:1");
    }
    // The same object answered in its listed size is "True", as the Part saves it.
    run.SetObjectList({0x40000110});
    run.Start(RunKind::Backup);
    Value(kUnknown, 5, 16);
    EXPECT_EQ(WriteDriveDataText(Rows()), "40000110,0x0005,True\r\n");
}

TEST_F(DriveDataRunTest, AnswersOutsideARunNeverStartOrAdvanceOne) {
    run.SetObjectList({0x30000110, 0x30000210});
    Value(kOffset, 1);  // before any run
    EXPECT_TRUE(events.changed.empty());
    EXPECT_TRUE(link.requests.empty());

    run.Start(RunKind::Backup);
    Value(kGain, 7);  // not the row asked
    Value(kRestartKey, 0xAA55);
    EXPECT_EQ(Rows()[0].result, RowResult::None);
    EXPECT_EQ(Rows()[1].result, RowResult::None);
    Value(kOffset, 1);
    Value(kGain, 2);
    ASSERT_FALSE(run.Busy());
    const auto changes = events.changed.size();
    Value(kGain, 3);  // a late answer
    Abort(kGain, 0x06020000);
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
                      {"30000110", "65534"},
                      {"30000210", "12"}});
    ASSERT_EQ(run.Start(RunKind::Restore), StartResult::Started);
    EXPECT_TRUE(link.sendRetry);
    EXPECT_EQ(Last(), (Request{link::kCmdWrite16, kOffset, 0xFFFE}));
    Value(kOffset, 0xFFFE, 16);  // the echo of a two-byte write
    EXPECT_EQ(Last(), (Request{link::kCmdWrite16, kUnknown, 5}));
    Value(kUnknown, 5, 16);
    EXPECT_EQ(Last(), (Request{link::kCmdWrite16, kGain, 12}));
    Value(kGain, 11, 16);  // the drive holds something else
    ASSERT_FALSE(run.Busy());
    EXPECT_EQ(link.requests.size(), 3u);

    EXPECT_EQ(Rows()[0].value, "-2");
    EXPECT_EQ(Rows()[0].result, RowResult::True);
    EXPECT_EQ(Rows()[1].value, "0x0005");
    EXPECT_EQ(Rows()[1].result, RowResult::True);
    // Rows that are not written say why, in the value column of the file and the pages.
    const char* notes[] = {"value does not fit U16", "no value", "not a number",
                           "listed as 32 bits, the object is I16", "value does not fit I16"};
    for (int i = 2; i <= 6; ++i) {
        EXPECT_EQ(Rows()[i].result, RowResult::Fail) << i;
        EXPECT_EQ(ShownValue(Rows()[i]), notes[i - 2]) << i;
    }
    EXPECT_EQ(Rows()[7].value, "11");
    EXPECT_EQ(Rows()[7].result, RowResult::Alarm);
    EXPECT_EQ(FinishText(RunKind::Restore, events.finished.at(0)),
              "Finish: Total:8  Alarm:1  Error:5");
}

// A compare reads also the rows whose file value cannot be written, and shows the drive's.
TEST_F(DriveDataRunTest, CompareReadsOnlyAndShowsTheDrivesValueOfEveryRow) {
    run.SetDriveData({{"30000110", "-2"},
                      {"30000210", "100"},
                      {"30000110", "65534"},
                      {"30000120", "-2"},
                      {"30000308", "x"}});
    run.Start(RunKind::Compare);
    EXPECT_EQ(Last(), (Request{link::kCmdRead, kOffset, 0}));
    Value(kOffset, 0xFFFE, 16);
    EXPECT_EQ(Last(), (Request{link::kCmdRead, kGain, 0}));
    Value(kGain, 101, 16);
    EXPECT_EQ(Last(), (Request{link::kCmdRead, kOffset, 0}));
    Value(kOffset, 0xFFFE, 16);
    Value(kOffset, 0xFFFE, 16);
    ASSERT_FALSE(run.Busy());
    EXPECT_EQ(link.requests.size(), 4u);  // the text row is not asked
    EXPECT_TRUE(std::all_of(link.requests.begin(), link.requests.end(),
                            [](const Request& r) { return r.command == link::kCmdRead; }));
    EXPECT_EQ(Rows()[0].result, RowResult::True);
    EXPECT_EQ(Rows()[1].result, RowResult::Alarm);
    EXPECT_EQ(Rows()[1].value, "101");
    EXPECT_EQ(Rows()[2].value, "-2");
    EXPECT_EQ(Rows()[2].result, RowResult::Alarm);
    EXPECT_EQ(NoteText(Rows()[2]), "value does not fit I16");
    EXPECT_EQ(Rows()[3].value, "-2");  // the same value, but the list says 32 bits
    EXPECT_EQ(Rows()[3].result, RowResult::Alarm);
    EXPECT_EQ(Rows()[4].note, RowNote::BadSize);
    EXPECT_EQ(events.finished.at(0).alarms, 3);
}

TEST_F(DriveDataRunTest, AnUnansweredRequestEndsTheRunAndMarksTheRowsLeft) {
    run.SetObjectList({0x30000110, 0x30000210, 0x30000420});
    run.Start(RunKind::Backup);
    Value(kOffset, 3);
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
    Value(kStoreControlKey, 1);  // not the answer waited for
    EXPECT_EQ(timer.pending, kAnswerLimit);
    Value(kStoreMotorKey, 1);
    EXPECT_EQ(timer.pending, kStoreSecondWait);
    EXPECT_EQ(link.requests.size(), 1u);
    EXPECT_EQ(run.Start(RunKind::Backup), StartResult::Busy);
    Fire();
    EXPECT_EQ(Last(), (Request{link::kCmdWrite8, kStoreControlKey, 1}));
    Value(kStoreControlKey, 1);
    EXPECT_EQ(timer.pending, kStoreFinalWait);
    EXPECT_TRUE(events.stores.empty());
    Fire();
    EXPECT_EQ(events.stores, std::vector<StoreOutcome>{StoreOutcome::Done});
    EXPECT_FALSE(run.Busy());
    EXPECT_EQ(link.requests.size(), 2u);
}

// Every way a command can end, and what it writes: a refusal (an abort, or a write the link
// read back) ends it with the drive's code and nothing after it is written.
TEST_F(DriveDataRunTest, CommandsReportRefusalsWithTheDrivesCode) {
    struct Case {
        DriveCommand command;
        std::vector<Request> writes;  // up to the refusal
        int refusedAt;                // -1: not refused
        bool byReadBack;
        StoreOutcome outcome;
    };
    const Request motor{link::kCmdWrite8, kStoreMotorKey, 1};
    const Request control{link::kCmdWrite8, kStoreControlKey, 1};
    const Request initialise{link::kCmdWrite8, kStoreControlKey, 10};
    const Case cases[] = {
        {DriveCommand::Store, {motor}, 0, false, StoreOutcome::Refused},
        {DriveCommand::Store, {motor, control}, 1, true, StoreOutcome::Refused},
        {DriveCommand::Store, {motor, control}, -1, false, StoreOutcome::Done},
        {DriveCommand::StoreControl, {control}, 0, true, StoreOutcome::Refused},
        {DriveCommand::StoreMotor, {motor}, -1, false, StoreOutcome::Done},
        {DriveCommand::Initialise, {initialise}, -1, false, StoreOutcome::Done},
        {DriveCommand::Initialise, {initialise}, 0, false, StoreOutcome::Refused},
    };
    for (const Case& c : cases) {
        link.requests.clear();
        ASSERT_EQ(run.StartCommand(c.command), StartResult::Started);
        for (int i = 0; i < static_cast<int>(c.writes.size()); ++i) {
            Fire();
            ASSERT_EQ(Last(), c.writes[static_cast<std::size_t>(i)]);
            const ObjectKey key = c.writes[static_cast<std::size_t>(i)].key;
            if (i != c.refusedAt) {
                Value(key, 1, 8);
            } else if (c.byReadBack) {
                Value(key, 0, 8, 0x08000020);
            } else {
                Abort(key, 0x08000020);
            }
        }
        Fire();  // the final wait
        EXPECT_FALSE(run.Busy());
        EXPECT_EQ(link.requests, c.writes);
        EXPECT_EQ(events.commands.back(), c.command);
        EXPECT_EQ(events.results.back().outcome, c.outcome);
        if (c.outcome == StoreOutcome::Refused) {
            EXPECT_EQ(events.results.back().abortCode, 0x08000020u);
            EXPECT_EQ(events.results.back().key, c.writes.back().key);
        }
    }
    run.StartStore();
    Fire();
    Fire();  // no answer in time
    EXPECT_EQ(events.stores.back(), StoreOutcome::NoAnswer);
}

TEST_F(DriveDataRunTest, VerifyWaitsForTheRestartedDriveAndRetriesComeBackOn) {
    run.SetDriveData({{"30000308", "x"}, {"30000210", "100"}});
    ASSERT_EQ(run.Restart(), StartResult::Started);
    EXPECT_FALSE(link.sendRetry);
    EXPECT_EQ(Last(), (Request{link::kCmdWrite16, kRestartKey, 0xAA55}));
    Value(kRestartKey, 0xAA55);  // an answer to the restart starts nothing
    EXPECT_FALSE(run.Busy());

    ASSERT_EQ(run.Start(RunKind::Verify), StartResult::Started);
    EXPECT_EQ(link.requests.size(), 1u);  // the restart goes out first
    Fire();
    EXPECT_EQ(Last(), (Request{link::kCmdRead, kProbeKey, 0}));  // the statusword
    EXPECT_TRUE(events.started.empty());
    Fire();  // the drive is still silent: ask again
    EXPECT_EQ(link.requests.size(), 3u);
    EXPECT_FALSE(link.sendRetry);
    Value(kProbeKey, 0x237);
    EXPECT_TRUE(link.sendRetry);
    EXPECT_EQ(events.started, std::vector<RunKind>{RunKind::Verify});
    EXPECT_EQ(Last(), (Request{link::kCmdRead, kGain, 0}));
    Value(kGain, 100);
    EXPECT_EQ(Rows()[0].note, RowNote::BadSize);
    EXPECT_EQ(Rows()[1].result, RowResult::True);

    // A drive that never comes back ends the verify as unanswered, retries on again.
    link.sendRetry = false;
    run.Start(RunKind::Verify);
    const auto asked = link.requests.size();
    for (int i = 0; i < 100 && run.Busy(); ++i) {
        Fire();
    }
    EXPECT_EQ(link.requests.size() - asked, kDriveBackLimit / kProbeInterval + 1);
    EXPECT_FALSE(run.Busy());
    EXPECT_TRUE(events.unanswered);
    EXPECT_TRUE(link.sendRetry);
    EXPECT_EQ(Rows()[1].note, RowNote::NoAnswer);

    // Waiting alone (the command-line restart): the drive answers, or the link goes.
    run.Restart();
    ASSERT_EQ(run.AwaitDrive(), StartResult::Started);
    Fire();
    Abort(kProbeKey, 0x06020000);  // refused, but it answers
    EXPECT_EQ(events.driveBack, true);
    EXPECT_TRUE(link.sendRetry);
    run.Restart();
    run.AwaitDrive();
    run.OnLinkLost();
    EXPECT_EQ(events.driveBack, false);
    EXPECT_TRUE(link.sendRetry);

    // A restart the drive refuses is reported, and the wait ends at once.
    run.Restart();
    run.AwaitDrive();
    Value(kRestartKey, 0, 16, 0x06090030);
    EXPECT_EQ(run.RestartRefusal(), 0x06090030u);
    EXPECT_EQ(events.commands.back(), DriveCommand::Restart);
    EXPECT_FALSE(run.Busy());
}

TEST_F(DriveDataRunTest, IdentityTextsComeInTheAnswerOrInSegments) {
    using engine::Delivery;
    ASSERT_EQ(run.ReadIdentity(), StartResult::Started);
    EXPECT_EQ(Last(), (Request{link::kCmdRead, kDeviceNameKey, 0}));
    // The device name in segments, the hardware version refused, the software version in
    // the answer itself.
    run.OnResult(Delivery{1, engine::kMsgUploadStart, 9, kDeviceNameKey});
    EXPECT_EQ(Last(), (Request{link::kCmdSegment, kDeviceNameKey, 0}));
    link.segment = {'M', 'S', '-', 'D', '2', ' ', 'S'};
    link.segmentCount = 7;
    link.segmentLast = false;
    run.OnResult(Delivery{1, engine::kMsgSegment, 0, 0});
    link.segment = {'e', 'r', 0, 0, 0, 0, 0};
    link.segmentCount = 2;
    link.segmentLast = true;
    run.OnResult(Delivery{1, engine::kMsgSegment, 0, 0});
    EXPECT_EQ(Last(), (Request{link::kCmdRead, kHardwareVersionKey, 0}));
    Abort(kHardwareVersionKey, 0x06020000);
    Value(kSoftwareVersionKey, 0x00322E33);  // "3.2"
    ASSERT_TRUE(events.identity);
    EXPECT_FALSE(run.Busy());
    EXPECT_EQ(events.identity->deviceName, "MS-D2 Ser");
    EXPECT_EQ(events.identity->hardwareVersion, "");
    EXPECT_EQ(events.identity->softwareVersion, "3.2");
    EXPECT_FALSE(events.identityUnanswered);

    run.ReadIdentity();
    Fire();
    EXPECT_TRUE(events.identityUnanswered);
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
