// The desktop backend's boxes: yes/no and a message, modal SDL message boxes.
#include <SDL.h>

#include <string>

#include "platform/platform.hpp"
#include "platform/sdl/state.hpp"

namespace platform::sdl {

// 1 yes (Return), 0 no (Escape or closing the box), -1 (error set) when SDL
// can show no box: no display, or a video driver without boxes. Called on the
// thread that drives the window.
int ask_yes_no(const char* title, const char* text)
{
    // The dummy driver shows nothing; SDL would try other ways to ask
    // (another display, a helper program) that a headless run must not reach.
    const char* driver = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetCurrentVideoDriver() : SDL_getenv("SDL_VIDEODRIVER");
    if (driver && SDL_strcasecmp(driver, "dummy") == 0)
        return set_error("the message box cannot be shown: no display under the dummy video driver");
    const SDL_MessageBoxButtonData buttons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "No"},
    };
    SDL_MessageBoxData box{};
    box.flags = SDL_MESSAGEBOX_WARNING;
    box.window = state().window;  // modal over the main window when there is one
    box.title = title;
    box.message = text;
    box.numbuttons = 2;
    box.buttons = buttons;
    int pressed = -1;
    if (SDL_ShowMessageBox(&box, &pressed) != 0)
        return set_error((std::string("the message box cannot be shown: ") + SDL_GetError()).c_str());
    return pressed == 1 ? 1 : 0;
}

int show_message(const char* title, const char* text)
{
    const char* driver = SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetCurrentVideoDriver() : SDL_getenv("SDL_VIDEODRIVER");
    if (driver && SDL_strcasecmp(driver, "dummy") == 0)
        return set_error("the message box cannot be shown: no display under the dummy video driver");
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title, text, state().window) != 0)
        return set_error((std::string("the message box cannot be shown: ") + SDL_GetError()).c_str());
    return 0;
}

}  // namespace platform::sdl
