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

constexpr int kBitsPerByte = 8;

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
        TransferRow& row = rows_[i];
        row.value.clear();
        row.result = RowResult::None;
        row.note = RowNote::None;
        row.noteArg.clear();
        row.abortCode = 0;
        row.fileRaw.reset();
        row.driveRaw.reset();
        row.driveBits = 0;
        events_.RowChanged(static_cast<int>(i));
    }
    if (kind == RunKind::Verify && !link_.SendRetry()) {
        StartProbing(true);
        return StartResult::Started;
    }
    link_.SetSendRetry(true);
    StartRows();
    return StartResult::Started;
}

void DriveDataRun::StartRows() {
    phase_ = Phase::Rows;
    next_ = 0;
    events_.RowsStarted(kind_);
    RequestNext();
}

bool DriveDataRun::Prepare(TransferRow& row, RowPlan& plan) {
    plan.format = FormatOf(row);
    plan.load = {};
    if (!plan.format.Usable()) {
        row.note = RowNote::BadSize;
        return false;
    }
    if (plan.format.typed && KeySizeBits(row.key) != plan.format.bits) {
        // Read as the object is, but never "True"; never written with the key's width.
        row.note = RowNote::KeySizeDiffers;
        row.noteArg = plan.format.typeText;
        if (kind_ == RunKind::Restore) {
            return false;
        }
    }
    if (kind_ == RunKind::Backup) {
        return true;
    }
    plan.load = LoadValueToRaw(row.loadValue, plan.format);
    row.fileRaw = plan.load.raw;
    if (!plan.load.raw) {
        if (row.note == RowNote::None) {
            row.note = plan.load.note;
            row.noteArg = plan.load.noteArg;
        }
        // Nothing is written that the file does not say exactly; a compare still shows
        // what the drive holds.
        return kind_ != RunKind::Restore;
    }
    return true;
}

void DriveDataRun::RequestNext() {
    while (next_ < rows_.size()) {
        TransferRow& row = rows_[next_];
        if (!Prepare(row, plan_)) {
            row.result = RowResult::Fail;
            events_.RowChanged(static_cast<int>(next_));
            ++next_;
            continue;
        }
        expectedKey_ = ObjectKeyOf(row.key);
        if (kind_ == RunKind::Restore) {
            link_.Submit(link::WriteCommandForWidth(plan_.format.bits), expectedKey_,
                         static_cast<std::int32_t>(*plan_.load.raw));
        } else {
            link_.Submit(link::kCmdRead, expectedKey_, 0);
        }
        timer_.Start(kAnswerLimit);
        return;
    }
    FinishRun(false);
}

void DriveDataRun::TakeAnswer(std::uint32_t raw, int bits) {
    timer_.Stop();
    TransferRow& row = rows_[next_];
    const DriveValue drive = ReadDriveValue(raw, bits, plan_.format);
    row.value = drive.text;
    row.driveRaw = raw;
    row.driveBits = bits;
    if (row.note == RowNote::None) {
        row.note = drive.note;
        row.noteArg = drive.noteArg;
    }
    const bool same =
        kind_ == RunKind::Backup || (plan_.load.raw && plan_.load.number == drive.number);
    row.result = same && row.note == RowNote::None ? RowResult::True : RowResult::Alarm;
    events_.RowChanged(static_cast<int>(next_));
    ++next_;
    RequestNext();
}

void DriveDataRun::TakeRefusal(std::uint32_t code) {
    timer_.Stop();
    TransferRow& row = rows_[next_];
    row.value = FormatAbortCode(code);
    row.result = RowResult::Fail;
    row.note = RowNote::Refused;
    row.noteArg.clear();
    row.abortCode = code;
    events_.RowChanged(static_cast<int>(next_));
    ++next_;
    RequestNext();
}

void DriveDataRun::SkipRow(RowNote note) {
    timer_.Stop();
    TransferRow& row = rows_[next_];
    row.result = RowResult::Fail;
    row.note = note;
    row.noteArg.clear();
    events_.RowChanged(static_cast<int>(next_));
    ++next_;
    RequestNext();
}

void DriveDataRun::FinishRun(bool noAnswer) {
    timer_.Stop();
    upload_.Stop();
    if (noAnswer) {
        for (std::size_t i = next_; i < rows_.size(); ++i) {
            if (rows_[i].result == RowResult::None) {
                rows_[i].result = RowResult::Fail;
                rows_[i].note = RowNote::NoAnswer;
                rows_[i].noteArg.clear();
                events_.RowChanged(static_cast<int>(i));
            }
        }
    }
    phase_ = Phase::Idle;
    link_.SetCyclicReads(true);
    link_.SetSendRetry(true);  // also after a verify whose drive never came back
    events_.RunFinished(kind_, Counts(), noAnswer);
}

