#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/ObjectKey.h"
#include "dictionary/ObjectDictionary.h"
#include "scope/ScopeConstants.h"
#include "values/UnitTable.h"

namespace morlo::scope {

// An object the user can choose for a channel or as the trigger.
struct ScopeItem {
    int sequence = 0;
    std::uint32_t mapping = 0;  // MappingValue; trigger items have the signed bit clear
    std::string name;
};

// A channel item needs an object of 16 or 32 bits, a trigger item one of 8, 16 or 32. Making
// an item registers the object's units. Nothing for other objects.
std::optional<ScopeItem> MakeChannelItem(const ObjectDictionary& dictionary, UnitTable& units,
                                         ObjectKey key);
std::optional<ScopeItem> MakeTriggerItem(const ObjectDictionary& dictionary, UnitTable& units,
                                         ObjectKey key);

// The keys of an item list section ("trigger", "channel") of the item list file: keys "1",
// "2", ... as hexadecimal ObjectKeys, up to the first missing or zero one.
std::vector<ObjectKey> ReadItemKeys(const std::filesystem::path& file, std::string_view section);

// The items of the four channel combos: each lists its channel's private items (newest
// first), then the shared items in file order. Indices are combo indices.
class ChannelItems {
  public:
    void AddShared(ScopeItem item);
    void AddPrivate(int channel, ScopeItem item);
    int Count(int channel) const;
    const ScopeItem* At(int channel, int index) const;
    // The index of the item of the same object (signed bit aside), or -1.
    int IndexOfMapping(int channel, std::uint32_t mapping) const;
    int IndexOfKey(int channel, ObjectKey key) const;
    const std::vector<ScopeItem>& Shared() const { return shared_; }

  private:
    std::vector<ScopeItem> shared_;
    std::array<std::vector<ScopeItem>, kChannelCount> private_;
};

// The trigger items, newest first; combo index = position + 1 (index 0 is the manual trigger).
class TriggerItems {
  public:
    void Add(ScopeItem item);
    int Count() const { return static_cast<int>(items_.size()); }
    const ScopeItem* At(int position) const;
    int PositionOfMapping(std::uint32_t mapping) const;
    int PositionOfKey(ObjectKey key) const;

  private:
    std::vector<ScopeItem> items_;
};

}  // namespace morlo::scope
