// The frame driver: the C++ face of the headless step engine. Steps queue
// ("press K", "click x y", "type s" ...) and are applied at frame boundaries
// while a frame loop runs; run() is that loop for tests that have no screen
// of their own. The driver never sleeps: the virtual clock moves a
// millisecond a frame at least.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "media/core/window_services.hpp"
#include "media/graphics/present.hpp"
#include "platform/headless/steps.hpp"
#include "platform/platform.hpp"
#include "ui/input.hpp"

namespace support {

class driver {
 public:
  using step = platform::headless::step;
  using kind = platform::headless::step_kind;

  driver() { platform::headless::clear_steps(); }

  driver& press(int key) { return add(key_step(kind::press, key)); }
  driver& hold(int key) { return add(key_step(kind::hold, key)); }
  driver& release(int key) { return add(key_step(kind::release, key)); }
  driver& move(int x, int y) { return add(point_step(kind::move, x, y)); }
  driver& click(int x, int y) { return add(point_step(kind::click, x, y)); }
  driver& tap(int x, int y) { return add(point_step(kind::tap, x, y)); }
  driver& right_click(int x, int y) {
    step s = point_step(kind::click, x, y);
    s.button = platform::mouse_button::right;
    return add(s);
  }
  driver& drag(int x, int y, int to_x, int to_y) {
    step s = point_step(kind::drag, x, y);
    s.to_x = to_x;
    s.to_y = to_y;
    return add(s);
  }
  driver& wheel(int notches) { return add(count_step(kind::wheel, notches)); }
  driver& type(const std::wstring& text) { return add(text_step(kind::type, text)); }
  driver& paste(const std::wstring& text) { return add(text_step(kind::paste, text)); }
  driver& compose(const std::wstring& text, int cursor = 0) {
    step s = text_step(kind::compose, text);
    s.count = cursor;
    return add(s);
  }
  driver& drop(const std::vector<std::wstring>& names) {
    step s;
    s.kind = kind::drop;
    s.names = names;
    return add(s);
  }
  driver& frames(int n) { return add(count_step(kind::frames, n)); }

  bool done() const { return platform::headless::steps_done(); }

  // One frame as the application's loop runs it: clear, draw, flip, update,
  // release of the dropped names, then the input update for the next frame.
  // The input update's result: false once the window is closing.
  static bool frame(const std::function<void()>& draw, const std::function<void()>& update) {
    ClearDrawTarget();
    if (draw) draw();
    FlipDrawScreen();
    if (update) update();
    ClearDroppedFiles();
    return ui::input::update();
  }

  // Frames until every queued step is applied and taken, then extra more;
  // the number of frames run (a step list that never ends fails the test
  // after limit frames).
  int run(const std::function<void()>& draw, const std::function<void()>& update, int extra = 1,
          int limit = 2000) {
    int n = 0;
    while (!done() && n < limit) {
      frame(draw, update);
      ++n;
    }
    EXPECT_LT(n, limit) << "the steps never ended";
    for (int i = 0; i < extra; ++i, ++n) frame(draw, update);
    return n;
  }

 private:
  driver& add(const step& s) {
    EXPECT_EQ(platform::headless::queue_step(s), 0) << platform::error();
    return *this;
  }
  static step key_step(kind k, int key) {
    step s;
    s.kind = k;
    s.key = key;
    return s;
  }
  static step point_step(kind k, int x, int y) {
    step s;
    s.kind = k;
    s.x = x;
    s.y = y;
    return s;
  }
  static step count_step(kind k, int n) {
    step s;
    s.kind = k;
    s.count = n;
    return s;
  }
  static step text_step(kind k, const std::wstring& text) {
    step s;
    s.kind = k;
    s.text = text;
    return s;
  }
};

}  // namespace support
