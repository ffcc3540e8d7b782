#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "DriveParameters.h"
#include "ErrorLog.h"
#include "LivePublisher.h"
#include "MotionGenerator.h"
#include "MotorModel.h"
#include "ObjectStore.h"
#include "Prng.h"
#include "Recorder.h"
#include "SdoServer.h"
#include "StateFile.h"
#include "StateMachine.h"
#include "dictionary/DictionarySource.h"

namespace morlo::sim {

// An emergency the drive has to send: an error appeared (its code) or the errors were reset
// (code 0), with the error register and the error state word at that moment.
struct DriveEmergency {
    std::uint16_t code = 0;
    std::uint8_t errorRegister = 0;
    std::uint16_t errorState = 0;
};

// The drive's firmware: its objects, the state machine, the operating modes, the motor it
// drives, the I/O, the error words and the recorder, computed in ticks of sim time.
// Not locked: SimulatedDrive serialises every call.
class DriveCore {
  public:
    DriveCore(const DictionarySource& source, std::uint64_t seed);

    ObjectStore& Objects() { return objects_; }
    const ObjectStore& Objects() const { return objects_; }

    // Power-up: defaults, then the stored values; on a restart the error log stays as it is.
    void PowerUp(const StoredValues& stored, bool enabled);
    // The software stops for a restart: power stage off, recorder stopped.
    void Halt();

    // Runs the drive up to the given tick and refreshes every live object.
    void AdvanceTo(std::int64_t tick);
    std::int64_t Tick() const { return tick_; }

    // A checked write to one of the drive's objects (not the store or restart commands).
    WriteOutcome Write(SimObject& object, std::uint32_t value);
    std::string UploadData(const SimObject& object) const;

    void RaiseError(int bit);
    void ClearErrors();
    // The emergencies since the last call, oldest first (the newest kEmergenciesKept).
    std::vector<DriveEmergency> TakeEmergencies();
    DriveState State() const { return machine_.State(); }
    const Recorder& GetRecorder() const { return recorder_; }

  private:
    void Step();
    void RunDemo();
    LiveValues Publish();
    void FollowFaultCondition();
    void RaiseDetectedError(int bit);
    // Clears the error state; a reset emergency follows when there were errors.
    void ResetErrorState();
    void AddEmergency(std::uint16_t code);
    void FollowModeChange();
    double UserPosition() const;

    ObjectStore objects_;
    std::deque<DriveEmergency> emergencies_;
    LivePublisher publisher_;
    ErrorLog errorLog_;
    Recorder recorder_;
    StateMachine machine_;
    MotionGenerator motion_;
    MotorModel motor_;
    DriveParameters parameters_;
    Prng noise_;
    std::int64_t tick_ = 0;
    int lastMode_ = 0;
    double velocityCommand_ = 0;
    std::int64_t lastEffectiveInputs_ = 0;
    bool poweredUp_ = false;
    bool demo_ = false;
    std::int64_t demoStart_ = 0;
};

}  // namespace morlo::sim
