// The desktop backend's one state record (the window, a drop being
// collected, the renderer); SDL itself keeps the rest.
#pragma once

#include "platform/platform.hpp"

#include <SDL.h>

#include <string>
#include <vector>

namespace platform::sdl {

struct sdl_state {
    SDL_Window* window = nullptr;
    bool collecting_drop = false;      // between DROPBEGIN and DROPCOMPLETE
    std::vector<std::string> dropped;  // the names collected so far

    // present: the display object is the renderer; the texture follows the view
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    Uint32 texture_format = 0;
    int texture_width = 0, texture_height = 0;
};

sdl_state& state();

// set_error with SDL's own text after ours: "what: SDL's reason"; -1.
int sdl_error(const char* what);

}  // namespace platform::sdl
