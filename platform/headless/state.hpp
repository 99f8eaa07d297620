// The headless backend's one state record.
#pragma once

#include "platform/platform.hpp"

namespace platform::headless {

struct headless_state {
    std::uint32_t clock = 0;
    local_time local{2000, 1, 1, 0, 0, 0};
};

headless_state& state();

}  // namespace platform::headless
