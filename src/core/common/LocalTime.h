#pragma once

#include <chrono>
#include <string>

namespace morlo {

// A wall-clock instant in the computer's local time as "YYYY-MM-DD HH:MM:SS.mmm".
std::string LocalTimeText(std::chrono::system_clock::time_point time);

}  // namespace morlo
