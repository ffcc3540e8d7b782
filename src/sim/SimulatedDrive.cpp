#include "SimulatedDrive.h"

#include "link/SdoFrame.h"

#include <algorithm>
#include <fstream>

namespace morlo::sim {
namespace {

bool IsStoreCommand(ObjectKey key) {
    return key == kStoreControl || key == kStoreCommunication || key == kStoreMotor;
}

bool IsCommand(ObjectKey key) {
    return std::find(kCommandObjects.begin(), kCommandObjects.end(), key) != kCommandObjects.end();
}

bool IsControlParameter(const SimObject& object) {
    const std::int32_t index = IndexOf(object.key);
    return object.writable && !IsCommand(object.key) && index >= kFirstManufacturerIndex &&
           index != kMotorDataIndex &&
           std::find(kCommunicationSettings.begin(), kCommunicationSettings.end(), object.key) ==
               kCommunicationSettings.end();
}

}  // namespace

DriveOptions BuiltInDriveOptions(const std::filesystem::path& userFolder) {
    DriveOptions options;
    std::error_code ec;
    if (std::filesystem::is_directory(userFolder, ec)) {
        options.stateFile = userFolder / kBuiltInStateFileName;
    }
    return options;
}

SimulatedDrive::SimulatedDrive(const DictionarySource& source, DriveOptions options,
                               std::shared_ptr<SimClock> clock)
    : options_(std::move(options)),
      clock_(clock ? std::move(clock) : std::make_shared<SteadySimClock>()),
      epoch_(clock_->Now()),
      core_(source, options_.seed),
      server_(core_.Objects(), *this, options_.dialect) {
    if (options_.stateFile) {
        stored_ = ReadStateFile(*options_.stateFile);
    }
    core_.PowerUp(stored_, options_.startEnabled);
}

SimulatedDrive::~SimulatedDrive() = default;

std::int64_t SimulatedDrive::TickOf(std::chrono::nanoseconds time) const {
    return (time - epoch_) / kTickLength;
}

void SimulatedDrive::Sync() {
    const std::chrono::nanoseconds now = clock_->Now();
    if (restarting_ && now >= restartEnd_) {
        core_.AdvanceTo(TickOf(restartEnd_));
        if (options_.stateFile) {
            stored_ = ReadStateFile(*options_.stateFile);
        }
        core_.PowerUp(stored_, options_.startEnabled);
        restarting_ = false;
    }
    core_.AdvanceTo(TickOf(now));
    CopyRecord();
}

void SimulatedDrive::CopyRecord() {
    const Recorder& recorder = core_.GetRecorder();
    if (!options_.recordFile || recorder.FinishedRecords() == copiedRecords_) {
        return;
    }
    copiedRecords_ = recorder.FinishedRecords();
    // Written whole under another name first: a reader never sees half a record.
    std::filesystem::path temporary = *options_.recordFile;
    temporary += ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(recorder.Record().data(), static_cast<std::streamsize>(recorder.Record().size()));
    }
    std::error_code ec;
    std::filesystem::rename(temporary, *options_.recordFile, ec);
}

std::vector<link::SdoPayload> SimulatedDrive::HandleLocked(const link::SdoPayload& request) {
    if (request[0] == link::kCmdRead) {
        ++reads_[link::PayloadKey(request)];
    } else if ((request[0] & link::kWriteMask) == link::kWriteClass) {
        ++writes_[link::PayloadKey(request)];
    }
    Sync();
    if (restarting_) {
        return {};
    }
    return server_.HandleAll(request);
}

std::optional<link::SdoPayload> SimulatedDrive::HandleRequest(const link::SdoPayload& request) {
    std::lock_guard lock(mutex_);
    std::vector<link::SdoPayload> answers = HandleLocked(request);
    if (answers.empty()) {
        return std::nullopt;
    }
    return answers.front();
}

std::size_t SimulatedDrive::ReadCount(ObjectKey key) {
    std::lock_guard lock(mutex_);
    return reads_[key];
}

std::size_t SimulatedDrive::WriteCount(ObjectKey key) {
    std::lock_guard lock(mutex_);
    return writes_[key];
}

std::optional<Reply> SimulatedDrive::Exchange(const link::SdoPayload& request) {
    std::lock_guard lock(mutex_);
    std::vector<link::SdoPayload> answers = HandleLocked(request);
    return faults_.Apply(answers.empty() ? std::nullopt : std::optional(answers.front()));
}

std::vector<Reply> SimulatedDrive::ExchangeAll(const link::SdoPayload& request) {
    std::lock_guard lock(mutex_);
    std::vector<Reply> replies;
    for (const link::SdoPayload& answer : HandleLocked(request)) {
        if (std::optional<Reply> reply = faults_.Apply(answer)) {
            replies.push_back(std::move(*reply));
        }
    }
    return replies;
}

