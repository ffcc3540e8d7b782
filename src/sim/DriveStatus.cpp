#include "DriveStatus.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "DigitalIo.h"
#include "SimConstants.h"

namespace morlo::sim {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kPermille = 1000.0;
constexpr double kTenthsPerUnit = 10.0;
constexpr double kMillivoltPerDeciVolt = 100.0;
constexpr std::int64_t kLogicSupply = 240;  // 0.1 V
constexpr double kLogicSupplyNoise = 1.0;
constexpr double kAnalog1Amplitude = 2000.0;  // mV
constexpr double kAnalog1Period = 10.0;       // s
constexpr double kAnalog2Level = 500.0;       // mV
constexpr double kAnalogNoise = 5.0;          // mV
constexpr double kAnalogGainUnit = 1000.0;
constexpr double kAngleUnits = 65536.0;
constexpr double kPhaseShift = kTwoPi / 3.0;
constexpr int kHallSectors = 6;
constexpr std::int64_t kHallCodes[kHallSectors] = {5, 4, 6, 2, 3, 1};
constexpr std::int64_t kInt16Min = -32768;
constexpr std::int64_t kInt16Max = 32767;
constexpr std::uint32_t kFollowingCheckOff = 0xFFFFFFFF;
constexpr double kPercent = 100.0;
// Values for objects the dictionary lacks.
constexpr std::int64_t kFallbackOverTemperature = 850;  // 0.1 degC
constexpr std::int64_t kFallbackOverloadLevel = 80;     // %
constexpr std::int64_t kFallbackZeroSpeed = 5000;       // counts/s
constexpr std::int64_t kFallbackInPosition = 20;        // counts
constexpr std::int64_t kFallbackTorqueReached = 1000;   // 0.1 %

std::int64_t Round(double value) {
    return std::llround(value);
}

bool IsPositionMode(int mode) {
    return mode == kModeProfilePosition || mode == kModeCyclicPosition || mode == kModeHoming;
}

}  // namespace

