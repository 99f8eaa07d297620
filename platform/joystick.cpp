// Joysticks: only counted, with whether each has the two further axes.
#include "platform/platform.hpp"

namespace platform {

int joysticks(std::vector<joystick_info>& out)
{
    out.clear();
    if (current_backend().joysticks(out) < 0) {
        out.clear();
        return -1;
    }
    if (out.size() > static_cast<std::size_t>(max_joysticks))
        out.resize(max_joysticks);
    return 0;
}

}  // namespace platform
