#pragma once

#include <string>

namespace morlo {

// One CSV field: as it is, or in double quotes (inner quotes doubled) when it holds a comma,
// a quote or a line break.
std::string CsvField(const std::string& text);

}  // namespace morlo
