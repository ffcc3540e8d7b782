#pragma once

#include <chrono>
#include <cstdint>

#include "common/ObjectKey.h"

namespace morlo::canopen {

// Node ids of a CANopen network; 0 addresses every node in an NMT command.
inline constexpr int kFirstNode = 1;
inline constexpr int kLastNode = 127;
inline constexpr int kAllNodes = 0;

// Identifiers (COB-IDs) of the network services.
inline constexpr std::uint32_t kNmtId = 0x000;
inline constexpr std::uint32_t kEmergencyBase = 0x080;  // + node
inline constexpr std::uint32_t kHeartbeatBase = 0x700;  // + node; boot-up too
inline constexpr std::uint32_t kNodeMask = 0x7F;

// NMT command specifiers (byte 0 of the NMT frame; byte 1 is the node, 0 for all).
enum class NmtCommand : std::uint8_t {
    Start = 0x01,
    Stop = 0x02,
    PreOperational = 0x80,
    ResetNode = 0x81,
    ResetCommunication = 0x82,
};
inline constexpr std::uint8_t kNmtFrameLength = 2;

// NMT states as a heartbeat carries them; a boot-up message carries 0.
enum class NmtState : std::uint8_t {
    BootUp = 0x00,
    Stopped = 0x04,
    Operational = 0x05,
    PreOperational = 0x7F,
};
inline constexpr std::uint8_t kHeartbeatStateMask = 0x7F;  // bit 7 is the guarding toggle

// A heartbeat that stays away this many periods counts as lost.
inline constexpr int kHeartbeatLostPeriods = 3;

// Emergency messages: error code (2 bytes), error register, 5 bytes of the manufacturer.
inline constexpr std::uint8_t kEmergencyMinLength = 3;
inline constexpr std::size_t kEmergencyDataBytes = 5;
inline constexpr std::uint16_t kEmergencyNoError = 0x0000;

// Objects of the communication profile the network functions read.
inline constexpr ObjectKey kDeviceTypeKey = MakeObjectKey(0x1000, 0x00);
inline constexpr ObjectKey kErrorRegisterKey = MakeObjectKey(0x1001, 0x00);
inline constexpr ObjectKey kDeviceNameKey = MakeObjectKey(0x1008, 0x00);
inline constexpr ObjectKey kSoftwareVersionKey = MakeObjectKey(0x100A, 0x00);
inline constexpr ObjectKey kEmergencyIdKey = MakeObjectKey(0x1014, 0x00);
inline constexpr ObjectKey kHeartbeatTimeKey = MakeObjectKey(0x1017, 0x00);
inline constexpr std::uint32_t kCobIdInvalidBit = 0x80000000u;  // bit 31: the service is off

// How many network events (emergencies, boot-ups) the monitor keeps.
inline constexpr std::size_t kNetworkEventsKept = 1000;

}  // namespace morlo::canopen
