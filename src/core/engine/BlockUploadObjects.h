#pragma once

#include <string_view>

#include "dictionary/ObjectDictionary.h"
#include "link/LinkCodec.h"

namespace morlo::engine {

// The objects whose reads are worth a block upload: the texts and domains of the dictionary
// (long names and versions, the recorder's record). The dictionary must outlive the filter.
inline link::LinkCodec::ObjectFilter BlockUploadObjects(const ObjectDictionary& dictionary) {
    return [&dictionary](ObjectKey key) {
        constexpr std::string_view kText = "VISIBLE STRING";
        constexpr std::string_view kDomain = "DOMAIN";
        DictionaryEntry entry;
        return dictionary.FindByKey(key, entry) &&
               (entry.dataType == kText || entry.dataType == kDomain);
    };
}

}  // namespace morlo::engine
