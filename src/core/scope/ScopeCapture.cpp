#include "scope/ScopeCapture.h"

#include <algorithm>

#include "link/AbortCode.h"
#include "link/LinkConstants.h"
#include "scope/MappingValue.h"

namespace morlo::scope {

ScopeCapture::ScopeCapture(ScopeLink& link, ScopeTimers& timers, ScopeCaptureHost& host)
    : link_(link), timers_(timers), host_(host) {}

// ---- requests ----

void ScopeCapture::Submit(std::uint8_t command, ObjectKey key, std::int32_t value) {
    if (uploading_) {
        held_.push_back({command, key, value});
        return;
    }
    Send({command, key, value});
}

void ScopeCapture::Send(const Held& request) {
    switch (link_.Access()) {
        case LinkAccess::Open:
            link_.Submit(request.command, request.key, request.value);
            return;
        case LinkAccess::HeldByOther:
            parked_.push_back(request);
            linkBusyShown_ = true;
            SetStatus(ScopeStatusKind::LinkBusy);
            ArmLinkWatch();
            return;
        case LinkAccess::Closed:
            return;  // dropped, as the link drops it; a capture learns it from the watch
    }
}

void ScopeCapture::FlushHeldRequests() {
    std::vector<Held> held;
    held.swap(held_);
    for (const Held& request : held) {
        Send(request);
    }
}

void ScopeCapture::FlushParkedRequests() {
    std::vector<Held> parked;
    parked.swap(parked_);
    for (const Held& request : parked) {
        link_.Submit(request.command, request.key, request.value);
    }
}

// ---- the link ----

void ScopeCapture::ArmLinkWatch() {
    timers_.StartTimer(kLinkWatchTimer, kLinkWatchPeriod);
}

bool ScopeCapture::LinkWatchNeeded() const {
    return CaptureRunning() || !parked_.empty();
}

void ScopeCapture::CheckLink() {
    const LinkAccess access = link_.Access();
    if (access == LinkAccess::Closed) {
        parked_.clear();  // the link dropped everything else as well
    }
    const bool lost = access == LinkAccess::Closed || link_.Generation() != generation_;
    if (CaptureRunning() && lost) {
        FailCapture();
    } else if (uploading_ && access == LinkAccess::HeldByOther) {
        // Another window took the link over in the middle of the upload: its transfers end
        // the drive's segmented one. The record is asked for again once the link is free.
        uploading_ = false;
        awaitingSegment_ = false;
        record_.clear();
        link_.SetCyclicReadSwitch(true);
        link_.SetDeferredServeSwitch(true);
        BeginRecordRead();
        FlushHeldRequests();
    } else if (access == LinkAccess::Open) {
        FlushParkedRequests();
        if (recordReadWaiting_) {
            BeginRecordRead();
        }
    }
    if (linkBusyShown_ && access != LinkAccess::HeldByOther) {
        linkBusyShown_ = false;
        if (!CaptureRunning()) {
            SetStatus(ScopeStatusKind::Finish);
        } else if (!uploading_) {
            SetStatus(ScopeStatusKind::Waiting, waitingCounter_);
        }
    }
    if (LinkWatchNeeded()) {
        ArmLinkWatch();
    } else {
        timers_.KillTimer(kLinkWatchTimer);
    }
}

// ---- the read-back sequence ----

void ScopeCapture::StartReadBack(int step) {
    readBackStep_ = step;
    TakeReadBackStep();
}

void ScopeCapture::TakeReadBackStep() {
    if (readBackStep_ >= kReadBackFirstStep && readBackStep_ < kReadBackClosed) {
        const ObjectKey key = kReadBackOrder[static_cast<std::size_t>(readBackStep_ - 1)];
        ++readBackStep_;
        Submit(link::kCmdRead, key, 0);
        return;
    }
    host_.ReadBackClosed();
    if (startAfterReadBack_) {
        startAfterReadBack_ = false;
        BeginCapture(CaptureStart::Start);
    }
}

// ---- answers ----

void ScopeCapture::OnValue(std::int32_t value, ObjectKey key) {
    ApplyValue(value, key);
    TakeReadBackStep();
}

void ScopeCapture::ApplyValue(std::int32_t value, ObjectKey key) {
    const auto raw = static_cast<std::uint32_t>(value);
    if (const int slot = SlotIndexOf(key); slot >= 0) {
        ApplySlot(slot, raw);
        host_.SettingReported(key, value);
        return;
    }
    switch (key) {
        case kRecorderState:
            mirror_.recorderState = value;
            if (startAnswerPending_) {
                // The drive records with the slots it held when it started: every slot write
                // answered before this answer, none answered after it.
                startAnswerPending_ = false;
                recordedLayout_ = Layout();
                recordedMirror_ = mirror_;
            }
            timers_.StartTimer(kPollTimer, kPollPeriod);
            return;
        case kRecorderPeriod:
            mirror_.period = value;
            break;
        case kRecorderPointerOffset:
            mirror_.pointerOffset = value;
            break;
        case kRecorderSamples:
            mirror_.samples = value;
            samplesRefusals_ = 0;
            break;
        case kRecorderEdge:
            mirror_.edge = value;
            break;
        case kRecorderTriggerObject:
            mirror_.triggerObject = raw;
            break;
        case kRecorderTriggerLevel:
            mirror_.triggerLevel = value;
            break;
        case kRecorderRecord:
            // A record of up to four bytes, in the read's answer itself.
            if (uploading_) {
                TakeExpeditedRecord();
            }
            return;
        default:
            host_.OtherValue(key, value);
            return;
    }
    host_.SettingReported(key, value);
    if (key == kRecorderTriggerObject && levelReRead_) {
        levelReRead_ = false;
        Submit(link::kCmdRead, kRecorderTriggerLevel, 0);
    }
}

void ScopeCapture::ApplySlot(int slotIndex, std::uint32_t value) {
    mirror_.slotValues[static_cast<std::size_t>(slotIndex)] = value;
    if (slotIndex != kWideSlotA && slotIndex != kWideSlotB) {
        return;
    }
    const auto pair = static_cast<std::size_t>(slotIndex == kWideSlotA ? 0 : 1);
    if (value == 0) {
        ownerChosen_[pair] = false;  // free again
        return;
    }
    if (ownerChosen_[pair]) {
        return;  // the channel switched on with it owns it
    }
    // Found in the drive: a pair records one 32-bit object beside at most one 16-bit one, so
    // the wide slot belongs to the channel whose own slot is free.
    const bool firstFree = mirror_.slotValues[2 * pair] == 0;
    const bool secondFree = mirror_.slotValues[2 * pair + 1] == 0;
    if (firstFree != secondFree) {
        owner_[pair] = firstFree;
    }
}

void ScopeCapture::OnAbort(std::uint32_t code, ObjectKey key) {
    if (const int slot = SlotIndexOf(key); slot >= 0) {
        mirror_.slotValues[static_cast<std::size_t>(slot)] = 0;
    } else if (key == kRecorderState) {
        startAnswerPending_ = false;
        idle_ = true;
        waiting_ = false;
        timers_.KillTimer(kPollTimer);
        if (!LinkWatchNeeded()) {
            timers_.KillTimer(kLinkWatchTimer);
        }
        host_.CaptureStateChanged();
    } else if (key == kRecorderSamples) {
        SetStatus(ScopeStatusKind::Finish);
        if (++samplesRefusals_ <= kSamplesReReadLimit) {
            host_.SettingRefused(key, code);
            Submit(link::kCmdRead, kRecorderSamples, 0);
            return;
        }
    } else if ((key == kRecorderRecord || key == 0) && uploading_) {
        // The record or one of its segments was refused: the upload cannot go on, and the
        // other windows are not held back any longer.
        AbandonUpload();
    }
    host_.SettingRefused(key, code);
    const bool setting =
        (key >= kRecorderSlot1 && key <= kRecorderTriggerLevel) && key != kRecorderState;
    if (setting) {
        TakeReadBackStep();  // the sequence goes on without the refused value
    }
}

void ScopeCapture::OnUploadStart(ObjectKey key) {
    // A repeated announcement (the link's restart of a broken upload) starts it again.
    if (key == kRecorderRecord && uploading_) {
        BeginUpload();
    }
}

void ScopeCapture::OnLinkFault(ObjectKey key) {
    if ((key == kRecorderRecord || key == 0) && uploading_) {
        FailCapture();
    } else if (key == kRecorderState && !idle_) {
        FailCapture();  // no start or poll answer: the capture cannot go on
    } else if (key >= kRecorderSlot1 && key <= kRecorderTriggerLevel) {
        TakeReadBackStep();  // the sequence goes on without this value
    }
}

// ---- the capture cycle ----

ScopeCapture::StartResult ScopeCapture::Start(bool readBackFirst) {
    if (CaptureRunning()) {
        return StartResult::Busy;
    }
    if (link_.Access() == LinkAccess::Closed) {
        return StartResult::LinkClosed;
    }
    idle_ = false;
    generation_ = link_.Generation();
    ArmLinkWatch();
    if (readBackFirst) {
        startAfterReadBack_ = true;
        host_.CaptureStateChanged();
        StartReadBack();
        return StartResult::Started;
    }
    BeginCapture(CaptureStart::Start);
    return StartResult::Started;
}

void ScopeCapture::BeginCapture(CaptureStart kind) {
    truncated_ = false;
    record_.clear();
    host_.BeforeCapture(kind);
    host_.CaptureStateChanged();
    startAnswerPending_ = true;
    Submit(link::kCmdWrite8, kRecorderState, kRecorderStartValue);
}

void ScopeCapture::Cancel() {
    const bool wasUploading = uploading_;
    uploading_ = false;
    awaitingSegment_ = false;
    startAfterReadBack_ = false;
    recordReadWaiting_ = false;
    link_.SetCyclicReadSwitch(true);
    link_.SetDeferredServeSwitch(true);
    idle_ = true;
    timers_.KillTimer(kRestartTimer);
    linkBusyShown_ = false;
    SetStatus(ScopeStatusKind::Finish);
    host_.CaptureStateChanged();
    if (wasUploading) {
        FlushHeldRequests();
    }
    if (!LinkWatchNeeded()) {
        timers_.KillTimer(kLinkWatchTimer);
    }
}

void ScopeCapture::Stop() {
    Cancel();
    waiting_ = false;
    timers_.KillTimer(kPollTimer);
}

ScopeCapture::StartResult ScopeCapture::ReRead() {
    if (CaptureRunning()) {
        return StartResult::Busy;
    }
    if (link_.Access() == LinkAccess::Closed) {
        return StartResult::LinkClosed;
    }
    truncated_ = false;
    record_.clear();
    generation_ = link_.Generation();
    host_.BeforeCapture(CaptureStart::ReRead);
    BeginRecordRead();
    return StartResult::Started;
}

void ScopeCapture::OnTimer(int id) {
    if (id == kLinkWatchTimer) {
        CheckLink();
        return;
    }
    if (id == kPollTimer) {
        timers_.KillTimer(kPollTimer);
        const std::int32_t state = mirror_.recorderState;
        if (state == kRecorderComplete) {
            waiting_ = false;
        } else if (state >= kRecorderBusyFirst && state <= kRecorderBusyLast) {
            waiting_ = true;
            AdvanceWaiting();
        }
        if (idle_) {
            SetStatus(ScopeStatusKind::Finish);
            host_.CaptureStateChanged();
            return;
        }
        if (waiting_) {
            Submit(link::kCmdRead, kRecorderState, 0);
            return;
        }
        BeginRecordRead();
        return;
    }
    if (id == kRestartTimer) {
        if (!link_.IsDeferredQueueEmpty()) {
            return;  // the next capture waits for the held-back requests of other windows
        }
        timers_.KillTimer(kRestartTimer);
        BeginCapture(CaptureStart::Restart);
    }
}

void ScopeCapture::BeginRecordRead() {
    switch (link_.Access()) {
        case LinkAccess::Closed:
            recordReadWaiting_ = false;
            FailCapture();
            return;
        case LinkAccess::HeldByOther:
            recordReadWaiting_ = true;
            linkBusyShown_ = true;
            SetStatus(ScopeStatusKind::LinkBusy);
            host_.CaptureStateChanged();
            ArmLinkWatch();
            return;
        case LinkAccess::Open:
            break;
    }
    recordReadWaiting_ = false;
    FlushParkedRequests();  // what waited for the link goes before the record is read
    link_.SetDeferredServeSwitch(false);
    link_.SetCyclicReadSwitch(false);
    uploading_ = true;
    host_.CaptureStateChanged();
    link_.Submit(link::kCmdRead, kRecorderRecord, 0);
    ArmLinkWatch();
}

void ScopeCapture::BeginUpload() {
    toggle_ = link::kCmdSegment;
    record_.clear();
    record_.reserve(kRecordBufferInitial);
    host_.UploadStarted();
    if (uploading_) {  // the face may have cancelled meanwhile
        RequestSegment();
    }
}

void ScopeCapture::RequestSegment() {
    awaitingSegment_ = true;
    link_.Submit(toggle_, 0, 0);
}

void ScopeCapture::TakeExpeditedRecord() {
    std::array<std::uint8_t, kSegmentBytes> data{};
    int count = 0;
    bool last = false;
    link_.GetSegmentData(data, count, last);
    const auto bytes = static_cast<std::size_t>(std::clamp(count, 0, int(kExpeditedBytes)));
    record_.assign(data.begin(), data.begin() + static_cast<long>(bytes));
    host_.SegmentKept(record_.size());
    FinishUpload();
}

void ScopeCapture::OnSegment() {
    AdvanceReading();
    if (!uploading_ || !awaitingSegment_) {
        return;  // a late answer of a cancelled upload
    }
    awaitingSegment_ = false;
    std::array<std::uint8_t, kSegmentBytes> data{};
    int count = 0;
    bool last = false;
    link_.GetSegmentData(data, count, last);
    const auto bytes = static_cast<std::size_t>(std::clamp(count, 0, int(kSegmentBytes)));
    if (record_.size() + bytes > kRecordBufferLimit) {
        truncated_ = true;  // keep what fits; the rest is not asked for
        if (!last) {
            link_.Submit(link::kCmdAbort, kRecorderRecord,
                         static_cast<std::int32_t>(link::AbortCode::OutOfMemory));
        }
        last = true;
    } else {
        record_.insert(record_.end(), data.begin(), data.begin() + static_cast<long>(bytes));
    }
    host_.SegmentKept(record_.size());
    if (!last) {
        toggle_ = toggle_ == link::kCmdSegment ? link::kCmdSegmentToggle : link::kCmdSegment;
        RequestSegment();
        return;
    }
    FinishUpload();
}

void ScopeCapture::FinishUpload() {
    uploading_ = false;
    awaitingSegment_ = false;
    link_.SetCyclicReadSwitch(true);
    const RecordLayout layout = RecordedLayout();
    const std::size_t sampleBytes = RecordBytesPerSample(layout);
    dropped_ = sampleBytes == 0 ? 0 : record_.size() % sampleBytes;
    const Curves curves = DecodeRecord(record_, layout);
    host_.RecordDecoded(curves);
    link_.SetDeferredServeSwitch(true);
    ScopeStatus status;
    if (dropped_ != 0) {
        status = {ScopeStatusKind::PartialRecord, 0, dropped_, sampleBytes};
    }
    if (idle_ || !host_.ContinuousCapture()) {
        EndCapture(status);
    } else {
        timers_.StartTimer(kRestartTimer, kRestartPeriod);
        if (dropped_ != 0) {
            host_.StatusChanged(status);
        }
        host_.CaptureStateChanged();
    }
    FlushHeldRequests();
}

void ScopeCapture::AbandonUpload() {
    uploading_ = false;
    awaitingSegment_ = false;
    link_.SetCyclicReadSwitch(true);
    link_.SetDeferredServeSwitch(true);
    if (idle_ || !host_.ContinuousCapture()) {
        EndCapture({});
    } else {
        timers_.StartTimer(kRestartTimer, kRestartPeriod);
        host_.CaptureStateChanged();
    }
    FlushHeldRequests();
}

void ScopeCapture::FailCapture() {
    uploading_ = false;
    awaitingSegment_ = false;
    startAnswerPending_ = false;
    startAfterReadBack_ = false;
    recordReadWaiting_ = false;
    waiting_ = false;
    linkBusyShown_ = false;
    timers_.KillTimer(kPollTimer);
    timers_.KillTimer(kRestartTimer);
    EndCapture({ScopeStatusKind::Failed});
    FlushHeldRequests();
}

void ScopeCapture::EndCapture(ScopeStatus status) {
    idle_ = true;
    link_.SetCyclicReadSwitch(true);
    link_.SetDeferredServeSwitch(true);
    host_.StatusChanged(status);
    host_.CaptureStateChanged();
    if (!LinkWatchNeeded()) {
        timers_.KillTimer(kLinkWatchTimer);
    }
}

// ---- status ----

void ScopeCapture::SetStatus(ScopeStatusKind kind, int counter) {
    host_.StatusChanged({kind, counter});
}

void ScopeCapture::AdvanceWaiting() {
    SetStatus(ScopeStatusKind::Waiting, waitingCounter_);
    waitingCounter_ += kWaitingStep;
    if (waitingCounter_ >= kWaitingWrap) {
        waitingCounter_ = 0;
    }
}

void ScopeCapture::AdvanceReading() {
    if (readingCounter_ % kReadingTextEvery == 0) {
        SetStatus(ScopeStatusKind::Reading, readingCounter_);
    }
    if (++readingCounter_ >= kReadingWrap) {
        readingCounter_ = 0;
    }
}

// ---- settings ----

void ScopeCapture::WritePeriod(std::int32_t period) {
    Submit(link::kCmdWrite16, kRecorderPeriod, period);
}

void ScopeCapture::WritePointerOffset(std::int32_t offset) {
    Submit(link::kCmdWrite16, kRecorderPointerOffset, offset);
}

void ScopeCapture::WriteSamples(std::int32_t samples) {
    readBackStep_ = kReadBackSamplesStep;
    Submit(link::kCmdWrite16, kRecorderSamples, samples);
}

void ScopeCapture::ToggleEdge() {
    Submit(link::kCmdWrite8, kRecorderEdge, mirror_.edge == 0 ? 1 : 0);
}

void ScopeCapture::WriteEdge(bool rising) {
    Submit(link::kCmdWrite8, kRecorderEdge, rising ? 1 : 0);
}

void ScopeCapture::WriteTriggerObject(std::uint32_t mapping) {
    if (mapping != 0) {
        levelReRead_ = true;
    }
    Submit(link::kCmdWrite32, kRecorderTriggerObject, static_cast<std::int32_t>(ForDrive(mapping)));
}

void ScopeCapture::WriteTriggerLevel(std::int32_t raw) {
    Submit(link::kCmdWrite32, kRecorderTriggerLevel, raw);
}

void ScopeCapture::ReadTriggerLevel() {
    Submit(link::kCmdRead, kRecorderTriggerLevel, 0);
}

bool ScopeCapture::OwnsWide(int channel) const {
    return owner_[static_cast<std::size_t>(PairOf(channel))] == FirstOfPair(channel);
}

void ScopeCapture::SwitchChannelOn(int channel, std::uint32_t mapping) {
    const auto own = static_cast<std::size_t>(OwnSlotIndex(channel));
    const auto wide = static_cast<std::size_t>(WideSlotIndex(channel));
    const auto value = static_cast<std::int32_t>(ForDrive(mapping));
    // The channel's other slot is cleared after the new one is written, so that the channel
    // never records two objects. (The newest request is served first.)
    if (NeedsWideSlot(mapping)) {
        owner_[static_cast<std::size_t>(PairOf(channel))] = FirstOfPair(channel);
        ownerChosen_[static_cast<std::size_t>(PairOf(channel))] = true;
        Submit(link::kCmdWrite32, kRecorderSlots[wide], value);
        if (mirror_.slotValues[own] != 0) {
            Submit(link::kCmdWrite32, kRecorderSlots[own], 0);
        }
    } else {
        const bool clearWide = OwnsWide(channel) && mirror_.slotValues[wide] != 0;
        Submit(link::kCmdWrite32, kRecorderSlots[own], value);
        if (clearWide) {
            Submit(link::kCmdWrite32, kRecorderSlots[wide], 0);
        }
    }
    readBackStep_ = kReadBackSlotsStep;
}

void ScopeCapture::SwitchChannelOff(int channel) {
    const auto own = static_cast<std::size_t>(OwnSlotIndex(channel));
    const auto wide = static_cast<std::size_t>(WideSlotIndex(channel));
    if (mirror_.slotValues[own] != 0) {
        Submit(link::kCmdWrite32, kRecorderSlots[own], 0);
    } else if (OwnsWide(channel) && mirror_.slotValues[wide] != 0) {
        Submit(link::kCmdWrite32, kRecorderSlots[wide], 0);
    }
}

// ---- layout ----

void ScopeCapture::SetChannelSigned(int channel, bool isSigned) {
    signed_[static_cast<std::size_t>(channel)] = isSigned;
}

int ScopeCapture::ChannelOfSlot(int slotIndex) const {
    return scope::ChannelOfSlot(slotIndex, Layout());
}

TriggerMark TriggerMarkOf(const RecorderMirror& settings, const RecordLayout& layout) {
    TriggerMark mark;
    mark.manual = settings.triggerObject == 0;
    if (mark.manual) {
        return mark;  // started at once: the record begins at the start
    }
    const std::int32_t samples = std::max(1, settings.samples);
    mark.sample = std::clamp(settings.pointerOffset, 0, samples - 1) + 1;
    const ObjectKey trigger = MappingKey(settings.triggerObject);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const std::uint32_t value = layout.slotValues[static_cast<std::size_t>(slot)];
        if (value != 0 && MappingKey(value) == trigger) {
            mark.channel = ChannelOfSlot(slot, layout);
            break;
        }
    }
    const bool isSigned =
        mark.channel >= 0 && layout.channelSigned[static_cast<std::size_t>(mark.channel)];
    mark.level = isSigned ? static_cast<double>(settings.triggerLevel)
                          : static_cast<double>(static_cast<std::uint32_t>(settings.triggerLevel));
    return mark;
}

