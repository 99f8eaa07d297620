// Window services: the window-mode flag and the window style that goes with
// it, the client area kept at screen size times the window scale, the mouse
// cursor, clicks and dropped files, menus and the tool bar (which this
// platform does not have).
#pragma once

#include <cstdint>
#include <string>

#include "media/core/date.hpp"
#include "media/core/math.hpp"
#include "media/core/window.hpp"

// Settings made before start-up (each returns 0 unless noted).
// Stores the caption used at creation (and as the class name when none is
// set); with a window, its title too.
int SetWindowCaption(const char* text);
// 1 keeps the pump and drawing running while the window is inactive.
int SetRunWhenInactive(int flag);
// Keeps the floating-point precision when display devices are made: -1 once
// the layer has started.
int EnableFpuPreserve(int flag);
// Switches the platform's drops on or off when the flag changes.
int SetDropFilesAccepted(int flag);

// Accessors.
int IsQuitRequested();
HWINDOW GetMainWindow();
int IsWindowMode();
int IsWindowActive();
int IsClosePosted();
int IsMmxEnabled();
// The desktop: the platform's before start-up, the one recorded at window
// creation after it; each pointer may be null. Returns 0.
int GetDesktopMode(int* width, int* height, int* bits);
// The client area on screen, below the tool bar; returns 0 (-1 for null).
int GetClientRectOnScreen(RECT* rect);
// Brings the window to the front (the top-most flag is not available here); 0.
int ForceForegroundWindow(HWINDOW window, int topmost);

// Dropped files, newest last.
int GetDroppedFileCount();
// The newest name: with a buffer of size bytes, copied and given up (0), or
// -1 with nothing copied and the name held when it does not fit; without a
// buffer its length + 1. -1 when none is held.
int PopDroppedFile(char* buffer, int size);
// The newest name in its exact wide form (the one that names the entry to
// the OS again) and in CP932, given up: 0, or -1 when none is held.
int PopDroppedFileExact(std::wstring& exact, std::string& narrow);
// How many names of the drops since the last take were not held (past the
// 1000 of the table, or without memory), set back to 0.
int TakeDroppedFilesLeftOut();

// The wheel total; reset 1 sets it to 0 afterwards.
int TakeMouseWheelTotal(int reset);

// Clipboard text in CP932. Without a buffer: the size of a block holding the
// text and its NUL, + 1 (the text read is kept for the copy that follows);
// with a buffer of size bytes: 0 with the text copied, -1 with nothing
// copied when it does not fit. -1 when the clipboard holds no text. A bare
// line feed reads as CR LF; characters CP932 lacks read as '?'.
int GetClipboardText(char* buffer, int size);
// 0, or -1 when the platform refuses the text.
int SetClipboardText(const char* text);

// Clocks: milliseconds of the platform's clock, never negative; microseconds
// from the time-stamp counter (with the flag, once started), the millisecond
// clock (counter unusable) or the performance counter.
int GetTickMillis();
std::uint64_t GetTickMicros(int use_timestamp);
// The local date and time; 0 (-1 for null).
int GetLocalDateTime(DATEDATA* date);

// Stores the window-mode flag (1 windowed) and logs it; returns 0.
int SetWindowModeFlag(int window_mode);
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

// Menus and the tool bar. Nothing in this layer makes either; the menu
// state's handle names a platform menu, the tool bar is the platform's.
// IsMenuWanted: 1 when the window exists, a menu is present and not hidden
// by request, and auto-hide is off, the window is windowed or the menu is
// being shown in full screen.
int IsMenuWanted();
// The tool bar strip's height, 0 without a tool bar.
int GetToolBarHeight();
// Full screen only (the pump, after its passes): shows the menu while the
// cursor is near the top, or always while the device renderer runs.
void AutoShowMenu();
// Records the hide request (!flag); the menu bar follows IsMenuWanted.
void SetMenuShown(int flag);
// Lists every item of the menu and its submenus, depth first, separators
// left out, texts in CP932 cut at 128 bytes on a character boundary.
void CollectMenuItems(int menu);
// Copies the listed item's text (at most 129 bytes with its end): 0, or -1
// when no item has the id.
int GetMenuItemName(int id, char* buffer);
// The position of the button with that id that is not a separator, or -1
// (also without a tool bar).
int FindToolBarButton(int index);
// Deletes every button: 0, or -1 without a tool bar.
int DeleteAllToolBarButtons();
// The menu bar attached when the window exists and IsMenuWanted says so,
// detached otherwise: 1 when that changed it.
int SyncMenuBar();
// WM_COMMAND: a plain tool-bar button's click, else the menu's command.
void HandleMenuCommand(WPARAM command);
// The layer's end: the menu bar detached and the menu destroyed, the tool
// bar destroyed, the lists cleared.
void DestroyMenuAndToolBar();
#if ZENTIL_TEST_HOOKS
// Sets a platform menu as the window's menu (0: none), before or after
// start-up: listed and attached as start-up would.
void SetMenuForTest(int menu);
// Makes the tool bar with these buttons (kind 3 a separator), before or
// after start-up; count 0 with no tool bar yet makes an empty one.
int SetToolBarForTest(const int* ids, const int* kinds, int count);
#endif
