// Frame clear, flip and present.
#pragma once

#include <cstdint>

#include "media/core/window.hpp"

// The window timer that keeps the front screen shown while it is the target.
inline constexpr WPARAM FRONT_SCREEN_TIMER = 0x7FFF;

// Fills the whole draw target with the background colour, whatever the draw
// area and blend mode; 0.
int ClearDrawTarget();
// Paces the flip: no wait inside the vertical blank, else its next start.
void WaitFlipTiming();
// Shows the back screen in the window: 0, or -1 when the layer is not
// running or a quit is pending.
int FlipDrawScreen();
// Paints the stored inactive-window picture: -1, since none is ever stored.
int PaintInactiveWindowPicture();
// The front-screen timer's procedure (every 32 ms while -4 is the target).
void FrontScreenTimerProc(HWINDOW window, std::uint32_t message, WPARAM id, std::uint32_t time);
