// The process clock that timer values read: wall milliseconds since the
// process started, as a signed 32-bit count.
#pragma once

#include <cstdint>

namespace plang {

// A reading of the clock. The count wraps (after about 24.8 days); readers
// take differences in 32-bit arithmetic, so a difference stays right across
// the wrap.
std::int32_t clock_now();

// The clock behind clock_now: wall time on a monotonic clock, counted from
// the moment the library was loaded.
std::int32_t wall_clock();

// Replaces the clock behind clock_now (tests install one they move by hand)
// and returns the one it replaces; a null source restores wall_clock.
using clock_source = std::int32_t (*)();
clock_source set_clock(clock_source source);

}  // namespace plang
