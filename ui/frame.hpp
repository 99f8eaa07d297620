// A bordered, half-transparent box around one child with inner margins.
#pragma once

#include "ui/drawing.hpp"
#include "ui/rect.hpp"
#include "ui/widget.hpp"

namespace ui {

struct margins {
  int top, bottom, left, right;
};

// The frames' colour, (52, 52, 52) as a screen pixel value.
int frame_colour();

template <class T>
class frame : public widget {
 public:
  frame(const margins& m, const T& child)
      : widget(child.width + m.left + m.right, child.height + m.top + m.bottom),
        colour_(frame_colour()),
        child_(child),
        margins_(m) {}

  // The frame box, then the child clipped to the inner rectangle.
  void draw(int x, int y) override {
    draw_frame_box({x, y, x + width, y + height}, colour_);
    clip_stack::scope clip(
        {x + margins_.left, y + margins_.top, x + width - margins_.right, y + height - margins_.bottom});
    child_.draw(x + margins_.left, y + margins_.top);
  }

  // The child's clip is never larger than the frame's outer rectangle.
  void update(int x, int y, const rect& clip) override {
    child_.update(x + margins_.left, y + margins_.top, intersect(clip, {x, y, x + width, y + height}));
  }

  T& child() { return child_; }
  const T& child() const { return child_; }
  const ui::margins& frame_margins() const { return margins_; }
  int colour() const { return colour_; }

 private:
  int colour_;
  T child_;
  ui::margins margins_;
};

}  // namespace ui