// ---- identity ----

StartResult DriveDataRun::ReadIdentity() {
    if (Busy()) {
        return StartResult::Busy;
    }
    link_.SetCyclicReads(false);  // the run it begins has the link to itself
    if (!link_.IsOpen()) {
        return StartResult::LinkClosed;
    }
    link_.SetSendRetry(true);
    identity_ = {};
    phase_ = Phase::Identity;
    timer_.Start(kAnswerLimit);
    texts_.Start(IdentityKeys());
    if (!texts_.Active()) {
        FinishIdentity(false);
    }
    return StartResult::Started;
}

void DriveDataRun::FinishIdentity(bool noAnswer) {
    timer_.Stop();
    texts_.Cancel();
    identity_ = IdentityOf(texts_.Texts());
    phase_ = Phase::Idle;
    events_.IdentityRead(identity_, noAnswer);
}

// ---- store, initialise and restart ----

StartResult DriveDataRun::StartCommand(DriveCommand command) {
    if (const StartResult availability = Availability(); availability != StartResult::Started) {
        return availability;
    }
    using std::chrono::milliseconds;
    switch (command) {
        case DriveCommand::Store:
            steps_ = {{kStoreFirstWait, kStoreMotorKey, kStoreValue},
                      {kStoreSecondWait, kStoreControlKey, kStoreValue}};
            break;
        case DriveCommand::StoreControl:
            steps_ = {{milliseconds(0), kStoreControlKey, kStoreValue}};
            break;
        case DriveCommand::StoreMotor:
            steps_ = {{milliseconds(0), kStoreMotorKey, kStoreValue}};
            break;
        case DriveCommand::Initialise:
            steps_ = {{milliseconds(0), kStoreControlKey, kInitialiseValue}};
            break;
        case DriveCommand::Restart:
            return Restart();
    }
    command_ = command;
    step_ = 0;
    commandResult_ = {};
    phase_ = Phase::CommandWait;
    timer_.Start(steps_.front().wait);
    return StartResult::Started;
}

void DriveDataRun::RunCommandStep() {
    if (step_ >= steps_.size()) {
        FinishCommand(commandResult_.outcome);
        return;
    }
    expectedKey_ = steps_[step_].key;
    phase_ = Phase::CommandAnswer;
    link_.Submit(link::kCmdWrite8, expectedKey_, steps_[step_].value);
    timer_.Start(kAnswerLimit);
}

void DriveDataRun::CommandAnswered(std::uint32_t refusal) {
    phase_ = Phase::CommandWait;
    if (refusal != 0) {
        // A refusal ends the sequence: nothing after it is written.
        commandResult_ = {StoreOutcome::Refused, refusal, expectedKey_};
        step_ = steps_.size();
    } else {
        ++step_;
    }
    if (step_ < steps_.size()) {
        timer_.Start(steps_[step_].wait);
    } else {
        timer_.Start(command_ == DriveCommand::Store ? kStoreFinalWait
                                                     : std::chrono::milliseconds(0));
    }
}

StartResult DriveDataRun::Availability() const {
    if (Busy()) {
        return StartResult::Busy;
    }
    return link_.IsOpen() ? StartResult::Started : StartResult::LinkClosed;
}

void DriveDataRun::FinishCommand(StoreOutcome outcome) {
    timer_.Stop();
    phase_ = Phase::Idle;
    commandResult_.outcome = outcome;
    events_.CommandFinished(command_, commandResult_);
}

StartResult DriveDataRun::Restart() {
    if (const StartResult availability = Availability(); availability != StartResult::Started) {
        return availability;
    }
    link_.SetSendRetry(false);
    restartSent_ = true;
    restartRefusal_ = 0;
    link_.Submit(link::kCmdWrite16, kRestartKey, kRestartValue);
    return StartResult::Started;
}

