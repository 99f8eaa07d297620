// Clock of the desktop backend: the monotonic clock and the local time.
#include "platform/platform.hpp"

#include <chrono>
#include <ctime>

namespace platform::sdl {

std::uint32_t milliseconds()
{
    using namespace std::chrono;
    // the counter wraps like the 32-bit system timer it stands for
    return static_cast<std::uint32_t>(
        duration_cast<std::chrono::milliseconds>(steady_clock::now().time_since_epoch()).count());
}

local_time now()
{
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace platform::sdl
