#include "scope/ScopeItems.h"

#include "profile/Profile.h"
#include "scope/MappingValue.h"
#include "text/NumberText.h"

namespace morlo::scope {
namespace {

constexpr std::size_t kItemKeyBuffer = 33;  // at most 32 characters of a key's value
constexpr int kNarrowBits = 16;

std::optional<ScopeItem> MakeItem(const ObjectDictionary& dictionary, UnitTable& units,
                                  ObjectKey key, bool channel) {
    DictionaryEntry entry;
    if (!dictionary.FindByKey(key, entry)) {
        return std::nullopt;
    }
    const auto sizeCode = SizeCodeOf(entry.dataType);
    if (!sizeCode) {
        return std::nullopt;
    }
    const int width = *sizeCode & ~1;
    if (channel && width != kNarrowBits && width != kWideBits) {
        return std::nullopt;
    }
    UnitRecord known;
    if (!units.Find(key, known)) {  // an object offered twice is registered once
        std::string defaultUnit = kUnitDec;
        units.AddUnits(key, entry.unitSpec, defaultUnit);
    }
    const std::uint32_t mapping = MakeMapping(key, *sizeCode);
    return ScopeItem{0, channel ? mapping : ForDrive(mapping), entry.name};
}

}  // namespace

std::optional<ScopeItem> MakeChannelItem(const ObjectDictionary& dictionary, UnitTable& units,
                                         ObjectKey key) {
    return MakeItem(dictionary, units, key, true);
}

std::optional<ScopeItem> MakeTriggerItem(const ObjectDictionary& dictionary, UnitTable& units,
                                         ObjectKey key) {
    return MakeItem(dictionary, units, key, false);
}

std::vector<ObjectKey> ReadItemKeys(const std::filesystem::path& file, std::string_view section) {
    std::vector<ObjectKey> keys;
    for (int n = 1;; ++n) {
        const ObjectKey key =
            ParseHexLoose(Profile::ReadString(file, section, std::to_string(n), kItemKeyBuffer));
        if (key == 0) {
            return keys;
        }
        keys.push_back(key);
    }
}

// ---- channel items ----

void ChannelItems::AddShared(ScopeItem item) {
    item.sequence = shared_.empty() ? 1 : shared_.back().sequence + 1;
    shared_.push_back(std::move(item));
}

void ChannelItems::AddPrivate(int channel, ScopeItem item) {
    auto& list = private_[static_cast<std::size_t>(channel)];
    item.sequence = list.empty() ? 1 : list.front().sequence + 1;
    list.insert(list.begin(), std::move(item));
}

int ChannelItems::Count(int channel) const {
    return static_cast<int>(private_[static_cast<std::size_t>(channel)].size() + shared_.size());
}

const ScopeItem* ChannelItems::At(int channel, int index) const {
    const auto& own = private_[static_cast<std::size_t>(channel)];
    if (index < 0) {
        return nullptr;
    }
    const auto i = static_cast<std::size_t>(index);
    if (i < own.size()) {
        return &own[i];
    }
    if (i - own.size() < shared_.size()) {
        return &shared_[i - own.size()];
    }
    return nullptr;
}

int ChannelItems::IndexOfMapping(int channel, std::uint32_t mapping) const {
    for (int i = 0; i < Count(channel); ++i) {
        if (SameObject(At(channel, i)->mapping, mapping)) {
            return i;
        }
    }
    return -1;
}

int ChannelItems::IndexOfKey(int channel, ObjectKey key) const {
    for (int i = 0; i < Count(channel); ++i) {
        if (MappingKey(At(channel, i)->mapping) == key) {
            return i;
        }
    }
    return -1;
}

// ---- trigger items ----

void TriggerItems::Add(ScopeItem item) {
    item.sequence = items_.empty() ? 1 : items_.front().sequence + 1;
    items_.insert(items_.begin(), std::move(item));
}

const ScopeItem* TriggerItems::At(int position) const {
    if (position < 0 || position >= Count()) {
        return nullptr;
    }
    return &items_[static_cast<std::size_t>(position)];
}

int TriggerItems::PositionOfMapping(std::uint32_t mapping) const {
    for (int i = 0; i < Count(); ++i) {
        if (items_[static_cast<std::size_t>(i)].mapping == mapping) {
            return i;
        }
    }
    return -1;
}

int TriggerItems::PositionOfKey(ObjectKey key) const {
    for (int i = 0; i < Count(); ++i) {
        if (MappingKey(items_[static_cast<std::size_t>(i)].mapping) == key) {
            return i;
        }
    }
    return -1;
}

}  // namespace morlo::scope
