#pragma once

#include <QString>
#include <cstdint>

namespace morlo::gui {

// The text of one bit (0..15) of the drive's error word, in the user interface's language.
QString ErrorBitLabel(int bit);

// The texts of the set bits of an error code joined with "+"; empty for 0.
QString ErrorCodeText(std::uint16_t code);

}  // namespace morlo::gui
