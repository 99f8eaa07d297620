// Joysticks of the headless backend: the list a test sets.
#include "platform/headless/headless.hpp"
#include "platform/headless/state.hpp"

namespace platform::headless {

int joysticks(std::vector<joystick_info>& out)
{
    out = state().joysticks;
    return 0;
}

void set_joysticks(const std::vector<joystick_info>& attached)
{
    state().joysticks = attached;
}

}  // namespace platform::headless
