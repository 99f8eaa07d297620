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

}  // namespace platform::headless
