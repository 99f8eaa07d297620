// The contract between the media layer and the operating system: each backend
// fills one table of hooks; the media layer validates and keeps state, a
// backend only talks to the OS. Failures are 0/-1 with one set_error call.
#pragma once

#include <cstdint>

namespace platform {

struct local_time {
    int year, month, day, hour, minute, second;
};

// One backend's hooks, grouped by area.
struct backend {
    const char* name;

    // clock
    std::uint32_t (*milliseconds)();  // a 32-bit millisecond counter that wraps
    local_time (*now)();              // the local date and time
    std::uint64_t (*performance_counter)();    // never goes back
    std::uint64_t (*performance_frequency)();  // counts per second, never 0
    bool (*has_timestamp_counter)();
    std::uint64_t (*timestamp_counter)();      // 0 without one
    void (*sleep)(std::uint32_t ms);           // 0 gives up the time slice
};

// The backend current when no selection is made and ZENTIL_PLATFORM names
// none: test builds never reach a real window or device by forgetting one.
constexpr const char* default_backend_name()
{
#if ZENTIL_TEST_HOOKS
    return "headless";
#else
    return "sdl";
#endif
}

// Selects a backend by name ("sdl" or "headless"): 0, or -1 (error set) for an
// unknown name. Until a selection is made, the first use takes the one the
// environment variable ZENTIL_PLATFORM names, else default_backend_name() (an
// unknown name there also sets the error).
int select_backend(const char* name);
const backend& current_backend();

#if ZENTIL_TEST_HOOKS
// Back to "no selection made": the next use reads ZENTIL_PLATFORM again.
void forget_backend_selection();
#endif

// The last failure's text in the calling thread; set_error stores it there
// and returns -1. ASCII only.
const char* error();
int set_error(const char* text);

// Shorthands over the current backend.
std::uint32_t milliseconds();
local_time now();

// ---- clock: counters and sleeps (clock.cpp) ----
std::uint64_t performance_counter();
std::uint64_t performance_frequency();
bool has_timestamp_counter();
std::uint64_t timestamp_counter();
void sleep(std::uint32_t ms);

// The multimedia timer's period: the same on every backend, 1 ms at best;
// setting and clearing it change nothing and return 0.
std::uint32_t timer_minimum_period();
int begin_timer_period(std::uint32_t ms);
int end_timer_period(std::uint32_t ms);
// ---- end of clock ----

}  // namespace platform
