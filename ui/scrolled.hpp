// A text box beside a framed scroll bar, shown shifted by the bar's offset.
#pragma once

#include "ui/drawing.hpp"
#include "ui/font.hpp"
#include "ui/frame.hpp"
#include "ui/textbox.hpp"
#include "ui/vscroll.hpp"
#include "ui/widget.hpp"

namespace ui {

template <class T>
class scrolled;

template <>
class scrolled<textbox> : public widget {
 public:
  // The bar: bar_width wide, height high, visible = height, total = the
  // content's height, a step of the default font size; framed with
  // bar_margins.
  scrolled(const textbox& content, int height, int bar_width, const margins& bar_margins)
      : content_(content),
        bar_(bar_margins, scroll::vscroll(bar_width, height, static_cast<unsigned>(height),
                                          static_cast<unsigned>(content.height), default_font_spec().size)) {
    width = content_.width + bar_.width;
    this->height = bar_.height;
  }

  void draw(int x, int y) override {
    {
      clip_stack::scope clip({x, y, x + width - bar_.width, y + height});
      content_.draw(x, y - static_cast<int>(bar_.child().current));
    }
    bar_.draw(x + content_.width, y);
  }

  void update(int x, int y, const rect& clip) override {
    content_.update(x, y - static_cast<int>(bar_.child().current), clip);
    bar_.update(x + content_.width, y, clip);
  }

  textbox& content() { return content_; }
  frame<scroll::vscroll>& bar() { return bar_; }

 private:
  textbox content_;
  frame<scroll::vscroll> bar_;
};

}  // namespace ui
