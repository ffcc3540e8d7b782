#pragma once

namespace morlo {

// The version every program prints with --version, the project's version set by the build.
const char* Version();

}  // namespace morlo
