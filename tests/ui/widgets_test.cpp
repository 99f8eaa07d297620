// Text, fit-to-width text, centring, buttons, frames and the flow layout,
// with widths on the fake face (10 pixels a byte, 20 a double-byte
// character, height 20).
#include <stdexcept>
#include <string>
#include <vector>

#include "fixture.hpp"
#include "ui/align.hpp"
#include "ui/button.hpp"
#include "ui/embed.hpp"
#include "ui/frame.hpp"
#include "ui/text.hpp"

namespace {

using ui_test::toolkit;

class Widgets : public toolkit {};

// A widget of a given size that records where it was drawn and updated.
class probe : public ui::widget {
 public:
  probe(int w, int h) : ui::widget(w, h) {}
  void draw(int x, int y) override {
    drawn.push_back({x, y});
    area = ui_test::draw_area();
  }
  void update(int x, int y, const ui::rect& clip) override {
    updated.push_back({x, y});
    last_clip = clip;
  }
  struct point {
    int x, y;
    bool operator==(const point& o) const { return x == o.x && y == o.y; }
  };
  std::vector<point> drawn, updated;
  ui::rect area{0, 0, 0, 0}, last_clip{0, 0, 0, 0};
};

bool same(const ui::rect& a, const ui::rect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(Widgets, TextFitTable) {
  struct row {
    std::wstring value;
    unsigned limit;
    std::wstring text;
    int width;
  } rows[] = {
      {L"abcdefgh", 81, L"abcdefgh", 80}, {L"abcdefgh", 80, L"abcd...", 70},
      {L"abcdefgh", 50, L"a...", 40},     {L"abcdefgh", 20, L"...", 30},
      {L"", 10, L"", 0},                  {L"日本語テキスト", 100, L"日本語...", 90},
  };
  for (const row& r : rows) {
    const ui::text t = ui::text::text_fit(r.value, r.limit);
    EXPECT_EQ(t.to_wstring(), r.text) << r.limit;
    EXPECT_EQ(t.width, r.width) << r.limit;
    EXPECT_EQ(t.height, 20);
  }
  EXPECT_EQ(ui::text::text_fit(12345, 200).str(), "12345");
  EXPECT_EQ(ui::text::text_fit(L"empty directory", 1000).str(), "empty directory");
}

TEST_F(Widgets, TextHoldsCodePage932) {
  const ui::text wide(L"日本é");
  EXPECT_EQ(wide.str(), "\x93\xfa\x96\x7b?");
  EXPECT_EQ(wide.width, 50);
  const char* captions[] = {"Add", "Derive", "Search", "Refresh", "Make Folder", "<タグリスト>", ""};
  for (const char* c : captions) {
    const ui::text t = ui::text::text_from_chars(c);
    EXPECT_EQ(t.str(), c);
    EXPECT_EQ(t.height, 20);
  }
  EXPECT_EQ(ui::text::text_from_chars("<タグリスト>").width, 2 * 10 + 5 * 20);
  // copies share the font reference
  boost::shared_ptr<ui::font> f(new ui::font{-1, {24, "x", 1, 0, 1}});
  const ui::text styled(L"a", ui::text_style(7, f));
  const ui::text copy = styled;
  EXPECT_EQ(copy.style().font(), f);
  EXPECT_EQ(copy.height, 24);
}

TEST_F(Widgets, AlignCentresWithTheUnsignedHalving) {
  struct row {
    int box, child, offset;
  } rows[] = {{50, 30, 10}, {51, 30, 10}, {30, 30, 0}, {20, 30, 0}};
  for (const row& r : rows) {
    ui::align<ui::detail::align::center, probe> a(r.box, probe(r.child, 20));
    a.draw(100, 7);
    EXPECT_EQ(a.child().drawn.back(), (probe::point{100 + r.offset, 7})) << r.box << " " << r.child;
    EXPECT_EQ(a.height, 20);
  }
}

TEST_F(Widgets, ButtonSizes) {
  const ui::button<> add = ui::button<>::button_from_text(50, ui::text::text_from_chars("Add"), 2, 5);
  EXPECT_EQ(add.width, 60);
  EXPECT_EQ(add.height, 24);
  EXPECT_EQ(add.child().offset(), 10);
  EXPECT_EQ(add.colour(), static_cast<int>(PackScreenColor(52, 52, 52)));
  const ui::button<> fitted(L"Search", 0, 5);
  EXPECT_EQ(fitted.width, 60 + 10);
  EXPECT_EQ(fitted.height, 20);
  EXPECT_EQ(fitted.caption_wstring(), L"Search");
  EXPECT_EQ(add.state.released, 1);
}

// A button half outside its clip: clicks count only on the visible part.
TEST_F(Widgets, ButtonClickOutsideTheClipDoesNotCount) {
  ui::button<> b = ui::button<>::button_from_text(50, ui::text::text_from_chars("Add"), 2, 5);
  const ui::rect clip{0, 0, 130, 600};  // the button spans x 100 to 160
  struct row {
    int x;
    int clicked;
  } rows[] = {{140, 0}, {120, 1}, {100, 0}};
  for (const row& r : rows) {
    drive.click(r.x, 110);
    std::vector<int> clicked;
    support::driver::frame(nullptr, nullptr);
    for (int i = 0; i < 2; ++i)
      support::driver::frame(nullptr, [&] {
        b.update(100, 100, clip);
        clicked.push_back(b.state.clicked);
      });
    EXPECT_EQ(clicked, (std::vector<int>{r.clicked, 0})) << r.x;
    drive.run(nullptr, nullptr);
  }
}

TEST_F(Widgets, FrameSizesClipAndChildUpdate) {
  ui::frame<probe> f({2, 2, 5, 5}, probe(40, 20));
  EXPECT_EQ(f.width, 50);
  EXPECT_EQ(f.height, 24);
  f.draw(100, 200);
  EXPECT_EQ(f.child().drawn.back(), (probe::point{105, 202}));
  EXPECT_TRUE(same(f.child().area, {105, 202, 145, 222}));
  EXPECT_TRUE(ui::clip_stack::get().empty());
  EXPECT_TRUE(same(draw_area(), {0, 0, 800, 600}));
  f.update(100, 200, {0, 0, 800, 600});
  EXPECT_EQ(f.child().updated.back(), (probe::point{105, 202}));
  EXPECT_TRUE(same(f.child().last_clip, {100, 200, 150, 224}));
  f.update(100, 200, {120, 0, 800, 210});
  EXPECT_TRUE(same(f.child().last_clip, {120, 200, 150, 210}));
}

class throwing : public ui::widget {
 public:
  throwing() : ui::widget(10, 10) {}
  void draw(int, int) override { throw std::runtime_error("child"); }
};

TEST_F(Widgets, FramePopsItsClipWhenTheChildThrows) {
  ui::frame<throwing> f({1, 1, 1, 1}, throwing());
  EXPECT_THROW(f.draw(10, 10), std::runtime_error);
  EXPECT_TRUE(ui::clip_stack::get().empty());
  EXPECT_TRUE(same(draw_area(), {0, 0, 800, 600}));
}

TEST_F(Widgets, FlowLayoutPlacement) {
  using ui::detail::embed::append;
  using ui::detail::embed::br;
  struct child {
    int width;
    bool breaks;
  };
  struct row {
    std::vector<child> children;
    int limit, gap;
    std::vector<probe::point> places;
    int height;
  } rows[] = {
      {{{100, false}, {100, false}, {100, false}}, 250, 4, {{0, 0}, {100, 0}, {0, 24}}, 44},
      {{{300, false}}, 250, 4, {{0, 4}}, 24},
      {{{100, false}, {100, true}}, 250, 4, {{0, 0}, {100, 0}}, 24},
      {{{100, true}, {100, false}}, 250, 4, {{0, 0}, {0, 24}}, 44},
      {{}, 250, 4, {}, 0},
  };
  for (const row& r : rows) {
    ui::embed::pending list;
    for (const child& c : r.children)
      list.emplace_back(c.breaks ? br::get() : append::get(), boost::shared_ptr<ui::widget>(new probe(c.width, 20)));
    const ui::embed e(list, r.limit, r.gap);
    std::vector<probe::point> places;
    for (const auto& p : e.children()) places.push_back({p.x, p.y});
    EXPECT_EQ(places, r.places) << r.children.size();
    EXPECT_EQ(e.width, r.limit);
    EXPECT_EQ(e.height, r.height) << r.children.size();
  }
}

TEST_F(Widgets, EmbedChildrenAreReadThroughTheirPointers) {
  ui::embed::pending list;
  ui::text* caption = ui::embed::add_text(ui::detail::embed::append::get(), list, ui::text::text_from_chars("Add"));
  ui::button<>* b = ui::embed::add_button(ui::button<>::button_from_text(50, ui::text::text_from_chars("Add"), 2, 5),
                                          ui::detail::embed::append::get(), list);
  ui::text* last = ui::embed::add_text_br(list, ui::text::text_from_chars("x"));
  ui::embed e(list, 200, 4);
  EXPECT_EQ(caption->str(), "Add");
  EXPECT_EQ(last->str(), "x");
  // the button sits at (30, 0) in the embed, drawn at (10, 10) + that
  drive.click(10 + 30 + 20, 10 + 10);
  std::vector<int> clicked;
  support::driver::frame(nullptr, nullptr);
  support::driver::frame(nullptr, [&] {
    e.update(10, 10, {0, 0, 800, 600});
    clicked.push_back(b->state.clicked);
  });
  EXPECT_EQ(clicked, (std::vector<int>{1}));
  EXPECT_EQ(e.height, 24 + 4);
}

TEST_F(Widgets, CollisionTable) {
  struct row {
    ui::rect a, b;
    bool collide;
  } rows[] = {
      {{0, 0, 10, 10}, {5, 5, 15, 15}, true},     // corners overlap
      {{0, 0, 10, 10}, {20, 0, 30, 10}, false},   // apart
      {{0, 0, 100, 100}, {10, 10, 20, 20}, false},  // wholly inside
      {{0, 5, 30, 10}, {10, 0, 20, 20}, true},    // a cross
      {{0, 0, 10, 10}, {10, 0, 20, 10}, true},    // touching: edges meet at their ends
  };
  for (const row& r : rows) EXPECT_EQ(ui::detail::embed::collides(r.a, r.b), r.collide) << r.a.left << r.b.left;
}

TEST_F(Widgets, AnOccupiedAreaPushesTheChildAside) {
  ui::detail::embed::cursor c;
  c.width_limit = 250;
  c.line_gap = 4;
  c.areas.push_back({20, -5, 60, 10});
  probe p(30, 20);
  ui::detail::embed::append::get()->place(c, p);
  EXPECT_EQ(c.x, 61);
  EXPECT_EQ(c.y, 0);
  // no room left on the line: the next line, where the area no longer is
  c = ui::detail::embed::cursor{};
  c.width_limit = 80;
  c.line_gap = 4;
  c.areas.push_back({20, -5, 60, 10});
  ui::detail::embed::append::get()->place(c, p);
  EXPECT_EQ(c.x, 0);
  EXPECT_EQ(c.y, 24);
  EXPECT_TRUE(c.areas.empty());
}

}  // namespace
