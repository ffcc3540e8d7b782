#include "common/LocalTime.h"

#include <cstdio>
#include <ctime>

namespace morlo {

std::string LocalTimeText(std::chrono::system_clock::time_point time) {
    const auto since = time.time_since_epoch();
    const auto seconds = std::chrono::floor<std::chrono::seconds>(since);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(since - seconds);
    const std::time_t t = static_cast<std::time_t>(seconds.count());
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &t);
#else
    localtime_r(&t, &local);
#endif
    char text[32];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    char withMillis[40];
    std::snprintf(withMillis, sizeof withMillis, "%.*s.%03d", static_cast<int>(length), text,
                  static_cast<int>(millis.count()));
    return withMillis;
}

}  // namespace morlo
