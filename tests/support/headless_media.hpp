// The media layer on the headless backend for test programs: the fake font
// face with widths tests can count (10 pixels a single-byte character, 20 a
// double-byte one, cells 20 high), a lock folder of the program's own, the
// start through the wrapper once per program, and the pixels presented.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "dx/windows.hpp"
#include "media/graphics/drawstate.hpp"
#include "platform/font/font.hpp"
#include "platform/headless/headless.hpp"
#include "platform/headless/steps.hpp"
#include "platform/platform.hpp"
#include "platform/system/instance_lock.hpp"
#include "support/temp_folder.hpp"
#include "ui/drawing.hpp"
#include "ui/input.hpp"

namespace support {

// Selects the headless backend with the fake fonts; the start is the caller's.
inline void prepare_headless(const temp_folder& locks) {
  ASSERT_EQ(platform::select_backend("headless"), 0);
  platform::headless::reset();
  platform::set_lock_folder(locks.wpath());
  platform::font::fake_settings fake;
  fake.height = 20;
  fake.ascent = 16;
  fake.single_advance = 10;
  fake.double_advance = 20;
  platform::font::install_fake(fake);
}

// Starts the layer through the wrapper the first time it is called.
inline void start_media_once() {
  static bool started = false;
  if (started) return;
  started = true;
  static temp_folder locks;
  prepare_headless(locks);
  // start-up waits on the clock, which moves only when read here
  platform::headless::set_clock_step(1);
  ASSERT_NO_THROW(dx::windows::initialize());
  platform::headless::set_clock_step(0);
}

// The toolkit's state back to the start between cases: no queued steps, the
// clip stack and blend reset, a fresh input snapshot.
inline void reset_toolkit() {
  platform::headless::clear_steps();
  ui::clip_stack::reset();
  ui::clip_stack::apply();
  ui::reset_blend();
  SetBlendModeParam(0, 255);
  ui::input::reset();
}

// A pixel of the last presented frame as 0xRRGGBB.
inline std::uint32_t frame_pixel(int x, int y) {
  const platform::headless::presented_frame& f = platform::headless::frame();
  std::uint32_t v = 0;
  std::memcpy(&v, f.pixels.data() + static_cast<std::size_t>(y) * f.pitch + static_cast<std::size_t>(x) * 4, 4);
  return v & 0xFFFFFF;
}

}  // namespace support
