// The desktop backend's hook table.
#include "platform/platform.hpp"

namespace platform::sdl {

std::uint32_t milliseconds();
local_time now();

extern const backend table;
const backend table = {
    "sdl",
    milliseconds,
    now,
};

}  // namespace platform::sdl
