// The desktop backend's one state record (the window, a drop being
// collected, the renderer); SDL itself keeps the rest.
#pragma once

#include "platform/platform.hpp"

#include <SDL.h>

#include <deque>
#include <string>
#include <vector>

namespace platform::font {
class face;
}

namespace platform::sdl {

struct sdl_state {
    SDL_Window* window = nullptr;
    bool collecting_drop = false;      // between DROPBEGIN and DROPCOMPLETE
    std::vector<std::string> dropped;  // the names collected so far

    // exclusive full screen: while in it, the window's size and position
    // requests are kept for the return to a window (SDL would take a size as
    // a new full-screen mode)
    bool full_screen = false;
    bool kept_set = false;
    screen_rect kept{0, 0, 0, 0};
    // records of our own (display changes), delivered before SDL's queue
    std::deque<os_event> pending;

    // present: the display object is the renderer; the texture follows the view
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    Uint32 texture_format = 0;
    int texture_width = 0, texture_height = 0;

    // progress window: its own window, renderer and picture; while it is
    // open its events are taken off SDL's queue and the others held, to go
    // back in their order when it closes
    SDL_Window* progress_window = nullptr;
    Uint32 progress_id = 0;
    SDL_Renderer* progress_renderer = nullptr;
    SDL_Texture* progress_texture = nullptr;
    font::face* progress_font = nullptr;
    bool progress_cancel = false;   // pressed, not yet reported
    bool progress_pressed = false;  // the button is held down
    std::vector<SDL_Event> progress_held;

    // joysticks: those opened by the device-input layer, by id (null once
    // closed), and how many of its objects hold the haptic subsystem
    struct open_stick {
        SDL_Joystick* stick = nullptr;
        SDL_Haptic* haptic = nullptr;
    };
    std::vector<open_stick> sticks;
    int haptic_holders = 0;
    std::vector<int> virtual_sticks;  // device indexes attached by tests
};

sdl_state& state();

// set_error with SDL's own text after ours: "what: SDL's reason"; -1.
int sdl_error(const char* what);

}  // namespace platform::sdl
