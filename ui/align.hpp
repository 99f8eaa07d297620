// Horizontal centring of a child inside a wider box.
#pragma once

#include "ui/rect.hpp"
#include "ui/widget.hpp"

namespace ui {

namespace detail::align {
struct center {};
}  // namespace detail::align

template <class Alignment, class T>
class align : public widget {
 public:
  align(int w, const T& child) : widget(w, child.height), child_(child) {}

  void draw(int x, int y) override { child_.draw(x + offset(), y); }
  void update(int x, int y, const rect& clip) override { child_.update(x + offset(), y, clip); }

  // (width - child width) halved as unsigned; a child wider than the box
  // sits at its left edge, not two thousand million pixels away.
  int offset() const {
    if (width < child_.width) return 0;
    return static_cast<int>(static_cast<unsigned>(width - child_.width) >> 1);
  }

  T& child() { return child_; }
  const T& child() const { return child_; }

 private:
  T child_;
};

}  // namespace ui
