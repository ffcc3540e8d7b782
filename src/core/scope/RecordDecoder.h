#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "scope/ScopeConstants.h"

namespace morlo::scope {

// What decides the layout of a record: the slots the drive reported, which channel of each
// pair owns the pair's wide slot, and which channels hold signed objects.
struct RecordLayout {
    std::array<std::uint32_t, kSlotCount> slotValues{};
    std::array<bool, 2> wideOwnedByFirst{};  // pair 0: channel 1 owns slot 05; pair 1: channel 3
    std::array<bool, kChannelCount> channelSigned{};
};

// The samples of the four channels, raw drive values.
using Curves = std::array<std::vector<double>, kChannelCount>;

// Bytes of one sample record: 2 per 16-bit slot in use, 4 per wide slot in use.
std::size_t RecordBytesPerSample(const RecordLayout& layout);

// The channel a slot's field belongs to (0-based).
int ChannelOfSlot(int slotIndex, const RecordLayout& layout);

// Splits a record into the channels' samples: one sample record after the other, each the
// fields of the slots in use in the order 01, 02, 05, 03, 04, 06, little-endian. A trailing
// partial sample record is dropped.
Curves DecodeRecord(std::span<const std::uint8_t> record, const RecordLayout& layout);

}  // namespace morlo::scope
