#include "StateMachine.h"

#include "SimConstants.h"

namespace morlo::sim {
namespace {

bool Is(std::uint16_t controlword, std::uint16_t mask, std::uint16_t pattern) {
    return (controlword & mask) == pattern;
}

}  // namespace

void StateMachine::PowerUp(bool enabled) {
    state_ = enabled ? DriveState::OperationEnabled : DriveState::SwitchOnDisabled;
    lastControlword_ = enabled ? kCwEnableOperation : 0;
}

void StateMachine::Halt() {
    state_ = DriveState::NotReadyToSwitchOn;
    lastControlword_ = 0;
}

bool StateMachine::OnControlword(std::uint16_t cw) {
    const bool faultReset = (cw & kCwFaultReset) != 0 && (lastControlword_ & kCwFaultReset) == 0;
    lastControlword_ = cw;
    if (state_ == DriveState::NotReadyToSwitchOn || state_ == DriveState::Fault) {
        return faultReset;  // the fault reset itself leaves Fault via SetFaultPresent
    }
    const bool disableVoltage = Is(cw, kCwDisableVoltageMask, kCwDisableVoltage);
    const bool quickStop = Is(cw, kCwQuickStopMask, kCwQuickStop);
    const bool shutdown = Is(cw, kCwShutdownMask, kCwShutdown);
    const bool switchOn = Is(cw, kCwSwitchOnMask, kCwSwitchOn);
    const bool enable = Is(cw, kCwSwitchOnMask, kCwEnableOperation);
    switch (state_) {
        case DriveState::SwitchOnDisabled:
            if (shutdown) {
                state_ = DriveState::ReadyToSwitchOn;
            }
            break;
        case DriveState::ReadyToSwitchOn:
            if (switchOn) {
                state_ = DriveState::SwitchedOn;
            } else if (enable) {
                state_ = DriveState::OperationEnabled;
            } else if (disableVoltage || quickStop) {
                state_ = DriveState::SwitchOnDisabled;
            }
            break;
        case DriveState::SwitchedOn:
            if (enable) {
                state_ = DriveState::OperationEnabled;
            } else if (shutdown) {
                state_ = DriveState::ReadyToSwitchOn;
            } else if (disableVoltage || quickStop) {
                state_ = DriveState::SwitchOnDisabled;
            }
            break;
        case DriveState::OperationEnabled:
            if (switchOn) {
                state_ = DriveState::SwitchedOn;
            } else if (shutdown) {
                state_ = DriveState::ReadyToSwitchOn;
            } else if (quickStop) {
                state_ = DriveState::QuickStopActive;
            } else if (disableVoltage) {
                state_ = DriveState::SwitchOnDisabled;
            }
            break;
        case DriveState::QuickStopActive:
            if (enable) {
                state_ = DriveState::OperationEnabled;
            } else if (disableVoltage) {
                state_ = DriveState::SwitchOnDisabled;
            }
            break;
        default:
            break;
    }
    return faultReset;
}

void StateMachine::SetFaultPresent(bool present) {
    if (present && state_ != DriveState::Fault && state_ != DriveState::NotReadyToSwitchOn) {
        state_ = DriveState::Fault;
    } else if (!present && state_ == DriveState::Fault) {
        state_ = DriveState::SwitchOnDisabled;
    }
}

void StateMachine::QuickStopComplete() {
    if (state_ == DriveState::QuickStopActive) {
        state_ = DriveState::SwitchOnDisabled;
    }
}

std::uint16_t StateMachine::StateBits() const {
    switch (state_) {
        case DriveState::NotReadyToSwitchOn:
            return kSwNotReady;
        case DriveState::SwitchOnDisabled:
            return kSwSwitchOnDisabled;
        case DriveState::ReadyToSwitchOn:
            return kSwReadyToSwitchOn;
        case DriveState::SwitchedOn:
            return kSwSwitchedOn;
        case DriveState::OperationEnabled:
            return kSwOperationEnabled;
        case DriveState::QuickStopActive:
            return kSwQuickStopActive;
        case DriveState::Fault:
            return kSwFault;
    }
    return kSwNotReady;
}

}  // namespace morlo::sim
