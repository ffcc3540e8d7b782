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
    // The abort code of the last refused write, when the link can tell (a refused write is
    // answered with a read of the object); taking it clears it.
    virtual std::optional<std::uint32_t> TakeWriteRefusal() { return std::nullopt; }
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

// What a run tells its face.
class TransferEvents {
  public:
    virtual ~TransferEvents() = default;
    virtual void RowChanged(int row) = 0;
    // The rows are being asked (a verify first waits until the drive answers).
    virtual void RowsStarted(RunKind) {}
    // noAnswer: the drive or the link stopped answering; the rows left are marked.
    virtual void RunFinished(RunKind kind, const RunCounts& counts, bool noAnswer) = 0;
    virtual void StoreFinished(StoreOutcome outcome) = 0;
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
