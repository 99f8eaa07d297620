// Cursor of the headless backend: shown flag and a position set by tests.
#include "platform/headless/headless.hpp"
#include "platform/headless/state.hpp"

namespace platform::headless {

int show_cursor(bool shown)
{
    state().window.cursor_shown = shown;
    return 0;
}

int cursor_position(int& x, int& y)
{
    x = state().cursor_x;
    y = state().cursor_y;
    return 0;
}

void set_cursor_position(int x, int y)
{
    state().cursor_x = x;
    state().cursor_y = y;
}

}  // namespace platform::headless
