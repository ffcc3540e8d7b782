#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "common/ObjectKey.h"
#include "dictionary/DictionarySource.h"

namespace morlo::sim {

enum class ValueKind { Integer, Text, Domain };

// One object of the drive with its current value.
struct SimObject {
    ObjectKey key = 0;
    ValueKind kind = ValueKind::Integer;
    int bits = 0;  // 8, 16 or 32 for integers
    bool isSigned = false;
    bool writable = false;
    bool live = false;  // refreshed cyclically by the drive
    std::int64_t min = 0;
    std::int64_t max = 0;
    std::uint32_t value = 0;  // bit pattern of the type's width
    std::uint32_t defaultValue = 0;
    std::string text;  // VISIBLE STRING
    std::string defaultText;

    // The value with the type's sign applied.
    std::int64_t Number() const;
    // The bit pattern of a number in this object's width.
    std::uint32_t Encode(std::int64_t number) const;
    // A raw pattern of the object's width interpreted with its sign.
    std::int64_t Decode(std::uint32_t raw) const;
};

// All objects of the drive, built from the dictionary source. The object list never changes
// after construction, so pointers to objects stay valid.
class ObjectStore {
  public:
    explicit ObjectStore(const DictionarySource& source);

    SimObject* Find(ObjectKey key);
    const SimObject* Find(ObjectKey key) const;
    bool HasIndex(std::int32_t index) const { return indices_.count(index) != 0; }

    // Signed value of an integer object; the fallback when it does not exist.
    std::int64_t Number(ObjectKey key, std::int64_t fallback = 0) const;
    // Stores a number into an integer object; ignored when there is none.
    void Put(ObjectKey key, std::int64_t number);

    // Every object back to its default value.
    void ResetAll();
    void ForEach(const std::function<void(SimObject&)>& visit);
    void ForEach(const std::function<void(const SimObject&)>& visit) const;
    std::size_t Size() const { return objects_.size(); }

  private:
    std::vector<SimObject> objects_;
    std::unordered_map<ObjectKey, std::size_t> byKey_;
    std::unordered_set<std::int32_t> indices_;
};

}  // namespace morlo::sim
