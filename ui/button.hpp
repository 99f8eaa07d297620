// The framed push button: a caption centred in an alignment box inside a
// frame, with the hit state the owner reads after each update.
#pragma once

#include <string>

#include "ui/align.hpp"
#include "ui/frame.hpp"
#include "ui/input.hpp"
#include "ui/text.hpp"

namespace ui {

template <class Alignment = detail::align::center>
class button : public frame<align<Alignment, text>> {
  using base = frame<align<Alignment, text>>;

 public:
  // The alignment box exactly as wide as the caption.
  button(const std::wstring& caption, int vertical_margin, unsigned horizontal_margin)
      : button(text(caption), text(caption).width, vertical_margin, static_cast<int>(horizontal_margin)) {}

  // The caption centred in a box of inner_width.
  static button button_from_text(int inner_width, const text& caption, int vertical_margin, int horizontal_margin) {
    return button(caption, inner_width, vertical_margin, horizontal_margin);
  }

  // Only the button's own hit test: the caption is not updated.
  void update(int x, int y, const rect& clip) override {
    const rect area{x, y, x + this->width, y + this->height};
    hit_test(intersect(clip, area), area, state);
  }

  std::wstring caption_wstring() const { return this->child().child().to_wstring(); }

  hit_state state;

 private:
  button(const text& caption, int inner_width, int vertical_margin, int horizontal_margin)
      : base({vertical_margin, vertical_margin, horizontal_margin, horizontal_margin},
             align<Alignment, text>(inner_width, caption)) {}
};

}  // namespace ui
