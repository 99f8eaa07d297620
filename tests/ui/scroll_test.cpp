// The vertical scroll bar, the scrolled text box and the text boxes.
#include <stdexcept>
#include <string>
#include <vector>

#include "fixture.hpp"
#include "ui/scrolled.hpp"
#include "ui/textbox.hpp"
#include "ui/vscroll.hpp"

namespace {

using ui_test::toolkit;

class Scroll : public toolkit {
 protected:
  // The steps' first boundary, then n frames, each running f in its update.
  template <class F>
  void frames(int n, F f) {
    support::driver::frame(nullptr, nullptr);
    for (int i = 0; i < n; ++i) support::driver::frame(nullptr, f);
  }
};

TEST_F(Scroll, TheShownOffsetGlidesTowardTheTarget) {
  ui::scroll::vscroll bar(10, 100, 100, 300, 20);
  bar.target = 100;
  std::vector<unsigned> shown;
  for (int i = 0; i < 9; ++i) {
    bar.update(0, 0, {0, 0, 800, 600});  // no input: the glide goes on
    shown.push_back(bar.current);
  }
  EXPECT_EQ(shown, (std::vector<unsigned>{50, 75, 87, 93, 96, 98, 99, 100, 100}));
  bar.target = 0;
  bar.update(0, 0, {0, 0, 800, 600});
  EXPECT_EQ(bar.current, 50u);
}

TEST_F(Scroll, WheelAndKeysFrameTable) {
  struct row {
    const char* name;
    std::function<void(support::driver&)> steps;
    int frames;
    unsigned start_target;
    unsigned target;
  };
  const row rows[] = {
      {"a notch toward the user in each of ten frames",
       [](support::driver& d) {
         for (int i = 0; i < 10; ++i) d.wheel(-1).frames(1);
       },
       20, 0, 150},
      {"a notch away moves one step toward the start", [](support::driver& d) { d.wheel(1); }, 1, 100, 80},
      {"away at the start changes nothing", [](support::driver& d) { d.wheel(1); }, 1, 0, 0},
      {"Up at 0 changes nothing", [](support::driver& d) { d.press(200); }, 2, 0, 0},
      {"Down moves one step", [](support::driver& d) { d.press(208); }, 2, 0, 20},
      {"Down held moves once", [](support::driver& d) { d.hold(208).frames(3).release(208); }, 5, 0, 20},
      {"Up moves one step toward the start", [](support::driver& d) { d.press(200); }, 2, 50, 30},
      {"Up near the start stops at 0", [](support::driver& d) { d.press(200); }, 2, 10, 0},
  };
  for (const row& r : rows) {
    ui::scroll::vscroll bar(10, 100, 100, 250, 20);
    bar.target = bar.current = r.start_target;
    r.steps(drive);
    frames(r.frames, [&] { bar.update(0, 0, {0, 0, 800, 600}); });
    EXPECT_EQ(bar.target, r.target) << r.name;
    drive.run(nullptr, nullptr);
  }
}

TEST_F(Scroll, TenNotchesInOneFrameMoveOneStep) {
  ui::scroll::vscroll bar(10, 100, 100, 250, 20);
  EXPECT_EQ(bar.scroll_by(-10), 1);
  EXPECT_EQ(bar.target, 20u);
  bar.target = 140;
  EXPECT_EQ(bar.scroll_by(-1), 1);
  EXPECT_EQ(bar.target, 150u);
  EXPECT_EQ(bar.scroll_by(-1), 0);
  EXPECT_EQ(bar.target, 150u);
}

TEST_F(Scroll, ThumbGeometryAndColour) {
  ui::scroll::vscroll bar(10, 200, 200, 400, 20);
  EXPECT_EQ(bar.thumb_height(), 100u);
  EXPECT_EQ(bar.colour, static_cast<int>(PackScreenColor(129, 129, 129)));
  bar.current = 200;
  const ui::rect expected{100, 50 + 100, 110, 50 + 200};
  (void)expected;
  EXPECT_EQ((200u - bar.thumb_height()) * bar.current / (bar.total - bar.visible), 100u);
}

TEST_F(Scroll, AnInactiveBarLeavesTheWheelAndIgnoresKeysAndClicks) {
  ui::scroll::vscroll bar(10, 200, 200, 200, 20);
  drive.wheel(-1).frames(1).press(208).click(5, 100);
  std::vector<int> wheel_left;
  frames(5, [&] {
    bar.update(0, 0, {0, 0, 800, 600});
    wheel_left.push_back(ui::input::widget_wheel());
  });
  EXPECT_EQ(wheel_left[0], -1);
  EXPECT_EQ(bar.target, 0u);
  EXPECT_FALSE(bar.dragging);
}

TEST_F(Scroll, TwoActiveBarsOnlyTheFirstGetsTheWheel) {
  ui::scroll::vscroll first(10, 100, 100, 250, 20), second(10, 100, 100, 250, 20);
  drive.wheel(-1);
  frames(1, [&] {
    first.update(0, 0, {0, 0, 800, 600});
    second.update(20, 0, {0, 0, 800, 600});
  });
  EXPECT_EQ(first.target, 20u);
  EXPECT_EQ(second.target, 0u);
}

// Bar at (100, 100), 10 x 200, visible 100 of 300: the thumb is 66 high, the
// target is (y - 100 - 33) / 134 x 200.
TEST_F(Scroll, ADragFollowsThePointerAlsoOutsideTheBar) {
  ui::scroll::vscroll bar(10, 200, 100, 300, 20);
  bar.target = bar.current = 200;
  drive.drag(105, 150, 300, 200).frames(1).move(300, 250);
  std::vector<unsigned> targets;
  std::vector<bool> dragging;
  frames(4, [&] {
    bar.update(100, 100, {0, 0, 800, 600});
    targets.push_back(bar.target);
    dragging.push_back(bar.dragging);
  });
  // pressed at y 150 (above the thumb at the end), moved off the bar to
  // y 200, released there; a later move does nothing
  EXPECT_EQ(targets[0], static_cast<unsigned>((150 - 100 - 33.0) / 134 * 200));
  EXPECT_EQ(targets[1], static_cast<unsigned>((200 - 100 - 33.0) / 134 * 200));
  EXPECT_EQ(dragging, (std::vector<bool>{true, true, false, false}));
  EXPECT_EQ(targets[3], targets[1]);
  // below the bar: the maximum; above it: 0
  ui::scroll::vscroll other(10, 200, 100, 300, 20);
  drive.drag(105, 290, 105, 500).drag(105, 110, 105, 0);
  frames(6, [&] { other.update(100, 100, {0, 0, 800, 600}); });
  EXPECT_EQ(other.target, 0u);
}

TEST_F(Scroll, AHeldButtonThatDidNotStartOnTheBarNeverDrags) {
  ui::scroll::vscroll bar(10, 200, 100, 300, 20);
  drive.drag(400, 150, 105, 150);
  frames(3, [&] { bar.update(100, 100, {0, 0, 800, 600}); });
  EXPECT_EQ(bar.target, 0u);
}

TEST_F(Scroll, TextBoxTable) {
  struct row {
    std::vector<std::wstring> appends;
    int width;
    double factor;
    std::vector<std::wstring> lines;
    int height;
  } rows[] = {
      {{}, 100, 1.0, {L""}, 0},
      {{L""}, 100, 1.0, {L""}, 20},
      {{L"a\nb"}, 100, 1.0, {L"a", L"b"}, 40},
      {{L"\n\n"}, 100, 1.0, {L"", L"", L""}, 60},
      {{L"abcdefgh"}, 50, 1.0, {L"abcde", L"fgh"}, 40},
      {{L"ab", L"cdefg"}, 50, 1.0, {L"abcde", L"fg"}, 40},
      {{L"a日"}, 15, 1.0, {L"a", L""}, 40},
      {{L"x"}, 100, 1.5, {L"x"}, 30},
      {{L"x\ny"}, 100, 1.25, {L"x", L"y"}, 50},
  };
  for (const row& r : rows) {
    ui::xtextbox box(r.width, r.factor);
    for (const std::wstring& s : r.appends) box.append_text(s);
    std::vector<std::wstring> lines;
    for (const auto& l : box.all_lines()) {
      std::wstring text;
      for (const ui::text& piece : l) text += piece.to_wstring();
      lines.push_back(text);
    }
    EXPECT_EQ(lines, r.lines) << r.appends.size();
    EXPECT_EQ(box.height, r.height) << r.appends.size();
    EXPECT_EQ(box.width, r.width);
  }
}

TEST_F(Scroll, SetSizeRefusesAndChangesNothing) {
  ui::xtextbox box(100, 1.0);
  box.append_text(L"abc");
  try {
    box.set_size(10, 10);
    FAIL() << "no exception";
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ(e.what(), "xtextbox::set_size : illegal method");
  }
  EXPECT_EQ(box.width, 100);
  EXPECT_EQ(box.height, 20);
}

TEST_F(Scroll, ASnapshotDoesNotFollowTheBox) {
  ui::xtextbox box(100, 1.0);
  box.append_text(L"first");
  const ui::textbox snapshot(box);
  box.append_text(L"\nsecond");
  EXPECT_EQ(snapshot.height, 20);
  EXPECT_EQ(snapshot.all_lines().size(), 1u);
  EXPECT_EQ(box.all_lines().size(), 2u);
}

TEST_F(Scroll, ScrolledTextBoxGeometry) {
  ui::xtextbox box(300, 1.0);
  for (int i = 0; i < 20; ++i) box.append_text(L"line\n");
  const ui::textbox content(box);  // 21 lines, 420 high
  ui::scrolled<ui::textbox> s(content, 200, 7, {2, 2, 2, 2});
  const ui::scroll::vscroll& bar = s.bar().child();
  EXPECT_EQ(bar.width, 7);
  EXPECT_EQ(bar.height, 200);
  EXPECT_EQ(bar.visible, 200u);
  EXPECT_EQ(bar.total, 420u);
  EXPECT_EQ(bar.step, 20);
  EXPECT_EQ(s.bar().width, 11);
  EXPECT_EQ(s.width, 311);
  EXPECT_EQ(s.height, 204);
}

}  // namespace