std::vector<DriveEmergency> SimulatedDrive::TakeEmergencies() {
    std::lock_guard lock(mutex_);
    Sync();
    return core_.TakeEmergencies();
}

void SimulatedDrive::Tick() {
    std::lock_guard lock(mutex_);
    Sync();
}

WriteOutcome SimulatedDrive::Write(SimObject& object, std::uint32_t value) {
    if (IsStoreCommand(object.key)) {
        if (value == kStoreCommand) {
            return Store() ? WriteOutcome::Ok()
                           : WriteOutcome::Refuse(link::AbortCode::CannotTransferOrStore);
        }
        if (value == kRestoreDefaultsCommand && object.key == kStoreControl) {
            RestoreDefaults();
            return WriteOutcome::Ok();
        }
        return value == 0 ? WriteOutcome::Ok()
                          : WriteOutcome::Refuse(link::AbortCode::InvalidValue);
    }
    if (object.key == kRestart) {
        if (value != kRestartMagic) {
            return WriteOutcome::Refuse(link::AbortCode::InvalidValue);
        }
        restarting_ = true;
        restartEnd_ = clock_->Now() + options_.restartTime;
        server_.EndUpload();
        core_.Halt();
        return WriteOutcome::NoAnswer();
    }
    return core_.Write(object, value);
}

std::string SimulatedDrive::UploadData(const SimObject& object) {
    return core_.UploadData(object);
}

bool SimulatedDrive::Store() {
    stored_ = CaptureStoredValues(core_.Objects());
    return !options_.stateFile || WriteStateFile(*options_.stateFile, stored_);
}

void SimulatedDrive::RestoreDefaults() {
    core_.Objects().ForEach([](SimObject& object) {
        if (IsControlParameter(object)) {
            object.value = object.defaultValue;
            object.text = object.defaultText;
        }
    });
    core_.AdvanceTo(core_.Tick());
}

void SimulatedDrive::SetFaults(const FaultSettings& settings) {
    std::lock_guard lock(mutex_);
    faults_.Configure(settings);
}

FaultSettings SimulatedDrive::Faults() const {
    std::lock_guard lock(mutex_);
    return faults_.Settings();
}

void SimulatedDrive::DropNextAnswers(int count) {
    std::lock_guard lock(mutex_);
    faults_.DropNext(count);
}

void SimulatedDrive::CorruptNextAnswers(int count) {
    std::lock_guard lock(mutex_);
    faults_.CorruptNext(count);
}

void SimulatedDrive::InjectError(int bit) {
    std::lock_guard lock(mutex_);
    Sync();
    core_.RaiseError(bit);
}

void SimulatedDrive::ClearErrors() {
    std::lock_guard lock(mutex_);
    Sync();
    core_.ClearErrors();
}

std::optional<std::int64_t> SimulatedDrive::Value(ObjectKey key) {
    std::lock_guard lock(mutex_);
    Sync();
    const SimObject* object = core_.Objects().Find(key);
    if (!object || object->kind != ValueKind::Integer) {
        return std::nullopt;
    }
    return object->Number();
}

std::optional<std::string> SimulatedDrive::Text(ObjectKey key) {
    std::lock_guard lock(mutex_);
    const SimObject* object = core_.Objects().Find(key);
    if (!object || object->kind == ValueKind::Integer) {
        return std::nullopt;
    }
    return core_.UploadData(*object);
}

bool SimulatedDrive::SetValue(ObjectKey key, std::int64_t value) {
    std::lock_guard lock(mutex_);
    SimObject* object = core_.Objects().Find(key);
    if (!object || object->kind != ValueKind::Integer) {
        return false;
    }
    object->value = object->Encode(value);
    core_.AdvanceTo(core_.Tick());
    return true;
}

bool SimulatedDrive::SetText(ObjectKey key, const std::string& text) {
    std::lock_guard lock(mutex_);
    SimObject* object = core_.Objects().Find(key);
    if (!object || object->kind != ValueKind::Text) {
        return false;
    }
    object->text = text;
    object->defaultText = text;
    return true;
}

bool SimulatedDrive::SendInSegments(ObjectKey key) {
    std::lock_guard lock(mutex_);
    const SimObject* object = core_.Objects().Find(key);
    if (!object || object->kind != ValueKind::Integer) {
        return false;
    }
    server_.SendInSegments(key);
    return true;
}

DriveState SimulatedDrive::State() {
    std::lock_guard lock(mutex_);
    Sync();
    return core_.State();
}

bool SimulatedDrive::Restarting() {
    std::lock_guard lock(mutex_);
    Sync();
    return restarting_;
}

std::size_t SimulatedDrive::ObjectCount() {
    std::lock_guard lock(mutex_);
    return core_.Objects().Size();
}

}  // namespace morlo::sim
