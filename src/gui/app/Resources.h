#pragma once

namespace morlo::gui {

// Registers the icons and pictures compiled into the program's library (a static library
// does not register them by itself).
void InitResources();

}  // namespace morlo::gui
