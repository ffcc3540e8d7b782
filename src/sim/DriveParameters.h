#pragma once

#include <cstdint>

#include "ObjectStore.h"

namespace morlo::sim {

// The settings the motion and the motor model use, read from the objects once per time step
// batch. Objects the dictionary lacks take plausible defaults.
struct DriveParameters {
    int mode = 0;
    std::uint16_t controlword = 0;
    // Set-points and profile, in counts, counts/s, counts/s^2 and 0.1 % of rated torque.
    double targetVelocity = 0;
    double targetPosition = 0;
    double targetTorque = 0;
    double profileVelocity = 0;
    double acceleration = 0;
    double deceleration = 0;
    double quickStopDeceleration = 0;
    double velocityLimit = 0;  // the lower of the loop's limit and the max motor speed
    double velocityWindow = 0;
    double positionWindow = 0;
    double followingErrorLimit = 0;  // 0 = no check
    double followingErrorWindow = 0;
    double homeOffset = 0;
    // Position loop gain in 1/s.
    double positionGain = 0;
    // Velocity loop: bandwidth in Hz, integral time and feedback filter in s.
    double velocityBandwidth = 0;
    double integralTime = 0;
    double feedbackFilter = 0;
    // Torque limits in 0.1 % of rated torque (both positive numbers).
    double torqueLimitPositive = 0;
    double torqueLimitNegative = 0;
    // Motor.
    double ratedCurrentMa = 0;
    double countsPerRevolution = 0;
    int polePairs = 0;
    double ratedTorqueNm = 0;
    double rotorInertia = 0;            // kg m^2
    double configuredInertiaRatio = 0;  // load / rotor
    double motorThermalTime = 0;        // s
    int positionSign = 1;
    int velocitySign = 1;
};

DriveParameters ReadParameters(const ObjectStore& objects);

}  // namespace morlo::sim
