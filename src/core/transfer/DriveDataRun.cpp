#include "transfer/DriveDataRun.h"

#include <algorithm>

#include "engine/EngineConstants.h"
#include "link/AbortCode.h"
#include "link/LinkConstants.h"
#include "link/SdoFrame.h"
#include "transfer/DriveDataKey.h"
#include "transfer/TransferConstants.h"

namespace morlo::transfer {
namespace {

constexpr int kStoreMotorStep = 1;
constexpr int kStoreControlStep = 2;
constexpr int kStoreFinalStep = 3;

}  // namespace

DriveDataRun::DriveDataRun(const ObjectDictionary& dictionary, TransferLink& link,
                           TransferTimer& timer, TransferEvents& events)
    : dictionary_(dictionary), link_(link), timer_(timer), events_(events) {}

std::string DriveDataRun::NameOf(std::uint32_t key) const {
    DictionaryEntry entry;
    return dictionary_.FindByKey(ObjectKeyOf(key), entry) ? entry.name : kUnknownName;
}

ValueFormat DriveDataRun::FormatOf(const TransferRow& row) const {
    DictionaryEntry entry;
    if (dictionary_.FindByKey(ObjectKeyOf(row.key), entry)) {
        return FormatOfType(entry.dataType);
    }
    return FormatOfKey(row.key);
}

bool DriveDataRun::SetObjectList(const std::vector<std::uint32_t>& keys) {
    if (Running()) {
        return false;
    }
    rows_.clear();
    for (std::uint32_t key : keys) {
        TransferRow row;
        row.key = key;
        row.keyText = DriveDataKeyText(key);
        row.name = NameOf(key);
        rows_.push_back(std::move(row));
    }
    return true;
}

bool DriveDataRun::SetDriveData(const std::vector<DriveDataLine>& lines) {
    if (Running()) {
        return false;
    }
    rows_.clear();
    for (const DriveDataLine& line : lines) {
        TransferRow row;
        row.keyText = line.keyText;
        row.key = ParseDriveDataKey(line.keyText);
        row.name = NameOf(row.key);
        row.loadValue = line.loadValue;
        rows_.push_back(std::move(row));
    }
    return true;
}

RunCounts DriveDataRun::Counts() const {
    RunCounts counts;
    counts.total = static_cast<int>(rows_.size());
    for (const TransferRow& row : rows_) {
        counts.errors += row.result == RowResult::Fail ? 1 : 0;
        counts.alarms += row.result == RowResult::Alarm ? 1 : 0;
    }
    return counts;
}

// ---- rows ----

StartResult DriveDataRun::Start(RunKind kind) {
    if (Busy()) {
        return StartResult::Busy;
    }
    link_.SetCyclicReads(false);
    if (!link_.IsOpen()) {
        return StartResult::LinkClosed;
    }
    kind_ = kind;
    next_ = 0;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        rows_[i].value.clear();
        rows_[i].result = RowResult::None;
        rows_[i].note = RowNote::None;
        events_.RowChanged(static_cast<int>(i));
    }
    if (kind == RunKind::Verify && !link_.SendRetry()) {
        // Ask the first row that can be asked until the restarted drive answers; the first
        // question waits, so that the restart command is surely out before it.
        for (const TransferRow& candidate : rows_) {
            TransferRow row = candidate;
            ValueFormat format;
            std::uint32_t expected = 0;
            if (Prepare(row, format, expected)) {
                phase_ = Phase::Probing;
                expectedKey_ = ObjectKeyOf(row.key);
                probed_ = std::chrono::milliseconds(0);
                timer_.Start(kProbeInterval);
                return StartResult::Started;
            }
        }
    }
    if (kind != RunKind::Backup) {
        link_.SetSendRetry(true);
    }
    StartRows();
    return StartResult::Started;
}

void DriveDataRun::StartRows() {
    phase_ = Phase::Rows;
    next_ = 0;
    events_.RowsStarted(kind_);
    RequestNext();
}

bool DriveDataRun::Prepare(TransferRow& row, ValueFormat& format, std::uint32_t& expected) {
    format = FormatOf(row);
    if (!format.Usable()) {
        row.note = RowNote::BadSize;
        return false;
    }
    if (kind_ == RunKind::Backup) {
        return true;
    }
    int commandBits = format.bits;
    if (kind_ == RunKind::Restore) {
        // The key's size chooses the write command; it must be the object's size.
        commandBits = KeySizeBits(row.key);
        if (format.typed && commandBits != format.bits) {
            row.note = RowNote::BadSize;
            return false;
        }
    }
    const LoadValue load = LoadValueToRaw(row.loadValue, format, commandBits);
    if (!load.raw) {
        row.note = load.note;
        return false;
    }
    expected = *load.raw;
    return true;
}

