#include "MotionGenerator.h"

#include <algorithm>
#include <cmath>

#include "SimConstants.h"

namespace morlo::sim {
namespace {

// In velocity modes the position demand leans towards the actual position with this time, so
// that the following error stays bounded.
constexpr double kDemandLeakTime = 1.0;  // s

}  // namespace

void MotionGenerator::Reset(double actualPosition, double actualVelocity) {
    positionDemand_ = actualPosition;
    positionTarget_ = actualPosition;
    velocityDemand_ = actualVelocity;
    moving_ = false;
    targetReached_ = false;
}

void MotionGenerator::OnControlword(std::uint16_t cw, const DriveParameters& p,
                                    double actualPosition) {
    const bool rising = (cw & kCwNewSetPoint) != 0 && (lastControlword_ & kCwNewSetPoint) == 0;
    lastControlword_ = cw;
    setPointAck_ = (cw & kCwNewSetPoint) != 0 && p.mode == kModeProfilePosition;
    if (!rising) {
        return;
    }
    if (p.mode == kModeProfilePosition) {
        positionTarget_ =
            (cw & kCwRelative) != 0 ? positionTarget_ + p.targetPosition : p.targetPosition;
        moving_ = true;
        targetReached_ = false;
    } else if (p.mode == kModeHoming) {
        // Every method ends at once: the present position becomes the home offset.
        homeShift_ += p.homeOffset - actualPosition;
        positionDemand_ = positionTarget_ = p.homeOffset;
        velocityDemand_ = 0;
        homingAttained_ = true;
    }
}

double MotionGenerator::Ramp(double target, double dt, double acceleration, double deceleration) {
    const bool speedingUp =
        std::abs(target) > std::abs(velocityDemand_) && target * velocityDemand_ >= 0;
    const double step = (speedingUp ? acceleration : deceleration) * dt;
    if (std::abs(target - velocityDemand_) <= step) {
        velocityDemand_ = target;
    } else {
        velocityDemand_ += target > velocityDemand_ ? step : -step;
    }
    return velocityDemand_;
}

MotionOutput MotionGenerator::Step(const DriveParameters& p, const MotionInputs& in, double dt) {
    if (!in.powered) {
        Reset(in.actualPosition);
        return {};
    }
    if (in.quickStop || (p.controlword & kCwHalt) != 0) {
        const double decel = in.quickStop ? p.quickStopDeceleration : p.deceleration;
        Ramp(0.0, dt, decel, decel);
        positionDemand_ += velocityDemand_ * dt;
        positionTarget_ = positionDemand_;
        moving_ = false;
        return HoldPosition(p, in);
    }
    switch (p.mode) {
        case kModeProfileVelocity:
        case kModeCyclicVelocity:
            return ProfileVelocity(p, in, dt);
        case kModeProfilePosition:
        case kModeCyclicPosition:
            return ProfilePosition(p, in, dt);
        case kModeProfileTorque:
        case kModeCyclicTorque:
            return Torque(p, in);
        default:
            velocityDemand_ = 0;
            return HoldPosition(p, in);
    }
}

MotionOutput MotionGenerator::ProfileVelocity(const DriveParameters& p, const MotionInputs& in,
                                              double dt) {
    const double target = std::clamp(p.targetVelocity, -p.velocityLimit, p.velocityLimit);
    if (p.mode == kModeCyclicVelocity) {
        velocityDemand_ = target;
    } else {
        Ramp(target, dt, p.acceleration, p.deceleration);
    }
    positionDemand_ += velocityDemand_ * dt;
    positionDemand_ += (in.actualPosition - positionDemand_) * (dt / kDemandLeakTime);
    positionTarget_ = positionDemand_;
    targetReached_ = std::abs(target - in.actualVelocity) <= p.velocityWindow;
    return {false, velocityDemand_, 0.0, false};
}

MotionOutput MotionGenerator::ProfilePosition(const DriveParameters& p, const MotionInputs& in,
                                              double dt) {
    if (p.mode == kModeCyclicPosition) {
        positionTarget_ = p.targetPosition;
        moving_ = true;
    }
    if (moving_) {
        const double remaining = positionTarget_ - positionDemand_;
        const double cruise = std::min(std::abs(p.profileVelocity), p.velocityLimit);
        const double braking = std::sqrt(2.0 * p.deceleration * std::abs(remaining));
        const double wanted = std::copysign(std::min(cruise, braking), remaining);
        Ramp(wanted, dt, p.acceleration, p.deceleration);
        const double step = velocityDemand_ * dt;
        if (std::abs(step) >= std::abs(remaining) || (std::abs(remaining) < 1.0 && step == 0)) {
            positionDemand_ = positionTarget_;
            velocityDemand_ = 0;
            moving_ = false;
        } else {
            positionDemand_ += step;
        }
    }
    targetReached_ = !moving_ && std::abs(positionTarget_ - in.actualPosition) <= p.positionWindow;
    return HoldPosition(p, in);
}

MotionOutput MotionGenerator::Torque(const DriveParameters& p, const MotionInputs& in) {
    velocityDemand_ = in.actualVelocity;
    positionDemand_ = positionTarget_ = in.actualPosition;
    targetReached_ = true;
    double torque = p.targetTorque;
    // Keep the speed below the limit: no more torque in the direction of an overspeed.
    if (std::abs(in.actualVelocity) > p.velocityLimit && torque * in.actualVelocity > 0) {
        torque = 0;
    }
    return {true, 0.0, torque, false};
}

MotionOutput MotionGenerator::HoldPosition(const DriveParameters& p, const MotionInputs& in) {
    const double command = velocityDemand_ + p.positionGain * (positionDemand_ - in.actualPosition);
    return {false, std::clamp(command, -p.velocityLimit, p.velocityLimit), 0.0, true};
}

}  // namespace morlo::sim
