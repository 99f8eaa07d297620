// The headless backend's hook table and state.
#include "platform/headless/headless.hpp"
#include "platform/headless/state.hpp"

namespace platform::headless {

std::uint32_t milliseconds();
local_time now();

headless_state& state()
{
    static headless_state s;
    return s;
}

void reset()
{
    state() = headless_state{};
}

extern const backend table;
const backend table = {
    "headless",
    milliseconds,
    now,
};

}  // namespace platform::headless
