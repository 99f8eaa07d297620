// Events of the desktop backend: SDL's queue in our records; a drop's
// DROPBEGIN ... DROPCOMPLETE becomes one record.
#include "platform/sdl/state.hpp"

#include <utility>

namespace platform::sdl {

namespace {

mouse_button button_of(Uint8 b)
{
    switch (b) {
    case SDL_BUTTON_LEFT: return mouse_button::left;
    case SDL_BUTTON_RIGHT: return mouse_button::right;
    case SDL_BUTTON_MIDDLE: return mouse_button::middle;
    default: return mouse_button::none;  // X1 and X2 give nothing
    }
}

bool window_event(const SDL_WindowEvent& w, os_event& out)
{
    switch (w.event) {
    case SDL_WINDOWEVENT_CLOSE: out.kind = event_kind::close; break;
    case SDL_WINDOWEVENT_FOCUS_GAINED: out.kind = event_kind::focus_gained; break;
    case SDL_WINDOWEVENT_FOCUS_LOST: out.kind = event_kind::focus_lost; break;
    case SDL_WINDOWEVENT_MINIMIZED: out.kind = event_kind::minimised; break;
    case SDL_WINDOWEVENT_MAXIMIZED: out.kind = event_kind::maximised; break;
    case SDL_WINDOWEVENT_RESTORED: out.kind = event_kind::restored; break;
    case SDL_WINDOWEVENT_EXPOSED: out.kind = event_kind::exposed; break;
    case SDL_WINDOWEVENT_MOVED:
        out.kind = event_kind::moved;
        out.x = w.data1;
        out.y = w.data2;
        break;
    // every size change, whether asked for or made by the user (RESIZED follows
    // only the latter, after this one)
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        out.kind = event_kind::resized;
        out.x = w.data1;
        out.y = w.data2;
        break;
    default: return false;
    }
    return true;
}

// A name SDL allocated: copied, then freed.
std::string take_name(char* name)
{
    std::string copy = name ? name : "";
    SDL_free(name);
    return copy;
}

}  // namespace

int poll_event(os_event& out)
{
    sdl_state& s = state();
    if (!s.pending.empty()) {
        out = std::move(s.pending.front());
        s.pending.pop_front();
        return 1;
    }
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        switch (e.type) {
        case SDL_QUIT:
            out.kind = event_kind::close;
            return 1;
        case SDL_WINDOWEVENT:
            if (window_event(e.window, out)) return 1;
            break;
        case SDL_MOUSEMOTION:
            out.kind = event_kind::mouse_move;
            out.x = e.motion.x;
            out.y = e.motion.y;
            return 1;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            out.button = button_of(e.button.button);
            if (out.button == mouse_button::none) break;
            out.kind = e.type == SDL_MOUSEBUTTONDOWN ? event_kind::button_down : event_kind::button_up;
            out.x = e.button.x;
            out.y = e.button.y;
            return 1;
        case SDL_MOUSEWHEEL: {
            int sign = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1;
            out.kind = event_kind::wheel;
            out.wheel_x = sign * e.wheel.x;
            out.wheel_y = sign * e.wheel.y;
            return 1;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            out.kind = e.type == SDL_KEYDOWN ? event_kind::key_down : event_kind::key_up;
            out.key_position = e.key.keysym.scancode;
            out.repeat = e.key.repeat != 0;
            return 1;
        case SDL_TEXTINPUT:
            out.kind = event_kind::text;
            out.text = e.text.text;
            return 1;
        case SDL_TEXTEDITING:
            out.kind = event_kind::text_editing;
            out.text = e.edit.text;
            out.x = e.edit.start;
            out.y = e.edit.length;
            return 1;
        case SDL_TEXTEDITING_EXT:  // a composition longer than SDL_TEXTEDITING holds
            out.kind = event_kind::text_editing;
            out.text = take_name(e.editExt.text);
            out.x = e.editExt.start;
            out.y = e.editExt.length;
            return 1;
        case SDL_DROPBEGIN:
            s.collecting_drop = true;
            s.dropped.clear();
            break;
        case SDL_DROPFILE: {
            std::string name = take_name(e.drop.file);
            if (s.collecting_drop) {
                s.dropped.push_back(std::move(name));
                break;
            }
            out.kind = event_kind::drop;  // a file outside a BEGIN/COMPLETE pair
            out.names.push_back(std::move(name));
            return 1;
        }
        case SDL_DROPTEXT:
            take_name(e.drop.file);
            break;
        case SDL_DROPCOMPLETE:
            if (!s.collecting_drop) break;
            s.collecting_drop = false;
            if (s.dropped.empty()) break;
            out.kind = event_kind::drop;
            out.names = std::move(s.dropped);
            s.dropped.clear();
            return 1;
        default:
            break;
        }
    }
    return 0;
}

int accept_drops(bool on)
{
    int state = on ? SDL_ENABLE : SDL_DISABLE;
    for (Uint32 type : {SDL_DROPFILE, SDL_DROPTEXT, SDL_DROPBEGIN, SDL_DROPCOMPLETE}) SDL_EventState(type, state);
    return 0;
}

#ifdef ZENTIL_TEST_HOOKS

namespace test {

namespace {

int push(SDL_Event& e)
{
    e.common.timestamp = SDL_GetTicks();
    return SDL_PushEvent(&e) == 1 ? 0 : -1;
}

Uint32 window_id()
{
    return state().window ? SDL_GetWindowID(state().window) : 0;
}

int push_drop(Uint32 type, const std::string* name)
{
    SDL_Event e{};
    e.type = type;
    e.drop.windowID = window_id();
    e.drop.file = name ? SDL_strdup(name->c_str()) : nullptr;
    int r = push(e);
    if (r < 0) SDL_free(e.drop.file);
    return r;
}

}  // namespace

int push_key(int key_position, bool down, bool repeat)
{
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = window_id();
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.scancode = static_cast<SDL_Scancode>(key_position);
    e.key.keysym.sym = SDL_GetKeyFromScancode(e.key.keysym.scancode);
    return push(e);
}

int push_text(const std::string& utf8)
{
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = window_id();
    SDL_utf8strlcpy(e.text.text, utf8.c_str(), sizeof e.text.text);
    return push(e);
}

int push_editing(const std::string& utf8, int start, int length)
{
    SDL_Event e{};
    e.type = SDL_TEXTEDITING;
    e.edit.windowID = window_id();
    SDL_utf8strlcpy(e.edit.text, utf8.c_str(), sizeof e.edit.text);
    e.edit.start = start;
    e.edit.length = length;
    return push(e);
}

int push_motion(int x, int y)
{
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = window_id();
    e.motion.x = x;
    e.motion.y = y;
    return push(e);
}

int push_button(int sdl_button, bool down, int x, int y)
{
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = window_id();
    e.button.button = static_cast<Uint8>(sdl_button);
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    e.button.x = x;
    e.button.y = y;
    return push(e);
}

int push_wheel(int x, int y, bool flipped)
{
    SDL_Event e{};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = window_id();
    e.wheel.x = x;
    e.wheel.y = y;
    e.wheel.preciseX = static_cast<float>(x);
    e.wheel.preciseY = static_cast<float>(y);
    e.wheel.direction = flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
    return push(e);
}

int push_drop_begin()
{
    return push_drop(SDL_DROPBEGIN, nullptr);
}

int push_drop_file(const std::string& utf8)
{
    return push_drop(SDL_DROPFILE, &utf8);
}

int push_drop_complete()
{
    return push_drop(SDL_DROPCOMPLETE, nullptr);
}

int push_window(event_kind kind, int data1, int data2)
{
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = window_id();
    e.window.data1 = data1;
    e.window.data2 = data2;
    switch (kind) {
    case event_kind::close: e.window.event = SDL_WINDOWEVENT_CLOSE; break;
    case event_kind::focus_gained: e.window.event = SDL_WINDOWEVENT_FOCUS_GAINED; break;
    case event_kind::focus_lost: e.window.event = SDL_WINDOWEVENT_FOCUS_LOST; break;
    case event_kind::minimised: e.window.event = SDL_WINDOWEVENT_MINIMIZED; break;
    case event_kind::maximised: e.window.event = SDL_WINDOWEVENT_MAXIMIZED; break;
    case event_kind::restored: e.window.event = SDL_WINDOWEVENT_RESTORED; break;
    case event_kind::moved: e.window.event = SDL_WINDOWEVENT_MOVED; break;
    case event_kind::resized: e.window.event = SDL_WINDOWEVENT_SIZE_CHANGED; break;
    case event_kind::exposed: e.window.event = SDL_WINDOWEVENT_EXPOSED; break;
    default: return -1;
    }
    return push(e);
}

int push_quit()
{
    SDL_Event e{};
    e.type = SDL_QUIT;
    return push(e);
}

}  // namespace test

#endif

}  // namespace platform::sdl
