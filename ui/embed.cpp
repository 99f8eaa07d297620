// The flow layout's steps and placement.
#include "ui/embed.hpp"

#include <algorithm>

namespace ui {

namespace detail::embed {

namespace {

void new_line(cursor& c) {
  c.x = 0;
  c.y += c.line_gap + c.line_height;
  c.line_height = 0;
}

struct segment {
  float x1, y1, x2, y2;
};

// Crossing with both parameters in 0 to 1; parallel segments never cross.
bool crosses(const segment& p, const segment& q) {
  const float dx = p.x2 - p.x1, dy = p.y2 - p.y1;
  const float ex = q.x2 - q.x1, ey = q.y2 - q.y1;
  const float d = dx * ey - dy * ex;
  if (d == 0.0f) return false;
  const float fx = q.x1 - p.x1, fy = q.y1 - p.y1;
  const float t = (fx * ey - fy * ex) / d;
  const float u = (fx * dy - fy * dx) / d;
  return t >= 0.0f && t <= 1.0f && u >= 0.0f && u <= 1.0f;
}

void edges(const rect& r, segment out[4]) {
  const float l = static_cast<float>(r.left), t = static_cast<float>(r.top);
  const float rt = static_cast<float>(r.right), b = static_cast<float>(r.bottom);
  out[0] = {l, t, rt, t};
  out[1] = {rt, t, rt, b};
  out[2] = {rt, b, l, b};
  out[3] = {l, b, l, t};
}

}  // namespace

bool collides(const rect& a, const rect& b) {
  segment ea[4], eb[4];
  edges(a, ea);
  edges(b, eb);
  for (const segment& p : ea)
    for (const segment& q : eb)
      if (crosses(p, q)) return true;
  return false;
}

void arrange::place(cursor& c, const widget& child) const {
  if (c.width_limit < c.x + child.width) new_line(c);
  c.line_height = std::max(c.line_height, child.height);
  for (auto it = c.areas.begin(); it != c.areas.end();) {
    if (it->bottom < c.y) {
      it = c.areas.erase(it);
      continue;
    }
    if (!collides({c.x, c.y, c.x + child.width, c.y + child.height}, *it)) {
      ++it;
      continue;
    }
    c.x = it->right + 1;
    c.line_height = std::max(c.line_height, child.height);
    if (c.width_limit < c.x + child.width) {
      const int y = c.y;
      new_line(c);
      // a line that moves nothing down would meet the same area forever
      if (c.y == y) c.y += 1;
    }
    it = c.areas.begin();
  }
}

void append::advance(cursor& c, const widget& child) const { c.x += child.width; }

boost::shared_ptr<arrange> append::get() {
  static const boost::shared_ptr<arrange> instance(new append);
  return instance;
}

void br::advance(cursor& c, const widget&) const { new_line(c); }

boost::shared_ptr<arrange> br::get() {
  static const boost::shared_ptr<arrange> instance(new br);
  return instance;
}

}  // namespace detail::embed

embed::embed(const pending& list, int width_limit, int line_gap) {
  detail::embed::cursor c;
  c.width_limit = width_limit;
  c.line_gap = line_gap;
  for (const auto& [s, child] : list) {
    s->place(c, *child);
    children_.push_back({c.x, c.y, child});
    s->advance(c, *child);
  }
  width = width_limit;
  height = c.y + c.line_height;
}

text* embed::add_text(const step& s, pending& list, const text& child) {
  text* copy = new text(child);
  list.emplace_back(s, boost::shared_ptr<widget>(copy));
  return copy;
}

text* embed::add_text_br(pending& list, const text& child) {
  return add_text(detail::embed::br::get(), list, child);
}

button<>* embed::add_button(const button<>& child, const step& s, pending& list) {
  button<>* copy = new button<>(child);
  list.emplace_back(s, boost::shared_ptr<widget>(copy));
  return copy;
}

scrolled<textbox>* embed::add_scrolled_textbox_br(pending& list, const scrolled<textbox>& child) {
  scrolled<textbox>* copy = new scrolled<textbox>(child);
  list.emplace_back(detail::embed::br::get(), boost::shared_ptr<widget>(copy));
  return copy;
}

void embed::draw(int x, int y) {
  for (placed& p : children_) p.child->draw(x + p.x, y + p.y);
}

void embed::update(int x, int y, const rect& clip) {
  for (placed& p : children_) p.child->update(x + p.x, y + p.y, clip);
}

}  // namespace ui
