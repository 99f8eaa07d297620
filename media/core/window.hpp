// The main window's messages and their parameter words, the window
// procedure's type and the window timers.
#pragma once

#include <cstdint>

// The one main window; GetMainWindow gives it while it exists.
struct MAINWINDOW;
using HWINDOW = MAINWINDOW*;

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

// Messages of the window procedure.
constexpr std::uint32_t WM_CREATE = 0x0001;
constexpr std::uint32_t WM_DESTROY = 0x0002;
constexpr std::uint32_t WM_MOVE = 0x0003;
constexpr std::uint32_t WM_SIZE = 0x0005;
constexpr std::uint32_t WM_ACTIVATE = 0x0006;
constexpr std::uint32_t WM_PAINT = 0x000F;
constexpr std::uint32_t WM_CLOSE = 0x0010;
constexpr std::uint32_t WM_QUIT = 0x0012;
constexpr std::uint32_t WM_ACTIVATEAPP = 0x001C;
constexpr std::uint32_t WM_SETCURSOR = 0x0020;
constexpr std::uint32_t WM_DISPLAYCHANGE = 0x007E;
constexpr std::uint32_t WM_NCHITTEST = 0x0084;
constexpr std::uint32_t WM_KEYDOWN = 0x0100;
constexpr std::uint32_t WM_CHAR = 0x0102;
constexpr std::uint32_t WM_SYSCHAR = 0x0106;
constexpr std::uint32_t WM_IME_STARTCOMPOSITION = 0x010D;
constexpr std::uint32_t WM_IME_ENDCOMPOSITION = 0x010E;
constexpr std::uint32_t WM_IME_COMPOSITION = 0x010F;
constexpr std::uint32_t WM_COMMAND = 0x0111;
constexpr std::uint32_t WM_SYSCOMMAND = 0x0112;
constexpr std::uint32_t WM_TIMER = 0x0113;
constexpr std::uint32_t WM_MOUSEMOVE = 0x0200;
constexpr std::uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr std::uint32_t WM_LBUTTONUP = 0x0202;
constexpr std::uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr std::uint32_t WM_RBUTTONUP = 0x0205;
constexpr std::uint32_t WM_MBUTTONDOWN = 0x0207;
constexpr std::uint32_t WM_MBUTTONUP = 0x0208;
constexpr std::uint32_t WM_MOUSEWHEEL = 0x020A;
constexpr std::uint32_t WM_SIZING = 0x0214;
constexpr std::uint32_t WM_MOVING = 0x0216;
constexpr std::uint32_t WM_DROPFILES = 0x0233;
constexpr std::uint32_t WM_IME_SETCONTEXT = 0x0281;
constexpr std::uint32_t WM_IME_NOTIFY = 0x0282;
constexpr std::uint32_t MM_MCINOTIFY = 953;
constexpr std::uint32_t WM_INPUT_FLAG_1135 = 1135;
constexpr std::uint32_t WM_INPUT_FLAG_1136 = 1136;
constexpr std::uint32_t WM_SOCKET_NOTIFY = 1285;

// WM_SIZE kinds (wParam)
constexpr WPARAM SIZE_RESTORED = 0;
constexpr WPARAM SIZE_MINIMIZED = 1;
constexpr WPARAM SIZE_MAXIMIZED = 2;

// WM_SYSCOMMAND commands (wParam)
constexpr WPARAM SC_KEYMENU = 0xF100;
constexpr WPARAM SC_SCREENSAVE = 0xF140;
constexpr WPARAM SC_MONITORPOWER = 0xF170;

// WM_NCHITTEST answers
constexpr LRESULT HTCLIENT = 1;
constexpr LRESULT HTMENU = 5;

// One wheel notch in the high word of WM_MOUSEWHEEL's wParam.
constexpr int WHEEL_DELTA = 120;

// Low and high words of a message parameter.
inline int LowWord(std::uintptr_t value)
{
    return static_cast<int>(value & 0xFFFF);
}
inline int HighWord(std::uintptr_t value)
{
    return static_cast<int>((value >> 16) & 0xFFFF);
}
inline LPARAM MakeLParam(int low, int high)
{
    return static_cast<LPARAM>((static_cast<std::uint32_t>(low) & 0xFFFF) |
                               ((static_cast<std::uint32_t>(high) & 0xFFFF) << 16));
}

// A window procedure: the pump hands every message to the one stored when
// the window was made.
using WINDOWPROC = LRESULT (*)(HWINDOW window, std::uint32_t message, WPARAM wParam, LPARAM lParam);

// A window timer's procedure: the window, WM_TIMER, the timer's id and the
// millisecond clock (GetTickMillis) when the message was made.
using TIMERPROC = void (*)(HWINDOW window, std::uint32_t message, WPARAM id, std::uint32_t time);

// A timer of the main window: every ms milliseconds, when the pump finds no
// other message, one WM_TIMER that calls proc (or reaches the procedure when
// proc is null). The same id replaces its timer. Returns id, or 0 without a
// window or for id 0.
WPARAM SetTimer(HWINDOW window, WPARAM id, std::uint32_t ms, TIMERPROC proc);
// 0, or -1 when no such timer runs.
int KillTimer(HWINDOW window, WPARAM id);
