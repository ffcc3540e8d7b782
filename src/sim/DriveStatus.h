#pragma once

#include <cstdint>

#include "DriveParameters.h"
#include "LivePublisher.h"
#include "MotionGenerator.h"
#include "MotorModel.h"
#include "ObjectStore.h"
#include "Prng.h"
#include "StateMachine.h"

namespace morlo::sim {

// The parts of the drive its reported values come from.
struct DriveSnapshot {
    const ObjectStore& objects;
    const DriveParameters& parameters;
    const MotorState& motor;
    const MotionGenerator& motion;
    const StateMachine& machine;
    std::int64_t tick;
    double velocityCommand;  // user direction
};

// Statusword, warnings, I/O and every monitoring value of the present moment.
LiveValues ComputeLiveValues(const DriveSnapshot& drive, Prng& noise);

}  // namespace morlo::sim
