#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "common/ObjectKey.h"
#include "scope/RecordDecoder.h"
#include "scope/ScopeLink.h"
#include "scope/ScopePlot.h"

namespace morlo::scope {

// The recorder's settings as the drive last reported them.
struct RecorderMirror {
    std::array<std::uint32_t, kSlotCount> slotValues{};
    std::int32_t period = 0;
    std::int32_t pointerOffset = 0;
    std::int32_t samples = 0;
    std::int32_t edge = 0;
    std::uint32_t triggerObject = 0;  // MappingValue, 0 = manual trigger
    std::int32_t triggerLevel = 0;
    std::int32_t recorderState = 0;
};

// Where a record triggered, from the recorder's settings when it started and the layout it
// recorded with: the sample after the pointer offset's pre-trigger samples (within the
// record), the trigger level on the channel that records the trigger object; a start by hand
// (trigger object 0) begins the record at once, at its first sample.
TriggerMark TriggerMarkOf(const RecorderMirror& settings, const RecordLayout& layout);
// The mark moved to where the drive reports the trigger (its index from 0 in a record of
// that many samples), which is earlier when the trigger came before the pre-trigger samples.
TriggerMark AtDriveTriggerIndex(TriggerMark mark, std::int32_t index, int recordSamples);

enum class ScopeStatusKind {
    Finish,
    Waiting,
    Reading,
    Failed,         // the record could not be read: the link failed or closed
    LinkBusy,       // requests wait while another window uses the link exclusively
    PartialRecord,  // the record's last bytes were no whole sample and were dropped
};
struct ScopeStatus {
    ScopeStatusKind kind = ScopeStatusKind::Finish;
    int counter = 0;              // of the waiting or reading animation
    std::size_t dropped = 0;      // PartialRecord: the bytes dropped
    std::size_t sampleBytes = 0;  // PartialRecord: the bytes of one sample record
};

enum class CaptureStart { Start, Restart, ReRead };

// The face of the capture cycle (the page, the command-line tool).
class ScopeCaptureHost {
  public:
    virtual ~ScopeCaptureHost() = default;
    // A setting of the recorder (slots, 08-0D) was reported and stored in the mirror.
    virtual void SettingReported(ObjectKey, std::int32_t) {}
    // An answer for another object: a read a unit conversion made on the face's behalf.
    virtual void OtherValue(ObjectKey, std::int32_t) {}
    // The drive refused a request about the recorder.
    virtual void SettingRefused(ObjectKey, std::uint32_t) {}
    // The read-back sequence has nothing left to read (runs after every later answer too).
    virtual void ReadBackClosed() {}
    virtual void StatusChanged(ScopeStatus) {}
    // Idle, waiting or uploading changed (buttons).
    virtual void CaptureStateChanged() {}
    // Before every start, continuous restart and re-read.
    virtual void BeforeCapture(CaptureStart) {}
    // The drive announced the record; its segments are asked for from now on.
    virtual void UploadStarted() {}
    // A segment of the record arrived and was kept.
    virtual void SegmentKept(std::size_t /*bytesReceived*/) {}
    // The record arrived whole and was decoded; the capture cycle goes on after this.
    virtual void RecordDecoded(const Curves&) {}
    virtual bool ContinuousCapture() { return false; }
    // Whether the object is signed, when the face knows it (else the flag set per channel).
    virtual std::optional<bool> ObjectSigned(ObjectKey) { return std::nullopt; }
};

// The capture cycle of the drive's recorder: mirrors its settings by reading them one after
// the other, writes settings, starts a capture, polls until the record is complete, uploads it
// segment by segment with the other windows' requests held back, decodes it, and in
// continuous mode starts again once the held-back requests have been served.
class ScopeCapture {
  public:
    ScopeCapture(ScopeLink& link, ScopeTimers& timers, ScopeCaptureHost& host);

    // Results and timer ticks.
    void OnValue(std::int32_t value, ObjectKey key);
    void OnSegment();
    void OnAbort(std::uint32_t code, ObjectKey key);
    // The drive announced a segmented upload of the key.
    void OnUploadStart(ObjectKey key);
    // A request of the key had no valid answer (the link failed, or the upload lost its
    // segments).
    void OnLinkFault(ObjectKey key);
    void OnTimer(int id);

    // The link watch timer's tick, also when the face learns that the link changed.
    void CheckLink();

    // The read-back sequence: (re)starts at a step, or takes its next step.
    void StartReadBack(int step = kReadBackFirstStep);
    void SetReadBackStep(int step) { readBackStep_ = step; }
    int ReadBackStep() const { return readBackStep_; }

    // The capture cycle. Start with readBackFirst reads the recorder's settings again before
    // it starts (after an imported capture was shown).
    enum class StartResult { Started, LinkClosed, Busy };
    StartResult Start(bool readBackFirst = false);
    void Cancel();
    StartResult ReRead();
    // The page was hidden or closed: any capture ends.
    void Stop();
    bool Idle() const { return idle_; }
    bool Waiting() const { return waiting_; }
    bool Uploading() const { return uploading_; }
    bool CaptureRunning() const { return !idle_ || uploading_ || recordReadWaiting_; }

