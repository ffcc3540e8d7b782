#include "scope/RecordDecoder.h"

namespace morlo::scope {
namespace {

// The order of the fields in a sample record, by slot index.
constexpr std::array<int, kSlotCount> kFieldOrder{0, 1, kWideSlotA, 2, 3, kWideSlotB};

std::size_t FieldBytes(int slotIndex) {
    return slotIndex >= kWideSlotA ? 4 : 2;
}

}  // namespace

int ChannelOfSlot(int slotIndex, const RecordLayout& layout) {
    if (slotIndex == kWideSlotA) {
        return layout.wideOwnedByFirst[0] ? 0 : 1;
    }
    if (slotIndex == kWideSlotB) {
        return layout.wideOwnedByFirst[1] ? 2 : 3;
    }
    return slotIndex;
}

std::size_t RecordBytesPerSample(const RecordLayout& layout) {
    std::size_t bytes = 0;
    for (int slot : kFieldOrder) {
        if (layout.slotValues[static_cast<std::size_t>(slot)] != 0) {
            bytes += FieldBytes(slot);
        }
    }
    return bytes;
}

Curves DecodeRecord(std::span<const std::uint8_t> record, const RecordLayout& layout) {
    Curves curves;
    const std::size_t perSample = RecordBytesPerSample(layout);
    if (perSample == 0) {
        return curves;
    }
    const std::size_t samples = record.size() / perSample;
    for (auto& curve : curves) {
        curve.reserve(samples);
    }
    std::size_t at = 0;
    for (std::size_t n = 0; n < samples; ++n) {
        for (int slot : kFieldOrder) {
            if (layout.slotValues[static_cast<std::size_t>(slot)] == 0) {
                continue;
            }
            const int channel = ChannelOfSlot(slot, layout);
            const bool isSigned = layout.channelSigned[static_cast<std::size_t>(channel)];
            double value = 0;
            if (FieldBytes(slot) == 2) {
                const auto raw = static_cast<std::uint16_t>(record[at] | (record[at + 1] << 8));
                value = isSigned ? double(static_cast<std::int16_t>(raw)) : double(raw);
                at += 2;
            } else {
                const std::uint32_t raw =
                    std::uint32_t{record[at]} | (std::uint32_t{record[at + 1]} << 8) |
                    (std::uint32_t{record[at + 2]} << 16) | (std::uint32_t{record[at + 3]} << 24);
                value = isSigned ? double(static_cast<std::int32_t>(raw)) : double(raw);
                at += 4;
            }
            curves[static_cast<std::size_t>(channel)].push_back(value);
        }
    }
    return curves;
}

}  // namespace morlo::scope
