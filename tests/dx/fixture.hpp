// The wrapper tests' fixture: the media layer started once per test program
// through dx::windows::initialize on the headless backend, from a fresh
// current folder (where a log file would appear), with fonts whose widths
// the tests can count. The time read around the start and the first random
// number after it are kept for the seeding test.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <ctime>

#include "dx/windows.hpp"
#include "media/graphics/drawstate.hpp"
#include "platform/font/font.hpp"
#include "platform/headless/headless.hpp"
#include "platform/headless/steps.hpp"
#include "platform/platform.hpp"
#include "platform/system/instance_lock.hpp"
#include "plang/random.hpp"
#include "support/driver.hpp"
#include "support/headless_media.hpp"
#include "support/temp_folder.hpp"
#include "ui/drawing.hpp"
#include "ui/input.hpp"

namespace dx_test {

struct start_record {
  std::time_t before = 0;
  std::time_t after = 0;
  int first_random = -1;
};

using support::prepare_headless;

// The folder current while the layer started.
inline const support::temp_folder& start_folder() {
  static support::temp_folder folder;
  return folder;
}

inline const start_record& start_once() {
  static start_record record;
  static bool started = false;
  if (started) return record;
  started = true;
  static support::temp_folder locks;
  prepare_headless(locks);
  EXPECT_EQ(::chdir(start_folder().path().c_str()), 0);
  platform::headless::set_clock_step(1);
  record.before = std::time(nullptr);
  dx::windows::initialize();
  record.after = std::time(nullptr);
  record.first_random = plang::next_random();
  platform::headless::set_clock_step(0);
  return record;
}

class wrapper : public ::testing::Test {
 protected:
  void SetUp() override {
    start_once();
    support::reset_toolkit();
  }

  // A pixel of the last presented frame as 0xRRGGBB.
  static std::uint32_t frame_pixel(int x, int y) { return support::frame_pixel(x, y); }
};

}  // namespace dx_test
