#pragma once

#include <cstdint>
#include <string>

#include "common/ObjectKey.h"

namespace morlo {

// One object of the drive as the database describes it, texts in the load-time language.
struct DictionaryEntry {
    ObjectKey key = 0;
    std::int32_t index = 0;
    std::uint8_t subIndex = 0;
    std::string name;
    std::string dataType;   // e.g. "U16", "I32", "VISIBLE STRING"
    std::string attribute;  // access letters: W writable, L read cyclically
    std::string help;
    std::string unitSpec;  // unit and conversion definitions

    bool IsWritable() const { return attribute.find('W') != std::string::npos; }
    bool IsCyclic() const { return attribute.find('L') != std::string::npos; }
};

}  // namespace morlo
