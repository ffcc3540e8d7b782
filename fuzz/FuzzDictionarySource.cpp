// The dictionary source text and the record encoder on any text.

#include <cstdint>
#include <string>

#include "dictionary/DictionarySource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    morlo::DictionarySource source = morlo::ParseDictionarySource(text, "fuzz.txt");
    for (const auto& object : source.objects) {
        morlo::ValidateSourceObject(object);
        if (morlo::EncodeDatabaseRecord(object).size() != 4510) {
            __builtin_trap();
        }
    }
    return 0;
}
