#include "LivePublisher.h"

#include "SimConstants.h"

namespace morlo::sim {
namespace {

struct LiveObject {
    ObjectKey key;
    std::int64_t LiveValues::*field;
};

constexpr LiveObject kLiveObjects[] = {
    {kStatusword, &LiveValues::statusword},
    {kModesDisplay, &LiveValues::modeDisplay},
    {kErrorRegister, &LiveValues::errorRegister},
    {kErrorCode, &LiveValues::errorCode},
    {kWarningState, &LiveValues::warningState},
    {kPositionDemand, &LiveValues::positionDemand},
    {kPositionInternal, &LiveValues::positionInternal},
    {kPositionActual, &LiveValues::positionActual},
    {kVelocityDemand, &LiveValues::velocityDemand},
    {kVelocityActual, &LiveValues::velocityActual},
    {kTorqueDemand, &LiveValues::torqueDemand},
    {kTorqueActual, &LiveValues::torqueActual},
    {kCurrentActual, &LiveValues::currentActual},
    {kDcLinkVoltage, &LiveValues::dcLinkMillivolt},
    {kFollowingErrorActual, &LiveValues::followingError},
    {kDigitalInputs, &LiveValues::profileInputs},
    {kMonVelocityCommand, &LiveValues::velocityLoopCommand},
    {kMonBusVoltage, &LiveValues::busDeciVolt},
    {kMonDriveTemperature, &LiveValues::driveTemperature},
    {kMonMotorTemperature, &LiveValues::motorTemperature},
    {kMonI2tLoad, &LiveValues::i2tLoad},
    {kMonIqCommand, &LiveValues::iqCommandMa},
    {kMonIqActual, &LiveValues::iqActualMa},
    {kMonIdActual, &LiveValues::idActualMa},
    {kMonPhaseCurrentU, &LiveValues::phaseCurrentU},
    {kMonPhaseCurrentV, &LiveValues::phaseCurrentV},
    {kMonSingleTurn, &LiveValues::singleTurn},
    {kMonFollowingError16, &LiveValues::followingError16},
    {kMonLogicSupply, &LiveValues::logicSupply},
    {kMonHallState, &LiveValues::hallState},
    {kMonElectricalAngle, &LiveValues::electricalAngle},
    {kMonPoweredOnTime, &LiveValues::poweredOnSeconds},
    {kMonOutputPower, &LiveValues::outputPowerWatt},
    {kInputTerminals, &LiveValues::inputTerminals},
    {kInputEffective, &LiveValues::inputEffective},
    {kOutputStates, &LiveValues::outputStates},
    {kAnalogInput1, &LiveValues::analogInput1},
    {kAnalogInput2, &LiveValues::analogInput2},
    {kAnalogProcessed1, &LiveValues::analogProcessed1},
    {kAnalogProcessed2, &LiveValues::analogProcessed2},
    {kHomingState, &LiveValues::homingState},
};

}  // namespace

LivePublisher::LivePublisher(ObjectStore& objects) {
    for (const LiveObject& live : kLiveObjects) {
        SimObject* object = objects.Find(live.key);
        if (object && object->kind == ValueKind::Integer) {
            bindings_.push_back({object, live.field});
        }
    }
}

void LivePublisher::Publish(const LiveValues& values) const {
    for (const Binding& binding : bindings_) {
        binding.object->value = binding.object->Encode(values.*binding.field);
    }
}

}  // namespace morlo::sim
