// Joysticks and the device-input layer over them: arguments checked here,
// the backend asked.
#include "platform/platform.hpp"

#include <cstring>

namespace platform {

int joysticks(std::vector<joystick_info>& out)
{
    out.clear();
    if (current_backend().joystick.joysticks(out) < 0) {
        out.clear();
        return -1;
    }
    if (out.size() > static_cast<std::size_t>(max_joysticks))
        out.resize(max_joysticks);
    return 0;
}

std::uint32_t input_call(input_op call, const input_device& device, int value)
{
    return current_backend().joystick.input_call(call, device, value);
}

int open_joystick(int index)
{
    if (index < 0 || index >= max_joysticks)
        return set_error("no joystick of that index");
    return current_backend().joystick.open_joystick(index);
}

void close_joystick(int id)
{
    if (id >= 0)
        current_backend().joystick.close_joystick(id);
}

int create_effect(int joystick, const haptic_effect& effect)
{
    if (joystick < 0)
        return set_error("no joystick");
    if (effect.kind != effect_constant && effect.kind != effect_sine)
        return set_error("unknown effect kind");
    return current_backend().joystick.create_effect(joystick, effect);
}

int run_effect(int joystick, int effect)
{
    if (joystick < 0 || effect < 0)
        return set_error("no effect");
    return current_backend().joystick.run_effect(joystick, effect);
}

int stop_effect(int joystick, int effect)
{
    if (joystick < 0 || effect < 0)
        return set_error("no effect");
    return current_backend().joystick.stop_effect(joystick, effect);
}

void destroy_effect(int joystick, int effect)
{
    if (joystick >= 0 && effect >= 0)
        current_backend().joystick.destroy_effect(joystick, effect);
}

int device_keys(std::uint8_t* keys)
{
    std::memset(keys, 0, 256);
    if (current_backend().joystick.device_keys(keys) < 0) {
        std::memset(keys, 0, 256);
        return -1;
    }
    return 0;
}

int device_mouse_buttons(std::uint8_t* buttons)
{
    std::memset(buttons, 0, 8);
    if (current_backend().joystick.device_mouse_buttons(buttons) < 0) {
        std::memset(buttons, 0, 8);
        return -1;
    }
    return 0;
}

}  // namespace platform
