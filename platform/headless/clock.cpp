// Clock of the headless backend: virtual time moved by tests.
#include "platform/headless/headless.hpp"
#include "platform/headless/state.hpp"

namespace platform::headless {

std::uint32_t milliseconds()
{
    return state().clock;
}

local_time now()
{
    return state().local;
}

void set_clock(std::uint32_t ms)
{
    state().clock = ms;
}

void advance_clock(std::uint32_t ms)
{
    state().clock += ms;
}

void set_local_time(const local_time& time)
{
    state().local = time;
}

}  // namespace platform::headless
