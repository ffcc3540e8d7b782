#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <map>
#include <vector>

#include "link/LinkConstants.h"
#include "scope/DriveIdentity.h"
#include "scope/MappingValue.h"
#include "scope/ScopeCapture.h"

namespace morlo::scope {
namespace {

using link::kCmdRead;
using link::kCmdSegment;
using link::kCmdSegmentToggle;
using link::kCmdWrite32;
using link::kCmdWrite8;

struct Sent {
    std::uint8_t command;
    ObjectKey key;
    std::int32_t value;
    bool operator==(const Sent&) const = default;
};

class FakeLink : public ScopeLink {
  public:
    void Submit(std::uint8_t command, ObjectKey key, std::int32_t value) override {
        sent.push_back({command, key, value});
    }
    bool IsDeferredQueueEmpty() override { return deferredEmpty; }
    void SetCyclicReadSwitch(bool on) override { cyclic = on; }
    void SetDeferredServeSwitch(bool on) override { deferred = on; }
    void GetSegmentData(std::array<std::uint8_t, kSegmentBytes>& data, int& count,
                        bool& last) override {
        data = segment;
        count = segmentCount;
        last = segmentLast;
    }
    LinkAccess Access() override { return access; }
    std::uint32_t Generation() override { return generation; }
    std::vector<Sent> sent;
    LinkAccess access = LinkAccess::Open;
    std::uint32_t generation = 1;
    bool deferredEmpty = true;
    bool cyclic = true;
    bool deferred = true;
    std::array<std::uint8_t, kSegmentBytes> segment{};
    int segmentCount = 0;
    bool segmentLast = false;
};

class FakeTimers : public ScopeTimers {
  public:
    void StartTimer(int id, std::chrono::milliseconds) override { running[id] = true; }
    void KillTimer(int id) override { running[id] = false; }
    bool Running(int id) { return running[id]; }
    std::map<int, bool> running;
};

class Host : public ScopeCaptureHost {
  public:
    void ReadBackClosed() override { ++closings; }
    void StatusChanged(ScopeStatus status) override { statuses.push_back(status); }
    ScopeStatusKind LastStatus() const { return statuses.back().kind; }
    int Count(ScopeStatusKind kind) const {
        return static_cast<int>(std::count_if(statuses.begin(), statuses.end(),
                                              [kind](ScopeStatus s) { return s.kind == kind; }));
    }
    void BeforeCapture(CaptureStart kind) override { starts.push_back(kind); }
    void RecordDecoded(const Curves& decoded) override {
        curves = decoded;
        ++records;
    }
    void SettingRefused(ObjectKey key, std::uint32_t) override { refused.push_back(key); }
    bool ContinuousCapture() override { return continuous; }
    int closings = 0;
    int records = 0;
    bool continuous = false;
    Curves curves;
    std::vector<ScopeStatus> statuses;
    std::vector<CaptureStart> starts;
    std::vector<ObjectKey> refused;
};

class ScopeCaptureTest : public ::testing::Test {
  protected:
    FakeLink link;
    FakeTimers timers;
    Host host;
    ScopeCapture capture{link, timers, host};

    Sent Last() const { return link.sent.back(); }
    // Answers the last request as the drive would (a write echoes its value).
    void Answer(std::int32_t value) { capture.OnValue(value, Last().key); }

