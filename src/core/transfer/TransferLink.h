#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>

#include "common/ObjectKey.h"
#include "engine/ControlLink.h"
#include "transfer/TransferRow.h"

namespace morlo::transfer {

// What a drive-data run needs of the link.
class TransferLink {
  public:
    virtual ~TransferLink() = default;
    virtual bool IsOpen() const = 0;
    virtual void Submit(std::uint8_t command, ObjectKey key, std::int32_t value) = 0;
    virtual void SetCyclicReads(bool on) = 0;
    virtual void SetSendRetry(bool on) = 0;
    virtual bool SendRetry() const = 0;
    // The data of the last segment answer: its bytes, how many carry data, whether it is last.
    virtual void SegmentData(std::array<std::uint8_t, link::kSegmentDataBytes>& data, int& count,
                             bool& last) = 0;
};

// One pending call of DriveDataRun::OnTimer.
class TransferTimer {
  public:
    virtual ~TransferTimer() = default;
    // Starting again replaces the pending call.
    virtual void Start(std::chrono::milliseconds delay) = 0;
    virtual void Stop() = 0;
};

enum class StoreOutcome { Done, Refused, NoAnswer };

// The commands of the store dialog and the write page: store the motor then the control
// parameters (the page's sequence), store either alone, initialise the control parameters,
// or restart the drive (reported only when refused: a restarting drive does not answer).
enum class DriveCommand { Store, StoreControl, StoreMotor, Initialise, Restart };

struct CommandResult {
    StoreOutcome outcome = StoreOutcome::Done;
    std::uint32_t abortCode = 0;  // Refused: the drive's abort code
    ObjectKey key = 0;            // Refused: the object the drive refused
};

struct DriveIdentity;

// What a run tells its face.
class TransferEvents {
  public:
    virtual ~TransferEvents() = default;
    virtual void RowChanged(int row) = 0;
    // The rows are being asked (a verify first waits until the drive answers).
    virtual void RowsStarted(RunKind) {}
    // noAnswer: the drive or the link stopped answering; the rows left are marked.
    virtual void RunFinished(RunKind kind, const RunCounts& counts, bool noAnswer) = 0;
    virtual void CommandFinished(DriveCommand, const CommandResult&) {}
    // The drive's texts were read (noAnswer: the drive or the link stopped answering).
    virtual void IdentityRead(const DriveIdentity&, bool /*noAnswer*/) {}
    // Waiting for a restarted drive ended: it answers again, or it did not within the limit.
    virtual void DriveBack(bool /*back*/) {}
};

// The control link as a run's link, submitting for one receiver.
class ControlLinkTransfer final : public TransferLink {
  public:
    ControlLinkTransfer(engine::ControlLink& link, engine::ReceiverId window)
        : link_(link), window_(window) {}
    bool IsOpen() const override { return link_.LinkState() == engine::kLinkStateOpen; }
    void Submit(std::uint8_t command, ObjectKey key, std::int32_t value) override {
        link_.SubmitRequest(window_, command, key, value);
    }
    void SetCyclicReads(bool on) override { link_.SetCyclicReadSwitch(on); }
    void SetSendRetry(bool on) override { link_.SetSendRetrySwitch(on); }
    bool SendRetry() const override { return link_.SendRetrySwitch(); }
    void SegmentData(std::array<std::uint8_t, link::kSegmentDataBytes>& data, int& count,
                     bool& last) override {
        link_.GetSegmentData(data, count, last);
    }

  private:
    engine::ControlLink& link_;
    engine::ReceiverId window_;
};

}  // namespace morlo::transfer
