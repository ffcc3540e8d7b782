#pragma once

#include <cstdint>

#include "ObjectStore.h"

namespace morlo::sim {

// Output functions (DOUT function word bits) that are active right now.
using OutputFunctions = std::uint16_t;

struct IoStates {
    std::uint16_t terminals = 0;       // input terminal levels
    std::uint16_t effective = 0;       // after simulation and polarity
    std::uint16_t inputFunctions = 0;  // functions selected by the active inputs
    std::uint16_t outputs = 0;         // output states
    std::uint32_t profileInputs = 0;   // 0x60FD
};

// Digital inputs and outputs: terminals that change on a slow schedule and with the axis
// position (user units), polarity, simulation and forcing, and outputs driven by their
// function words.
IoStates ComputeIo(const ObjectStore& objects, std::int64_t tick, double position,
                   OutputFunctions active);

}  // namespace morlo::sim