LiveValues ComputeLiveValues(const DriveSnapshot& d, Prng& noise) {
    const ObjectStore& o = d.objects;
    const DriveParameters& p = d.parameters;
    const MotorState& m = d.motor;
    LiveValues v;
    const double seconds = static_cast<double>(d.tick) / kTicksPerSecond;
    const bool powered = d.machine.PowerStageOn();
    const bool fault = d.machine.State() == DriveState::Fault;
    const bool enabled = d.machine.State() == DriveState::OperationEnabled;

    const double actual = p.positionSign * m.position + d.motion.HomeShift();
    const double followingError = d.motion.PositionDemand() - actual;
    v.positionInternal = Round(m.position);
    v.positionActual = Round(actual);
    v.positionDemand = Round(d.motion.PositionDemand());
    v.followingError = v.positionDemand - v.positionActual;
    v.velocityDemand = Round(d.motion.VelocityDemand());
    v.velocityActual = Round(p.velocitySign * m.measuredVelocity);
    v.velocityLoopCommand = Round(d.velocityCommand);
    v.torqueDemand = Round(p.velocitySign * m.iqCommand);
    v.torqueActual = Round(p.velocitySign * m.measuredIq);
    v.currentActual = v.torqueActual;
    v.dcLinkMillivolt = Round(m.busMillivolt);
    v.busDeciVolt = Round(m.busMillivolt / kMillivoltPerDeciVolt);
    v.driveTemperature = Round(m.driveTemperature * kTenthsPerUnit);
    v.motorTemperature = Round(m.motorTemperature * kTenthsPerUnit);
    v.i2tLoad = Round(m.i2tLoad * kPermille);
    v.iqCommandMa = Round(m.iqCommand / kPermille * p.ratedCurrentMa);
    v.iqActualMa = Round(m.measuredIq / kPermille * p.ratedCurrentMa);
    v.idActualMa = Round(m.idMa);
    v.outputPowerWatt = Round(m.powerWatt);
    v.poweredOnSeconds = d.tick / kTicksPerSecond;
    v.logicSupply = kLogicSupply + Round(kLogicSupplyNoise * noise.Symmetric());
    v.followingError16 = std::clamp(v.followingError, kInt16Min, kInt16Max);

    const double turn = std::fmod(m.position, p.countsPerRevolution);
    const double inTurn = turn < 0 ? turn + p.countsPerRevolution : turn;
    v.singleTurn = Round(inTurn) % static_cast<std::int64_t>(p.countsPerRevolution);
    const double electrical =
        std::fmod(kTwoPi * p.polePairs * inTurn / p.countsPerRevolution, kTwoPi);
    v.electricalAngle =
        Round(electrical / kTwoPi * kAngleUnits) % static_cast<std::int64_t>(kAngleUnits);
    v.hallState = kHallCodes[static_cast<int>(electrical / kTwoPi * kHallSectors) % kHallSectors];
    v.phaseCurrentU = Round(-v.iqActualMa * std::sin(electrical));
    v.phaseCurrentV = Round(-v.iqActualMa * std::sin(electrical - kPhaseShift));

    v.analogInput1 = Round(kAnalog1Amplitude * std::sin(kTwoPi * seconds / kAnalog1Period) +
                           kAnalogNoise * noise.Symmetric());
    v.analogInput2 = Round(kAnalog2Level + kAnalogNoise * noise.Symmetric());
    v.analogProcessed1 = (v.analogInput1 - o.Number(kAnalogOffset1)) *
                         o.Number(kAnalogGain1, static_cast<std::int64_t>(kAnalogGainUnit)) /
                         static_cast<std::int64_t>(kAnalogGainUnit);
    v.analogProcessed2 = (v.analogInput2 - o.Number(kAnalogOffset2)) *
                         o.Number(kAnalogGain2, static_cast<std::int64_t>(kAnalogGainUnit)) /
                         static_cast<std::int64_t>(kAnalogGainUnit);

    // Warnings.
    const bool positionMode = IsPositionMode(p.mode);
    const auto window = static_cast<std::uint32_t>(p.followingErrorWindow);
    const bool followingWarning = powered && positionMode && window != kFollowingCheckOff &&
                                  std::abs(followingError) > p.followingErrorWindow;
    const double overTemperature =
        static_cast<double>(o.Number(kOverTemperatureLevel, kFallbackOverTemperature));
    const double overloadLevel =
        static_cast<double>(o.Number(kOverloadWarningLevel, kFallbackOverloadLevel));
    const bool overload = m.i2tLoad * kPercent > overloadLevel;
    std::uint16_t warnings = 0;
    if (v.driveTemperature >= overTemperature - kTemperatureWarningMargin) {
        warnings |= kWarnTemperature;
    }
    if (followingWarning) {
        warnings |= kWarnFollowing;
    }
    if (overload) {
        warnings |= kWarnI2t;
    }

    // Outputs follow the functions that are active now; inputs add their warnings.
    const bool zeroSpeed =
        std::abs(m.velocity) < static_cast<double>(o.Number(kZeroSpeedLevel, kFallbackZeroSpeed));
    const bool speedLimit = std::abs(d.velocityCommand) >= p.velocityLimit;
    const double torqueReached =
        static_cast<double>(o.Number(kTorqueReachedLevel, kFallbackTorqueReached));
    OutputFunctions active = 0;
    auto set = [&](bool condition, std::uint16_t function) {
        if (condition) {
            active |= function;
        }
    };
    set(enabled, kOutServoReady);
    set(fault, kOutAlarm);
    set(powered && positionMode && d.motion.TargetReached() &&
            std::abs(followingError) <=
                static_cast<double>(o.Number(kInPositionWindow, kFallbackInPosition)),
        kOutInPosition);
    set(zeroSpeed, kOutZeroSpeed);
    set(powered, kOutBrakeRelease);
    set(powered && !positionMode && d.motion.TargetReached(), kOutVelocityReached);
    set(m.limiting, kOutTorqueLimit);
    set(d.motion.HomingAttained(), kOutHomingComplete);
    set(enabled, kOutServoEnabled);
    set(powered && speedLimit, kOutSpeedLimit);
    set(followingWarning, kOutFollowingWarning);
    set(overload, kOutOverloadWarning);
    set(std::abs(m.measuredIq) >= torqueReached, kOutTorqueReached);
    IoStates io = ComputeIo(o, d.tick, actual, active);
    if ((io.inputFunctions & kInPositiveLimit) != 0) {
        warnings |= kWarnPositiveLimit;
    }
    if ((io.inputFunctions & kInNegativeLimit) != 0) {
        warnings |= kWarnNegativeLimit;
    }
    if ((io.inputFunctions & kInEmergencyStop) != 0) {
        warnings |= kWarnEmergencyStop;
    }
    if (warnings != 0) {
        io = ComputeIo(o, d.tick, actual, static_cast<OutputFunctions>(active | kOutWarning));
    }
    v.inputTerminals = io.terminals;
    v.inputEffective = io.effective;
    v.outputStates = io.outputs;
    v.profileInputs = io.profileInputs;
    v.warningState = warnings;

    // Statusword.
    std::int64_t sw = d.machine.StateBits() | kSwRemote;
    if (warnings != 0) {
        sw |= kSwWarning;
    }
    if (powered && d.motion.TargetReached()) {
        sw |= kSwTargetReached;
    }
    if (m.limiting) {
        sw |= kSwInternalLimit;
    }
    if (p.mode == kModeProfilePosition && d.motion.SetPointAcknowledged()) {
        sw |= kSwModeBit12;
    }
    if (p.mode == kModeHoming && d.motion.HomingAttained()) {
        sw |= kSwModeBit12;
    }
    if (positionMode && followingWarning) {
        sw |= kSwModeBit13;
    }
    if (p.mode == kModeProfileVelocity && zeroSpeed) {
        sw |= kSwModeBit12;
    }
    if (d.motion.HomingAttained()) {
        sw |= kSwHomeValid;
    }
    v.statusword = sw;
    v.modeDisplay = p.mode;
    v.homingState = d.motion.HomingAttained() ? kHomingStateComplete : kHomingStateIdle;
    v.errorRegister = fault ? kErrorRegisterGeneric : 0;
    v.errorCode = fault ? kErrorCodeGeneric : 0;
    return v;
}

std::uint16_t DetectModelErrors(const ObjectStore& objects, const MotorState& motor) {
    std::uint16_t errors = 0;
    const double overTemperature =
        static_cast<double>(objects.Number(kOverTemperatureLevel, kFallbackOverTemperature));
    if (motor.driveTemperature * kTenthsPerUnit >= overTemperature) {
        errors |= 1u << kErrorOverTemperature;
    }
    if (motor.i2tLoad >= kI2tErrorLoad) {
        errors |= 1u << kErrorI2t;
    }
    return errors;
}

void PublishPanelDisplay(ObjectStore& objects) {
    SimObject* display = objects.Find(kPanelDisplayValue);
    if (!display) {
        return;
    }
    const std::int64_t item = objects.Number(kPanelDisplayItem);
    std::int64_t value = 0;
    if (item >= 0 && item < static_cast<std::int64_t>(kPanelDisplayItems.size())) {
        value = objects.Number(kPanelDisplayItems[static_cast<std::size_t>(item)]);
    }
    display->value = display->Encode(value);
}

}  // namespace morlo::sim
