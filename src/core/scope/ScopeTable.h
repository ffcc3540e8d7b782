#pragma once

#include <array>
#include <string>

#include "scope/RecordDecoder.h"
#include "scope/ScopeConstants.h"

namespace morlo::scope {

// A channel of the engineering table: its header and how its raw values become the unit's.
struct TableChannel {
    bool shown = false;
    std::string name;
    std::string unit;
    double coefficient = 1;  // raw value to the unit
    int hexDigits = 0;       // the unit is "HEX": the raw value as that many hexadecimal digits
};

// The engineering CSV: a header "time_ms,NAME [UNIT],...", then one line per sample: the time
// in milliseconds on the time axis (sample n at (n - timeZero) periods), and each shown
// channel's value in its unit to 15 significant digits (empty where its curve has ended). LF line
// ends; a name holding a comma or a quote is quoted.
std::string WriteScopeTable(const Curves& curves,
                            const std::array<TableChannel, kChannelCount>& channels,
                            std::int32_t period, int timeZero = 0);

}  // namespace morlo::scope