void DriveDataRun::RequestNext() {
    while (next_ < rows_.size()) {
        TransferRow& row = rows_[next_];
        ValueFormat format;
        std::uint32_t expected = 0;
        if (!Prepare(row, format, expected)) {
            row.result = RowResult::Fail;
            events_.RowChanged(static_cast<int>(next_));
            ++next_;
            continue;
        }
        format_ = format;
        expectedValue_ = expected;
        expectedKey_ = ObjectKeyOf(row.key);
        if (kind_ == RunKind::Restore) {
            link_.Submit(link::WriteCommandForWidth(KeySizeBits(row.key)), expectedKey_,
                         static_cast<std::int32_t>(expected));
        } else {
            link_.Submit(link::kCmdRead, expectedKey_, 0);
        }
        timer_.Start(kAnswerLimit);
        return;
    }
    FinishRun(false);
}

void DriveDataRun::TakeAnswer(std::uint32_t value, bool refused) {
    timer_.Stop();
    TransferRow& row = rows_[next_];
    if (refused) {
        row.value = FormatAbortCode(value);
        row.result = RowResult::Fail;
    } else {
        row.value = FormatValue(value, format_);
        const bool same =
            kind_ == RunKind::Backup || SameValue(value, expectedValue_, format_.bits);
        row.result = same ? RowResult::True : RowResult::Alarm;
    }
    events_.RowChanged(static_cast<int>(next_));
    ++next_;
    RequestNext();
}

void DriveDataRun::FinishRun(bool noAnswer) {
    timer_.Stop();
    if (noAnswer) {
        for (std::size_t i = next_; i < rows_.size(); ++i) {
            if (rows_[i].result == RowResult::None) {
                rows_[i].result = RowResult::Fail;
                rows_[i].note = RowNote::NoAnswer;
                events_.RowChanged(static_cast<int>(i));
            }
        }
    }
    phase_ = Phase::Idle;
    link_.SetCyclicReads(true);
    events_.RunFinished(kind_, Counts(), noAnswer);
}

// ---- store and restart ----

StartResult DriveDataRun::StartStore() {
    if (Busy()) {
        return StartResult::Busy;
    }
    if (!link_.IsOpen()) {
        return StartResult::LinkClosed;
    }
    phase_ = Phase::StoreWait;
    storeStep_ = kStoreMotorStep;
    storeOutcome_ = StoreOutcome::Done;
    timer_.Start(kStoreFirstWait);
    return StartResult::Started;
}

void DriveDataRun::RunStoreStep() {
    if (storeStep_ != kStoreMotorStep && storeStep_ != kStoreControlStep) {
        FinishStore(storeOutcome_);
        return;
    }
    expectedKey_ = storeStep_ == kStoreMotorStep ? kStoreMotorKey : kStoreControlKey;
    link_.TakeWriteRefusal();  // forget refusals of earlier writes
    phase_ = Phase::StoreAnswer;
    link_.Submit(link::kCmdWrite8, expectedKey_, kStoreValue);
    timer_.Start(kAnswerLimit);
}

void DriveDataRun::FinishStore(StoreOutcome outcome) {
    timer_.Stop();
    phase_ = Phase::Idle;
    events_.StoreFinished(outcome);
}

StartResult DriveDataRun::Restart() {
    if (Busy()) {
        return StartResult::Busy;
    }
    if (!link_.IsOpen()) {
        return StartResult::LinkClosed;
    }
    link_.SetSendRetry(false);
    link_.Submit(link::kCmdWrite16, kRestartKey, kRestartValue);
    return StartResult::Started;
}

// ---- inputs ----

void DriveDataRun::OnResult(const engine::Delivery& d) {
    switch (d.message) {
        case engine::kMsgValue:
            OnValue(d.lParam, d.wParam);
            break;
        case engine::kMsgAbort:
            if (upload_.Running() && upload_.Key() == d.lParam) {
                upload_.Stop();
            }
            OnAbort(d.lParam, static_cast<std::uint32_t>(d.wParam));
            break;
        case engine::kMsgUploadStart:
            OnUploadStart(d.lParam);
            break;
        case engine::kMsgSegment:
            OnSegment();
            break;
        case engine::kMsgLinkFault:
            OnLinkFault(d.lParam);
            break;
        default:
            break;
    }
}

