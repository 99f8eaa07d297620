// The vertical scroll bar: an offset into content taller than the visible
// area, moved by the wheel, by dragging and by the Up and Down keys; the
// shown offset glides toward the wanted one over a few frames.
#pragma once

#include "ui/rect.hpp"
#include "ui/widget.hpp"

namespace ui::scroll {

class vscroll : public widget {
 public:
  vscroll(int width, int height, unsigned visible, unsigned total, int step);

  // The thumb as a frame box, when active.
  void draw(int x, int y) override;
  // When active: the wheel, a drag, the keys; then, always, the glide.
  void update(int x, int y, const rect& clip) override;
  // Up (200) one step toward the start, else Down (208) one toward the end;
  // scroll_by's result.
  virtual int update_keys();

  // Only the sign counts: negative one step toward the end (1), positive one
  // toward the start (-1); 0 when it did not move.
  int scroll_by(int direction);
  // A click on the bar starts a drag; while the left button stays down the
  // thumb's centre follows the pointer, also outside the bar.
  void drag(const rect& clip, int x, int y);
  // current halfway toward target, at least one pixel a call.
  void glide();

  bool active() const { return visible < total; }
  // The largest target: total - visible (0 for an inactive bar).
  unsigned max_offset() const { return active() ? total - visible : 0; }
  unsigned thumb_height() const;

  int colour;
  bool dragging = false;
  unsigned visible;
  unsigned total;
  unsigned target = 0;
  unsigned current = 0;
  int step;
};

}  // namespace ui::scroll