    // Sends one segment of the record.
    void Segment(std::vector<std::uint8_t> bytes, bool last) {
        link.segment = {};
        std::copy(bytes.begin(), bytes.end(), link.segment.begin());
        link.segmentCount = static_cast<int>(bytes.size());
        link.segmentLast = last;
        capture.OnSegment();
    }
    // Runs a capture from Start up to the upload's first segment request.
    void CaptureUntilUpload() {
        capture.Start();
        ASSERT_EQ(Last(), (Sent{kCmdWrite8, kRecorderState, 1}));
        Answer(1);
        ASSERT_TRUE(timers.Running(kPollTimer));
        capture.OnTimer(kPollTimer);
        ASSERT_EQ(Last(), (Sent{kCmdRead, kRecorderState, 0}));
        Answer(0);
        capture.OnTimer(kPollTimer);
        ASSERT_EQ(Last(), (Sent{kCmdRead, kRecorderRecord, 0}));
        ASSERT_FALSE(link.deferred);
        ASSERT_FALSE(link.cyclic);
        capture.OnUploadStart(kRecorderRecord);
        ASSERT_EQ(Last(), (Sent{kCmdSegment, 0, 0}));
    }
    void SetSlots(std::array<std::uint32_t, kSlotCount> slots) {
        for (int i = 0; i < kSlotCount; ++i) {
            capture.OnValue(static_cast<std::int32_t>(slots[static_cast<std::size_t>(i)]),
                            kRecorderSlots[static_cast<std::size_t>(i)]);
        }
    }
};

TEST_F(ScopeCaptureTest, ReadBackReadsOneSettingAfterTheOther) {
    capture.StartReadBack();
    std::vector<ObjectKey> order;
    for (int i = 0; i < 13; ++i) {
        ASSERT_EQ(link.sent.size(), static_cast<std::size_t>(i + 1));  // one read at a time
        EXPECT_EQ(Last().command, kCmdRead);
        order.push_back(Last().key);
        Answer(0);
    }
    EXPECT_EQ(order, std::vector<ObjectKey>(kReadBackOrder.begin(), kReadBackOrder.end()));
    EXPECT_EQ(order.front(), 0x230008);
    EXPECT_EQ(order.back(), 0x23000A);
    EXPECT_EQ(link.sent.size(), 13u);
    EXPECT_EQ(host.closings, 1);
    capture.OnValue(5, kRecorderPeriod);  // every later answer runs the closing step again
    EXPECT_EQ(host.closings, 2);
    EXPECT_EQ(capture.Mirror().period, 5);
}

TEST_F(ScopeCaptureTest, CaptureFromStartToCurvesWithAlternatingSegments) {
    SetSlots({0x60770011, 0, 0, 0, 0x606C0021, 0});  // channel 1 torque, channel 2 velocity
    capture.SetChannelSigned(0, true);
    capture.SetChannelSigned(1, true);
    EXPECT_EQ(capture.ChannelOfSlot(kWideSlotA), 1);  // channel 1's own slot is in use
    CaptureUntilUpload();
    EXPECT_EQ(host.starts, std::vector<CaptureStart>{CaptureStart::Start});
    // Two samples of 6 bytes: torque -1 and 300, velocity -100000 and 7, split into 7 + 5.
    Segment({0xFF, 0xFF, 0x60, 0x79, 0xFE, 0xFF, 0x2C}, false);
    EXPECT_EQ(Last(), (Sent{kCmdSegmentToggle, 0, 0}));
    Segment({0x01, 0x07, 0x00, 0x00, 0x00}, true);
    EXPECT_EQ(host.records, 1);
    EXPECT_EQ(host.curves[0], (std::vector<double>{-1, 300}));
    EXPECT_EQ(host.curves[1], (std::vector<double>{-100000, 7}));
    EXPECT_TRUE(capture.Idle());
    EXPECT_TRUE(link.deferred);
    EXPECT_TRUE(link.cyclic);
    EXPECT_EQ(host.statuses.back().kind, ScopeStatusKind::Finish);
}

TEST_F(ScopeCaptureTest, RecordOfAMultipleOfSevenBytesEndsOnAnEmptySegment) {
    SetSlots({0x20500210, 0, 0, 0, 0, 0});
    CaptureUntilUpload();
    std::vector<std::uint8_t> toggles;
    Segment({1, 0, 2, 0, 3, 0, 4}, false);
    toggles.push_back(Last().command);
    Segment({0, 5, 0, 6, 0, 7, 0}, false);
    toggles.push_back(Last().command);
    EXPECT_EQ(host.records, 0);
    Segment({}, true);
    EXPECT_EQ(toggles, (std::vector<std::uint8_t>{kCmdSegmentToggle, kCmdSegment}));
    EXPECT_EQ(host.curves[0], (std::vector<double>{1, 2, 3, 4, 5, 6, 7}));
}

TEST_F(ScopeCaptureTest, CancelWhileWaitingEndsAtTheNextTick) {
    capture.Start();
    Answer(1);
    capture.OnTimer(kPollTimer);
    Answer(1);  // still waiting for the trigger
    EXPECT_TRUE(capture.Waiting());
    capture.Cancel();
    EXPECT_TRUE(capture.Idle());
    const std::size_t sent = link.sent.size();
    capture.OnTimer(kPollTimer);
    EXPECT_EQ(link.sent.size(), sent);  // nothing more goes to the drive
    EXPECT_EQ(host.statuses.back().kind, ScopeStatusKind::Finish);
}

TEST_F(ScopeCaptureTest, CancelWhileUploadingIgnoresLateSegmentsAndKeepsTheCurves) {
    SetSlots({0x20500210, 0, 0, 0, 0, 0});
    CaptureUntilUpload();
    capture.Cancel();
    EXPECT_TRUE(link.deferred);
    EXPECT_TRUE(link.cyclic);
    const std::size_t sent = link.sent.size();
    Segment({1, 0, 2, 0, 3, 0, 4}, false);
    EXPECT_EQ(link.sent.size(), sent);
    EXPECT_EQ(host.records, 0);
    EXPECT_EQ(capture.BytesReceived(), 0u);
}

TEST_F(ScopeCaptureTest, ContinuousModeWaitsForTheDeferredQueue) {
    SetSlots({0x20500210, 0, 0, 0, 0, 0});
    host.continuous = true;
    CaptureUntilUpload();
    Segment({1, 0}, true);
    EXPECT_FALSE(capture.Idle());
    EXPECT_TRUE(link.deferred);  // other windows' requests are served meanwhile
    ASSERT_TRUE(timers.Running(kRestartTimer));
    link.deferredEmpty = false;
    const std::size_t sent = link.sent.size();
    capture.OnTimer(kRestartTimer);
    EXPECT_EQ(link.sent.size(), sent);
    EXPECT_TRUE(timers.Running(kRestartTimer));
    link.deferredEmpty = true;
    capture.OnTimer(kRestartTimer);
    EXPECT_EQ(Last(), (Sent{kCmdWrite8, kRecorderState, 1}));
    EXPECT_FALSE(timers.Running(kRestartTimer));
    EXPECT_EQ(host.starts.back(), CaptureStart::Restart);
    // Cancel while restarting: no further start is written.
    Answer(1);
    capture.Cancel();
    capture.OnTimer(kPollTimer);
    EXPECT_EQ(Last(), (Sent{kCmdWrite8, kRecorderState, 1}));
}

TEST_F(ScopeCaptureTest, WideChannelTakesThePairsWideSlotAndGivesItBack) {
    SetSlots({0x60770010, 0x60780010, 0, 0, 0, 0});
    link.sent.clear();
    capture.SwitchChannelOn(0, 0x606C0021);  // a 32-bit object on channel 1
    EXPECT_EQ(link.sent, (std::vector<Sent>{{kCmdWrite32, kRecorderWideA, 0x606C0020},
                                            {kCmdWrite32, kRecorderSlot1, 0}}));
    EXPECT_TRUE(capture.WideOwnedByFirst(0));
    EXPECT_EQ(capture.ReadBackStep(), kReadBackSlotsStep);
    // The drive's answers: the cleared slot first (served first), then the wide one.
    capture.OnValue(0, kRecorderSlot1);
    capture.OnValue(0x606C0020, kRecorderWideA);
    EXPECT_EQ(capture.ChannelOfSlot(kWideSlotA), 0);

    link.sent.clear();
    capture.SwitchChannelOff(1);  // channel 2 gives back its own slot only
    EXPECT_EQ(link.sent, (std::vector<Sent>{{kCmdWrite32, kRecorderSlot2, 0}}));
    capture.OnValue(0, kRecorderSlot2);
    link.sent.clear();
    capture.SwitchChannelOff(0);  // own slot empty: the wide slot it owns
    EXPECT_EQ(link.sent, (std::vector<Sent>{{kCmdWrite32, kRecorderWideA, 0}}));
    capture.OnValue(0, kRecorderWideA);
    link.sent.clear();
    capture.SwitchChannelOff(1);  // nothing left to clear
    EXPECT_TRUE(link.sent.empty());
}

TEST_F(ScopeCaptureTest, NarrowChannelGivesBackTheWideSlotItOwned) {
    SetSlots({0, 0x60780010, 0, 0, 0x606C0020, 0});
    EXPECT_TRUE(capture.WideOwnedByFirst(0));  // read back: channel 1's own slot is free
    link.sent.clear();
    capture.SwitchChannelOn(0, 0x60770011);
    EXPECT_EQ(link.sent, (std::vector<Sent>{{kCmdWrite32, kRecorderSlot1, 0x60770010},
                                            {kCmdWrite32, kRecorderWideA, 0}}));
}

TEST_F(ScopeCaptureTest, RefusalsOfTheRecorder) {
    capture.StartReadBack(kReadBackSamplesStep);
    for (int i = 0; i < kSamplesReReadLimit; ++i) {
        capture.OnAbort(0x06020000, kRecorderSamples);
        EXPECT_EQ(Last(), (Sent{kCmdRead, kRecorderSamples, 0}));
    }
    const std::size_t sent = link.sent.size();
    capture.OnAbort(0x06020000, kRecorderSamples);  // the fourth refusal is not asked again
    EXPECT_EQ(link.sent.size(), sent);
    EXPECT_EQ(host.closings, 1);

    SetSlots({0x60770010, 0, 0, 0, 0, 0});
    capture.OnAbort(0x06020000, kRecorderSlot1);
    EXPECT_EQ(capture.Mirror().slotValues[0], 0u);

    capture.Start();
    capture.OnAbort(0x06090030, kRecorderState);
    EXPECT_TRUE(capture.Idle());
}

TEST_F(ScopeCaptureTest, ARefusedRecordEndsTheUploadAndFreesTheLink) {
    capture.Start();
    Answer(1);
    capture.OnTimer(kPollTimer);
    Answer(0);
    capture.OnTimer(kPollTimer);
    capture.OnAbort(0x08000000, kRecorderRecord);
    EXPECT_TRUE(capture.Idle());
    EXPECT_FALSE(capture.Uploading());
    EXPECT_TRUE(link.deferred);
    EXPECT_TRUE(link.cyclic);

    // A refused segment (another transfer ended the drive's upload) in continuous mode:
    // the next capture follows as after a complete record.
    host.continuous = true;
    SetSlots({0x20500210, 0, 0, 0, 0, 0});
    CaptureUntilUpload();
    capture.OnAbort(0x05040001, 0);
    EXPECT_FALSE(capture.Uploading());
    EXPECT_TRUE(link.deferred);
    EXPECT_TRUE(timers.Running(kRestartTimer));
}

TEST_F(ScopeCaptureTest, ALinkFaultEndsTheUploadAndARestartBeginsTheRecordAnew) {
    SetSlots({0x20500210, 0, 0, 0, 0, 0});
    CaptureUntilUpload();
    Segment({9, 9, 9, 9, 9, 9, 9}, false);
    // The link lost a segment and started the upload again: the record begins anew.
    capture.OnUploadStart(kRecorderRecord);
    EXPECT_EQ(Last(), (Sent{kCmdSegment, 0, 0}));
    Segment({1, 0, 2, 0}, true);
    EXPECT_EQ(host.curves[0], (std::vector<double>{1, 2}));
    EXPECT_EQ(host.Count(ScopeStatusKind::Failed), 0);

    // Lost again: the capture ends, the other windows are let through, the face is told.
    CaptureUntilUpload();
    const std::size_t requests = link.sent.size();
    capture.OnLinkFault(kRecorderRecord);
    EXPECT_EQ(host.LastStatus(), ScopeStatusKind::Failed);
    EXPECT_FALSE(capture.Uploading());
    EXPECT_TRUE(capture.Idle());
    EXPECT_TRUE(link.deferred);
    EXPECT_TRUE(link.cyclic);
    Segment({5, 5}, true);  // a straggler changes nothing
    EXPECT_EQ(link.sent.size(), requests);
    EXPECT_EQ(host.records, 1);
}

TEST_F(ScopeCaptureTest, ARecordTooLongIsCutAndItsUploadAborted) {
    SetSlots({0x20500210, 0, 0, 0, 0, 0});
    CaptureUntilUpload();
    const std::vector<std::uint8_t> seven{1, 0, 2, 0, 3, 0, 4};
    std::size_t segments = 0;
    while (host.records == 0 && segments < kRecordBufferLimit) {
        Segment(seven, false);
        ++segments;
    }
    ASSERT_EQ(host.records, 1);
    EXPECT_TRUE(capture.RecordTruncated());
    EXPECT_EQ(segments, kRecordBufferLimit / 7 + 1);  // the first that does not fit
    // The drive is told that the rest is not wanted; nothing else was asked for after it.
    EXPECT_EQ(Last(), (Sent{link::kCmdAbort, kRecorderRecord, 0x05040005}));
}

TEST_F(ScopeCaptureTest, RequestsDuringAnUploadWaitForItsEnd) {
    SetSlots({0x20500210, 0, 0, 0, 0, 0});
    CaptureUntilUpload();
    capture.StartReadBack();  // the page was shown again
    capture.WritePeriod(32);
    EXPECT_EQ(Last(), (Sent{kCmdSegment, 0, 0}));
    // The drive restarts the upload after a lost segment: the buffer starts again.
    Segment({9, 9, 9, 9, 9, 9, 9}, false);
    capture.OnUploadStart(kRecorderRecord);
    EXPECT_EQ(capture.BytesReceived(), 0u);
    EXPECT_EQ(Last(), (Sent{kCmdSegment, 0, 0}));
    const std::size_t before = link.sent.size();
    Segment({4, 0}, true);
    EXPECT_EQ(host.curves[0], (std::vector<double>{4}));
    // Held in order: the first read-back read and the write.
    const std::vector<Sent> flushed(link.sent.begin() + static_cast<long>(before), link.sent.end());
    EXPECT_EQ(flushed, (std::vector<Sent>{{kCmdRead, kRecorderPeriod, 0},
                                          {link::kCmdWrite16, kRecorderPeriod, 32}}));
}

// Channel 1 torque (I16), channel 2 velocity through wide slot A (I32), channel 3 statusword
// (U16); then channel 2 goes away and channel 4 records the torque too.
constexpr std::array<std::uint32_t, kSlotCount> kLayoutA{0x60770011, 0,          0x60410010,
                                                         0,          0x606C0021, 0};
constexpr std::array<std::uint32_t, kSlotCount> kLayoutB{0x60770011, 0, 0x60410010,
                                                         0x60770011, 0, 0};

TEST_F(ScopeCaptureTest, ARecordIsDecodedWithTheLayoutItWasRecordedWith) {
    // Two samples of layout A (fields 01, 05, 03): torque -10 -11, velocity -100000 7,
    // statusword 0x8237 1.
    const std::vector<std::uint8_t> recordA = {0xF6, 0xFF, 0x60, 0x79, 0xFE, 0xFF, 0x37, 0x82,
                                               0xF5, 0xFF, 0x07, 0x00, 0x00, 0x00, 0x01, 0x00};
    const Curves expectedA = {std::vector<double>{-10, -11}, std::vector<double>{-100000, 7},
                              std::vector<double>{0x8237, 1}, std::vector<double>{}};
    struct Case {
        const char* name;
        std::vector<std::uint8_t> record;
        bool expedited;
        Curves curves;
        std::size_t dropped;
    };
    std::vector<std::uint8_t> cut = recordA;
    cut.insert(cut.end(), {0x01, 0x02, 0x03});
    const Case cases[] = {
        {"whole record", recordA, false, expectedA, 0},
        {"a partial tail is dropped and said", cut, false, expectedA, 3},
        {"four bytes expedited", {0x01, 0x00, 0xFF, 0xFF}, true, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host = Host{};
        const bool narrow = c.expedited;  // one 16-bit channel: two samples in four bytes
        SetSlots(narrow ? std::array<std::uint32_t, kSlotCount>{0x60770011, 0, 0, 0, 0, 0}
                        : kLayoutA);
        capture.SetChannelSigned(0, true);
        capture.SetChannelSigned(1, true);
        capture.SetChannelSigned(2, false);
        capture.Start();
        Answer(1);  // the drive started: its layout is the record's
        // Channels changed while the capture waits for its trigger.
        SetSlots(kLayoutB);
        capture.OnTimer(kPollTimer);
        Answer(0);
        capture.OnTimer(kPollTimer);
        ASSERT_EQ(Last(), (Sent{kCmdRead, kRecorderRecord, 0}));
        for (int pass = 0; pass < 2; ++pass) {  // the capture, then Re-read
            if (pass == 1) {
                ASSERT_EQ(capture.ReRead(), ScopeCapture::StartResult::Started);
                ASSERT_EQ(Last(), (Sent{kCmdRead, kRecorderRecord, 0}));
            }
            if (c.expedited) {
                link.segment = {};
                std::copy(c.record.begin(), c.record.end(), link.segment.begin());
                link.segmentCount = static_cast<int>(c.record.size());
                capture.OnValue(0, kRecorderRecord);  // the record in the read's answer
            } else {
                capture.OnUploadStart(kRecorderRecord);
                for (std::size_t at = 0; at < c.record.size(); at += kSegmentBytes) {
                    const std::size_t end = std::min(at + kSegmentBytes, c.record.size());
                    Segment({c.record.begin() + static_cast<long>(at),
                             c.record.begin() + static_cast<long>(end)},
                            end - at < kSegmentBytes);
                }
                if (c.record.size() % kSegmentBytes == 0) {
                    Segment({}, true);
                }
            }
            ASSERT_EQ(host.records, pass + 1);
            if (c.expedited) {
                EXPECT_EQ(host.curves[0], (std::vector<double>{1, -1}));
                EXPECT_TRUE(host.curves[3].empty());
            } else {
                EXPECT_EQ(host.curves, c.curves);
            }
            EXPECT_EQ(capture.DroppedBytes(), c.dropped);
            const ScopeStatus last = host.statuses.back();
            if (c.dropped != 0) {
                EXPECT_EQ(last.kind, ScopeStatusKind::PartialRecord);
                EXPECT_EQ(last.dropped, c.dropped);
                EXPECT_EQ(last.sampleBytes, 8u);
            } else {
                EXPECT_EQ(last.kind, ScopeStatusKind::Finish);
            }
            EXPECT_TRUE(capture.Idle());
            EXPECT_TRUE(link.deferred && link.cyclic);
        }
        // The next capture records the present layout.
        capture.Start();
        Answer(1);
        EXPECT_EQ(capture.RecordedLayout().slotValues, kLayoutB);
        capture.Cancel();
    }
}

TEST_F(ScopeCaptureTest, TheLinkClosedHeldByAnotherWindowOrOpenedAnew) {
    SetSlots({0x20500210, 0, 0, 0, 0, 0});
    // Closed: Start and Re-read send nothing and say so.
    link.access = LinkAccess::Closed;
    link.sent.clear();
    EXPECT_EQ(capture.Start(), ScopeCapture::StartResult::LinkClosed);
    EXPECT_EQ(capture.ReRead(), ScopeCapture::StartResult::LinkClosed);
    EXPECT_TRUE(link.sent.empty());
    EXPECT_FALSE(capture.CaptureRunning());

    // Held by another window: the start waits, says why, and goes on once the link is free.
    link.access = LinkAccess::HeldByOther;
    EXPECT_EQ(capture.Start(), ScopeCapture::StartResult::Started);
    EXPECT_TRUE(link.sent.empty());
    EXPECT_EQ(host.LastStatus(), ScopeStatusKind::LinkBusy);
    EXPECT_TRUE(timers.Running(kLinkWatchTimer));
    capture.OnTimer(kLinkWatchTimer);
    EXPECT_TRUE(link.sent.empty());
    link.access = LinkAccess::Open;
    capture.OnTimer(kLinkWatchTimer);
    EXPECT_EQ(Last(), (Sent{kCmdWrite8, kRecorderState, 1}));
    EXPECT_NE(host.LastStatus(), ScopeStatusKind::LinkBusy);
    Answer(0);
    // ... also when the record is due: it is asked for once the link is free.
    link.access = LinkAccess::HeldByOther;
    capture.OnTimer(kPollTimer);
    EXPECT_FALSE(capture.Uploading());
    EXPECT_EQ(host.LastStatus(), ScopeStatusKind::LinkBusy);
    link.access = LinkAccess::Open;
    capture.OnTimer(kLinkWatchTimer);
    EXPECT_EQ(Last(), (Sent{kCmdRead, kRecorderRecord, 0}));
    capture.OnUploadStart(kRecorderRecord);
    Segment({1, 0, 2, 0, 3, 0, 4}, false);
    // Another window takes the link in the middle of the upload: read again when free.
    link.access = LinkAccess::HeldByOther;
    capture.OnTimer(kLinkWatchTimer);
    EXPECT_FALSE(capture.Uploading());
    EXPECT_TRUE(link.deferred && link.cyclic);
    link.access = LinkAccess::Open;
    capture.OnTimer(kLinkWatchTimer);
    EXPECT_EQ(Last(), (Sent{kCmdRead, kRecorderRecord, 0}));
    capture.OnUploadStart(kRecorderRecord);
    Segment({5, 0}, true);
    EXPECT_EQ(host.curves[0], (std::vector<double>{5}));
    EXPECT_FALSE(timers.Running(kLinkWatchTimer));

    // A link that closes, or is opened anew, while the capture waits or uploads ends it
    // with the failed-read status; nothing is left switched off.
    for (const bool closes : {true, false}) {
        SCOPED_TRACE(closes ? "closed" : "opened anew");
        link.access = LinkAccess::Open;
        CaptureUntilUpload();
        if (closes) {
            link.access = LinkAccess::Closed;
        } else {
            ++link.generation;
        }
        capture.OnTimer(kLinkWatchTimer);
        EXPECT_EQ(host.LastStatus(), ScopeStatusKind::Failed);
        EXPECT_FALSE(capture.CaptureRunning());
        EXPECT_TRUE(link.deferred && link.cyclic);
        EXPECT_FALSE(timers.Running(kLinkWatchTimer));
        EXPECT_FALSE(timers.Running(kPollTimer));
    }
}

TEST_F(ScopeCaptureTest, StatusAnimations) {
    capture.Start();
    Answer(1);
    for (int poll = 0; poll < 11; ++poll) {
        capture.OnTimer(kPollTimer);
        Answer(2);
    }
    std::vector<int> waiting;
    for (const ScopeStatus& s : host.statuses) {
        if (s.kind == ScopeStatusKind::Waiting) {
            waiting.push_back(s.counter);
        }
    }
    EXPECT_EQ(waiting, (std::vector<int>{0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 0}));
}

TEST(RecordDecoder, SignedUnsignedWideAndPartialRecords) {
    RecordLayout layout;
    layout.slotValues = {0x20500210, 0x60770010, 0, 0, 0, 0x606C0020};
    layout.channelSigned = {false, true, false, true};
    layout.wideOwnedByFirst = {false, false};  // slot 06 belongs to channel 4
    EXPECT_EQ(RecordBytesPerSample(layout), 8u);
    const std::vector<std::uint8_t> record = {
        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,  // 65535, -1, -1
        0x00, 0x80, 0x00, 0x80, 0x00, 0x00, 0x00, 0x80,  // 32768, -32768, INT32_MIN
        0xFF, 0x7F, 0xFF, 0x7F, 0x01, 0x00, 0x00, 0x00,  // 32767, 32767, 1
        0x01, 0x02, 0x03};                               // a partial record: dropped
    const Curves curves = DecodeRecord(record, layout);
    EXPECT_EQ(curves[0], (std::vector<double>{65535, 32768, 32767}));
    EXPECT_EQ(curves[1], (std::vector<double>{-1, -32768, 32767}));
    EXPECT_TRUE(curves[2].empty());
    EXPECT_EQ(curves[3], (std::vector<double>{-1, -2147483648.0, 1}));

    layout.channelSigned[3] = false;
    EXPECT_EQ(DecodeRecord(record, layout)[3][0], 4294967295.0);
    layout.slotValues = {};
    EXPECT_TRUE(DecodeRecord(record, layout)[0].empty());  // no slot in use: no points
}

TEST(MappingValue, SizeCodesAndSlots) {
    EXPECT_EQ(SizeCodeOf("I16"), 17);
    EXPECT_EQ(SizeCodeOf("U32"), 32);
    EXPECT_EQ(SizeCodeOf("i8"), 9);
    EXPECT_FALSE(SizeCodeOf("VISIBLE STRING"));
    EXPECT_FALSE(SizeCodeOf("U64"));
    EXPECT_EQ(MakeMapping(0x606C00, 33), 0x606C0021u);
    EXPECT_EQ(ForDrive(0x606C0021), 0x606C0020u);
    EXPECT_EQ(MappingKey(0x606C0021), 0x606C00);
    EXPECT_TRUE(NeedsWideSlot(0x606C0021));
    EXPECT_FALSE(NeedsWideSlot(0x60770011));
    EXPECT_EQ(WideSlotIndex(3), kWideSlotB);
    EXPECT_EQ(SlotIndexOf(0x230006), 5);
    EXPECT_EQ(SlotIndexOf(0x230007), -1);
}

TEST(DriveIdentity, ReadsBothTextsInSegmentsAndTakesOnlyItsOwnAnswers) {
    FakeLink link;
    DriveIdentityReader reader(link);
    auto segment = [&](std::string_view bytes, bool last) {
        link.segment = {};
        std::copy(bytes.begin(), bytes.end(), link.segment.begin());
        link.segmentCount = static_cast<int>(bytes.size());
        link.segmentLast = last;
        return reader.OnSegment();
    };
    EXPECT_FALSE(reader.OnSegment());  // not reading: the capture's segment
    reader.Start();
    ASSERT_EQ(link.sent.back(), (Sent{kCmdRead, kDeviceNameKey, 0}));
    EXPECT_FALSE(reader.OnValue(5, kRecorderPeriod));
    EXPECT_FALSE(reader.OnUploadStart(kRecorderRecord));  // the capture's record
    EXPECT_FALSE(reader.OnSegment());                     // no segment asked for yet
    EXPECT_TRUE(reader.OnUploadStart(kDeviceNameKey));
    EXPECT_EQ(link.sent.back(), (Sent{kCmdSegment, 0, 0}));
    EXPECT_TRUE(segment("MS-D2 S", false));
    EXPECT_EQ(link.sent.back(), (Sent{kCmdSegmentToggle, 0, 0}));
    // A segment lost on the link: the upload starts again and the text begins anew.
    EXPECT_TRUE(reader.OnUploadStart(kDeviceNameKey));
    EXPECT_EQ(link.sent.back(), (Sent{kCmdSegment, 0, 0}));
    EXPECT_TRUE(segment("MS-D2 S", false));
    EXPECT_TRUE(segment("ervo", true));
    EXPECT_EQ(reader.DeviceName(), "MS-D2 Servo");
    ASSERT_EQ(link.sent.back(), (Sent{kCmdRead, kSoftwareVersionKey, 0}));
    // A refusal leaves that text empty and ends the reading.
    EXPECT_FALSE(reader.OnAbort(kRecorderPeriod));
    EXPECT_TRUE(reader.OnAbort(kSoftwareVersionKey));
    EXPECT_FALSE(reader.Active());
    EXPECT_EQ(reader.SoftwareVersion(), "");
    EXPECT_FALSE(segment("x", true));

    // Cancelled in the middle: later answers belong to someone else.
    reader.Start();
    EXPECT_TRUE(reader.DeviceName().empty());
    reader.OnUploadStart(kDeviceNameKey);
    reader.Cancel();
    EXPECT_FALSE(segment("MS", true));
    EXPECT_FALSE(reader.OnAbort(0));

    // A drive that sends short texts in the answer itself; a lost link leaves the text empty.
    reader.Start();
    EXPECT_TRUE(reader.OnValue(0x00434241, kDeviceNameKey));
    EXPECT_EQ(reader.DeviceName(), "ABC");
    EXPECT_FALSE(reader.OnLinkFault(kDeviceNameKey));
    EXPECT_TRUE(reader.OnLinkFault(kSoftwareVersionKey));
    EXPECT_EQ(reader.SoftwareVersion(), "");
    EXPECT_FALSE(reader.Active());
}

}  // namespace
}  // namespace morlo::scope
