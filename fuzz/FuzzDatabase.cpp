// The object database loader on arbitrary bytes: it must stop cleanly, never crash.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "dictionary/ObjectDictionary.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("morlo-fuzz-db-" + std::to_string(getpid()));
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    morlo::ObjectDictionary dictionary;
    dictionary.LoadFile(file, size > 0 && data[0] % 2 ? 1 : 2);
    morlo::DictionaryEntry entry;
    for (int i = 0; i < dictionary.GetCount(); ++i) {
        dictionary.GetAt(i, entry);
        dictionary.FindByKey(entry.key, entry);
    }
    return 0;
}
