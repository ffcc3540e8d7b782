#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "common/ObjectKey.h"
#include "scope/ScopeConstants.h"

namespace morlo::scope {

// The size code of an object's data type: its bit width (the digits of the type text) plus 1
// when the type is signed (starts with I); nullopt for widths other than 8, 16 and 32.
std::optional<int> SizeCodeOf(std::string_view dataType);

inline std::uint32_t MakeMapping(ObjectKey key, int sizeCode) {
    return (static_cast<std::uint32_t>(key) << kMappingKeyShift) |
           (static_cast<std::uint32_t>(sizeCode) & kSizeCodeMask);
}
inline ObjectKey MappingKey(std::uint32_t mapping) {
    return static_cast<ObjectKey>(mapping >> kMappingKeyShift);
}
inline int MappingSizeCode(std::uint32_t mapping) {
    return static_cast<int>(mapping & kSizeCodeMask);
}
inline bool MappingSigned(std::uint32_t mapping) {
    return (mapping & kSignedBit) != 0;
}
// The form the drive is given: the signed bit is the tool's own.
inline std::uint32_t ForDrive(std::uint32_t mapping) {
    return mapping & ~kSignedBit;
}
inline bool SameObject(std::uint32_t a, std::uint32_t b) {
    return ForDrive(a) == ForDrive(b);
}
// A 32-bit object is recorded through the wide slot of its channel's pair.
inline bool NeedsWideSlot(std::uint32_t mapping) {
    return MappingSizeCode(mapping) >= kWideBits;
}

// Channels are 0-based here (channel 1 is 0). Slot indices are 0-based too (subindex - 1).
inline int OwnSlotIndex(int channel) {
    return channel;
}
inline int PairOf(int channel) {
    return channel / 2;
}
inline int WideSlotIndex(int channel) {
    return PairOf(channel) == 0 ? kWideSlotA : kWideSlotB;
}
inline bool FirstOfPair(int channel) {
    return channel % 2 == 0;
}
// The slot index of a recorder key, or -1.
int SlotIndexOf(ObjectKey key);

}  // namespace morlo::scope
