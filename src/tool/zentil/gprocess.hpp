// Screen processes: every screen is drawn and updated once a frame by one
// loop until it declares itself finished or the window goes away. Screens
// nest by running a further loop inside their own update.
#pragma once

#include <cstdint>
#include <functional>

namespace tool {

class gprocess {
 public:
  // Bit 0 of flags: the process has finished; the loop ends after the frame
  // in which it was set. No other bit is used.
  static constexpr std::uint32_t finished = 1;

  gprocess() = default;
  virtual ~gprocess();
  gprocess(const gprocess&) = delete;
  gprocess& operator=(const gprocess&) = delete;

  virtual void draw() = 0;
  virtual void update() = 0;

  // The frame loop: input is polled before every frame and the loop ends,
  // drawing nothing more, when that fails (the window is closing); a frame is
  // clear, draw, flip, update, then the dropped files are let go. After a
  // frame whose update set the finished bit, the loop returns. Nothing is
  // caught: what a draw or update throws leaves every loop.
  static void run(gprocess& process);
  // The same loop with `underneath` called after each clear, before the
  // process draws: screens that stay visible below it (they are not updated).
  static void run(gprocess& process, const std::function<void()>& underneath);

  std::uint32_t flags = 0;
};

}  // namespace tool
