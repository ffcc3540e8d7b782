#include "ObjectStore.h"

#include <algorithm>

namespace morlo::sim {
namespace {

constexpr const char* kTypeText = "VISIBLE STRING";
constexpr const char* kTypeDomain = "DOMAIN";

std::uint32_t WidthMask(int bits) {
    return bits >= 32 ? 0xFFFFFFFFu : ((1u << bits) - 1u);
}

std::int64_t NumberOr(const std::string& text, std::int64_t fallback) {
    if (text.empty()) {
        return fallback;
    }
    return ParseSourceNumber(text).value_or(fallback);
}

}  // namespace

std::int64_t SimObject::Number() const {
    return Decode(value);
}

std::uint32_t SimObject::Encode(std::int64_t number) const {
    return static_cast<std::uint32_t>(number) & WidthMask(bits);
}

std::int64_t SimObject::Decode(std::uint32_t raw) const {
    raw &= WidthMask(bits);
    if (isSigned && bits > 0 && (raw & (1u << (bits - 1))) != 0) {
        return static_cast<std::int64_t>(raw) - (std::int64_t{1} << bits);
    }
    return raw;
}

ObjectStore::ObjectStore(const DictionarySource& source) {
    objects_.reserve(source.objects.size());
    for (const SourceObject& in : source.objects) {
        if (byKey_.count(in.Key()) != 0) {
            continue;  // the first definition wins
        }
        SimObject object;
        object.key = in.Key();
        object.writable = in.access.find('W') != std::string::npos;
        object.live = in.access.find('L') != std::string::npos;
        if (auto range = RangeOfType(in.dataType)) {
            object.kind = ValueKind::Integer;
            object.bits = range->bits;
            object.isSigned = range->isSigned;
            object.min = std::clamp(NumberOr(in.minText, range->min), range->min, range->max);
            object.max = std::clamp(NumberOr(in.maxText, range->max), range->min, range->max);
            object.defaultValue = object.Encode(NumberOr(in.defaultText, 0));
        } else if (in.dataType == kTypeText) {
            object.kind = ValueKind::Text;
            object.defaultText = in.defaultText;
        } else if (in.dataType == kTypeDomain) {
            object.kind = ValueKind::Domain;
        } else {
            continue;  // a type the drive does not know
        }
        object.value = object.defaultValue;
        object.text = object.defaultText;
        byKey_.emplace(object.key, objects_.size());
        indices_.insert(in.index);
        objects_.push_back(std::move(object));
    }
}

SimObject* ObjectStore::Find(ObjectKey key) {
    auto it = byKey_.find(key);
    return it == byKey_.end() ? nullptr : &objects_[it->second];
}

const SimObject* ObjectStore::Find(ObjectKey key) const {
    auto it = byKey_.find(key);
    return it == byKey_.end() ? nullptr : &objects_[it->second];
}

std::int64_t ObjectStore::Number(ObjectKey key, std::int64_t fallback) const {
    const SimObject* object = Find(key);
    if (!object || object->kind != ValueKind::Integer) {
        return fallback;
    }
    return object->Number();
}

void ObjectStore::Put(ObjectKey key, std::int64_t number) {
    SimObject* object = Find(key);
    if (object && object->kind == ValueKind::Integer) {
        object->value = object->Encode(number);
    }
}

void ObjectStore::ResetAll() {
    for (SimObject& object : objects_) {
        object.value = object.defaultValue;
        object.text = object.defaultText;
    }
}

void ObjectStore::ForEach(const std::function<void(SimObject&)>& visit) {
    for (SimObject& object : objects_) {
        visit(object);
    }
}

void ObjectStore::ForEach(const std::function<void(const SimObject&)>& visit) const {
    for (const SimObject& object : objects_) {
        visit(object);
    }
}

}  // namespace morlo::sim
