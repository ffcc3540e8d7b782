#pragma once

#include <cstdint>
#include <vector>

#include "ObjectStore.h"

namespace morlo::sim {

// Everything the drive computes rather than stores, in the objects' raw units.
struct LiveValues {
    std::int64_t statusword = 0;
    std::int64_t modeDisplay = 0;
    std::int64_t errorRegister = 0;
    std::int64_t errorCode = 0;
    std::int64_t warningState = 0;
    std::int64_t positionDemand = 0;
    std::int64_t positionInternal = 0;
    std::int64_t positionActual = 0;
    std::int64_t velocityDemand = 0;
    std::int64_t velocityActual = 0;
    std::int64_t torqueDemand = 0;
    std::int64_t torqueActual = 0;
    std::int64_t currentActual = 0;
    std::int64_t dcLinkMillivolt = 0;
    std::int64_t followingError = 0;
    std::int64_t profileInputs = 0;
    std::int64_t velocityLoopCommand = 0;
    std::int64_t busDeciVolt = 0;
    std::int64_t driveTemperature = 0;  // 0.1 degC
    std::int64_t motorTemperature = 0;  // 0.1 degC
    std::int64_t i2tLoad = 0;           // 0.1 %
    std::int64_t iqCommandMa = 0;
    std::int64_t iqActualMa = 0;
    std::int64_t idActualMa = 0;
    std::int64_t phaseCurrentU = 0;
    std::int64_t phaseCurrentV = 0;
    std::int64_t singleTurn = 0;
    std::int64_t followingError16 = 0;
    std::int64_t logicSupply = 0;  // 0.1 V
    std::int64_t hallState = 0;
    std::int64_t electricalAngle = 0;
    std::int64_t poweredOnSeconds = 0;
    std::int64_t outputPowerWatt = 0;
    std::int64_t inputTerminals = 0;
    std::int64_t inputEffective = 0;
    std::int64_t outputStates = 0;
    std::int64_t analogInput1 = 0;  // mV
    std::int64_t analogInput2 = 0;
    std::int64_t analogProcessed1 = 0;
    std::int64_t analogProcessed2 = 0;
    std::int64_t homingState = 0;
};

// Writes live values into those of their objects that the dictionary has.
class LivePublisher {
  public:
    explicit LivePublisher(ObjectStore& objects);
    void Publish(const LiveValues& values) const;

  private:
    struct Binding {
        SimObject* object;
        std::int64_t LiveValues::*field;
    };
    std::vector<Binding> bindings_;
};

}  // namespace morlo::sim