bool DriveDataRun::TakeRestartAnswer(const engine::Delivery& d) {
    if (!restartSent_ || d.lParam != kRestartKey ||
        (d.message != engine::kMsgValue && d.message != engine::kMsgAbort)) {
        return false;
    }
    restartSent_ = false;
    const std::uint32_t refusal =
        d.message == engine::kMsgAbort ? static_cast<std::uint32_t>(d.wParam) : d.writeRefusal;
    if (refusal == 0) {
        return true;  // confirmed before the drive went silent
    }
    restartRefusal_ = refusal;
    events_.CommandFinished(DriveCommand::Restart, {StoreOutcome::Refused, refusal, kRestartKey});
    if (phase_ == Phase::Probing) {
        EndProbing(true);  // it never went away
    }
    return true;
}

StartResult DriveDataRun::AwaitDrive() {
    if (const StartResult availability = Availability(); availability != StartResult::Started) {
        return availability;
    }
    link_.SetSendRetry(false);
    StartProbing(false);
    return StartResult::Started;
}

void DriveDataRun::StartProbing(bool thenRows) {
    // The first question waits, so that the restart command is surely out before it.
    phase_ = Phase::Probing;
    probeThenRows_ = thenRows;
    expectedKey_ = kProbeKey;
    probed_ = std::chrono::milliseconds(0);
    timer_.Start(kProbeInterval);
}

void DriveDataRun::EndProbing(bool back) {
    timer_.Stop();
    link_.SetSendRetry(true);
    if (probeThenRows_) {
        if (back) {
            StartRows();
        } else {
            FinishRun(true);
        }
        return;
    }
    phase_ = Phase::Idle;
    events_.DriveBack(back);
}

// ---- inputs ----

void DriveDataRun::OnResult(const engine::Delivery& d) {
    if (TakeRestartAnswer(d)) {
        return;
    }
    if (phase_ == Phase::Identity) {
        if (texts_.OnResult(d)) {
            if (texts_.Active()) {
                timer_.Start(kAnswerLimit);
            } else {
                FinishIdentity(false);
            }
        }
        return;
    }
    switch (d.message) {
        case engine::kMsgValue:
            OnValue(d);
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
        EndProbing(true);  // the probe's value is not used
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
                TakeAnswer(*number, static_cast<int>(upload_.Data().size()) * kBitsPerByte);
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

void DriveDataRun::OnValue(const engine::Delivery& d) {
    if (d.lParam != expectedKey_) {
        return;
    }
    switch (phase_) {
        case Phase::Probing:
            EndProbing(true);
            return;
        case Phase::Rows:
            if (d.writeRefusal != 0) {
                TakeRefusal(d.writeRefusal);  // the value is a read-back, not the write's
            } else {
                TakeAnswer(static_cast<std::uint32_t>(d.wParam), d.dataBits);
            }
            return;
        case Phase::CommandAnswer:
            CommandAnswered(d.writeRefusal);
            return;
        case Phase::Idle:
        case Phase::Identity:
        case Phase::CommandWait:
            return;
    }
}

void DriveDataRun::OnAbort(ObjectKey key, std::uint32_t code) {
    if (key != expectedKey_) {
        return;
    }
    switch (phase_) {
        case Phase::Probing:
            EndProbing(true);  // refused, but it answers
            return;
        case Phase::Rows:
            TakeRefusal(code);
            return;
        case Phase::CommandAnswer:
            CommandAnswered(code != 0 ? code
                                      : static_cast<std::uint32_t>(link::AbortCode::GeneralError));
            return;
        case Phase::Idle:
        case Phase::Identity:
        case Phase::CommandWait:
            return;
    }
}

void DriveDataRun::OnTimer() {
    switch (phase_) {
        case Phase::Probing:
            if (probed_ >= kDriveBackLimit) {
                EndProbing(false);
                return;
            }
            probed_ += kProbeInterval;
            link_.Submit(link::kCmdRead, expectedKey_, 0);
            timer_.Start(kProbeInterval);
            return;
        case Phase::Rows:
            FinishRun(true);
            return;
        case Phase::Identity:
            FinishIdentity(true);
            return;
        case Phase::CommandWait:
            RunCommandStep();
            return;
        case Phase::CommandAnswer:
            FinishCommand(StoreOutcome::NoAnswer);
            return;
        case Phase::Idle:
            return;
    }
}

void DriveDataRun::OnLinkLost() {
    switch (phase_) {
        case Phase::Probing:
            EndProbing(false);
            return;
        case Phase::Rows:
            FinishRun(true);
            return;
        case Phase::Identity:
            FinishIdentity(true);
            return;
        case Phase::CommandWait:
        case Phase::CommandAnswer:
            FinishCommand(StoreOutcome::NoAnswer);
            return;
        case Phase::Idle:
            return;
    }
}

}  // namespace morlo::transfer
