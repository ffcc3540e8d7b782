#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace morlo::link {

// The CAN adapter's bit-timing codes (BTR0/BTR1) and the bit rates they stand for.
struct CanBitTiming {
    int code;
    int bitRate;
    std::string_view text;
};

inline constexpr CanBitTiming kCanBitTimings[] = {
    {0x0014, 1000000, "1 MBit/s"},  {0x001C, 500000, "500 KBit/s"}, {0x011C, 250000, "250 KBit/s"},
    {0x031C, 125000, "125 KBit/s"}, {0x432F, 100000, "100 KBit/s"}, {0x472F, 50000, "50 KBit/s"},
    {0x532F, 20000, "20 KBit/s"},   {0x672F, 10000, "10 KBit/s"},   {0x7F7F, 5000, "5 KBit/s"},
};

inline std::optional<CanBitTiming> FindCanBitTiming(int code) {
    for (const auto& timing : kCanBitTimings) {
        if (timing.code == code) {
            return timing;
        }
    }
    return std::nullopt;
}

}  // namespace morlo::link
