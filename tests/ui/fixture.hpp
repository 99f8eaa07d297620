// The toolkit tests' fixture: the media layer started once per test program
// on the headless backend through the wrapper (windowed 800 x 600 at 32 bits,
// log off, running while inactive, the back screen as target) with the fake
// font face; the toolkit's state, the clip stack, the blend and the step
// queue back to the start around each case.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "dx/windows.hpp"
#include "media/core/window_services.hpp"
#include "media/graphics/draw.hpp"
#include "media/graphics/drawstate.hpp"
#include "media/graphics/internal.hpp"
#include "media/graphics/screen_mode.hpp"
#include "platform/font/font.hpp"
#include "platform/headless/headless.hpp"
#include "platform/headless/steps.hpp"
#include "platform/platform.hpp"
#include "platform/system/instance_lock.hpp"
#include "support/driver.hpp"
#include "support/headless_media.hpp"
#include "support/temp_folder.hpp"
#include "ui/drawing.hpp"
#include "ui/input.hpp"

namespace ui_test {

using support::start_media_once;

// The draw area the drawing state holds.
inline ui::rect draw_area() {
  const auto& a = media::gfx::draw_state.area;
  return {a.left, a.top, a.right, a.bottom};
}

class toolkit : public ::testing::Test {
 protected:
  void SetUp() override {
    start_media_once();
    support::reset_toolkit();
    // settle what start-up queued, then a fresh snapshot
    for (int i = 0; i < 5; ++i) support::driver::frame(nullptr, nullptr);
    ui::input::reset();
    ui::input::update();
  }

  static ui::rect draw_area() { return ui_test::draw_area(); }

  // A pixel of the last presented frame as 0xRRGGBB.
  static std::uint32_t frame_pixel(int x, int y) { return support::frame_pixel(x, y); }

  support::driver drive;
};

}  // namespace ui_test
