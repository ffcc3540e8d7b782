#pragma once

#include <cstdint>

namespace morlo::sim {

enum class DriveState {
    NotReadyToSwitchOn,
    SwitchOnDisabled,
    ReadyToSwitchOn,
    SwitchedOn,
    OperationEnabled,
    QuickStopActive,
    Fault,
};

// The CiA 402 device control state machine, driven by the controlword and the fault condition.
class StateMachine {
  public:
    // Power-up: operation enabled at once, or switch on disabled.
    void PowerUp(bool enabled);
    // Restarting: not ready until the next power-up.
    void Halt();

    // Applies a written controlword. Returns true on a fault reset (rising edge of bit 7).
    bool OnControlword(std::uint16_t controlword);
    // Follows the fault condition: enters Fault while it holds, leaves it when it is gone.
    void SetFaultPresent(bool present);
    // A quick stop has brought the motor to a standstill.
    void QuickStopComplete();

    DriveState State() const { return state_; }
    // The state bits of the statusword (bits 0-3, 5, 6).
    std::uint16_t StateBits() const;
    // True while the power stage drives the motor.
    bool PowerStageOn() const {
        return state_ == DriveState::OperationEnabled || state_ == DriveState::QuickStopActive;
    }

  private:
    DriveState state_ = DriveState::NotReadyToSwitchOn;
    std::uint16_t lastControlword_ = 0;
};

}  // namespace morlo::sim
