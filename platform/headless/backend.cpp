// The headless backend's hook table and state.
#include "platform/headless/headless.hpp"
#include "platform/headless/state.hpp"

namespace platform::headless {

std::uint32_t milliseconds();
local_time now();
std::uint64_t performance_counter();
std::uint64_t performance_frequency();
bool has_timestamp_counter();
std::uint64_t timestamp_counter();
void sleep(std::uint32_t ms);

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
    performance_counter,
    performance_frequency,
    has_timestamp_counter,
    timestamp_counter,
    sleep,
};

}  // namespace platform::headless
