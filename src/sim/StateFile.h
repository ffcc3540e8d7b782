#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "ObjectStore.h"

namespace morlo::sim {

// Values that survive a restart, as text by object key: integers in decimal with their sign,
// VISIBLE STRING objects as their text.
using StoredValues = std::map<ObjectKey, std::string>;

// The state file is plain text, one "IIII:SS=value" line per object (hexadecimal index and
// subindex); blank lines and lines starting with '#' are ignored.

// One line of a state file; nullopt for a comment, a blank or a bad line.
std::optional<std::pair<ObjectKey, std::string>> ParseStateLine(std::string_view line);

// Every good line of the file; a missing file gives nothing, bad lines are skipped.
StoredValues ReadStateFile(const std::filesystem::path& path);

// Replaces the file (through a temporary file beside it). False when it cannot be written.
bool WriteStateFile(const std::filesystem::path& path, const StoredValues& values);

// The values of the objects a store keeps: writable settings (not commands, not values the
// drive refreshes itself) and the error log.
StoredValues CaptureStoredValues(const ObjectStore& objects);

// Puts stored values into the objects; values for unknown objects, values that are no number
// or lie outside the object's range are skipped.
void ApplyStoredValues(ObjectStore& objects, const StoredValues& values);

}  // namespace morlo::sim
