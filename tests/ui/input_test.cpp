// The per-frame input state driven through the frame driver: key reporting,
// clicks and the hit test, the wheel, the close, dropped names, and keys
// held across an edit.
#include <stdexcept>
#include <string>
#include <vector>

#include "fixture.hpp"
#include "platform/headless/state.hpp"
#include "ui/rect.hpp"

namespace {

using ui_test::toolkit;

class Input : public toolkit {
 protected:
  // Runs the steps' first boundary, then n frames recording f in each
  // frame's update.
  template <class F>
  auto record(int n, F f) {
    std::vector<decltype(f())> seen;
    support::driver::frame(nullptr, nullptr);
    for (int i = 0; i < n; ++i) support::driver::frame(nullptr, [&] { seen.push_back(f()); });
    return seen;
  }
};

TEST_F(Input, AKeyIsReportedOncePerPress) {
  drive.hold(208).frames(1).release(208).hold(208);
  EXPECT_EQ(record(4, [] { return ui::input::key_pressed(208); }), (std::vector<bool>{true, false, false, true}));
  drive.release(208).run(nullptr, nullptr);
}

TEST_F(Input, KeysOffReportNothingAndClearTheReportedFlags) {
  drive.hold(208).frames(3);
  std::vector<bool> seen = record(4, [] {
    static int frame = 0;
    ++frame;
    if (frame == 2) ui::input::suspend_keys();
    return ui::input::key_pressed(208);
  });
  // reported in the first frame; nothing while off
  EXPECT_EQ(seen, (std::vector<bool>{true, false, false, false}));
  EXPECT_FALSE(ui::input::keys_enabled());
  ui::input::resume_keys();
  drive.release(208).run(nullptr, nullptr);
}

TEST_F(Input, AKeyCodeOutsideTheTableThrows) {
  try {
    ui::input::key_pressed(256);
    FAIL() << "no exception";
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "lib/array/assert_index");
  }
  EXPECT_THROW(ui::input::key_pressed(1000), std::invalid_argument);
  EXPECT_NO_THROW(ui::input::key_pressed(255));
}

// The Enter that ends an edit is still down in the next frames: reported
// only after its release.
TEST_F(Input, AKeyHeldAcrossTheEndOfAnEditIsReportedAfterItsRelease) {
  ui::input::suspend_keys();
  drive.hold(28).frames(2).release(28).hold(28);
  std::vector<bool> seen = record(5, [] {
    static int frame = 0;
    if (++frame == 2) ui::input::resume_keys();
    return ui::input::key_pressed(28);
  });
  EXPECT_EQ(seen, (std::vector<bool>{false, false, false, false, true}));
  drive.release(28).run(nullptr, nullptr);
}

// Two edits overlap (a click from one form into another): keys stay off
// until the last one ends.
TEST_F(Input, KeysStayOffWhileAnyEditRuns) {
  ui::input::suspend_keys();
  ui::input::suspend_keys();
  ui::input::resume_keys();
  EXPECT_FALSE(ui::input::keys_enabled());
  drive.press(18);
  std::vector<bool> seen = record(2, [] { return ui::input::key_pressed(18); });
  EXPECT_EQ(seen, (std::vector<bool>{false, false}));
  ui::input::resume_keys();
  ui::input::resume_keys();  // never below none
  EXPECT_TRUE(ui::input::keys_enabled());
  ui::input::suspend_keys();
  EXPECT_FALSE(ui::input::keys_enabled());
  ui::input::resume_keys();
  drive.press(18);
  EXPECT_EQ(record(2, [] { return ui::input::key_pressed(18); }), (std::vector<bool>{true, false}));
}

TEST_F(Input, ALeftPressIsTakenOnceInItsFirstFrame) {
  // a drag holds the button down over its first two frames
  drive.drag(50, 50, 50, 50).frames(1);
  EXPECT_EQ(record(3, [] { return ui::input::take_click(); }), (std::vector<bool>{true, false, false}));

  // not taken in its frame: gone
  drive.drag(50, 50, 50, 50);
  int frame = 0;
  std::vector<bool> late = record(3, [&] { return ++frame > 1 && ui::input::take_click(); });
  EXPECT_EQ(late, (std::vector<bool>{false, false, false}));
}

