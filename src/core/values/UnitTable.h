#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/MessageSink.h"
#include "common/ObjectKey.h"
#include "values/UnitSpec.h"

namespace morlo {

inline constexpr const char* kMsgDefaultUnitFailure = "Add default unit failure \n";
inline constexpr const char* kUnitDec = "DEC";
inline constexpr const char* kUnitHex = "HEX";
inline constexpr const char* kUnitAscii = "ASCII";

struct UnitRecord {
    ObjectKey key = 0;
    std::vector<UnitDefinition> units;
};

// The units of every object that a page, the oscilloscope or a command has used, parsed from
// the object's unit definitions the first time and kept for the rest of the run.
class UnitTable {
  public:
    explicit UnitTable(MessageSink* messages = nullptr) : messages_(messages) {}

    // Parses the object's units unless it has a record already, and gives its default unit:
    // "DEC" for definitions of at most 2 characters, else the display name of the first unit.
    // "Add default unit failure" only when a longer definition yields no unit the first time.
    bool AddUnits(ObjectKey key, std::string_view unitSpec, std::string& defaultUnit);
    bool Find(ObjectKey key, UnitRecord& out) const;

    // The units a user can pick for the object: display names in order, "DEC" last.
    std::vector<std::string> ChoiceList(ObjectKey key) const;

  private:
    const UnitRecord* FindRecord(ObjectKey key) const;

    MessageSink* messages_;
    std::vector<UnitRecord> records_;
};

}  // namespace morlo
