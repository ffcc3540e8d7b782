#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/ObjectKey.h"

namespace morlo::transfer {

// A drive-data key names an object in the drive-data files: eight hexadecimal digits IIIISSLL,
// the index, the subindex and the size in bits (08, 10 or 20).

// The lenient reader of the files: a leading '-' negates, every hexadecimal digit (either
// case) adds a digit, everything else is skipped; an empty text gives 0.
std::uint32_t ParseDriveDataKey(std::string_view text);
ObjectKey ObjectKeyOf(std::uint32_t key);
// The size byte as a number of bits (8, 16, 32, or anything the key holds).
int KeySizeBits(std::uint32_t key);
std::uint32_t MakeDriveDataKey(ObjectKey key, int bits);
// Eight upper-case hexadecimal digits.
std::string DriveDataKeyText(std::uint32_t key);

}  // namespace morlo::transfer