TriggerMark AtDriveTriggerIndex(TriggerMark mark, std::int32_t index, int recordSamples) {
    if (!mark.manual && recordSamples > 0) {
        mark.sample = std::clamp(index, 0, recordSamples - 1) + 1;
    }
    return mark;
}

std::uint32_t ScopeCapture::ChannelMapping(int channel) const {
    const std::uint32_t own = mirror_.slotValues[static_cast<std::size_t>(OwnSlotIndex(channel))];
    if (own != 0) {
        return own;
    }
    return OwnsWide(channel) ? mirror_.slotValues[static_cast<std::size_t>(WideSlotIndex(channel))]
                             : 0;
}

RecordLayout ScopeCapture::Layout() const {
    RecordLayout layout;
    layout.slotValues = mirror_.slotValues;
    layout.wideOwnedByFirst = owner_;
    layout.channelSigned = signed_;
    for (int channel = 0; channel < kChannelCount; ++channel) {
        const std::uint32_t mapping = ChannelMapping(channel);
        if (mapping == 0) {
            continue;
        }
        if (const auto isSigned = host_.ObjectSigned(MappingKey(mapping))) {
            layout.channelSigned[static_cast<std::size_t>(channel)] = *isSigned;
        }
    }
    return layout;
}

}  // namespace morlo::scope
