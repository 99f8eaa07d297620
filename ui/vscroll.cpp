// The vertical scroll bar.
#include "ui/vscroll.hpp"

#include "media/graphics/drawstate.hpp"
#include "ui/drawing.hpp"
#include "ui/input.hpp"

namespace ui::scroll {

vscroll::vscroll(int w, int h, unsigned visible_pixels, unsigned total_pixels, int step_pixels)
    : widget(w, h),
      colour(static_cast<int>(PackScreenColor(129, 129, 129))),
      visible(visible_pixels),
      total(total_pixels),
      step(step_pixels) {}

unsigned vscroll::thumb_height() const {
  return total == 0 ? 0 : static_cast<unsigned>(height) * visible / total;
}

void vscroll::draw(int x, int y) {
  if (!active()) return;
  const unsigned th = thumb_height();
  const int top = y + static_cast<int>((static_cast<unsigned>(height) - th) * current / (total - visible));
  draw_frame_box({x, top, x + width, top + static_cast<int>(th)}, colour);
}

void vscroll::update(int x, int y, const rect& clip) {
  if (active()) {
    scroll_by(input::take_wheel());
    drag(clip, x, y);
    update_keys();
  }
  glide();
}

int vscroll::update_keys() {
  if (!active()) return 0;
  if (input::key_pressed(200)) return scroll_by(1);
  if (input::key_pressed(208)) return scroll_by(-1);
  return 0;
}

int vscroll::scroll_by(int direction) {
  const unsigned max = max_offset();
  const unsigned s = static_cast<unsigned>(step);
  if (direction < 0 && target != max) {
    target = target + s < max && target + s >= target ? target + s : max;
    return 1;
  }
  if (direction > 0 && target != 0) {
    target = s >= target ? 0 : target - s;
    return -1;
  }
  return 0;
}

void vscroll::drag(const rect& clip, int x, int y) {
  if (!active()) return;
  const int mx = input::mouse_x(), my = input::mouse_y();
  if (clip.contains(mx, my) && rect{x, y, x + width, y + height}.contains(mx, my) && input::take_click())
    dragging = true;
  if (!dragging) return;
  const unsigned th = thumb_height();
  if (static_cast<unsigned>(height) > th) {
    const double v = (my - y - th * 0.5) / (height - static_cast<double>(th));
    const unsigned max = max_offset();
    target = v < 0 ? 0 : v > 1 ? max : static_cast<unsigned>(v * max);
  }
  // a button held down elsewhere never starts a drag
  dragging = input::left_down();
}

void vscroll::glide() {
  if (current < target) {
    const unsigned half = (target - current) / 2;
    current += half > 1 ? half : 1;
  } else if (current > target) {
    const unsigned half = (current - target) / 2;
    current -= half > 1 ? half : 1;
  }
}

}  // namespace ui::scroll
