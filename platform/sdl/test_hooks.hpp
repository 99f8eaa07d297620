// Test builds only: real SDL events pushed onto SDL's queue, described
// without SDL's types, so that the pump's translation can be tested.
#pragma once

#include "platform/platform.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace platform::sdl::test {

// Each returns 0, or -1 when SDL refused the event.
int push_key(int key_position, bool down, bool repeat = false);
int push_text(const std::string& utf8);
int push_editing(const std::string& utf8, int start, int length);
int push_motion(int x, int y);
int push_button(int sdl_button, bool down, int x, int y);  // SDL's numbers: 1 left, 2 middle, 3 right, 4 and 5 X1 and X2
int push_wheel(int x, int y, bool flipped);
int push_drop_begin();
int push_drop_file(const std::string& utf8);
int push_drop_complete();
// close, focus_gained, focus_lost, minimised, maximised, restored, moved,
// resized or exposed, as the window manager reports it
int push_window(event_kind kind, int data1 = 0, int data2 = 0);
int push_quit();

// What SDL says of the window: its full-screen, borderless and on-top flags.
struct window_flags {
    bool full_screen = false, borderless = false, top_most = false;
};
window_flags read_window_flags();

// The window's pixels as the renderer shows them (or, without one, as the
// device's last present left them), 0xAARRGGBB.
int read_window(std::vector<std::uint32_t>& argb, int& width, int& height);

// The OpenGL device: GL objects made and not deleted (the context's own
// included), whether a context lives, its version as major x 10 + minor
// (0 without one); while keeping is on, the window's pixels as each device
// present leaves them (read before the swap), 0xAARRGGBB top-down.
int gl_live_objects();
bool gl_context();
int gl_version();
void keep_gl_window(bool on);
int read_gl_window(std::vector<std::uint32_t>& argb, int& width, int& height);

// The progress window: whether one is open, its Cancel button (window
// coordinates), its pixels, and input pushed to it as SDL reports it.
bool progress_window_open();
screen_rect progress_cancel_button();
int read_progress_window(std::vector<std::uint32_t>& argb, int& width, int& height);
int push_progress_click(int x, int y);  // left button down and up
int push_progress_key(int key_position);  // down and up
int push_progress_close();

// Virtual joysticks of SDL (a game controller with the name, the axes and
// four buttons, no haptics): attach gives its device index, or -1; detach
// removes every one attached so far.
int attach_virtual_joystick(const std::string& name, int axes);
void detach_virtual_joysticks();

}  // namespace platform::sdl::test
