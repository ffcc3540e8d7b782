#pragma once

#include <string>

#include "link/LinkLibrary.h"

namespace morlo::link {

// Registers the serial and CAN link types. canInterface is "plugin:interface".
void RegisterQtLinkFactories(LinkLibrary& library, const std::string& canInterface);

}  // namespace morlo::link
