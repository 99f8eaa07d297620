// Joysticks of the desktop backend: SDL's joystick subsystem, started on
// first use.
#include "platform/sdl/state.hpp"

namespace platform::sdl {

int joysticks(std::vector<joystick_info>& out)
{
    if (SDL_WasInit(SDL_INIT_JOYSTICK) == 0 && SDL_InitSubSystem(SDL_INIT_JOYSTICK) < 0)
        return sdl_error("joystick start failed");
    const int count = SDL_NumJoysticks();
    if (count < 0)
        return sdl_error("joystick count failed");
    for (int i = 0; i < count && i < max_joysticks; ++i) {
        joystick_info info;
        if (SDL_Joystick* stick = SDL_JoystickOpen(i)) {
            info.four_axes = SDL_JoystickNumAxes(stick) >= 4;
            SDL_JoystickClose(stick);
        }
        out.push_back(info);
    }
    return 0;
}

}  // namespace platform::sdl
