// Text input of the desktop backend: plain typing arrives only through it.
#include "platform/sdl/state.hpp"

namespace platform::sdl {

int text_input(bool on)
{
    if (on)
        SDL_StartTextInput();
    else
        SDL_StopTextInput();
    return 0;
}

// SDL has no switch for the input method alone; the common layer holds back
// composition records while it is off.
int set_ime_enabled(bool)
{
    return 0;
}

int set_composition_rect(const screen_rect& rect)
{
    SDL_Rect r = {rect.x, rect.y, rect.width, rect.height};
    SDL_SetTextInputRect(&r);
    return 0;
}

}  // namespace platform::sdl
