#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "canopen/NetworkConstants.h"
#include "link/LinkTypes.h"

namespace morlo::canopen {

// One emergency message (identifier 0x80 + node).
struct Emergency {
    int node = 0;
    std::uint16_t code = 0;
    std::uint8_t errorRegister = 0;
    std::array<std::uint8_t, kEmergencyDataBytes> data{};  // the manufacturer's bytes
};

std::optional<Emergency> DecodeEmergency(const link::CanMessage& message);
link::CanMessage BuildEmergency(int node, std::uint16_t code, std::uint8_t errorRegister,
                                const std::array<std::uint8_t, kEmergencyDataBytes>& data);

// What an error code means: the most specific entry of the CiA 301 and CiA 402 codes and
// of the drive family's own codes (0xFF00..0xFFFF); "unknown error code" when none fits.
std::string_view EmergencyCodeText(std::uint16_t code);

// "0x4210 excess temperature (device), error register 0x09, data 10 00 00 00 00".
std::string DescribeEmergency(const Emergency& emergency);

// The code the drive family sends for a bit of its error state word (0..15).
std::uint16_t EmergencyCodeOfErrorBit(int bit);

}  // namespace morlo::canopen
