// The desktop backend's one state record (the window and a drop being
// collected); SDL itself keeps the rest.
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
};

sdl_state& state();

// set_error with SDL's own text after ours: "what: SDL's reason"; -1.
int sdl_error(const char* what);

}  // namespace platform::sdl
