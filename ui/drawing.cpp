// The clip stack and the blend guard.
#include "ui/drawing.hpp"

#include <algorithm>

#include "lib/string.hpp"
#include "media/graphics/draw.hpp"
#include "media/graphics/drawstate.hpp"
#include "media/graphics/string_draw.hpp"

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

void draw_frame_box(const rect& r, int colour) {
  const std::uint32_t c = static_cast<std::uint32_t>(colour);
  const int l = r.left, t = r.top, rt = r.right, b = r.bottom;
  DrawLineSegment(l, t + 1, l, b - 1, c, 1);
  DrawLineSegment(rt - 1, t + 1, rt - 1, b - 1, c, 1);
  DrawLineSegment(l + 1, t, rt - 1, t, c, 1);
  DrawLineSegment(l + 1, b - 1, rt - 1, b - 1, c, 1);
  // again, two pixels shorter at each end: under a blend the outline is
  // weaker next to the corners
  DrawLineSegment(l, t + 2, l, b - 2, c, 1);
  DrawLineSegment(rt - 1, t + 2, rt - 1, b - 2, c, 1);
  DrawLineSegment(l + 2, t, rt - 2, t, c, 1);
  DrawLineSegment(l + 2, b - 1, rt - 2, b - 1, c, 1);
  blend_guard half(0.5);
  DrawRectangle(l + 1, t + 1, rt - 1, b - 1, c, 1);
}

void draw_string(const std::string& text, int colour, int x, int y, const boost::shared_ptr<font>& f) {
  const std::uint32_t c = static_cast<std::uint32_t>(colour);
  if (f)
    DrawStringWithFont(x, y, text.c_str(), c, f->handle, 0, 0);
  else
    DrawStringDefaultFont(x, y, text.c_str(), c, 0);
}

int string_width(const std::string& text, const boost::shared_ptr<font>& f) {
  const int length = static_cast<int>(text.size());
  return f ? MeasureStringWithFont(text.c_str(), length, f->handle, 0)
           : MeasureStringDefaultFont(text.c_str(), length, 0);
}

int wstring_width(const std::wstring& text, const text_style& style) {
  return string_width(lib::string::convert<std::string>(text), style.font());
}

}  // namespace ui
