// The input method and the drawing of key-input fields.
#pragma once

#include "media/core/window.hpp"

// The window procedure's handler of the input-method messages.
LRESULT HandleImeMessage(HWINDOW window, std::uint32_t message, WPARAM wParam, LPARAM lParam);

// The cursor shows from now on (the blink starts again); 0.
int RestartCursorBlink();
// Switches the input method for the main window on or off (nothing when
// unchanged); switching off forgets the composition; 0.
int SetImeEnabled(int enabled);
