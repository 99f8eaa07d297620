// The root screen's frames over the seeded working folder of 10,000 entries
// (clear, draw, flip, update, as the program's loop runs them): at rest, with
// the last row selected and the list scrolled to the end, and with the
// selection moving one row a frame; the list's own draw and update alone at
// both ends; and an anchor, a plain walk over the same rows adding up their
// heights, that the figures are given as ratios to.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "bench/tool_fixture.hpp"
#include "dx/windows.hpp"
#include "media/core/window_services.hpp"
#include "media/graphics/present.hpp"
#include "platform/platform.hpp"
#include "tool/zentil/p_root.hpp"
#include "tool/zentil/shared.hpp"
#include "ui/input.hpp"

namespace {

using bench_fixture::workspace;

// The media layer on the headless backend, the application object and the
// root screen over the fixture's "root", made once.
struct program {
  workspace here;
  std::unique_ptr<tool::zentil::shared> owner;
  std::unique_ptr<tool::zentil::p_root> root;

  program() {
    if (platform::select_backend("headless") < 0) throw std::runtime_error("no headless backend");
    dx::windows::initialize();
    owner.reset(new tool::zentil::shared);
    root.reset(new tool::zentil::p_root(*owner));
  }
};

program* started() {
  static program* p = [] {
    try {
      return new program;
    } catch (const std::exception&) {
      return static_cast<program*>(nullptr);
    }
  }();
  return p;
}

// One frame as the program's loop runs it. The profiles collect the out of
// line copies below; the warm-up frames before each timed loop use this one,
// inlined, so that the first frame's work (glyphs rendered, offsets built)
// stays out of the counts.
__attribute__((always_inline)) inline void run_frame(tool::zentil::p_root& root) {
  ClearDrawTarget();
  root.draw();
  FlipDrawScreen();
  root.update();
  ClearDroppedFiles();
  ui::input::update();
}

__attribute__((noinline)) void frame(tool::zentil::p_root& root) { run_frame(root); }

// Selects row i and scrolls it into view at the bottom, as Down does, with
// the glide already over.
void select_row(ui::list<tool::zentil::p_directory::path>& rows, unsigned i) {
  rows.selection = i;
  ui::scroll::vscroll& b = rows.bar->child();
  const int first = static_cast<int>(i) - rows.visible_rows + 1;
  const unsigned pitch = static_cast<unsigned>(rows.row_height + rows.row_gap);
  b.target = std::min(first > 0 ? static_cast<unsigned>(first) * pitch : 0u, b.max_offset());
  b.current = b.target;
}

#define NEED_ROWS(p)                                                            \
  if (!(p) || !(p)->root->screen.rows)                                          \
    return state.SkipWithError("the root screen over the fixture did not start"); \
  auto& rows = *(p)->root->screen.rows

__attribute__((noinline)) long long walk_rows(const ui::list<tool::zentil::p_directory::path>& rows) {
  long long sum = 0;
  for (const auto& row : rows.rows) sum += row.height + rows.row_gap;
  return sum;
}

void BM_anchor_walk(benchmark::State& state) {
  program* p = started();
  NEED_ROWS(p);
  for (auto _ : state) benchmark::DoNotOptimize(walk_rows(rows));
}
BENCHMARK(BM_anchor_walk)->Unit(benchmark::kMicrosecond);

void BM_root_frame_rest(benchmark::State& state) {
  program* p = started();
  NEED_ROWS(p);
  select_row(rows, 0);
  run_frame(*p->root);
  for (auto _ : state) frame(*p->root);
}
BENCHMARK(BM_root_frame_rest)->Unit(benchmark::kMicrosecond);

void BM_root_frame_end(benchmark::State& state) {
  program* p = started();
  NEED_ROWS(p);
  select_row(rows, static_cast<unsigned>(rows.rows.size() - 1));
  run_frame(*p->root);
  for (auto _ : state) frame(*p->root);
}
BENCHMARK(BM_root_frame_end)->Unit(benchmark::kMicrosecond);

// The tag list is built again in each frame for the newly selected row.
void BM_root_frame_moving(benchmark::State& state) {
  program* p = started();
  NEED_ROWS(p);
  const unsigned n = static_cast<unsigned>(rows.rows.size());
  unsigned i = 0;
  run_frame(*p->root);
  for (auto _ : state) {
    select_row(rows, i);
    frame(*p->root);
    i = (i + 1) % n;
  }
}
BENCHMARK(BM_root_frame_moving)->Unit(benchmark::kMicrosecond);

// The list alone: its draw and update, out of line for a profile.
__attribute__((noinline)) void list_frame(ui::list<tool::zentil::p_directory::path>& rows) {
  const ui::rect clip{0, 0, ui::screen_width, ui::screen_height};
  rows.draw(10, 10);
  rows.update(10, 10, clip);
}

// The list alone (its rows' drawing and input), at the start and at the end.
void BM_list_draw_update(benchmark::State& state) {
  program* p = started();
  NEED_ROWS(p);
  select_row(rows, state.range(0) == 0 ? 0u : static_cast<unsigned>(rows.rows.size() - 1));
  rows.draw(10, 10);
  rows.update(10, 10, {0, 0, ui::screen_width, ui::screen_height});
  for (auto _ : state) list_frame(rows);
}
BENCHMARK(BM_list_draw_update)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
