// Window services: the window-mode flag and the window style that goes with
// it, the client area kept at screen size times the window scale, the mouse
// cursor, clicks and dropped files, menus and the tool bar (which this
// platform does not have).
#pragma once

#include "media/core/window.hpp"

// Stores the window-mode flag (1 windowed) and logs it; returns 0.
int SetWindowModeFlag(int window_mode);
// Switches the main window to the given mode at run time; before the window
// exists only the flag changes.
int ChangeWindowMode(int window_mode);
// Sizes and places the window for the current mode; returns 0.
int ApplyWindowStyle();
// Sets the client area to screen size x window scale, keeping the window's
// top-left corner; the first fit in windowed mode applies the style. Returns 0.
int FitWindowToClientSize();
// Records the client area on screen from WM_MOVE's lParam (client x and y as
// signed 16-bit values).
void RecordClientPosition(LPARAM lParam);
// flag 1 shows the cursor, 0 hides it, -1 only decides again; returns 0.
int SetMouseDisplay(int flag);
// The window scales (values at or below 0 become 1 first; 1 in full screen);
// either pointer may be null. Returns the x scale.
double GetWindowScale(double* x, double* y);
// The cursor in client coordinates divided by the window scale (the screen
// position in full screen); either pointer may be null. Returns 0.
int GetCursorClientPos(int* x, int* y);
// Appends a click (1 left, 2 right, 4 middle) at the cursor to the click
// log, which keeps the first 32.
void RecordMouseClick(int button);
// Frees every dropped name, both forms; returns 0.
int ClearDroppedFiles();

// Menus and the tool bar: none exists on this platform.
int IsMenuWanted();
int GetToolBarHeight();
void AutoShowMenu();
