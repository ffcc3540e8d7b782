#pragma once

#include <array>
#include <chrono>
#include <cstdint>

#include "common/ObjectKey.h"
#include "engine/ControlLink.h"
#include "scope/ScopeConstants.h"

namespace morlo::scope {

// Whether the oscilloscope's requests can reach the drive now.
enum class LinkAccess {
    Open,
    Closed,       // requests are dropped
    HeldByOther,  // another window uses the link exclusively: requests would be dropped
};

// What the oscilloscope needs from the control link, for one receiver.
class ScopeLink {
  public:
    virtual ~ScopeLink() = default;
    virtual void Submit(std::uint8_t command, ObjectKey key, std::int32_t value) = 0;
    virtual bool IsDeferredQueueEmpty() = 0;
    virtual void SetCyclicReadSwitch(bool on) = 0;
    virtual void SetDeferredServeSwitch(bool on) = 0;
    // The data bytes of the last segment answer, or of an expedited answer to a read.
    virtual void GetSegmentData(std::array<std::uint8_t, kSegmentBytes>& data, int& count,
                                bool& last) = 0;
    virtual LinkAccess Access() = 0;
    // Counts the openings of the link: a request made before the link was opened anew has
    // been dropped.
    virtual std::uint32_t Generation() = 0;
};

// The timers of the capture cycle (1 poll, 2 continuous restart, 3 link watch). Starting a
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
    LinkAccess Access() override {
        if (link_.LinkState() != engine::kLinkStateOpen) {
            return LinkAccess::Closed;
        }
        const engine::ReceiverId owner = link_.ExclusiveWindow();
        if (link_.IsExclusive() && owner != engine::kNoReceiver && owner != receiver_) {
            return LinkAccess::HeldByOther;
        }
        return LinkAccess::Open;
    }
    std::uint32_t Generation() override { return link_.LinkGeneration(); }

  private:
    engine::ControlLink& link_;
    engine::ReceiverId receiver_;
};

}  // namespace morlo::scope
