// Drawing support: the clip stack and the blend guard against the drawing
// state they set.
#include <stdexcept>

#include "fixture.hpp"

namespace {

using ui_test::toolkit;

class Drawing : public toolkit {};

bool same(const ui::rect& a, const ui::rect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(Drawing, ClipStackIntersectsWhatIsPushed) {
  EXPECT_TRUE(same(draw_area(), {0, 0, 800, 600}));
  ui::clip_stack::push({10, 10, 500, 500});
  ui::clip_stack::push({100, 0, 900, 300});
  EXPECT_TRUE(same(draw_area(), {100, 10, 500, 300}));
  ui::clip_stack::pop();
  EXPECT_TRUE(same(draw_area(), {10, 10, 500, 500}));
  ui::clip_stack::pop();
  EXPECT_TRUE(same(draw_area(), {0, 0, 800, 600}));
  EXPECT_TRUE(ui::clip_stack::get().empty());
}

// Rectangles that do not overlap leave nothing to draw in, never the
// rectangle between them.
TEST_F(Drawing, AnEmptyIntersectionDrawsNothing) {
  ui::clip_stack::push({10, 10, 100, 100});
  ui::clip_stack::push({200, 200, 300, 300});
  EXPECT_EQ(media::gfx::draw_state.area_empty, 1);
  ui::clip_stack::pop();
  EXPECT_TRUE(same(draw_area(), {10, 10, 100, 100}));
  ui::clip_stack::pop();
}

TEST_F(Drawing, AScopePopsWhenTheChildThrows) {
  try {
    ui::clip_stack::scope clip({10, 10, 50, 50});
    EXPECT_TRUE(same(draw_area(), {10, 10, 50, 50}));
    throw std::runtime_error("child");
  } catch (const std::runtime_error&) {
  }
  EXPECT_TRUE(ui::clip_stack::get().empty());
  EXPECT_TRUE(same(draw_area(), {0, 0, 800, 600}));
}

TEST_F(Drawing, BlendGuardTable) {
  struct row {
    double outer, inner;  // inner 0: none
    int start_parameter;
    int parameter;
  } rows[] = {
      {0.5, 0, 255, 127},
      {0.5, 0.5, 255, 63},
      {2.0, 0, 200, 255},
      {2.0, 0, 100, 200},
      {1.0, 0, 255, 255},
  };
  for (const row& r : rows) {
    // the toolkit's record starts where an earlier guard left it
    ui::blend_guard base(r.start_parameter / 255.0);
    SetBlendModeParam(0, 255);
    {
      ui::blend_guard outer(r.outer);
      if (r.inner == 0) {
        EXPECT_EQ(media::gfx::draw_state.blend_mode, 1);
        EXPECT_EQ(media::gfx::draw_state.blend_param, r.parameter) << r.outer;
      } else {
        ui::blend_guard inner(r.inner);
        EXPECT_EQ(media::gfx::draw_state.blend_param, r.parameter) << r.outer << " in " << r.inner;
      }
    }
    EXPECT_EQ(ui::current_blend().parameter, r.start_parameter);
  }
  EXPECT_EQ(ui::current_blend().mode, 0);
  EXPECT_EQ(ui::current_blend().parameter, 255);
  EXPECT_EQ(media::gfx::draw_state.blend_mode, 0);
  EXPECT_EQ(media::gfx::draw_state.blend_param, 255);
}

// A font lives while a style uses it: the last style letting go erases the
// cache entry.
TEST_F(Drawing, FontCacheKeepsAFontWhileAStyleUsesIt) {
  const ui::font_spec big{24, "meiryo", 9, 2, 1};
  EXPECT_TRUE(ui::default_font_spec() == (ui::font_spec{20, "meiryo", 9, 2, 1}));
  EXPECT_EQ(ui::font_cache::get().max_load_factor(), 1.0f);
  {
    ui::text_style first(1, ui::font_cache::find_or_add(big, 5));
    {
      ui::text_style second(2, ui::font_cache::find_or_add(big, 6));
      EXPECT_EQ(second.font(), first.font());
      EXPECT_EQ(second.font()->handle, 5);
      EXPECT_EQ(second.font_size(), 24);
    }
    EXPECT_EQ(ui::font_cache::get().count(big), 1u);
    ui::text_style copy = first;
    copy = ui::text_style();  // gives up its reference, the first keeps it
    EXPECT_EQ(ui::font_cache::get().count(big), 1u);
    EXPECT_EQ(copy.font_size(), 20);
  }
  EXPECT_EQ(ui::font_cache::get().count(big), 0u);
  // different descriptions hash apart
  ui::font_spec_hash h;
  EXPECT_NE(h(big), h(ui::default_font_spec()));
}

}  // namespace