void DriveDataRun::OnUploadStart(ObjectKey key) {
    if (key != expectedKey_) {
        return;
    }
    if (phase_ == Phase::Probing) {
        DriveAnswersAgain();  // the probe's value is not used
        return;
    }
    if (phase_ != Phase::Rows) {
        return;
    }
    // Also a restart of the upload after a lost segment begins the data anew.
    link_.Submit(upload_.Start(key), key, 0);
    timer_.Start(kAnswerLimit);
}

void DriveDataRun::OnSegment() {
    if (!upload_.Running() || phase_ != Phase::Rows || upload_.Key() != expectedKey_) {
        return;  // a late segment of an upload this run gave up
    }
    std::array<std::uint8_t, link::kSegmentDataBytes> data{};
    int count = 0;
    bool last = false;
    link_.SegmentData(data, count, last);
    const auto bytes = static_cast<std::size_t>(std::clamp(count, 0, int(data.size())));
    switch (upload_.Add({data.data(), bytes}, last)) {
        case link::UploadReader::Step::Next:
            link_.Submit(upload_.NextCommand(), expectedKey_, 0);
            timer_.Start(kAnswerLimit);
            return;
        case link::UploadReader::Step::TooLong:
            link_.Submit(link::kCmdAbort, expectedKey_,
                         static_cast<std::int32_t>(link::AbortCode::DataTypeLengthTooHigh));
            SkipRow(RowNote::UnreadableValue);
            return;
        case link::UploadReader::Step::Done:
            if (const std::optional<std::uint32_t> number = upload_.AsNumber()) {
                TakeAnswer(*number, false);
            } else {
                SkipRow(RowNote::UnreadableValue);
            }
            return;
    }
}

void DriveDataRun::OnLinkFault(ObjectKey key) {
    if (phase_ != Phase::Rows || key != expectedKey_) {
        return;
    }
    // The link gave up on this object's answer (a segment lost twice); the link itself is up.
    upload_.Stop();
    SkipRow(RowNote::NoAnswer);
}

void DriveDataRun::DriveAnswersAgain() {
    timer_.Stop();
    link_.SetSendRetry(true);
    StartRows();
}

void DriveDataRun::SkipRow(RowNote note) {
    timer_.Stop();
    TransferRow& row = rows_[next_];
    row.result = RowResult::Fail;
    row.note = note;
    events_.RowChanged(static_cast<int>(next_));
    ++next_;
    RequestNext();
}

void DriveDataRun::OnValue(ObjectKey key, std::int32_t value) {
    if (key != expectedKey_) {
        return;
    }
    switch (phase_) {
        case Phase::Probing:
            DriveAnswersAgain();
            return;
        case Phase::Rows:
            TakeAnswer(static_cast<std::uint32_t>(value), false);
            return;
        case Phase::StoreAnswer:
            if (link_.TakeWriteRefusal()) {
                storeOutcome_ = StoreOutcome::Refused;
                storeStep_ = kStoreFinalStep;
            } else {
                ++storeStep_;
            }
            phase_ = Phase::StoreWait;
            timer_.Start(storeStep_ == kStoreControlStep ? kStoreSecondWait : kStoreFinalWait);
            return;
        case Phase::Idle:
        case Phase::StoreWait:
            return;
    }
}

void DriveDataRun::OnAbort(ObjectKey key, std::uint32_t code) {
    if (key != expectedKey_) {
        return;
    }
    switch (phase_) {
        case Phase::Probing:
            DriveAnswersAgain();
            return;
        case Phase::Rows:
            TakeAnswer(code, true);
            return;
        case Phase::StoreAnswer:
            storeOutcome_ = StoreOutcome::Refused;
            storeStep_ = kStoreFinalStep;
            phase_ = Phase::StoreWait;
            timer_.Start(kStoreFinalWait);
            return;
        case Phase::Idle:
        case Phase::StoreWait:
            return;
    }
}

void DriveDataRun::OnTimer() {
    switch (phase_) {
        case Phase::Probing:
            if (probed_ >= kDriveBackLimit) {
                FinishRun(true);
                return;
            }
            probed_ += kProbeInterval;
            link_.Submit(link::kCmdRead, expectedKey_, 0);
            timer_.Start(kProbeInterval);
            return;
        case Phase::Rows:
            FinishRun(true);
            return;
        case Phase::StoreWait:
            RunStoreStep();
            return;
        case Phase::StoreAnswer:
            FinishStore(StoreOutcome::NoAnswer);
            return;
        case Phase::Idle:
            return;
    }
}

void DriveDataRun::OnLinkLost() {
    if (Running()) {
        FinishRun(true);
    } else if (Storing()) {
        FinishStore(StoreOutcome::NoAnswer);
    }
}

}  // namespace morlo::transfer
