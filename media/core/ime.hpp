// The input method and the drawing of key-input fields.
#pragma once

#include "media/core/window.hpp"

// The window procedure's handler of the input-method messages.
LRESULT HandleImeMessage(HWINDOW window, std::uint32_t message, WPARAM wParam, LPARAM lParam);
