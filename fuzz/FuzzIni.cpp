// INI texts (8-bit and UTF-16): reading, enumerating and rewriting keys of any text.

#include <cstdint>
#include <string>

#include "profile/IniDocument.h"
#include "text/Encoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    morlo::IniDocument doc = morlo::IniDocument::Parse(text);
    for (const auto& [key, value] : doc.Entries("oscilloscope")) {
        doc.Get("oscilloscope", key);
    }
    doc.Get("sys", "lang");
    doc.Set("sys", "comm", "7");
    doc.Set("new section", "k", morlo::Gb18030ToUtf8(text.substr(0, 16)));
    morlo::IniDocument again = morlo::IniDocument::Parse(doc.ToText());
    if (again.Get("sys", "comm") != std::optional<std::string>("7")) {
        __builtin_trap();  // a written key must read back
    }
    morlo::Utf16LeToUtf8(text);
    morlo::Utf8ToGb18030(text);
    morlo::TruncateUtf16Units(text, size / 2);
    return 0;
}
