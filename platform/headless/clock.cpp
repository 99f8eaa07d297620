// Clock of the headless backend: virtual time moved by tests and by sleeps.
#include "platform/headless/headless.hpp"
#include "platform/headless/state.hpp"

#include <chrono>
#include <thread>

namespace platform::headless {

namespace {

// Virtual counts per millisecond: 10^9 per second, a 1 GHz time stamp.
constexpr std::uint64_t counts_per_ms = 1000000;

// A move asked for by a test: the test's thread goes from deadline to
// deadline; a timed thread (or any other) moves it with nothing run.
void move_by(std::uint32_t ms)
{
    if (on_test_thread())
        move_scheduled(ms);
    else
        move_clock(ms);
}

}  // namespace

void move_clock(std::uint32_t ms)
{
    state().clock += ms;
    state().elapsed += ms;
    pass_sleepers(ms);
    mix_for(ms);
}

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

// On the test's thread the time slept passes at once (the timed threads due
// meanwhile run); a timed thread waits for the test's thread to move the
// clock; any other thread sleeps in real time and leaves the clock alone.
void sleep(std::uint32_t ms)
{
    if (timed_sleep(ms))
        return;
    if (!on_test_thread()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return;
    }
    if (ms == 0)
        std::this_thread::yield();
    else
        move_scheduled(ms);
}

void set_clock(std::uint32_t ms)
{
    // seen as time passing forward (modulo the wrap), so the counters never
    // go back
    move_by(ms - state().clock);
}

void advance_clock(std::uint32_t ms)
{
    move_by(ms);
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
