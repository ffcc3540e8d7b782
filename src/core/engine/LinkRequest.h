#pragma once

#include <cstdint>

#include "common/ObjectKey.h"
#include "engine/EngineConstants.h"

namespace morlo::engine {

// One request of a receiver to the drive.
struct LinkRequest {
    ReceiverId window = kNoReceiver;
    ObjectKey key = 0;
    std::int32_t value = 0;
    std::uint8_t command = 0;
};

// One result on its way to a receiver.
struct Delivery {
    ReceiverId receiver = kNoReceiver;
    int message = 0;
    std::int32_t wParam = 0;
    std::int32_t lParam = 0;
    // The link opening the answer belongs to (ControlLink::LinkGeneration when its request
    // went out), so that an answer from before a close is never taken for the present link.
    std::uint32_t linkGeneration = 0;
    // The command of the request answered (a read, a write, ...); 0 for a cyclic read and for
    // reports that answer no request.
    std::uint8_t command = 0;
    // A value: the bits of data the drive's answer carried (0 when it did not say), and the
    // abort code when the value is the read-back of a write the drive refused (0: not refused).
    int dataBits = 0;
    std::uint32_t writeRefusal = 0;
};

}  // namespace morlo::engine
