// Text input of the headless backend: the switches as set.
#include "platform/headless/headless.hpp"
#include "platform/headless/state.hpp"

namespace platform::headless {

int text_input(bool on)
{
    state().text_input = on;
    return 0;
}

int set_ime_enabled(bool on)
{
    state().ime_enabled = on;
    return 0;
}

int set_composition_rect(const screen_rect& rect)
{
    state().composition = rect;
    return 0;
}

bool text_input_on()
{
    return state().text_input;
}

bool ime_switched_on()
{
    return state().ime_enabled;
}

screen_rect composition_rect()
{
    return state().composition;
}

}  // namespace platform::headless
