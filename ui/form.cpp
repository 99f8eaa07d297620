// The text-entry form.
#include "ui/form.hpp"

#include "lib/string.hpp"
#include "media/core/key_input.hpp"
#include "media/graphics/key_input_draw.hpp"
#include "media/graphics/drawstate.hpp"
#include "ui/drawing.hpp"
#include "ui/font.hpp"
#include "ui/input.hpp"

namespace ui {

form::form(int w) : widget(w, default_font_spec().size) {}

std::string form::get_text() const { return editing ? editing->get_string() : text; }

std::wstring form::get_wtext() const { return lib::string::convert<std::wstring>(get_text()); }

void form::update(int x, int y, const rect& clip) {
  hit_test(clip, {x, y, x + width, y + height}, state);
  if (editing) {
    const int s = GetKeyInputState(editing->handle());
    const bool pressed_elsewhere = state.released == 1 && state.hover == 0 && input::left_down();
    if (s != 0 || pressed_elsewhere) {
      // a handle that never was (or no longer is) valid holds no text: the
      // committed one stays
      if (s != -1) text = editing->get_string();
      editing.reset();
    }
    return;
  }
  if (!state.clicked) return;
  const int handle = CreateKeyInput(max_characters, cancel_allowed, single_byte_only, numeric_only);
  input::suspend_keys();
  editing.reset(new dx::istring(handle, max_characters));
  SetKeyInputText(text.c_str(), handle);
  ActivateKeyInput(handle);
}

void form::draw(int x, int y) {
  if (editing) {
    SetDrawClipArea(0, 0, screen_width, screen_height);
    DrawKeyInputField(x, y, editing->handle());
    clip_stack::apply();
    return;
  }
  draw_string(text, static_cast<int>(PackScreenColor(255, 255, 255)), x, y);
}

}  // namespace ui
