// What the toolkit's drawing puts on screen: the frame box, the scroll
// thumb, captions from the record of drawn strings.
#include <string>
#include <vector>

#include "fixture.hpp"
#include "media/graphics/draw.hpp"
#include "ui/button.hpp"
#include "ui/drawing.hpp"
#include "ui/vscroll.hpp"

namespace {

using ui_test::toolkit;

class Pixels : public toolkit {
 protected:
  // Draws on a black screen and presents it.
  static void show(const std::function<void()>& draw) {
    ClearDrawTarget();
    draw();
    FlipDrawScreen();
  }
  static std::uint32_t grey(int v) { return static_cast<std::uint32_t>(v) * 0x010101u; }
};

TEST_F(Pixels, FrameBoxEdgesCornersAndInside) {
  const int colour = static_cast<int>(PackScreenColor(52, 52, 52));
  std::uint32_t reference = 0;
  show([&] {
    ui::draw_frame_box({0, 0, 10, 10}, colour);
    // the inside's reference: the same colour filled at mode 1, 127
    SetBlendModeParam(1, 127);
    DrawRectangle(100, 100, 110, 110, colour, 1);
    SetBlendModeParam(0, 255);
  });
  reference = frame_pixel(105, 105);
  EXPECT_NE(reference, 0u);
  EXPECT_NE(reference, grey(52));
  for (auto [x, y] : std::vector<std::pair<int, int>>{{0, 0}, {9, 0}, {0, 9}, {9, 9}})
    EXPECT_EQ(frame_pixel(x, y), 0u) << x << ", " << y;
  for (int i = 1; i <= 8; ++i) {
    EXPECT_EQ(frame_pixel(0, i), grey(52)) << i;
    EXPECT_EQ(frame_pixel(9, i), grey(52)) << i;
    EXPECT_EQ(frame_pixel(i, 0), grey(52)) << i;
    EXPECT_EQ(frame_pixel(i, 9), grey(52)) << i;
  }
  for (int y = 1; y <= 8; ++y)
    for (int x = 1; x <= 8; ++x) EXPECT_EQ(frame_pixel(x, y), reference) << x << ", " << y;
  EXPECT_EQ(frame_pixel(10, 5), 0u);
}

// Under an outer blend the edge pixels next to a corner, drawn once, are
// weaker than those between, drawn twice.
TEST_F(Pixels, FrameBoxUnderABlendIsWeakerNextToTheCorners) {
  show([] {
    ui::blend_guard half(0.5);
    ui::draw_frame_box({0, 0, 10, 10}, static_cast<int>(PackScreenColor(52, 52, 52)));
  });
  EXPECT_LT(frame_pixel(0, 1), frame_pixel(0, 5));
  EXPECT_LT(frame_pixel(1, 0), frame_pixel(5, 0));
  EXPECT_EQ(frame_pixel(0, 2), frame_pixel(0, 5));
  EXPECT_EQ(ui::current_blend().parameter, 255);
}

TEST_F(Pixels, ScrollThumb) {
  ui::scroll::vscroll bar(10, 200, 200, 400, 20);
  bar.current = 200;
  show([&] { bar.draw(100, 50); });
  EXPECT_EQ(frame_pixel(100, 151), grey(129));
  EXPECT_EQ(frame_pixel(100, 149), 0u);
  EXPECT_EQ(frame_pixel(100, 248), grey(129));
  EXPECT_EQ(frame_pixel(100, 251), 0u);
  // inactive: nothing
  ui::scroll::vscroll idle(10, 200, 200, 200, 20);
  show([&] { idle.draw(100, 50); });
  for (int y = 50; y < 250; y += 10) EXPECT_EQ(frame_pixel(101, y), 0u);
}

}  // namespace
