#include "MotorModel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace morlo::sim {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;
constexpr double kPermille = 1000.0;
// The real load: three times the rotor inertia, whatever the configured ratio says.
constexpr double kLoadInertiaRatio = 3.0;
constexpr double kCurrentLoopTime = 0.0003;  // s
constexpr double kCoulombFriction = 20.0;    // 0.1 % of rated torque
constexpr double kViscousFriction = 1e-4;    // 0.1 % per count/s
constexpr double kCoggingAmplitude = 3.0;    // 0.1 %
constexpr double kCoggingPerTurn = 6.0;
constexpr double kVelocityNoise = 20.0;  // counts/s
constexpr double kCurrentNoise = 2.0;    // 0.1 %
constexpr double kIdNoiseMa = 15.0;
constexpr double kAmbient = 25.0;            // degC
constexpr double kDriveIdleHeating = 8.0;    // degC while the power stage switches
constexpr double kDriveLoadHeating = 40.0;   // degC at rated current
constexpr double kMotorLoadHeating = 60.0;   // degC at rated current
constexpr double kDriveThermalTime = 120.0;  // s
constexpr double kI2tTime = 10.0;            // s
constexpr double kBusNominal = 310000.0;     // mV
constexpr double kBusSagPerWatt = 20.0;      // mV
constexpr double kBusRipple = 1500.0;        // mV, at twice the mains frequency
constexpr double kBusRippleHz = 100.0;
constexpr double kBusNoise = 300.0;  // mV

double Sign(double value) {
    return value > 0 ? 1.0 : (value < 0 ? -1.0 : 0.0);
}

// counts/s^2 that 0.1 % of rated torque gives a given inertia.
double AccelerationPerPermille(const DriveParameters& p, double inertiaRatio) {
    const double inertia = p.rotorInertia * (1.0 + inertiaRatio);
    return p.ratedTorqueNm / kPermille / inertia * p.countsPerRevolution / kTwoPi;
}

}  // namespace

void MotorModel::Reset() {
    state_ = MotorState{};
    state_.busMillivolt = kBusNominal;
    state_.driveTemperature = kAmbient;
    state_.motorTemperature = kAmbient;
    integral_ = 0;
}

void MotorModel::Step(const MotorCommand& command, const DriveParameters& p, double dt) {
    state_.time += dt;
    state_.iqCommand = command.powered ? LoopOutput(command, p, dt) : 0.0;
    if (!command.powered) {
        integral_ = 0;
        state_.limiting = false;
    }
    state_.iq += (state_.iqCommand - state_.iq) * std::min(1.0, dt / kCurrentLoopTime);
    Move(p, dt);
    const double filter = std::max(p.feedbackFilter, dt);
    const double sensed = state_.velocity + kVelocityNoise * noise_.Symmetric();
    state_.measuredVelocity += (sensed - state_.measuredVelocity) * (dt / filter);
    state_.measuredIq = state_.iq + kCurrentNoise * noise_.Symmetric();
    state_.idMa = kIdNoiseMa * noise_.Symmetric();
    UpdateThermalAndBus(command, p, dt);
}

double MotorModel::LoopOutput(const MotorCommand& command, const DriveParameters& p, double dt) {
    double output = command.torque;
    if (!command.torqueControl) {
        const double gain =
            kTwoPi * p.velocityBandwidth / AccelerationPerPermille(p, p.configuredInertiaRatio);
        const double error = command.velocity - state_.measuredVelocity;
        integral_ += gain * error * dt / p.integralTime;
        integral_ = std::clamp(integral_, -p.torqueLimitNegative, p.torqueLimitPositive);
        output = gain * error + integral_;
    }
    const double limited = std::clamp(output, -p.torqueLimitNegative, p.torqueLimitPositive);
    state_.limiting = limited != output;
    return limited;
}

void MotorModel::Move(const DriveParameters& p, double dt) {
    const double turns = state_.position / p.countsPerRevolution;
    const double cogging = kCoggingAmplitude * std::sin(kTwoPi * kCoggingPerTurn * turns);
    const double drive = state_.iq - cogging;
    const double v = state_.velocity;
    if (v == 0 && std::abs(drive) <= kCoulombFriction) {
        return;  // static friction holds the shaft
    }
    const double direction = v != 0 ? Sign(v) : Sign(drive);
    const double friction = kCoulombFriction * direction + kViscousFriction * v;
    double next = v + AccelerationPerPermille(p, kLoadInertiaRatio) * (drive - friction) * dt;
    if (v != 0 && Sign(next) != Sign(v) && std::abs(drive) <= kCoulombFriction) {
        next = 0;  // friction stops the motor, it does not turn it back
    }
    state_.velocity = next;
    state_.position += next * dt;
}

void MotorModel::UpdateThermalAndBus(const MotorCommand& command, const DriveParameters& p,
                                     double dt) {
    const double load = state_.iq / kPermille;
    const double heat = load * load;
    const double driveTarget =
        kAmbient + (command.powered ? kDriveIdleHeating : 0.0) + kDriveLoadHeating * heat;
    state_.driveTemperature += (driveTarget - state_.driveTemperature) * dt / kDriveThermalTime;
    const double motorTarget = kAmbient + kMotorLoadHeating * heat;
    state_.motorTemperature += (motorTarget - state_.motorTemperature) * dt / p.motorThermalTime;
    state_.i2tLoad += (heat - state_.i2tLoad) * dt / kI2tTime;

    const double torqueNm = load * p.ratedTorqueNm;
    const double omega = state_.velocity * kTwoPi / p.countsPerRevolution;
    state_.powerWatt = torqueNm * omega;
    state_.busMillivolt = kBusNominal - kBusSagPerWatt * state_.powerWatt +
                          kBusRipple * std::sin(kTwoPi * kBusRippleHz * state_.time) +
                          kBusNoise * noise_.Symmetric();
}

}  // namespace morlo::sim
