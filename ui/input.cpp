// The per-frame input state, the rectangle hit test and the dropped names.
#include "ui/input.hpp"

#include <algorithm>

#include "lib/array.hpp"
#include "media/core/input.hpp"
#include "media/core/pump.hpp"
#include "media/core/window_services.hpp"
#include "ui/rect.hpp"

namespace ui {

namespace {

using key_table = lib::array<unsigned char, 256>;

struct input_state {
  unsigned buttons_now = 0;
  unsigned buttons_before = 0;
  int mouse_x = 0, mouse_y = 0;
  int wheel = 0;
  int widget_wheel = 0;
  bool click_latch = false;
  bool right_latch = false;
  key_table key_states{};
  key_table reported{};
  bool keys_enabled = true;
  int edits = 0;  // edits running; keys are off while any is
};

input_state& state() {
  static input_state s;
  return s;
}

bool left_went_down(const input_state& s) {
  return (s.buttons_before & input::left_button) == 0 && (s.buttons_now & input::left_button) != 0;
}

void clear_key_states(input_state& s) { std::fill(s.key_states.begin(), s.key_states.end(), 0); }

}  // namespace

rect intersect(const rect& a, const rect& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

void hit_test(const rect& clip, const rect& area, hit_state& hit) {
  const input_state& s = state();
  hit.hover = area.contains(s.mouse_x, s.mouse_y) && clip.contains(s.mouse_x, s.mouse_y);
  hit.clicked = hit.hover && input::take_click();
  if (hit.clicked) hit.released = 0;
  if (hit.released == 0 && (s.buttons_now & input::left_button) == 0) hit.released = 1;
  if (hit.clicked) hit.toggled = !hit.toggled;
}

namespace input {

bool update() {
  input_state& s = state();
  if (PumpWindowMessagesGuarded() == -1) return false;
  s.buttons_before = s.buttons_now;
  s.buttons_now = static_cast<unsigned>(GetMouseButtonMask());
  GetCursorClientPos(&s.mouse_x, &s.mouse_y);
  s.wheel = TakeMouseWheelTotal(1);
  if (s.click_latch) s.click_latch = (s.buttons_now & left_button) != 0;
  if (s.right_latch) s.right_latch = (s.buttons_now & right_button) != 0;
  s.widget_wheel = s.wheel;  // what no widget took last frame is gone
  char keys[256] = {};
  if (GetKeyStateTable(keys) == 0)
    for (unsigned k = 0; k < 256; ++k) s.key_states[k] = keys[k] != 0 ? 1 : 0;
  for (unsigned k = 0; k < 256; ++k)
    if (!(s.keys_enabled && s.key_states[k] == 1)) s.reported[k] = 0;
  return true;
}

bool click_available() {
  const input_state& s = state();
  return left_went_down(s) && !s.click_latch;
}

bool take_click() {
  if (!click_available()) return false;
  state().click_latch = true;
  return true;
}

bool key_down(unsigned key) {
  const input_state& s = state();
  return s.keys_enabled && s.key_states[key] == 1;
}

bool key_pressed(unsigned key) {
  input_state& s = state();
  key_table::assert_index(key);
  if (s.reported[key] != 0 || !key_down(key)) return false;
  s.reported[key] = 1;
  return true;
}

void suspend_keys() {
  input_state& s = state();
  ++s.edits;
  s.keys_enabled = false;
  clear_key_states(s);
}

void resume_keys() {
  input_state& s = state();
  if (s.edits > 0) --s.edits;
  if (s.edits == 0) {
    s.keys_enabled = true;
    // the keys down now (this frame's table) count as reported; a key
    // pressed after this point is still reported in its first frame
    for (unsigned k = 0; k < 256; ++k) s.reported[k] = s.key_states[k];
  }
  clear_key_states(s);
}

bool keys_enabled() { return state().keys_enabled; }

void dropped_files(std::vector<std::string>& out) {
  const int count = GetDroppedFileCount();
  out.assign(count > 0 ? static_cast<std::size_t>(count) : 0, std::string());
  for (std::string& name : out) {
    // the length first, so a name of any length is taken whole
    const int size = PopDroppedFile(nullptr, 0);
    if (size <= 0) break;
    std::string buffer(static_cast<std::size_t>(size), '\0');
    if (PopDroppedFile(buffer.data(), size) != 0) break;
    buffer.resize(static_cast<std::size_t>(size) - 1);
    name = std::move(buffer);
  }
}

void dropped_names(std::vector<dropped_name>& out) {
  out.clear();
  out.reserve(static_cast<std::size_t>(std::max(GetDroppedFileCount(), 0)));
  dropped_name name;
  while (PopDroppedFileExact(name.exact, name.narrow) == 0) out.push_back(std::move(name));
}

std::size_t dropped_names_left_out() { return static_cast<std::size_t>(std::max(TakeDroppedFilesLeftOut(), 0)); }

int mouse_x() { return state().mouse_x; }
int mouse_y() { return state().mouse_y; }
unsigned buttons() { return state().buttons_now; }
unsigned buttons_before() { return state().buttons_before; }
bool left_down() { return (state().buttons_now & left_button) != 0; }

int widget_wheel() { return state().widget_wheel; }

int take_wheel() {
  input_state& s = state();
  const int wheel = s.widget_wheel;
  s.widget_wheel = 0;
  return wheel;
}

void reset() { state() = input_state{}; }

}  // namespace input
}  // namespace ui
