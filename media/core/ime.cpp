// The input method: composition is not shown yet (committed text arrives as
// typed characters).
#include "media/core/ime.hpp"

#include "media/core/internal.hpp"
#include "media/core/window_services.hpp"
#include "platform/platform.hpp"

LRESULT HandleImeMessage(HWINDOW, std::uint32_t, WPARAM, LPARAM)
{
    return 0;
}

int RestartCursorBlink()
{
    media::core::KEYINPUTSTYLE& style = media::core::key_input_state.style;
    style.blink_start = GetTickMillis();
    style.cursor_shown = 1;
    return 0;
}

int SetImeEnabled(int enabled)
{
    media::core::IMESTATE& ime = media::core::key_input_state.ime;
    const int on = enabled != 0 ? 1 : 0;
    if (ime.enabled == on)
        return 0;
    // the platform decides only whether composition is reported; typing goes on
    platform::set_ime_enabled(on != 0);
    ime.enabled = on;
    if (on == 0) {
        ime.composition[0] = '\0';
        ime.composing = 0;
        ime.composition_cursor = 0;
    }
    return 0;
}
