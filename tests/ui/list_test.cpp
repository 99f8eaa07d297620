// The list of rows: geometry, drawing and updating the rows in view, clicks,
// the wheel, the keys, erase.
#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

#include "fixture.hpp"
#include "ui/list.hpp"

namespace {

using ui_test::toolkit;

// A row that records its draw and update calls and reacts to Enter (28) as
// a folder row does.
struct test_row {
  int width = 360, height = 92;
  int index = 0;
  std::vector<int>* drawn = nullptr;
  std::vector<int>* updated = nullptr;
  int* entered = nullptr;
  bool last_selected = false;

  void draw(int, int y, bool selected) {
    if (drawn) drawn->push_back(index);
    last_selected = selected;
    (void)y;
  }
  void update(int, int, const ui::rect&) {
    if (updated) updated->push_back(index);
    if (entered && ui::input::key_pressed(28)) *entered = index;
  }
};

class List : public toolkit {
 protected:
  // The application's list: 380 wide, 5 rows of 92 with gap 1, bar 7 wide
  // with margin 2.
  ui::list<test_row> app_list(int rows) {
    ui::list<test_row> l(380, 5, 1, 92, 7, 2);
    for (int i = 0; i < rows; ++i) {
      test_row r;
      r.index = i;
      r.drawn = &drawn;
      r.updated = &updated;
      r.entered = &entered;
      l.rows.push_back(r);
    }
    l.refresh_bar();
    return l;
  }

  template <class F>
  void frames(int n, F f) {
    support::driver::frame(nullptr, nullptr);
    for (int i = 0; i < n; ++i) support::driver::frame(nullptr, f);
  }

