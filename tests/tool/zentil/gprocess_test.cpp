// The frame loop of screen processes: the order inside a frame, the finished
// bit, dropped names, nesting, and the end of every loop when the window
// closes.
#include "tool/zentil/gprocess.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app_fixture.hpp"
#include "media/graphics/draw.hpp"
#include "media/graphics/drawstate.hpp"

namespace {

using log_lines = std::vector<std::string>;

// Records its draws and updates into a shared log; sets the finished bit in
// update number finish_at (never with 0); on_update runs inside each update
// with its number, before the bit is looked at.
class counting : public tool::gprocess {
 public:
  counting(std::string name, log_lines& log, int finish_at) : name_(std::move(name)), log_(log), finish_at_(finish_at) {}

  void draw() override {
    ++draws;
    log_.push_back(name_ + ":draw");
    if (on_draw) on_draw(draws);
  }
  void update() override {
    ++updates;
    log_.push_back(name_ + ":update");
    if (on_update) on_update(updates);
    if (updates == finish_at_) flags |= finished;
  }

  int draws = 0, updates = 0;
  std::function<void(int)> on_draw, on_update;

 private:
  std::string name_;
  log_lines& log_;
  int finish_at_;
};

void push_close() {
  platform::os_event close;
  close.kind = platform::event_kind::close;
  platform::headless::push_event(close);
}

std::uint32_t presented_pixel(int x, int y) {
  const platform::headless::presented_frame& f = platform::headless::frame();
  std::uint32_t v = 0;
  std::memcpy(&v, f.pixels.data() + static_cast<std::size_t>(y) * f.pitch + static_cast<std::size_t>(x) * 4, 4);
  return v & 0xFFFFFF;
}

using FrameLoop = zentil_test::media_test;

TEST_F(FrameLoop, FlipsBetweenDrawAndUpdateAndEndsAfterTheFrameThatFinished) {
  log_lines log;
  counting p("p", log, 3);
  const int first = platform::headless::boundaries();
  p.on_draw = [&](int) { log.push_back("present " + std::to_string(platform::headless::boundaries() - first)); };
  p.on_update = [&](int) { log.push_back("present " + std::to_string(platform::headless::boundaries() - first)); };
  tool::gprocess::run(p);
  EXPECT_EQ(log, (log_lines{"p:draw", "present 0", "p:update", "present 1", "p:draw", "present 1", "p:update",
                            "present 2", "p:draw", "present 2", "p:update", "present 3"}));
  EXPECT_EQ(p.draws, 3);
  EXPECT_EQ(p.updates, 3);
  EXPECT_EQ(p.flags, tool::gprocess::finished);
}

TEST_F(FrameLoop, InputIsPolledBeforeTheFirstDraw) {
  platform::os_event move;
  move.kind = platform::event_kind::mouse_move;
  move.x = 123;
  move.y = 45;
  platform::headless::push_event(move);
  log_lines log;
  counting p("p", log, 1);
  int seen_x = -1, seen_y = -1;
  p.on_draw = [&](int) {
    seen_x = ui::input::mouse_x();
    seen_y = ui::input::mouse_y();
  };
  tool::gprocess::run(p);
  EXPECT_EQ(seen_x, 123);
  EXPECT_EQ(seen_y, 45);
}

// What the update leaves on the back screen is cleared before the next
// frame's draw; what the draw puts there is presented.
TEST_F(FrameLoop, EachFrameStartsFromAClearScreen) {
  log_lines log;
  counting p("p", log, 2);
  const std::uint32_t white = PackScreenColor(255, 255, 255);
  p.on_draw = [&](int n) { DrawFilledBox(100 + 20 * n, 10, 110 + 20 * n, 20, white); };
  p.on_update = [&](int) { DrawFilledBox(10, 10, 20, 20, white); };
  tool::gprocess::run(p);
  EXPECT_EQ(presented_pixel(15, 15), 0x000000u);
  EXPECT_EQ(presented_pixel(145, 15), 0xFFFFFFu);  // the second draw
  EXPECT_EQ(presented_pixel(125, 15), 0x000000u);  // the first draw, cleared
}

TEST_F(FrameLoop, DroppedNamesAreOfferedToOneFrameOnly) {
  SetDropFilesAccepted(1);
  drive.frames(1).drop({L"/tmp/one", L"/tmp/two"});
  log_lines log;
  counting p("p", log, 6);
  std::vector<std::size_t> counts;
  p.on_update = [&](int) {
    std::vector<std::string> names;
    ui::input::dropped_files(names);
    counts.push_back(names.size());
  };
  tool::gprocess::run(p);
  SetDropFilesAccepted(0);
  ASSERT_EQ(counts.size(), 6u);
  int frames_with_names = 0;
  for (std::size_t c : counts) {
    if (c != 0) {
      ++frames_with_names;
      EXPECT_EQ(c, 2u);
    }
  }
  EXPECT_EQ(frames_with_names, 1);
}

// The outer screen is neither drawn nor updated while the inner loop runs,
// its update goes on after it, and the finished inner screen is not drawn
// again. Screens below (the second form of run) are drawn first each frame.
TEST_F(FrameLoop, NestedLoopSuspendsTheOuterScreen) {
  log_lines log;
  counting outer("outer", log, 3);
  counting inner("inner", log, 2);
  outer.on_update = [&](int n) {
    if (n != 2) return;
    tool::gprocess::run(inner, [&] { log.push_back("below"); });
    log.push_back("outer:continues");
  };
  tool::gprocess::run(outer);
  EXPECT_EQ(log, (log_lines{"outer:draw", "outer:update", "outer:draw", "outer:update", "below", "inner:draw",
                            "inner:update", "below", "inner:draw", "inner:update", "outer:continues", "outer:draw",
                            "outer:update"}));
}

// A closed window ends every loop for good, so these run in a process of
// their own; each gives its exit code.
int close_before_the_first_frame() {
  log_lines log;
  counting p("p", log, 0);
  push_close();
  tool::gprocess::run(p);
  return log.empty() ? 0 : 1;
}

// The innermost loop ends at its next input update, the screen that started
// it finishes its update, and so on up to the outermost; nothing is drawn on
// the way out.
int close_three_nested() {
  log_lines log;
  counting a("a", log, 0), b("b", log, 0), c("c", log, 0);
  a.on_update = [&](int n) {
    if (n == 1) tool::gprocess::run(b);
    log.push_back("a:continues");
  };
  b.on_update = [&](int n) {
    if (n == 1) tool::gprocess::run(c);
    log.push_back("b:continues");
  };
  c.on_update = [&](int n) {
    if (n == 2) push_close();
  };
  tool::gprocess::run(a);
  const log_lines expected{"a:draw", "a:update", "b:draw", "b:update", "c:draw", "c:update",
                           "c:draw", "c:update", "b:continues", "a:continues"};
  return log == expected && !ui::input::update() ? 0 : 1;
}

TEST_F(FrameLoop, NothingIsDrawnWhenTheFirstInputUpdateFails) {
  EXPECT_EXIT(std::exit(close_before_the_first_frame()), ::testing::ExitedWithCode(0), "");
}

TEST_F(FrameLoop, ClosingEndsThreeNestedLoopsInTurn) {
  EXPECT_EXIT(std::exit(close_three_nested()), ::testing::ExitedWithCode(0), "");
}

}  // namespace
