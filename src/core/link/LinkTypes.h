#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "link/LinkConstants.h"

namespace morlo::link {

// What the settings pages hand to a link object when it opens.
struct LinkSettings {
    std::string portName;  // serial: the system's port name (/dev/ttyUSB0, COM3, a pty path)
    int nodeId = 1;
    int rate = 0;  // serial: baud rate in bit/s; CAN: the adapter's bit-timing code
    int timeoutMs = static_cast<int>(kLinkTimeout.count());
};

// One CAN message as the codec exchanges it (standard 11-bit frames only).
struct CanMessage {
    std::uint32_t id = 0;
    std::uint8_t type = 0;  // 0 = standard frame
    std::uint8_t length = 0;
    std::array<std::uint8_t, 8> data{};
};

using SdoPayload = std::array<std::uint8_t, kPayloadSize>;
using SerialFrame = std::array<std::uint8_t, kSerialFrameSize>;

}  // namespace morlo::link
