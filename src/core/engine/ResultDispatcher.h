#pragma once

#include "engine/LinkRequest.h"

namespace morlo::engine {

// The receivers' side of result delivery. The control-link thread hands over one result at a
// time and waits until its handler has run on the receivers' thread.
class ResultDispatcher {
  public:
    virtual ~ResultDispatcher() = default;
    // Called on the control-link thread: a result is waiting; make the receivers' thread call
    // ControlLink::RunPendingDeliveries soon (a GUI posts an event; a loop may just wake up).
    virtual void WakeReceiverThread() = 0;
    // Called on the receivers' thread: run the receiver's handler. A receiver that no longer
    // exists is skipped.
    virtual void Dispatch(const Delivery& delivery) = 0;
};

}  // namespace morlo::engine
