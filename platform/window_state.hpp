// The common state of the window group: which backend and thread own video,
// the key table, the cursor the pump saw, the drop and input-method switches.
#pragma once

#include "platform/platform.hpp"

#include <csignal>
#include <cstdint>
#include <thread>

namespace platform {

struct window_state {
    const backend* owner = nullptr;  // the backend that started video
    std::thread::id thread;          // the thread that started it
    bool window = false;
    std::uint8_t keys[256] = {};
    // buttons pressed since the last take_pressed_buttons (bit 0 left, 1
    // right, 2 middle): a press released within one read is still seen
    unsigned pressed_buttons = 0;
    bool cursor_seen = false;
    int cursor_x = 0, cursor_y = 0;
    bool drops = false;
    bool ime = true;
    bool display = false;  // the display object is open
    present_stamps stamps;
};

// The record; when the current backend is not the one that started video,
// it is first cleared (a test that selects another backend starts afresh).
window_state& window_common();
// Clears it; the headless reset calls this.
void forget_window_state();
// 0 when video runs on this thread under the current backend, else -1 with
// the error set.
int check_video_thread();
// 0 when, in addition, the window exists.
int check_window();

// Stamps a present that succeeded (present.cpp): the device's present counts
// as the software road's does.
void record_present();

// The window is gone: no menu is attached, the tool bar with it (menu.cpp).
void forget_strips();

// Set by the SIGINT and SIGTERM handler, taken by the pump.
extern volatile std::sig_atomic_t close_signalled;
void install_close_signals();

// Window titles and clipboard text: lone surrogates (which only OS names
// carry) become U+FFFD before the UTF-8 coding; a zero character is refused.
int text_to_utf8(const std::wstring& text, std::string& out);

}  // namespace platform