    // Settings written to the recorder; their answers come back through OnValue.
    void WritePeriod(std::int32_t period);
    void WritePointerOffset(std::int32_t offset);
    // Followed by one confirming read of the number of samples.
    void WriteSamples(std::int32_t samples);
    void ToggleEdge();
    void WriteEdge(bool rising);
    // 0: manual trigger; the level is read again in the new object's terms.
    void WriteTriggerObject(std::uint32_t mapping);
    void WriteTriggerLevel(std::int32_t raw);
    void ReadTriggerLevel();
    // Records the object on the channel (its own slot, or its pair's wide slot for a 32-bit
    // object), followed by reads of the six slots and the number of samples.
    void SwitchChannelOn(int channel, std::uint32_t mapping);
    // Stops recording the channel: clears its own slot, or the wide slot it owns.
    void SwitchChannelOff(int channel);
    // Any read or write of the face (unit conversions, for instance).
    void Submit(std::uint8_t command, ObjectKey key, std::int32_t value);

    // The layout the next record is decoded with.
    void SetChannelSigned(int channel, bool isSigned);
    void SetWideOwner(int pair, bool firstOwns) {
        owner_[static_cast<std::size_t>(pair)] = firstOwns;
        ownerChosen_[static_cast<std::size_t>(pair)] = true;
    }
    bool WideOwnedByFirst(int pair) const { return owner_[static_cast<std::size_t>(pair)]; }
    // The channel the slot's value belongs to (0-based).
    int ChannelOfSlot(int slotIndex) const;
    // The mapping the drive records for the channel (0: none).
    std::uint32_t ChannelMapping(int channel) const;
    // The layout of the slots in use; each channel's sign is that of the object the drive
    // records for it where the face knows the object.
    RecordLayout Layout() const;
    // The layout of the drive's record: the one in use when the drive confirmed the start of
    // the last capture (channel changes after that apply to the next capture); before any
    // capture, the present one.
    RecordLayout RecordedLayout() const { return recordedLayout_.value_or(Layout()); }
    const RecorderMirror& Mirror() const { return mirror_; }
    // The recorder's settings when the last capture started (before any, the present ones).
    RecorderMirror RecordedSettings() const { return recordedMirror_.value_or(mirror_); }
    TriggerMark RecordedTrigger() const {
        return TriggerMarkOf(RecordedSettings(), RecordedLayout());
    }

    std::size_t BytesReceived() const { return record_.size(); }
    std::uint8_t Toggle() const { return toggle_; }
    bool RecordTruncated() const { return truncated_; }
    // The bytes at the end of the last record that made no whole sample.
    std::size_t DroppedBytes() const { return dropped_; }

  private:
    struct Held {
        std::uint8_t command;
        ObjectKey key;
        std::int32_t value;
    };

    void ApplyValue(std::int32_t value, ObjectKey key);
    void ApplySlot(int slotIndex, std::uint32_t value);
    void TakeReadBackStep();
    // Writes the recorder's start (a capture, or a continuous restart).
    void BeginCapture(CaptureStart kind);
    // Asks for the record, once the link is free.
    void BeginRecordRead();
    void BeginUpload();
    void RequestSegment();
    void TakeExpeditedRecord();
    void FinishUpload();
    void AbandonUpload();
    // The capture cannot go on: the link failed, closed or was opened anew.
    void FailCapture();
    void EndCapture(ScopeStatus status);
    void SetStatus(ScopeStatusKind kind, int counter = 0);
    void AdvanceWaiting();
    void AdvanceReading();
    // Sends a request now, keeps it while another window holds the link, or drops it with a
    // closed link (as the link itself would).
    void Send(const Held& request);
    void FlushHeldRequests();
    void FlushParkedRequests();
    void ArmLinkWatch();
    bool LinkWatchNeeded() const;
    bool OwnsWide(int channel) const;

    ScopeLink& link_;
    ScopeTimers& timers_;
    ScopeCaptureHost& host_;

    RecorderMirror mirror_;
    std::array<bool, 2> owner_{};
    std::array<bool, 2> ownerChosen_{};  // set by switching a channel on, not guessed
    std::array<bool, kChannelCount> signed_{};
    int readBackStep_ = 0;
    bool levelReRead_ = false;
    int samplesRefusals_ = 0;

    bool idle_ = true;
    bool waiting_ = false;
    bool uploading_ = false;           // the record was asked for and is being received
    bool awaitingSegment_ = false;     // a segment request of this upload is on its way
    bool startAnswerPending_ = false;  // the recorder's start is written, not yet answered
    bool startAfterReadBack_ = false;  // the start waits for the read-back sequence
    bool recordReadWaiting_ = false;   // the record is to be asked for once the link is free
    bool linkBusyShown_ = false;
    std::uint32_t generation_ = 0;  // of the link the capture runs on
    bool truncated_ = false;
    std::size_t dropped_ = 0;
    std::uint8_t toggle_ = 0;
    std::vector<std::uint8_t> record_;
    std::optional<RecordLayout> recordedLayout_;
    std::optional<RecorderMirror> recordedMirror_;

    // Requests of the face made while an upload runs wait for its end, so that no other
    // transfer interrupts the drive's segmented one.
    std::vector<Held> held_;
    // Requests made while another window held the link, sent once it is free.
    std::vector<Held> parked_;

    int waitingCounter_ = 0;
    int readingCounter_ = 0;
};

}  // namespace morlo::scope
