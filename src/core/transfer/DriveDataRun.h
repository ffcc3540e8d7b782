#pragma once

#include <cstdint>
#include <vector>

#include "dictionary/ObjectDictionary.h"
#include "engine/LinkRequest.h"
#include "link/UploadReader.h"
#include "transfer/DriveDataFiles.h"
#include "transfer/DriveTexts.h"
#include "transfer/DriveValueText.h"
#include "transfer/TransferLink.h"
#include "transfer/TransferRow.h"

namespace morlo::transfer {

enum class StartResult { Started, LinkClosed, Busy };

// A drive-data run: reads a list of objects into a backup, writes a file back into the drive,
// compares drive and file, reads the drive's identity, and runs the store, initialise and
// restart commands. One request is in flight at a time; an answer is taken only when it is
// the one the run waits for, so answers that come outside a run (a restart, a late answer)
// never start or advance one. Values are taken as the drive sends them, never masked: a row
// whose size or value does not match the drive's answer is never "True". Rows that cannot be
// asked (a size other than 8, 16 or 32 bits; for a restore also a value that cannot be
// written) are marked "Fail" and skipped; a compare still reads such a row and shows the
// drive's value. Waits run on the timer, never by blocking. Driven by its face: results,
// timer calls and link loss come in, row changes and ends go out.
class DriveDataRun {
  public:
    DriveDataRun(const ObjectDictionary& dictionary, TransferLink& link, TransferTimer& timer,
                 TransferEvents& events);

    // Rows of an object list (backup) or of a drive-data file (restore, compare, verify);
    // false (and the rows stay) while a run is in progress.
    bool SetObjectList(const std::vector<std::uint32_t>& keys);
    bool SetDriveData(const std::vector<DriveDataLine>& lines);
    const std::vector<TransferRow>& Rows() const { return rows_; }
    RunCounts Counts() const;

    // A run turns cyclic reads off first (even when the link is closed), and back on at its
    // end. It turns the send retries on, except a verify that first waits, retries off, until
    // the drive answers again after a restart; they are on again when any run ends.
    StartResult Start(RunKind kind);
    // Reads the device name, hardware and software version (IdentityRead), as the start of a
    // run: cyclic reads go off first and stay off for the run that follows.
    StartResult ReadIdentity();
    const DriveIdentity& Identity() const { return identity_; }
    // Store: 50 ms, write 0x2FF0:3 = 1, 200 ms after its answer write 0x2FF0:1 = 1, end 800 ms
    // after that answer. The others write their one object at once. A refusal ends it.
    StartResult StartCommand(DriveCommand command);
    StartResult StartStore() { return StartCommand(DriveCommand::Store); }
    // Restart the drive; the send retries go off (the drive is silent while it restarts). A
    // refusal is reported as a finished DriveCommand::Restart.
    StartResult Restart();
    // The abort code of the drive's refusal of the last restart; 0 when it was not refused.
    std::uint32_t RestartRefusal() const { return restartRefusal_; }
    // Asks the statusword until the restarted drive answers (DriveBack), retries off.
    StartResult AwaitDrive();

    bool Running() const { return phase_ == Phase::Probing || phase_ == Phase::Rows; }
    bool Storing() const { return phase_ == Phase::CommandWait || phase_ == Phase::CommandAnswer; }
    bool Busy() const { return phase_ != Phase::Idle; }
    RunKind Kind() const { return kind_; }

    // A result of the link for this run's receiver: values (with the refusal of a write the
    // link read back), refusals, numbers the drive sends in segments (read here through to
    // their last segment) and segments lost on the link.
    void OnResult(const engine::Delivery& delivery);
    void OnTimer();
    // The link failed: whatever waits for an answer ends as unanswered.
    void OnLinkLost();

  private:
    // Started when a run may begin now (idle, link open), else why not.
    StartResult Availability() const;
    static constexpr std::size_t kNumberBytes = 4;
    enum class Phase { Idle, Identity, Probing, Rows, CommandWait, CommandAnswer };
    struct CommandStep {
        std::chrono::milliseconds wait;
        ObjectKey key;
        std::int32_t value;
    };
    // How the row in flight is read and what the file asks of it.
    struct RowPlan {
        ValueFormat format;
        LoadValue load;
    };

    // An answer to the restart command: the drive refused it. True when it was one.
    bool TakeRestartAnswer(const engine::Delivery& delivery);
    void OnValue(const engine::Delivery& delivery);
    void OnAbort(ObjectKey key, std::uint32_t code);
    void OnUploadStart(ObjectKey key);
    void OnSegment();
    void OnLinkFault(ObjectKey key);
    void StartProbing(bool thenRows);
    // A probe was answered (or the probing gave up): the restarted drive is back, or not.
    void EndProbing(bool back);
    // The row waited for ends without a value (note) and the run goes on.
    void SkipRow(RowNote note);
    void RequestNext();
    // Whether the row is asked; notes what keeps it from being "True" or from being asked.
    bool Prepare(TransferRow& row, RowPlan& plan);
    void TakeAnswer(std::uint32_t raw, int bits);
    void TakeRefusal(std::uint32_t code);
    void FinishRun(bool noAnswer);
    void StartRows();
    void FinishIdentity(bool noAnswer);
    void RunCommandStep();
    void CommandAnswered(std::uint32_t refusal);
    void FinishCommand(StoreOutcome outcome);
    ValueFormat FormatOf(const TransferRow& row) const;
    std::string NameOf(std::uint32_t key) const;

    const ObjectDictionary& dictionary_;
    TransferLink& link_;
    TransferTimer& timer_;
    TransferEvents& events_;

    std::vector<TransferRow> rows_;
    Phase phase_ = Phase::Idle;
    RunKind kind_ = RunKind::Backup;
    std::size_t next_ = 0;
    ObjectKey expectedKey_ = 0;
    link::UploadReader upload_{kNumberBytes};
    RowPlan plan_;
    bool probeThenRows_ = false;
    std::chrono::milliseconds probed_{0};
    DriveTextReader texts_{link_};
    DriveIdentity identity_;
    DriveCommand command_ = DriveCommand::Store;
    std::vector<CommandStep> steps_;
    std::size_t step_ = 0;
    CommandResult commandResult_;
    bool restartSent_ = false;
    std::uint32_t restartRefusal_ = 0;
};

}  // namespace morlo::transfer
