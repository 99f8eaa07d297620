// Clock of the desktop backend: the monotonic clock and the local time.
#include "platform/platform.hpp"

#include <chrono>
#include <ctime>
#include <thread>

#if defined(__x86_64__)
#include <x86intrin.h>
#endif

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

// The monotonic clock in nanoseconds, as milliseconds reads it.
std::uint64_t performance_counter()
{
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count());
}

std::uint64_t performance_frequency()
{
    return 1000000000;
}

bool has_timestamp_counter()
{
#if defined(__x86_64__)
    return true;  // every x86-64 processor has one
#else
    return false;
#endif
}

std::uint64_t timestamp_counter()
{
#if defined(__x86_64__)
    return __rdtsc();
#else
    return 0;
#endif
}

void sleep(std::uint32_t ms)
{
    if (ms == 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace platform::sdl
