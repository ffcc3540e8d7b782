#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/ObjectKey.h"

namespace morlo {

// One object as written in the human-readable dictionary source (runtime/dictionary/*.txt).
struct SourceObject {
    std::int32_t index = 0;
    std::int32_t subIndex = 0;
    std::string nameChinese;
    std::string nameEnglish;
    std::string dataType;
    std::string access;
    std::string unitSpec;
    std::string defaultText;
    std::string minText;
    std::string maxText;
    std::string helpChinese;
    std::string helpEnglish;
    std::string file;
    int line = 0;

    ObjectKey Key() const { return MakeObjectKey(index, subIndex); }
};

struct SourceIssue {
    std::string file;
    int line = 0;
    std::string text;
};

struct DictionarySource {
    std::vector<SourceObject> objects;
    std::vector<SourceIssue> issues;  // empty when the source is sound
};

// Parses one source file. Unknown fields, malformed headers and missing required fields are
// reported as issues; the objects that could be read are kept.
DictionarySource ParseDictionarySource(std::string_view text, std::string_view fileName);

// Every *.txt file of the folder in file-name order.
DictionarySource LoadDictionarySource(const std::filesystem::path& folder);

// Checks the limits of the database record format and the value fields: byte lengths in the
// 8-bit code page, known data types and access letters, numbers that parse and fit.
std::vector<SourceIssue> ValidateSourceObject(const SourceObject& object);

// Value range of a data type name (U8 .. I32); nullopt for other types.
struct TypeRange {
    std::int64_t min;
    std::int64_t max;
    int bits;
    bool isSigned;
};
std::optional<TypeRange> RangeOfType(std::string_view dataType);

// Parses "123", "-5" or "0x1F"; nullopt when the text is no number.
std::optional<std::int64_t> ParseSourceNumber(std::string_view text);

// The 4510-byte database record of an object (texts in GB18030, NUL padded, cut to fit).
std::string EncodeDatabaseRecord(const SourceObject& object);

}  // namespace morlo
