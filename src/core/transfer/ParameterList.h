#pragma once

#include <cstdint>
#include <vector>

#include "dictionary/DictionaryEntry.h"

namespace morlo::transfer {

// Whether an object is a setting worth backing up: writable, not refreshed by the drive, a
// number of 8, 16 or 32 bits, and not a command (controlword, set-points, calibrations, the
// recorder, store and restart).
bool IsBackupParameter(const DictionaryEntry& entry);

// The default backup list: every backup parameter of the dictionary once, first those on the
// pages in page order, then the others in dictionary order. Keys of the page lists that the
// dictionary does not know are left out.
std::vector<std::uint32_t> BuildParameterList(const std::vector<std::vector<ObjectKey>>& pageLists,
                                              const std::vector<DictionaryEntry>& entries);

}  // namespace morlo::transfer
