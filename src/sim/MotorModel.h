#pragma once

#include <cstdint>

#include "DriveParameters.h"
#include "Prng.h"

namespace morlo::sim {

// What the drive asks of the power stage in one step (motor direction, not user direction).
struct MotorCommand {
    bool powered = false;
    bool torqueControl = false;
    double velocity = 0;  // counts/s, for the velocity loop
    double torque = 0;    // 0.1 % of rated torque, with torque control
};

// The model's physical state and measurements.
struct MotorState {
    double position = 0;          // counts
    double velocity = 0;          // counts/s, true
    double measuredVelocity = 0;  // counts/s, filtered encoder velocity with noise
    double iqCommand = 0;         // 0.1 % of rated current
    double iq = 0;                // 0.1 % of rated current, true
    double measuredIq = 0;        // with sensor noise
    double idMa = 0;              // field current, only noise
    bool limiting = false;        // the torque limit clipped the loop output
    double busMillivolt = 0;
    double driveTemperature = 0;  // degC
    double motorTemperature = 0;  // degC
    double i2tLoad = 0;           // 1.0 = rated current for a long time
    double powerWatt = 0;
    double time = 0;  // s since the last reset
};

// A servo motor on a velocity PI loop: current -> torque -> inertia -> velocity -> position,
// with Coulomb and viscous friction, cogging, thermal and bus-voltage behaviour and a little
// seeded noise on the measurements.
class MotorModel {
  public:
    explicit MotorModel(std::uint64_t seed) : noise_(seed) { Reset(); }

    // Standstill at position 0, ambient temperature.
    void Reset();
    void Step(const MotorCommand& command, const DriveParameters& parameters, double dt);
    const MotorState& State() const { return state_; }

  private:
    double LoopOutput(const MotorCommand& command, const DriveParameters& p, double dt);
    void Move(const DriveParameters& p, double dt);
    void UpdateThermalAndBus(const MotorCommand& command, const DriveParameters& p, double dt);

    MotorState state_;
    double integral_ = 0;
    Prng noise_;
};

}  // namespace morlo::sim
