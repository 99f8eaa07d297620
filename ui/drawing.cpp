// The clip stack and the blend guard.
#include "ui/drawing.hpp"

#include <algorithm>

#include "media/graphics/drawstate.hpp"

namespace ui {

namespace {

std::list<rect>& stack() {
  static std::list<rect> s;
  return s;
}

blend_record& blend() {
  static blend_record b;
  return b;
}

}  // namespace

namespace clip_stack {

const std::list<rect>& get() { return stack(); }

void push(const rect& r) {
  stack().push_back(r);
  apply();
}

void pop() {
  if (!stack().empty()) stack().pop_back();
  apply();
}

rect current() {
  rect area{0, 0, screen_width, screen_height};
  for (const rect& r : stack()) area = intersect(area, r);
  return area;
}

void apply() {
  const rect area = current();
  // handing an inverted rectangle over would swap its corners and draw
  // where no rectangle on the stack allows
  if (area.right <= area.left || area.bottom <= area.top)
    SetDrawClipArea(area.left, area.top, area.left, area.top);
  else
    SetDrawClipArea(area.left, area.top, area.right, area.bottom);
}

void reset() { stack().clear(); }

}  // namespace clip_stack

blend_guard::blend_guard(double factor) {
  blend_record& b = blend();
  saved_mode_ = b.mode;
  saved_parameter_ = b.parameter;
  const double scaled = factor * static_cast<unsigned>(b.parameter);
  new_parameter_ = scaled > 255.0 ? 255 : static_cast<int>(scaled);
  SetBlendModeParam(1, new_parameter_);
  b.mode = 1;
  b.parameter = new_parameter_;
}

blend_guard::~blend_guard() {
  SetBlendModeParam(saved_mode_, saved_parameter_);
  blend() = blend_record{saved_mode_, saved_parameter_};
}

const blend_record& current_blend() { return blend(); }

void reset_blend() { blend() = blend_record{}; }

}  // namespace ui
