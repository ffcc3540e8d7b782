#pragma once

#include <cstdint>

namespace morlo {

// An object of the drive: index << 8 | subindex.
using ObjectKey = std::int32_t;

constexpr ObjectKey MakeObjectKey(std::int32_t index, std::int32_t subIndex) {
    return static_cast<ObjectKey>((static_cast<std::uint32_t>(index) << 8) |
                                  (static_cast<std::uint32_t>(subIndex) & 0xFFu));
}
constexpr std::int32_t IndexOf(ObjectKey key) {
    return (key >> 8) & 0xFFFF;
}
constexpr std::int32_t SubIndexOf(ObjectKey key) {
    return key & 0xFF;
}

}  // namespace morlo
