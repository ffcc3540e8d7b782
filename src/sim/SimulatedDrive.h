#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "DriveCore.h"
#include "FaultInjector.h"
#include "SdoServer.h"
#include "SimClock.h"
#include "SimConstants.h"
#include "StateFile.h"
#include "dictionary/DictionarySource.h"
#include "link/LinkTypes.h"

namespace morlo::sim {

struct DriveOptions {
    // true: operation enabled in profile velocity mode with a demo motion; false: switch on
    // disabled.
    bool startEnabled = true;
    // Where store writes and power-up reads the values; none: they live in memory only.
    std::optional<std::filesystem::path> stateFile;
    std::chrono::milliseconds restartTime = kDefaultRestartTime;
    std::uint64_t seed = 1;  // noise of the motor model
    // Where each finished record of the recorder is copied, so that tests can compare what a
    // tool uploaded with what the drive recorded.
    std::optional<std::filesystem::path> recordFile;
    SdoDialect dialect = SdoDialect::Family;
};

// The options of the built-in simulated drive: its stored values in the user folder (when
// that folder exists), so that what was stored survives the program.
DriveOptions BuiltInDriveOptions(const std::filesystem::path& userFolder);

// A drive of the family as seen from a link: answers SDO requests from its object
// dictionary, runs its motor model in sim time up to the clock's present on every request,
// stores and restarts, and applies link faults. All methods may be called from any thread.
class SimulatedDrive : private SdoObjectHooks {
  public:
    // Without a clock the drive runs in real time.
    explicit SimulatedDrive(const DictionarySource& source, DriveOptions options = {},
                            std::shared_ptr<SimClock> clock = nullptr);
    ~SimulatedDrive() override;
    SimulatedDrive(const SimulatedDrive&) = delete;
    SimulatedDrive& operator=(const SimulatedDrive&) = delete;

    // The drive's answer; nullopt when it stays silent (restart). No link faults.
    std::optional<link::SdoPayload> HandleRequest(const link::SdoPayload& request);
    // The answer as it reaches the link, after the fault settings had their say.
    std::optional<Reply> Exchange(const link::SdoPayload& request);
    // Every answer to the request as it reaches a CAN bus (a block upload sends many), each
    // after the fault settings had their say; lost ones are left out.
    std::vector<Reply> ExchangeAll(const link::SdoPayload& request);
    // The emergencies the drive raised since the last call.
    std::vector<DriveEmergency> TakeEmergencies();
    // Lets the drive catch up with its clock without a request.
    void Tick();

    void SetFaults(const FaultSettings& settings);
    FaultSettings Faults() const;
    void DropNextAnswers(int count);
    void CorruptNextAnswers(int count);

    // Test hooks.
    void InjectError(int bit);  // sets error state bit 0..15 and logs it
    void ClearErrors();
    std::optional<std::int64_t> Value(ObjectKey key);  // signed per the object's type
    std::optional<std::string> Text(ObjectKey key);
    bool SetValue(ObjectKey key, std::int64_t value);  // bypasses access and range checks
    // Gives a text object another text, kept over restarts; false when it is no text object.
    bool SetText(ObjectKey key, const std::string& text);
    // Answers reads of a number object in segments from now on; false when it is no number.
    bool SendInSegments(ObjectKey key);
    DriveState State();
    bool Restarting();
    std::size_t ObjectCount();
    // Upload initiates and downloads the drive has been sent for the object.
    std::size_t ReadCount(ObjectKey key);
    std::size_t WriteCount(ObjectKey key);

  private:
    WriteOutcome Write(SimObject& object, std::uint32_t value) override;
    std::string UploadData(const SimObject& object) override;

    std::vector<link::SdoPayload> HandleLocked(const link::SdoPayload& request);
    void Sync();
    void CopyRecord();
    std::int64_t TickOf(std::chrono::nanoseconds time) const;
    bool Store();
    void RestoreDefaults();

    mutable std::mutex mutex_;
    DriveOptions options_;
    std::shared_ptr<SimClock> clock_;
    std::chrono::nanoseconds epoch_{0};
    DriveCore core_;
    SdoServer server_;
    FaultInjector faults_;
    StoredValues stored_;
    bool restarting_ = false;
    std::map<ObjectKey, std::size_t> reads_;
    std::map<ObjectKey, std::size_t> writes_;
    std::chrono::nanoseconds restartEnd_{0};
    std::size_t copiedRecords_ = 0;
};

}  // namespace morlo::sim
