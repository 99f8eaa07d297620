// Drawing support every widget shares: the screen size, the stack of clip
// rectangles nested widgets push around their children, a scoped blend at a
// fraction of the current opacity, and the framed half-transparent box.
#pragma once

#include <list>
#include <string>

#include <boost/shared_ptr.hpp>

#include "ui/font.hpp"
#include "ui/rect.hpp"

namespace ui {

constexpr int screen_width = 800;
constexpr int screen_height = 600;

namespace clip_stack {

// The rectangles pushed, outermost first.
const std::list<rect>& get();
// Appends r and applies the stack.
void push(const rect& r);
// Removes the last rectangle and applies the stack.
void pop();
// The draw area becomes the screen narrowed by every rectangle on the
// stack; an empty overlap draws nothing until the stack changes.
void apply();
// The screen narrowed by every rectangle on the stack (possibly empty).
rect current();
// Empties the stack without drawing (test fixtures).
void reset();

// Pushes at construction and pops at destruction, so the rectangle leaves
// the stack also when a child's draw throws.
class scope {
 public:
  explicit scope(const rect& r) { push(r); }
  ~scope() { pop(); }
  scope(const scope&) = delete;
  scope& operator=(const scope&) = delete;
};

}  // namespace clip_stack

// Alpha blending (mode 1) at factor x the toolkit's current parameter
// (truncated, at most 255) while it lives; the mode and parameter before it
// come back at its end. Guards nest.
class blend_guard {
 public:
  explicit blend_guard(double factor);
  ~blend_guard();
  blend_guard(const blend_guard&) = delete;
  blend_guard& operator=(const blend_guard&) = delete;

 private:
  int saved_mode_;
  int new_parameter_;
  int saved_parameter_;
};

// The toolkit's blend record: what it last gave the drawing state (mode 0,
// parameter 255 at start).
struct blend_record {
  int mode = 0;
  int parameter = 255;
};
const blend_record& current_blend();
void reset_blend();

// The outline drawn twice (the second time two pixels shorter at each end)
// and the inside filled under a blend guard of 0.5.
void draw_frame_box(const rect& r, int colour);

// A code page 932 string with its top-left corner at (x, y), in the given
// font or the default one.
void draw_string(const std::string& text, int colour, int x, int y,
                 const boost::shared_ptr<font>& f = boost::shared_ptr<font>());
// Its width in that font.
int string_width(const std::string& text, const boost::shared_ptr<font>& f = boost::shared_ptr<font>());
// Wide text measured in its code page 932 form.
int wstring_width(const std::wstring& text, const text_style& style);

}  // namespace ui
