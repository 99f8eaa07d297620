// The toolkit's one snapshot of mouse, wheel and keyboard, taken once a frame
// before the screen draws. Widgets read it in their update. A click goes to
// the first widget that takes it, a key press is reported once, a wheel
// movement goes to the first scrolling widget that reads it.
#pragma once

#include <string>
#include <vector>

namespace ui::input {

// Left, right and middle buttons in the masks.
constexpr unsigned left_button = 1, right_button = 2, middle_button = 4;

// One pump step, then buttons, pointer, wheel, latches, key states and the
// reported flags: true, or false (nothing refreshed) once the pump reports
// that the program must quit.
bool update();

// True, latching the click, when the left button went down this frame and
// no widget has taken that press yet.
bool take_click();
// The take_click conditions without taking the click.
bool click_available();

// True once per press of key (a device key code); false while keys are off.
// A key of 256 or more throws std::invalid_argument "lib/array/assert_index".
bool key_pressed(unsigned key);
// 1 while the key is down and keys are on, as the key table holds it.
bool key_down(unsigned key);

// An edit starts: keys off (counted, so that overlapping edits keep them
// off until the last ends); key states cleared.
void suspend_keys();
// An edit ends: once no edit is left, keys back on with every key down now
// marked as reported, so a key held across the end of the edit is reported
// only after its release; key states cleared.
void resume_keys();
bool keys_enabled();

// The files dropped since the last frame, the last dropped first; each name
// is taken whole whatever its length.
void dropped_files(std::vector<std::string>& out);

// A dropped entry's name in CP932, as the toolkit shows it, and in its exact
// wide form, the one that names the entry to the OS again.
struct dropped_name {
  std::string narrow;
  std::wstring exact;
};
// The files dropped since the last frame in both forms, the last dropped
// first.
void dropped_names(std::vector<dropped_name>& out);
// How many names of those drops were never held (more than the layer keeps),
// set back to 0.
std::size_t dropped_names_left_out();

// Pointer and buttons of this frame.
int mouse_x();
int mouse_y();
unsigned buttons();
unsigned buttons_before();
bool left_down();

// The wheel notches offered to widgets this frame (positive: turned away
// from the user); a widget that scrolls by them takes them.
int widget_wheel();
int take_wheel();

// Back to the start: everything 0, keys on, no edit counted.
void reset();

}  // namespace ui::input
