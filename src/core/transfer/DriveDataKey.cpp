#include "transfer/DriveDataKey.h"

#include <algorithm>
#include <cctype>

#include "text/NumberIo.h"
#include "text/NumberText.h"
#include "transfer/TransferConstants.h"

namespace morlo::transfer {
namespace {

constexpr std::size_t kKeyDigits = 8;

}  // namespace

std::uint32_t ParseDriveDataKey(std::string_view text) {
    return static_cast<std::uint32_t>(ParseHexLoose(text));
}

ObjectKey ObjectKeyOf(std::uint32_t key) {
    return static_cast<ObjectKey>(key >> kKeySizeShift);
}

int KeySizeBits(std::uint32_t key) {
    return static_cast<int>(key & kKeySizeMask);
}

std::uint32_t MakeDriveDataKey(ObjectKey key, int bits) {
    return (static_cast<std::uint32_t>(key) << kKeySizeShift) |
           (static_cast<std::uint32_t>(bits) & kKeySizeMask);
}

std::string DriveDataKeyText(std::uint32_t key) {
    std::string digits = WriteHex(key);
    std::transform(digits.begin(), digits.end(), digits.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return std::string(kKeyDigits - std::min(kKeyDigits, digits.size()), '0') + digits;
}

}  // namespace morlo::transfer
