// The desktop backend's hook table.
#include "platform/platform.hpp"

namespace platform::sdl {

std::uint32_t milliseconds();
local_time now();
std::uint64_t performance_counter();
std::uint64_t performance_frequency();
bool has_timestamp_counter();
std::uint64_t timestamp_counter();
void sleep(std::uint32_t ms);

extern const backend table;
const backend table = {
    "sdl",
    milliseconds,
    now,
    performance_counter,
    performance_frequency,
    has_timestamp_counter,
    timestamp_counter,
    sleep,
};

}  // namespace platform::sdl
