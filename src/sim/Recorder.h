#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "ObjectStore.h"
#include "link/AbortCode.h"

namespace morlo::sim {

// The drive's oscilloscope: samples up to four channels of mapped objects every sampling
// period, optionally waits for a trigger crossing, keeps pre-trigger samples, and hands the
// finished record out as bytes. Its settings are the objects of 0x2300.
class Recorder {
  public:
    explicit Recorder(ObjectStore& objects) : objects_(objects) {}

    // InvalidValue when a mapping written to a channel or the trigger object names no object
    // or one of the wrong width; nullopt when the write may go ahead.
    std::optional<link::AbortCode> CheckMapping(ObjectKey slot, std::uint32_t mapping) const;
    // Refreshes the bytes-per-sample object after a channel changed.
    void PublishLayout();

    void Start();
    void Stop();
    // Idle with no record, as after power-up.
    void Reset();
    bool Running() const { return running_; }

    // Counts one tick; true when a sample is due in it. The caller refreshes the live objects,
    // then calls Sample.
    bool TickDue();
    void Sample();

    // The last finished record (empty while recording).
    const std::string& Record() const { return record_; }
    // How many records have been finished since construction.
    std::size_t FinishedRecords() const { return finished_; }

  private:
    struct Field {
        const SimObject* object;
        std::size_t bytes;
    };
    std::vector<Field> Layout() const;
    std::string TakeRow() const;
    bool Crossed(std::int64_t value);
    void SetState(std::uint32_t state);
    void Finish();

    ObjectStore& objects_;
    bool running_ = false;
    bool triggered_ = false;
    std::vector<Field> fields_;
    const SimObject* trigger_ = nullptr;
    bool risingEdge_ = true;
    std::int64_t level_ = 0;
    std::optional<std::int64_t> previous_;
    std::int64_t period_ = 1;
    std::int64_t countdown_ = 0;
    std::int64_t waited_ = 0;
    std::size_t total_ = 0;
    std::size_t preTrigger_ = 0;
    std::size_t triggerIndex_ = 0;
    std::size_t rows_ = 0;
    std::deque<std::string> before_;
    std::string building_;
    std::string record_;
    std::size_t finished_ = 0;
};

}  // namespace morlo::sim
