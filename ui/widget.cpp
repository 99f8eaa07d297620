// The widget bases' operations, which do nothing.
#include "ui/widget.hpp"

namespace ui {

void widget::draw(int, int) {}
void widget::update(int, int, const rect&) {}

void xwidget::set_size(int w, int h) {
  width = w;
  height = h;
}

}  // namespace ui
