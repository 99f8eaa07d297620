// The main window for the whole layer: its creation and end, its window
// procedure (which reaches graphics, sound and input) and the switch between
// windowed and full-screen mode.
#pragma once

#include <cstdint>

#include "media/core/window.hpp"

// Resets the window state (keeping the settings made before start-up),
// measures memory and timers, refuses a second running copy and makes the
// window for the current mode: 0, or -1 with the quit flag set.
int CreateMainWindow();
// The window procedure. WM_DROPFILES carries in wParam a pointer to the
// drop's names (const std::vector<std::wstring>*); WM_SIZING the edge in
// wParam (1 left, 2 right, 3 top, 4 to 8 top-left, top-right, bottom,
// bottom-left, bottom-right) and a RECT* of the proposed window in lParam;
// WM_IME_COMPOSITION a const IMECOMPOSITION* (ime.hpp) in wParam.
LRESULT MainWindowProc(HWINDOW window, std::uint32_t message, WPARAM wParam, LPARAM lParam);
// Closes the window through its procedure and undoes the rest of
// CreateMainWindow; returns 0.
int DestroyMainWindow();

// Switches the main window to the given mode at run time; before the window
// exists only the flag changes.
int ChangeWindowMode(int window_mode);
