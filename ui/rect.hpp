// Screen rectangles with the strict inside test, and the per-widget record of
// what the pointer did to it this frame.
#pragma once

namespace ui {

struct rect {
  int left, top, right, bottom;
  // Strictly inside: the border pixels are outside.
  bool contains(int x, int y) const { return left < x && x < right && top < y && y < bottom; }
};

// The overlap of two rectangles (possibly empty: right <= left or bottom <= top).
rect intersect(const rect& a, const rect& b);

// Rewritten by hit_test every frame. released starts at 1.
struct hit_state {
  unsigned char hover = 0;    // pointer inside
  unsigned char clicked = 0;  // took a click this frame
  unsigned char toggled = 0;  // flips on every click
  unsigned char released = 1; // 1 once the left button is up after a click
};

// hover when the pointer is inside area and clip; clicked when hovering and
// the left click of this frame is still to be taken (it is taken then).
void hit_test(const rect& clip, const rect& area, hit_state& state);

}  // namespace ui
