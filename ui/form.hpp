// The one-line text-entry field: idle a line of white text; a click on it
// starts an edit through a key-input handle (keys reported to no widget
// meanwhile); Enter or a press elsewhere ends it and keeps what was typed.
#pragma once

#include <string>

#include <boost/shared_ptr.hpp>

#include "dx/istring.hpp"
#include "ui/rect.hpp"
#include "ui/widget.hpp"

namespace ui {

class form : public widget {
 public:
  // As high as the default font.
  explicit form(int width);

  // While editing the live text, else the committed one.
  std::string get_text() const;
  std::wstring get_wtext() const;

  // Editing: the field over the whole screen, then the stacked clip again;
  // idle: the committed text in white.
  void draw(int x, int y) override;
  // Ends the edit on Enter, an invalid handle or a press outside the field
  // (not taken, so another widget takes it in the same frame); starts one
  // on a click on the field.
  void update(int x, int y, const rect& clip) override;

  bool is_editing() const { return static_cast<bool>(editing); }

  int max_characters = 64;
  int cancel_allowed = 0;
  int single_byte_only = 0;
  int numeric_only = 0;
  // Shared by copies of the form: they share one edit.
  boost::shared_ptr<dx::istring> editing;
  std::string text;
  hit_state state;
};

}  // namespace ui
