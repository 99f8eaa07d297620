// The scrolling list of rows with one selected row: the rows that fall into
// its height are drawn, a click selects a row, Up and Down move the
// selection and scroll it into view, and a framed scroll bar at its right
// edge scrolls by wheel and drag when the rows are taller than the list.
//
// The row type provides width and height, draw (x, y, selected) and
// update (x, y, clip), the latter called for the selected row only.
#pragma once

#include <algorithm>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "ui/drawing.hpp"
#include "ui/error.hpp"
#include "ui/frame.hpp"
#include "ui/input.hpp"
#include "ui/vscroll.hpp"
#include "ui/widget.hpp"

namespace ui {

template <class T>
class list : public widget {
 public:
  list(int w, int visible_rows, int row_gap, int row_height, int bar_width, int bar_margin)
      : widget(w, (row_gap + row_height) * visible_rows - row_gap),
        visible_rows(visible_rows),
        row_gap(row_gap),
        row_height(row_height),
        bar_width(bar_width),
        bar_margin(bar_margin) {
    make_bar();
  }

  // The bar's total follows the rows; its target is pulled back within the
  // new maximum.
  void refresh_bar() {
    scroll::vscroll& b = bar->child();
    const unsigned n = static_cast<unsigned>(rows.size());
    b.total = n == 0 ? 0 : n * static_cast<unsigned>(pitch()) - static_cast<unsigned>(row_gap);
    b.target = std::min(b.target, b.max_offset());
  }

  // Throws std::invalid_argument "exceed size of list" (nothing changes)
  // for an index past the rows.
  void erase(unsigned index) {
    if (index >= rows.size()) fail_invalid_argument("exceed size of list");
    rows.erase(rows.begin() + index);
    const unsigned n = static_cast<unsigned>(rows.size());
    if (selection > n || (selection != 0 && selection == n)) --selection;
    refresh_bar();
  }

  void draw(int x, int y) override {
    {
      clip_stack::scope clip(row_area(x, y));
      int yi = y - static_cast<int>(bar->child().current);
      for (unsigned i = 0; i < rows.size(); ++i) {
        T& row = rows[i];
        if (yi + row.height >= y) {
          bool selected = i == selection;
          row.draw(x, yi, selected);
        }
        yi += row.height + row_gap;
        if (yi > y + height) break;
      }
    }
    bar->draw(x + width - bar->width, y);
  }

  void update(int x, int y, const rect& clip) override {
    scroll::vscroll& b = bar->child();
    const rect c = intersect(row_area(x, y), clip);
    int yi = y - static_cast<int>(b.current);
    for (unsigned i = 0; i < rows.size(); ++i) {
      T& row = rows[i];
      if (yi + row.height > y) {
        if (i == selection) row.update(x, yi, c);
        const int mx = input::mouse_x(), my = input::mouse_y();
        if (rect{x, yi, x + row.width, yi + row.height}.contains(mx, my) && c.contains(mx, my) &&
            input::take_click())
          selection = i;
      }
      yi += row.height + row_gap;
      if (yi > y + height) break;
    }
    if (b.active()) {
      const int wheel = input::take_wheel();
      if (wheel != 0) b.scroll_by(wheel);
    }
    b.drag(clip, x + width - bar->width, y);
    b.glide();
    update_keys(b);
  }

  int visible_rows;
  unsigned selection = 0;
  int row_gap;
  int row_height;
  int bar_width;
  int bar_margin;
  std::vector<T> rows;
  boost::shared_ptr<frame<scroll::vscroll>> bar;

 private:
  int pitch() const { return row_height + row_gap; }

  void make_bar() {
    bar.reset(new frame<scroll::vscroll>(
        {bar_margin, bar_margin, bar_margin, bar_margin},
        scroll::vscroll(bar_width, height - 2 * bar_margin, static_cast<unsigned>(height), 0, pitch())));
  }

  // The rows' part of the list: narrowed by the bar's frame when it is active.
  rect row_area(int x, int y) const {
    const int right = bar->child().active() ? x + width - bar->width : x + width;
    return {x, y, right, y + height};
  }

  // One row a press; the selected row is brought into view. Both new
  // targets stay within 0 and the maximum.
  void update_keys(scroll::vscroll& b) {
    const unsigned n = static_cast<unsigned>(rows.size());
    const unsigned step = static_cast<unsigned>(pitch());
    if (input::key_pressed(200) && selection != 0) {
      --selection;
      if (b.active()) {
        const unsigned p = selection * step;
        if (p < b.current || p > b.current + b.visible) b.target = std::min(p, b.max_offset());
      }
      return;
    }
    if (input::key_pressed(208) && selection + 1 < n) {
      ++selection;
      if (b.active()) {
        const unsigned p = selection * step;
        if (p < b.current || p > b.current + b.visible) {
          const int first = static_cast<int>(selection) - visible_rows + 1;
          b.target = std::min(first > 0 ? static_cast<unsigned>(first) * step : 0u, b.max_offset());
        }
      }
    }
  }
};

}  // namespace ui
