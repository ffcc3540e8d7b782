#include "DriveCore.h"

#include <cmath>
#include <utility>
#include <vector>

#include "DriveStatus.h"
#include "SimConstants.h"
#include "canopen/Emergency.h"

namespace morlo::sim {
namespace {

// The readings' noise uses a different stream than the motor model's.
constexpr std::uint64_t kReadingNoiseSeedMix = 0x5A5A5A5Aull;

// Modes of operation the drive accepts (its range also lets through some it does not have).
constexpr int kKnownModes[] = {-6, -5, -4, -3, -2, -1, 0, 1, 3, 4, 6, 8, 9, 10};

bool IsKnownMode(std::int64_t mode) {
    for (int known : kKnownModes) {
        if (known == mode) {
            return true;
        }
    }
    return false;
}

bool IsRecorderMapping(ObjectKey key) {
    for (ObjectKey slot : kRecorderFieldOrder) {
        if (slot == key) {
            return true;
        }
    }
    return key == kRecorderTriggerObject;
}

bool EndsDemo(ObjectKey key) {
    return key == kControlword || key == kTargetVelocity || key == kModesOfOperation ||
           key == kTargetPosition || key == kTargetTorque;
}

}  // namespace

DriveCore::DriveCore(const DictionarySource& source, std::uint64_t seed)
    : objects_(source),
      publisher_(objects_),
      errorLog_(objects_),
      recorder_(objects_),
      motor_(seed),
      noise_(seed ^ kReadingNoiseSeedMix) {}

void DriveCore::PowerUp(const StoredValues& stored, bool enabled) {
    std::vector<std::pair<SimObject*, std::uint32_t>> log;
    objects_.ForEach([&](SimObject& object) {
        if (ErrorLog::IsLogObject(object.key)) {
            log.emplace_back(&object, object.value);
        }
    });
    objects_.ResetAll();
    ApplyStoredValues(objects_, stored);
    if (poweredUp_) {
        // A restart keeps the log as it was; the first power-up has it from the store.
        for (const auto& [object, value] : log) {
            object->value = value;
        }
    }
    poweredUp_ = true;
    motor_.Reset();
    motion_ = MotionGenerator{};
    lastEffectiveInputs_ = 0;
    recorder_.Reset();
    machine_.PowerUp(enabled);
    if (enabled) {
        objects_.Put(kControlword, kCwEnableOperation);
    }
    demo_ = enabled;
    demoStart_ = tick_;
    parameters_ = ReadParameters(objects_);
    lastMode_ = parameters_.mode;
    Publish();
    objects_.Put(kInputRisingLatch, 0);  // inputs closed at power-up are no edges
}

void DriveCore::Halt() {
    machine_.Halt();
    recorder_.Stop();
    demo_ = false;
}

void DriveCore::AdvanceTo(std::int64_t tick) {
    if (tick - tick_ > kMaxCatchUpTicks) {
        tick_ = tick - kMaxCatchUpTicks;
    }
    parameters_ = ReadParameters(objects_);
    while (tick_ < tick) {
        ++tick_;
        Step();
    }
    Publish();
}

double DriveCore::UserPosition() const {
    return parameters_.positionSign * motor_.State().position + motion_.HomeShift();
}

void DriveCore::RunDemo() {
    if (!demo_ || parameters_.mode != kModeProfileVelocity) {
        return;
    }
    const bool reversed = ((tick_ - demoStart_) / kDemoHalfPeriodTicks) % 2 == 1;
    const double target = reversed ? -kDemoVelocity : kDemoVelocity;
    if (parameters_.targetVelocity != target) {
        parameters_.targetVelocity = target;
        objects_.Put(kTargetVelocity, static_cast<std::int64_t>(target));
    }
}

void DriveCore::Step() {
    RunDemo();
    FollowModeChange();
    const MotorState& m = motor_.State();
    const MotionInputs in{machine_.PowerStageOn(), machine_.State() == DriveState::QuickStopActive,
                          UserPosition(), parameters_.velocitySign * m.measuredVelocity};
    const MotionOutput out = motion_.Step(parameters_, in, kTickSeconds);
    velocityCommand_ = out.velocityCommand;
    const int sign = out.positionMode ? parameters_.positionSign : parameters_.velocitySign;
    motor_.Step({in.powered, out.torqueControl, sign * out.velocityCommand,
                 parameters_.velocitySign * out.torqueCommand},
                parameters_, kTickSeconds);

    if (in.quickStop && motion_.Stopped() &&
        std::abs(motor_.State().velocity) <= parameters_.velocityWindow) {
        machine_.QuickStopComplete();
    }
    if (out.positionMode && parameters_.followingErrorLimit > 0 &&
        std::abs(motion_.PositionDemand() - UserPosition()) > parameters_.followingErrorLimit) {
        RaiseDetectedError(kErrorFollowing);
    }
    const std::uint16_t detected = DetectModelErrors(objects_, motor_.State());
    for (int bit = 0; detected != 0 && bit < kErrorBitCount; ++bit) {
        if ((detected & (1u << bit)) != 0) {
            RaiseDetectedError(bit);
        }
    }
    if (recorder_.TickDue()) {
        Publish();
        recorder_.Sample();
    }
}

void DriveCore::FollowModeChange() {
    if (parameters_.mode != lastMode_) {
        lastMode_ = parameters_.mode;
        motion_.Reset(UserPosition(), parameters_.velocitySign * motor_.State().measuredVelocity);
    }
}

void DriveCore::FollowFaultCondition() {
    const auto state = static_cast<std::uint32_t>(objects_.Number(kErrorState));
    const auto mask = static_cast<std::uint32_t>(objects_.Number(kErrorMask));
    machine_.SetFaultPresent((state & mask) != 0);
}

LiveValues DriveCore::Publish() {
    FollowFaultCondition();
    const DriveSnapshot snapshot{objects_, parameters_, motor_.State(),  motion_,
                                 machine_, tick_,       velocityCommand_};
    LiveValues values = ComputeLiveValues(snapshot, noise_);
    publisher_.Publish(values);
    PublishPanelDisplay(objects_);
    // Rising edges of the effective inputs stay latched until the user writes 0.
    const std::int64_t rising = values.inputEffective & ~lastEffectiveInputs_;
    lastEffectiveInputs_ = values.inputEffective;
    if (rising != 0) {
        objects_.Put(kInputRisingLatch, objects_.Number(kInputRisingLatch) | rising);
    }
    return values;
}

void DriveCore::RaiseError(int bit) {
    if (bit < 0 || bit >= kErrorBitCount) {
        return;
    }
    const auto code = static_cast<std::uint16_t>(1u << bit);
    const auto state = static_cast<std::uint32_t>(objects_.Number(kErrorState));
    const LiveValues now = Publish();
    errorLog_.Append(code, {now.busDeciVolt, now.velocityActual, now.iqActualMa,
                            now.driveTemperature, now.statusword, now.poweredOnSeconds});
    objects_.Put(kErrorState, state | code);
    Publish();
    AddEmergency(canopen::EmergencyCodeOfErrorBit(bit));
}

void DriveCore::AddEmergency(std::uint16_t code) {
    emergencies_.push_back({code, static_cast<std::uint8_t>(objects_.Number(kErrorRegister)),
                            static_cast<std::uint16_t>(objects_.Number(kErrorState))});
    if (emergencies_.size() > kEmergenciesKept) {
        emergencies_.pop_front();
    }
}

std::vector<DriveEmergency> DriveCore::TakeEmergencies() {
    std::vector<DriveEmergency> out(emergencies_.begin(), emergencies_.end());
    emergencies_.clear();
    return out;
}

void DriveCore::ResetErrorState() {
    const bool hadErrors = objects_.Number(kErrorState) != 0;
    objects_.Put(kErrorState, 0);
    if (hadErrors) {
        Publish();
        AddEmergency(canopen::kEmergencyNoError);
    }
}

void DriveCore::RaiseDetectedError(int bit) {
    // A condition that lasts is logged once, not every tick.
    if ((objects_.Number(kErrorState) & (1 << bit)) == 0) {
        RaiseError(bit);
    }
}

void DriveCore::ClearErrors() {
    ResetErrorState();
    Publish();
}

WriteOutcome DriveCore::Write(SimObject& object, std::uint32_t value) {
    const ObjectKey key = object.key;
    if (key == kRecorderState) {
        if (value == kRecorderStart) {
            recorder_.Start();
        } else if (value == kRecorderStop) {
            recorder_.Stop();
        } else {
            return WriteOutcome::Refuse(link::AbortCode::InvalidValue);
        }
        return WriteOutcome::Ok();
    }
    if (IsRecorderMapping(key)) {
        if (auto refused = recorder_.CheckMapping(key, value)) {
            return WriteOutcome::Refuse(*refused);
        }
    }
    if (key == kModesOfOperation && !IsKnownMode(object.Decode(value))) {
        return WriteOutcome::Refuse(link::AbortCode::InvalidValue);
    }
    object.value = value;
    if (EndsDemo(key)) {
        demo_ = false;
    }
    parameters_ = ReadParameters(objects_);
    FollowModeChange();  // before a set-point that comes right after the mode
    if (key == kControlword) {
        const auto cw = static_cast<std::uint16_t>(value);
        if (machine_.OnControlword(cw)) {
            ResetErrorState();
        }
        motion_.OnControlword(cw, parameters_, UserPosition());
    }
    if (IsRecorderMapping(key)) {
        recorder_.PublishLayout();
    }
    Publish();
    return WriteOutcome::Ok();
}

std::string DriveCore::UploadData(const SimObject& object) const {
    if (object.key == kRecorderData) {
        return recorder_.Record();
    }
    return object.kind == ValueKind::Text ? object.text : std::string();
}

}  // namespace morlo::sim
