#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace morlo::cli {

// One result of morloservo-cli --json: one JSON object on one line. Fields that do not apply
// are left out.
struct ResultLine {
    std::string command;               // read, write, info, watch, ...
    std::optional<std::string> key;    // "6041:00", or the drive-data key "60410010"
    std::optional<std::string> name;   // the object's name
    std::optional<std::string> value;  // as a page shows it, in unit
    std::optional<std::string> unit;
    std::optional<std::int64_t> raw;    // the number the drive holds, with its type's sign
    std::optional<std::string> result;  // what became of a row or a write
    // Further fields the command has: name and text, written as JSON strings, or as numbers
    // when given as numbers.
    std::vector<std::pair<std::string, std::string>> texts;
    std::vector<std::pair<std::string, std::int64_t>> numbers;
};

// Writes the line; texts that are not UTF-8 are mended, never refused.
void WriteJsonLine(std::ostream& out, const ResultLine& line);

// The drive's 32 bits as the number of the data type, as a page reads them (signed types
// sign-extended); nullopt for types without a width.
std::optional<std::int64_t> RawNumber(std::string_view dataType, std::uint32_t raw);

}  // namespace morlo::cli
