// Clipboard of the desktop backend (under the dummy driver SDL keeps one of
// its own inside the process).
#include "platform/sdl/state.hpp"

namespace platform::sdl {

int clipboard_text(std::string& out)
{
    if (!SDL_HasClipboardText()) return 0;
    char* text = SDL_GetClipboardText();
    if (!text) return sdl_error("clipboard read failed");
    out = text;
    SDL_free(text);
    return out.empty() ? 0 : 1;
}

int set_clipboard_text(const char* text)
{
    if (SDL_SetClipboardText(text) < 0) return sdl_error("clipboard write failed");
    return 0;
}

}  // namespace platform::sdl
