// Clock of the headless backend: virtual time moved by tests and by sleeps.
#include "platform/headless/headless.hpp"
#include "platform/headless/state.hpp"

#include <thread>

namespace platform::headless {

namespace {

// Virtual counts per millisecond: 10^9 per second, a 1 GHz time stamp.
constexpr std::uint64_t counts_per_ms = 1000000;

void move_clock(std::uint32_t ms)
{
    state().clock += ms;
    state().elapsed += ms;
}

}  // namespace

std::uint32_t milliseconds()
{
    const std::uint32_t now = state().clock;
    if (state().clock_step != 0)
        move_clock(state().clock_step);
    return now;
}

local_time now()
{
    return state().local;
}

std::uint64_t performance_counter()
{
    return state().elapsed * counts_per_ms;
}

std::uint64_t performance_frequency()
{
    return 1000 * counts_per_ms;
}

bool has_timestamp_counter()
{
    return true;
}

std::uint64_t timestamp_counter()
{
    return state().elapsed * counts_per_ms;
}

// The time slept passes at once.
void sleep(std::uint32_t ms)
{
    if (ms == 0)
        std::this_thread::yield();
    move_clock(ms);
}

void set_clock(std::uint32_t ms)
{
    // seen as time passing forward (modulo the wrap), so the counters never
    // go back
    move_clock(ms - state().clock);
}

void advance_clock(std::uint32_t ms)
{
    move_clock(ms);
}

void set_local_time(const local_time& time)
{
    state().local = time;
}

void set_clock_step(std::uint32_t step)
{
    state().clock_step = step;
}

}  // namespace platform::headless
