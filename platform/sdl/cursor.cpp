// Cursor of the desktop backend.
#include "platform/sdl/state.hpp"

namespace platform::sdl {

int show_cursor(bool shown)
{
    if (SDL_ShowCursor(shown ? SDL_ENABLE : SDL_DISABLE) < 0) return sdl_error("cursor display failed");
    return 0;
}

int cursor_position(int& x, int& y)
{
    SDL_GetMouseState(&x, &y);
    return 0;
}

}  // namespace platform::sdl
