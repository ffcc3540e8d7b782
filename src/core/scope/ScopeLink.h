#pragma once

#include <array>
#include <chrono>
#include <cstdint>

#include "common/ObjectKey.h"
#include "engine/ControlLink.h"
#include "scope/ScopeConstants.h"

namespace morlo::scope {

// What the oscilloscope needs from the control link, for one receiver.
class ScopeLink {
  public:
    virtual ~ScopeLink() = default;
    virtual void Submit(std::uint8_t command, ObjectKey key, std::int32_t value) = 0;
    virtual bool IsDeferredQueueEmpty() = 0;
    virtual void SetCyclicReadSwitch(bool on) = 0;
    virtual void SetDeferredServeSwitch(bool on) = 0;
    virtual void GetSegmentData(std::array<std::uint8_t, kSegmentBytes>& data, int& count,
                                bool& last) = 0;
};

// The two one-shot timers of the capture cycle (1 poll, 2 continuous restart). Starting a
// running timer starts it again.
class ScopeTimers {
  public:
    virtual ~ScopeTimers() = default;
    virtual void StartTimer(int id, std::chrono::milliseconds period) = 0;
    virtual void KillTimer(int id) = 0;
};

// The control link's side of ScopeLink.
class ControlLinkScopeLink final : public ScopeLink {
  public:
    ControlLinkScopeLink(engine::ControlLink& link, engine::ReceiverId receiver)
        : link_(link), receiver_(receiver) {}
    void Submit(std::uint8_t command, ObjectKey key, std::int32_t value) override {
        link_.SubmitRequest(receiver_, command, key, value);
    }
    bool IsDeferredQueueEmpty() override { return link_.IsDeferredQueueEmpty(); }
    void SetCyclicReadSwitch(bool on) override { link_.SetCyclicReadSwitch(on); }
    void SetDeferredServeSwitch(bool on) override { link_.SetDeferredServeSwitch(on); }
    void GetSegmentData(std::array<std::uint8_t, kSegmentBytes>& data, int& count,
                        bool& last) override {
        link_.GetSegmentData(data, count, last);
    }

  private:
    engine::ControlLink& link_;
    engine::ReceiverId receiver_;
};

}  // namespace morlo::scope
