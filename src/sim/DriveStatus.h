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

// Error state bits the drive detects in its power stage and motor right now: over-temperature
// and I2T overload.
std::uint16_t DetectModelErrors(const ObjectStore& objects, const MotorState& motor);

// The front panel shows the value of the item chosen in 0x2FF0:04; 0x2FF1:04 holds it.
void PublishPanelDisplay(ObjectStore& objects);

}  // namespace morlo::sim