  std::vector<int> drawn, updated;
  int entered = -1;
};

TEST_F(List, Geometry) {
  ui::list<test_row> ten(300, 10, 2, 30, 7, 2);
  EXPECT_EQ(ten.height, 318);
  for (int i = 0; i < 25; ++i) ten.rows.push_back(test_row());
  ten.refresh_bar();
  EXPECT_EQ(ten.bar->child().total, 798u);
  EXPECT_EQ(ten.bar->child().max_offset(), 480u);

  ui::list<test_row> app = app_list(7);
  EXPECT_EQ(app.height, 464);
  EXPECT_EQ(app.bar->width, 11);
  EXPECT_EQ(app.bar->height, 464);
  EXPECT_EQ(app.bar->child().total, 650u);
  EXPECT_EQ(app.bar->child().max_offset(), 186u);
  EXPECT_EQ(app.bar->child().thumb_height(), 328u);
  EXPECT_EQ(app_list(0).bar->child().total, 0u);
}

TEST_F(List, DrawsTheRowsInViewClippedToTheRowArea) {
  ui::list<test_row> l = app_list(7);
  l.bar->child().current = 100;  // rows 1 to 5 reach into the view
  l.selection = 2;
  l.draw(10, 20);
  EXPECT_EQ(drawn, (std::vector<int>{1, 2, 3, 4, 5, 6}));  // row 6 starts at 478, above the bottom 484
  EXPECT_TRUE(l.rows[2].last_selected);
  EXPECT_FALSE(l.rows[3].last_selected);
  EXPECT_TRUE(ui::clip_stack::get().empty());
}

TEST_F(List, UpdatesOnlyTheSelectedRow) {
  ui::list<test_row> l = app_list(3);
  l.selection = 1;
  frames(1, [&] { l.update(0, 0, {0, 0, 800, 600}); });
  EXPECT_EQ(updated, (std::vector<int>{1}));
}

// Rows at y 0 - 100 = -100 (row 1 from -7 to 85) with the list at y 0: a
// click above the list's top lands on nothing; one on the visible part of a
// row partly outside selects it.
TEST_F(List, ClicksSelectOnTheVisiblePartOfARow) {
  struct row {
    int x, y;
    unsigned selection;
  } rows[] = {{50, 50, 1}, {50, 120, 2}, {50, 93 - 100 + 92, 0}, {375, 50, 0}, {50, 460, 6}, {50, 470, 0}};
  for (const row& r : rows) {
    ui::list<test_row> l = app_list(7);
    l.bar->child().current = l.bar->child().target = 100;
    l.selection = 0;
    drive.click(r.x, r.y);
    frames(1, [&] { l.update(0, 0, {0, 0, 800, 600}); });
    EXPECT_EQ(l.selection, r.selection) << r.x << ", " << r.y;
    drive.run(nullptr, nullptr);
  }
}

TEST_F(List, KeysFrameTable) {
  struct row {
    const char* name;
    int rows;
    unsigned selection, offset;
    std::vector<int> keys;  // pressed in one frame, in this order
    unsigned new_selection, target;
  } rows[] = {
      {"Down on the last row", 7, 6, 186, {208}, 6, 186},
      {"Down on an empty list", 0, 0, 0, {208}, 0, 0},
      {"Up on row 0", 7, 0, 0, {200}, 0, 0},
      {"Up on row 0 with Down in the same frame", 7, 0, 0, {200, 208}, 1, 0},
      {"Down from row 0 at the end of the view", 7, 0, 186, {208}, 1, 0},
      {"Down past the view: the row at the bottom", 7, 4, 0, {208}, 5, 93},
      {"Down inside the view", 7, 1, 0, {208}, 2, 0},
      {"Up above the view: the row at the top", 7, 3, 186, {200}, 2, 186},
      {"Up below the view is clamped to the maximum", 7, 6, 0, {200}, 5, 186},
      {"Up and Down together: Up only", 7, 3, 0, {200, 208}, 2, 0},
  };
  for (const row& r : rows) {
    ui::list<test_row> l = app_list(r.rows);
    l.selection = r.selection;
    l.bar->child().current = l.bar->child().target = r.offset;
    // every key down and none reported yet when the list updates
    for (int k : r.keys) drive.hold(k);
    drive.run(nullptr, nullptr);
    support::driver::frame(nullptr, [&] { l.update(0, 0, {0, 0, 800, 600}); });
    EXPECT_EQ(l.selection, r.new_selection) << r.name;
    EXPECT_EQ(l.bar->child().target, r.target) << r.name;
    for (int k : r.keys) drive.release(k);
    drive.run(nullptr, nullptr);
  }
}

TEST_F(List, OnePressMovesOneRow) {
  ui::list<test_row> l = app_list(7);
  drive.hold(208).frames(3).release(208);
  frames(5, [&] { l.update(0, 0, {0, 0, 800, 600}); });
  EXPECT_EQ(l.selection, 1u);
}

TEST_F(List, TheWheelMovesOneStepAFrame) {
  ui::list<test_row> l = app_list(7);
  drive.wheel(-3).frames(1).wheel(-1);
  std::vector<unsigned> targets;
  frames(3, [&] {
    l.update(0, 0, {0, 0, 800, 600});
    targets.push_back(l.bar->child().target);
  });
  EXPECT_EQ(targets, (std::vector<unsigned>{93, 93, 186}));
  // an inactive bar leaves the wheel to others
  ui::list<test_row> short_list = app_list(2);
  drive.wheel(-1);
  int left = 0;
  frames(1, [&] {
    short_list.update(0, 0, {0, 0, 800, 600});
    left = ui::input::widget_wheel();
  });
  EXPECT_EQ(left, -1);
}

TEST_F(List, DraggingTheBarScrolls) {
  ui::list<test_row> l = app_list(7);
  // the bar's drag area: at the bar frame's corner (369, 0), 7 x 460
  drive.drag(372, 400, 372, 460);
  frames(3, [&] { l.update(0, 0, {0, 0, 800, 600}); });
  EXPECT_EQ(l.bar->child().target, 186u);
}

TEST_F(List, EraseTable) {
  struct row {
    unsigned selection, index;
    unsigned new_selection;
    int size;
  } rows[] = {{6, 6, 5, 6}, {3, 1, 3, 6}, {3, 5, 3, 6}, {0, 0, 0, 6}};
  for (const row& r : rows) {
    ui::list<test_row> l = app_list(7);
    l.selection = r.selection;
    l.erase(r.index);
    EXPECT_EQ(l.selection, r.new_selection) << r.index;
    EXPECT_EQ(static_cast<int>(l.rows.size()), r.size);
  }
  ui::list<test_row> l = app_list(7);
  try {
    l.erase(7);
    FAIL() << "no exception";
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "exceed size of list");
  }
  EXPECT_EQ(l.rows.size(), 7u);
  // the target comes back within the new maximum
  l.bar->child().target = 186;
  l.erase(0);
  EXPECT_EQ(l.bar->child().target, 93u);
  ui::list<test_row> one = app_list(1);
  one.erase(0);
  EXPECT_EQ(one.selection, 0u);
  EXPECT_EQ(one.bar->child().total, 0u);
}

// A row of any height that records where it was drawn and updated.
struct placed_row {
  int width = 360, height = 0;
  int index = 0;
  std::vector<std::vector<int>>* drawn = nullptr;
  std::vector<std::vector<int>>* updated = nullptr;

  void draw(int, int y, bool selected) { drawn->push_back({index, y, selected ? 1 : 0}); }
  void update(int, int y, const ui::rect&) { updated->push_back({index, y}); }
};

