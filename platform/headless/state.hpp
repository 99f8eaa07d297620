// The headless backend's one state record.
#pragma once

#include "platform/platform.hpp"

namespace platform::headless {

struct headless_state {
    std::uint32_t clock = 0;
    local_time local{2000, 1, 1, 0, 0, 0};

    // ---- clock: counters and sleeps ----
    // Virtual milliseconds since reset; moves with clock but never wraps or
    // goes back, so the counters built on it are monotonic.
    std::uint64_t elapsed = 0;
    std::uint32_t clock_step = 0;  // added after each millisecond read
    // ---- end of clock ----
};

headless_state& state();

}  // namespace platform::headless
