// The scrolling list of rows with one selected row: the rows that fall into
// its height are drawn, a click selects a row, Up and Down move the
// selection and scroll it into view, and a framed scroll bar at its right
// edge scrolls by wheel and drag when the rows are taller than the list.
//
// The row type provides width and height, draw (x, y, selected) and
// update (x, y, clip), the latter called for the selected row only.
//
// Draw and update start their walk at the first row that reaches into the
// view, found from the rows' offsets by bisection, so a frame costs the same
// at any scroll position. The offsets are taken from the rows' heights at
// the first draw or update after refresh_bar, after erase or after the
// number of rows changed: an owner that changes a row's height calls
// refresh_bar, as it does after appending rows.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "ui/drawing.hpp"
#include "ui/error.hpp"
#include "ui/frame.hpp"
#include "ui/input.hpp"
#include "ui/vscroll.hpp"
#include "ui/widget.hpp"

namespace ui {
namespace detail {

// The tops of a list's rows as offsets from the first row's top (each row
// adds its height and the gap), and the first row a walk over the view has
// to look at.
class row_offsets {
 public:
  void invalidate() { valid_ = false; }
  // Built for n rows with this gap since the last invalidate.
  bool current(std::size_t n, int gap) const { return valid_ && tops_.size() == n + 1 && gap_ == gap; }
  // Starts again with no rows; add then gives each row's height in order.
  void begin(std::size_t n, int gap);
  void add(int height);
  // The first row a walk from row 0 over the view at offset, view_height
  // high, would draw or test, or the row at which it would stop before any:
  // every row before it ends above the view. 0 when the tops do not ascend
  // (a row's height below minus the gap), where only the whole walk is exact.
  std::size_t first_in_view(unsigned offset, int view_height) const;
  // Row i's top (i up to the number of rows).
  long long top(std::size_t i) const { return tops_[i]; }

 private:
  std::vector<long long> tops_{0};
  int gap_ = 0;
  bool valid_ = false;
  bool ascending_ = true;
};

}  // namespace detail

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
    offsets_.invalidate();
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
      const unsigned first = first_visited();
      int yi = y - static_cast<int>(bar->child().current) + static_cast<int>(offsets_.top(first));
      for (unsigned i = first; i < rows.size(); ++i) {
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
    const unsigned first = first_visited();
    int yi = y - static_cast<int>(b.current) + static_cast<int>(offsets_.top(first));
    for (unsigned i = first; i < rows.size(); ++i) {
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

  // The first row the walk at the bar's current offset looks at; the
  // offsets are built again first when they are not current.
  unsigned first_visited() {
    if (!offsets_.current(rows.size(), row_gap)) {
      offsets_.begin(rows.size(), row_gap);
      for (const T& row : rows) offsets_.add(row.height);
    }
    return static_cast<unsigned>(offsets_.first_in_view(bar->child().current, height));
  }

  void make_bar() {
    bar.reset(new frame<scroll::vscroll>(
        {bar_margin, bar_margin, bar_margin, bar_margin},
        scroll::vscroll(bar_width, height - 2 * bar_margin, static_cast<unsigned>(height), 0, pitch())));
  }

  detail::row_offsets offsets_;

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
