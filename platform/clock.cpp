// Counters and sleeps through the current backend, and the multimedia
// timer's period, which is the same everywhere.
#include "platform/platform.hpp"

namespace platform {

std::uint64_t performance_counter()
{
    return current_backend().performance_counter();
}

std::uint64_t performance_frequency()
{
    return current_backend().performance_frequency();
}

bool has_timestamp_counter()
{
    return current_backend().has_timestamp_counter();
}

std::uint64_t timestamp_counter()
{
    return current_backend().timestamp_counter();
}

void sleep(std::uint32_t ms)
{
    current_backend().sleep(ms);
}

// The millisecond clock has no coarser period to refine.
std::uint32_t timer_minimum_period()
{
    return 1;
}

int begin_timer_period(std::uint32_t)
{
    return 0;
}

int end_timer_period(std::uint32_t)
{
    return 0;
}

}  // namespace platform
