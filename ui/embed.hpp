// The flow layout: children placed left to right, wrapped into lines at a
// width limit, with explicit line breaks. Laid out once, at construction.
#pragma once

#include <list>
#include <utility>

#include <boost/shared_ptr.hpp>

#include "ui/button.hpp"
#include "ui/rect.hpp"
#include "ui/scrolled.hpp"
#include "ui/text.hpp"
#include "ui/widget.hpp"

namespace ui {

namespace detail::embed {

// Where the next child goes, and the areas it must keep out of.
struct cursor {
  int x = 0, y = 0;
  int line_height = 0;
  std::list<rect> areas;
  int width_limit = 0;
  int line_gap = 0;
};

// Whether an edge of one rectangle crosses an edge of the other (segments
// in float coordinates; parallel edges never cross, so a rectangle wholly
// inside another does not collide).
bool collides(const rect& a, const rect& b);

// One layout step: where a child is placed, and how the cursor moves after.
class arrange {
 public:
  virtual ~arrange() = default;
  // A new line when the child does not fit (also on an empty first line),
  // the line as high as its tallest child, then clear of the occupied areas.
  virtual void place(cursor& c, const widget& child) const;
  virtual void advance(cursor& c, const widget& child) const = 0;
};

// Continue on the line (no horizontal gap).
class append : public arrange {
 public:
  void advance(cursor& c, const widget& child) const override;
  static boost::shared_ptr<arrange> get();
};

// Break the line after the child.
class br : public arrange {
 public:
  void advance(cursor& c, const widget& child) const override;
  static boost::shared_ptr<arrange> get();
};

}  // namespace detail::embed

class embed : public widget {
 public:
  using step = boost::shared_ptr<detail::embed::arrange>;
  using pending = std::list<std::pair<step, boost::shared_ptr<widget>>>;

  embed(const pending& children, int width_limit, int line_gap);

  // Each appends a shared copy of the child to the pending list and returns
  // a pointer to the copy, through which the owner reads it later.
  static text* add_text(const step& s, pending& list, const text& child);
  static text* add_text_br(pending& list, const text& child);
  static button<>* add_button(const button<>& child, const step& s, pending& list);
  static scrolled<textbox>* add_scrolled_textbox_br(pending& list, const scrolled<textbox>& child);

  void draw(int x, int y) override;
  void update(int x, int y, const rect& clip) override;

  struct placed {
    int x, y;
    boost::shared_ptr<widget> child;
  };
  const std::list<placed>& children() const { return children_; }

 private:
  std::list<placed> children_;
};

}  // namespace ui
