// Controls of the headless backend, for tests: a virtual clock that moves
// only when told to, and a fixed local time.
#pragma once

#include "platform/platform.hpp"

namespace platform::headless {

// Back to the state after start: clock 0, local time 2000-01-01 00:00:00.
void reset();
void set_clock(std::uint32_t milliseconds);
void advance_clock(std::uint32_t milliseconds);
void set_local_time(const local_time& time);

// ---- clock: counters and sleeps ----
// Every millisecond read from now on advances the clock by step after it is
// read (0, the state after reset, switches it off), so busy waits on the
// clock end.
void set_clock_step(std::uint32_t step);
// ---- end of clock ----

}  // namespace platform::headless