TEST_F(Input, TheFirstWidgetUpdatedTakesTheClickTheSecondOnlyHovers) {
  const ui::rect screen{0, 0, 800, 600};
  ui::hit_state first, second;
  drive.click(30, 30);
  record(1, [&] {
    ui::hit_test(screen, {10, 10, 100, 100}, first);
    ui::hit_test(screen, {20, 20, 60, 60}, second);
    return 0;
  });
  EXPECT_TRUE(first.clicked);
  EXPECT_TRUE(first.hover);
  EXPECT_FALSE(second.clicked);
  EXPECT_TRUE(second.hover);
}

TEST_F(Input, TheBorderIsOutside) {
  struct row {
    int x, y;
    bool inside;
  } rows[] = {{10, 50, false}, {100, 50, false}, {50, 10, false}, {50, 100, false}, {11, 11, true}, {99, 99, true}};
  for (const row& r : rows) {
    ui::hit_state state;
    drive.click(r.x, r.y);
    record(1, [&] {
      ui::hit_test({0, 0, 800, 600}, {10, 10, 100, 100}, state);
      return 0;
    });
    EXPECT_EQ(static_cast<bool>(state.clicked), r.inside) << r.x << ", " << r.y;
    EXPECT_EQ(static_cast<bool>(state.hover), r.inside) << r.x << ", " << r.y;
    drive.run(nullptr, nullptr);
  }
  EXPECT_FALSE(ui::rect({0, 0, 10, 10}).contains(0, 5));
  EXPECT_FALSE(ui::rect({0, 0, 10, 10}).contains(10, 5));
}

// hit_state frame by frame: a press held two frames, released, pressed again.
TEST_F(Input, HitStateTable) {
  ui::hit_state state;
  drive.drag(50, 50, 50, 50).click(50, 50);
  struct row {
    int clicked, released, toggled;
  };
  std::vector<row> seen;
  support::driver::frame(nullptr, nullptr);
  for (int i = 0; i < 5; ++i)
    support::driver::frame(nullptr, [&] {
      ui::hit_test({0, 0, 800, 600}, {10, 10, 100, 100}, state);
      seen.push_back({state.clicked, state.released, state.toggled});
    });
  const row expected[] = {{1, 0, 1}, {0, 0, 1}, {0, 1, 1}, {1, 0, 0}, {0, 1, 0}};
  ASSERT_EQ(seen.size(), 5u);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(seen[i].clicked, expected[i].clicked) << "frame " << i;
    EXPECT_EQ(seen[i].released, expected[i].released) << "frame " << i;
    EXPECT_EQ(seen[i].toggled, expected[i].toggled) << "frame " << i;
  }
}

TEST_F(Input, WheelNotchesAreOfferedToTheirFrameOnly) {
  drive.wheel(-3).frames(1).wheel(2);
  std::vector<int> offered, taken;
  support::driver::frame(nullptr, nullptr);
  for (int i = 0; i < 3; ++i)
    support::driver::frame(nullptr, [&] {
      offered.push_back(ui::input::widget_wheel());
      // the first frame's widget takes it, so a second one finds nothing
      if (i == 0) {
        taken.push_back(ui::input::take_wheel());
        taken.push_back(ui::input::take_wheel());
      }
    });
  EXPECT_EQ(offered, (std::vector<int>{-3, 0, 2}));
  EXPECT_EQ(taken, (std::vector<int>{-3, 0}));
  // a value nobody took is gone the next frame
  support::driver::frame(nullptr, nullptr);
  EXPECT_EQ(ui::input::widget_wheel(), 0);
}

