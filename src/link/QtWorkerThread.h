#pragma once

#include "engine/ControlLink.h"

namespace morlo::link {

// Starts the control-link worker as a QThread, so that the Qt link objects it owns (sockets,
// serial ports) get their events while it waits for them.
engine::ThreadLauncher QtThreadLauncher();

}  // namespace morlo::link
