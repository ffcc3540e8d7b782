#pragma once

#include <cstdint>
#include <vector>

#include "dictionary/ObjectDictionary.h"
#include "engine/LinkRequest.h"
#include "link/UploadReader.h"
#include "transfer/DriveDataFiles.h"
#include "transfer/DriveValueText.h"
#include "transfer/TransferLink.h"
#include "transfer/TransferRow.h"

namespace morlo::transfer {

enum class StartResult { Started, LinkClosed, Busy };

// A drive-data run: reads a list of objects into a backup, writes a file back into the drive,
// compares drive and file, and runs the store sequence. One request is in flight at a time;
// an answer is taken only when it is the one the run waits for, so answers that come outside
// a run (a restart, a late answer) never start or advance one. Rows that cannot be asked (a
// size other than 8, 16 or 32 bits, an empty, unreadable or out-of-range value) are marked
// "Fail" and skipped. Waits run on the timer, never by blocking. Driven by its face: results,
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
    // end. Restore and compare turn the send retries on; a verify first waits, retries off,
    // until the drive answers again after a restart.
    StartResult Start(RunKind kind);
    // Store motor then control parameters: 50 ms, write 0x2FF0:3 = 1, 200 ms after its
    // answer write 0x2FF0:1 = 1, end 800 ms after that answer.
    StartResult StartStore();
    // Restart the drive; the send retries go off (the drive is silent while it restarts).
    StartResult Restart();

    bool Running() const { return phase_ == Phase::Probing || phase_ == Phase::Rows; }
    bool Storing() const { return phase_ == Phase::StoreWait || phase_ == Phase::StoreAnswer; }
    bool Busy() const { return phase_ != Phase::Idle; }
    RunKind Kind() const { return kind_; }

    // A result of the link for this run's receiver: values, refusals, numbers the drive sends
    // in segments (read here through to their last segment) and segments lost on the link.
    void OnResult(const engine::Delivery& delivery);
    void OnValue(ObjectKey key, std::int32_t value);
    void OnAbort(ObjectKey key, std::uint32_t code);
    void OnTimer();
    // The link failed: whatever waits for an answer ends as unanswered.
    void OnLinkLost();

  private:
    static constexpr std::size_t kNumberBytes = 4;
    enum class Phase { Idle, Probing, Rows, StoreWait, StoreAnswer };

    void OnUploadStart(ObjectKey key);
    void OnSegment();
    void OnLinkFault(ObjectKey key);
    // A verify's probe was answered: the restarted drive is back, the rows are asked.
    void DriveAnswersAgain();
    // The row waited for ends without a value (note) and the run goes on.
    void SkipRow(RowNote note);
    void RequestNext();
    bool Prepare(TransferRow& row, ValueFormat& format, std::uint32_t& expected);
    void Mark(int row, RowNote note);
    void TakeAnswer(std::uint32_t value, bool refused);
    void FinishRun(bool noAnswer);
    void StartRows();
    void RunStoreStep();
    void FinishStore(StoreOutcome outcome);
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
    ValueFormat format_;
    std::uint32_t expectedValue_ = 0;
    std::chrono::milliseconds probed_{0};
    int storeStep_ = 0;
    StoreOutcome storeOutcome_ = StoreOutcome::Done;
};

}  // namespace morlo::transfer