TEST_F(Input, DroppedFilesComeOutLastFirstAndWhole) {
  SetDropFilesAccepted(1);
  const std::wstring long_name = L"/tmp/" + std::wstring(995, L'n');
  drive.drop({L"/tmp/one", long_name, L"/tmp/three"});
  std::vector<std::string> names;
  support::driver::frame(nullptr, nullptr);
  support::driver::frame(nullptr, [&] { ui::input::dropped_files(names); });
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(names[0], "/tmp/three");
  EXPECT_EQ(names[1].size(), 1000u);
  EXPECT_EQ(names[1], std::string(long_name.begin(), long_name.end()));
  EXPECT_EQ(names[2], "/tmp/one");
  // released at the end of the frame
  support::driver::frame(nullptr, [&] { ui::input::dropped_files(names); });
  EXPECT_TRUE(names.empty());
  SetDropFilesAccepted(0);
}

// Through the platform's drop (UTF-8 at the OS) both forms arrive: the exact
// one byte for byte, the CP932 one with '?' for what CP932 lacks.
TEST_F(Input, DroppedNamesComeInBothFormsLastFirst) {
  SetDropFilesAccepted(1);
  const std::wstring long_name = L"/tmp/" + std::wstring(995, L'n');
  const std::vector<std::wstring> dropped = {long_name, L"/tmp/caf\u00E9.txt", L"/tmp/\u65E5\u672C.txt",
                                             L"/tmp/a\xDCE9"};
  drive.drop(dropped);
  std::vector<ui::input::dropped_name> names;
  support::driver::frame(nullptr, nullptr);
  support::driver::frame(nullptr, [&] { ui::input::dropped_names(names); });
  ASSERT_EQ(names.size(), 4u);
  EXPECT_EQ(names[0].exact, dropped[3]);
  EXPECT_EQ(names[0].narrow, "/tmp/a?");
  EXPECT_EQ(names[1].exact, dropped[2]);
  EXPECT_EQ(names[1].narrow, "/tmp/\x93\xFA\x96\x7B.txt");
  EXPECT_EQ(names[2].exact, dropped[1]);
  EXPECT_EQ(names[2].narrow, "/tmp/caf?.txt");
  EXPECT_EQ(names[3].exact, long_name);
  EXPECT_EQ(names[3].narrow, std::string(long_name.begin(), long_name.end()));
  EXPECT_EQ(GetDroppedFileCount(), 0);
  // nothing left for the next frame
  support::driver::frame(nullptr, [&] { ui::input::dropped_names(names); });
  EXPECT_TRUE(names.empty());
  SetDropFilesAccepted(0);
}

// Every device key code the key map carries reaches the key table through
// the driver's key steps.
TEST_F(Input, EveryMappedKeyCodeReachesTheKeyTable) {
  std::vector<int> codes;
  for (int code = 0; code < 256; ++code)
    if (platform::headless::key_position_of(code) != 0) codes.push_back(code);
  EXPECT_EQ(codes.size(), 99u);  // one code per pair of the map
  for (int code : codes) drive.hold(code);
  drive.run(nullptr, nullptr);
  for (int code : codes) EXPECT_TRUE(ui::input::key_down(code)) << code;
  for (int code : codes) drive.release(code);
  drive.run(nullptr, nullptr);
  for (int code : codes) EXPECT_FALSE(ui::input::key_down(code)) << code;
  platform::headless::step bad;
  bad.kind = platform::headless::step_kind::press;
  bad.key = 0;
  EXPECT_EQ(platform::headless::queue_step(bad), -1);
}

// A closed window ends the frame loop; every pump fails afterwards, so this
// runs in a process of its own.
TEST_F(Input, UpdateIsFalseOnceTheWindowCloses) {
  EXPECT_EXIT(
      {
        const int x = ui::input::mouse_x();
        platform::os_event close;
        close.kind = platform::event_kind::close;
        platform::headless::push_event(close);
        platform::os_event move;
        move.kind = platform::event_kind::mouse_move;
        move.x = x + 7;
        move.y = 9;
        platform::headless::push_event(move);
        bool ended = false;
        for (int i = 0; i < 10 && !ended; ++i) ended = !ui::input::update();
        const bool still = !ui::input::update() && !ui::input::update();
        std::exit(ended && still && ui::input::mouse_x() == x ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
