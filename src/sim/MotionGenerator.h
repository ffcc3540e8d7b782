#pragma once

#include <cstdint>

#include "DriveParameters.h"

namespace morlo::sim {

// What the motion generator knows about the drive in one step (user direction).
struct MotionInputs {
    bool powered = false;    // power stage on
    bool quickStop = false;  // quick stop active
    double actualPosition = 0;
    double actualVelocity = 0;
};

// The set-point for the loops (user direction) and what the statusword reports.
struct MotionOutput {
    bool torqueControl = false;
    double velocityCommand = 0;
    double torqueCommand = 0;
    bool positionMode = false;  // the command came from the position loop
};

// Profile generator of the operating modes: ramps in profile velocity, trapezoidal moves in
// profile position, immediate homing, direct set-points in the cyclic and torque modes.
class MotionGenerator {
  public:
    // Starts over from where the motor is, e.g. on a change of mode.
    void Reset(double actualPosition, double actualVelocity = 0);
    // Takes a new set-point or starts homing on a rising edge of controlword bit 4.
    void OnControlword(std::uint16_t controlword, const DriveParameters& p, double actualPosition);
    MotionOutput Step(const DriveParameters& p, const MotionInputs& in, double dt);

    double PositionDemand() const { return positionDemand_; }
    double VelocityDemand() const { return velocityDemand_; }
    double HomeShift() const { return homeShift_; }
    bool TargetReached() const { return targetReached_; }
    bool SetPointAcknowledged() const { return setPointAck_; }
    bool HomingAttained() const { return homingAttained_; }
    // The quick stop has brought the demand to zero.
    bool Stopped() const { return velocityDemand_ == 0; }

  private:
    double Ramp(double target, double dt, double acceleration, double deceleration);
    MotionOutput ProfileVelocity(const DriveParameters& p, const MotionInputs& in, double dt);
    MotionOutput ProfilePosition(const DriveParameters& p, const MotionInputs& in, double dt);
    MotionOutput Torque(const DriveParameters& p, const MotionInputs& in);
    MotionOutput HoldPosition(const DriveParameters& p, const MotionInputs& in);

    double positionDemand_ = 0;
    double velocityDemand_ = 0;
    double positionTarget_ = 0;
    double homeShift_ = 0;
    bool targetReached_ = false;
    bool setPointAck_ = false;
    bool homingAttained_ = false;
    bool moving_ = false;
    std::uint16_t lastControlword_ = 0;
};

}  // namespace morlo::sim