// The walk as written out for the list, from row 0: the rows a draw (and,
// with strict set, an update) looks at, each with its top.
std::vector<std::vector<int>> walked_from_row_0(const std::vector<int>& heights, int gap, int y, int list_height,
                                                unsigned offset, bool strict) {
  std::vector<std::vector<int>> out;
  int top = y - static_cast<int>(offset);
  for (std::size_t i = 0; i < heights.size(); ++i) {
    const int bottom = top + heights[i];
    if (strict ? bottom > y : bottom >= y) out.push_back({static_cast<int>(i), top});
    top += heights[i] + gap;
    if (top > y + list_height) break;
  }
  return out;
}

// The walk that starts at the first row in view draws and updates exactly
// the rows, at exactly the places, that the walk from row 0 does: at every
// offset, for even and uneven heights, empty rows, gaps wider than the
// rows, and heights below minus the gap (rows going back up).
TEST_F(List, TheWalkFromTheFirstRowInViewMatchesTheWalkFromRow0) {
  struct row {
    const char* name;
    int visible, gap, row_height;
    std::vector<int> heights;
  } rows[] = {
      {"the application's", 5, 1, 92, std::vector<int>(40, 92)},
      {"uneven", 3, 1, 30, {30, 0, 92, 5, 200, 1, 0, 0, 47, 30, 12, 300, 2}},
      {"no gap", 2, 0, 10, {0, 10, 0, 0, 25, 10, 0, 3}},
      {"gaps wider than the list", 1, 50, 4, {2, 4, 0, 9, 1, 4}},
      {"going back up", 3, 2, 20, {20, -40, 60, 10, -5, 30, 20}},
  };
  for (const row& r : rows) {
    std::vector<std::vector<int>> drawn, updated;
    ui::list<placed_row> l(380, r.visible, r.gap, r.row_height, 7, 2);
    for (std::size_t i = 0; i < r.heights.size(); ++i) {
      placed_row p;
      p.height = r.heights[i];
      p.index = static_cast<int>(i);
      p.drawn = &drawn;
      p.updated = &updated;
      l.rows.push_back(p);
      l.refresh_bar();
    }
    int total = 0;
    for (int h : r.heights) total += h + r.gap;
    const int y = 20;
    for (unsigned offset = 0; offset <= static_cast<unsigned>(total + l.height); offset += r.heights.size() > 20 ? 7 : 1) {
      l.bar->child().current = offset;
      l.selection = offset % static_cast<unsigned>(l.rows.size());
      drawn.clear();
      l.draw(10, y);
      std::vector<std::vector<int>> expected = walked_from_row_0(r.heights, r.gap, y, l.height, offset, false);
      for (std::vector<int>& e : expected) e.push_back(e[0] == static_cast<int>(l.selection) ? 1 : 0);
      ASSERT_EQ(drawn, expected) << r.name << " at " << offset;
      for (unsigned s = 0; s < l.rows.size(); ++s) {
        l.selection = s;
        l.bar->child().current = l.bar->child().target = offset;
        updated.clear();
        l.update(10, y, {0, 0, 800, 600});
        std::vector<std::vector<int>> expected_update;
        for (const std::vector<int>& e : walked_from_row_0(r.heights, r.gap, y, l.height, offset, true))
          if (e[0] == static_cast<int>(s)) expected_update.push_back(e);
        ASSERT_EQ(updated, expected_update) << r.name << " at " << offset << ", row " << s;
      }
    }
  }
}

// A height changed and announced with refresh_bar is walked with; so is an
// erase, and rows appended without refresh_bar.
TEST_F(List, TheWalkFollowsChangedRows) {
  std::vector<std::vector<int>> drawn, updated;
  ui::list<placed_row> l(380, 5, 1, 92, 7, 2);
  std::vector<int> heights(10, 92);
  auto append = [&](int height) {
    placed_row p;
    p.height = height;
    p.index = static_cast<int>(l.rows.size());
    p.drawn = &drawn;
    p.updated = &updated;
    l.rows.push_back(p);
  };
  for (int h : heights) append(h);
  l.refresh_bar();
  auto check = [&](unsigned offset, const char* step) {
    l.bar->child().current = offset;
    l.selection = 0;
    drawn.clear();
    l.draw(0, 0);
    std::vector<int> now;
    for (const placed_row& p : l.rows) now.push_back(p.height);
    std::vector<std::vector<int>> expected = walked_from_row_0(now, 1, 0, l.height, offset, false);
    for (std::vector<int>& e : expected) e.push_back(e[0] == 0 ? 1 : 0);
    // an erased row's successors keep their own index numbers
    for (std::vector<int>& e : expected) e[0] = l.rows[static_cast<std::size_t>(e[0])].index;
    EXPECT_EQ(drawn, expected) << step;
  };
  check(400, "built");
  l.rows[2].height = 10;
  l.rows[3].height = 300;
  l.refresh_bar();
  check(400, "heights changed");
  l.erase(1);
  check(400, "row erased");
  append(40);
  append(500);
  check(900, "rows appended");
}

}  // namespace
