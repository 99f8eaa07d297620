// The program's frame over the seeded working folder of 10,000 entries: the
// root screen built as the program builds it (the tag database loaded, the
// skin and the wallpaper), on the headless backend, one frame per iteration
// as the program's loop runs it (input polled, clear, draw, flip, update),
// with no input. Cases: the list at rest at its top; the last row selected
// with the list scrolled to the end; the selection moving one row every
// frame (the tag list built again each time); the tag field being typed
// into. Then the parts of a frame alone, through the calls the screen makes
// (the wallpaper stretch, the skin blended at 191, the frame boxes, the
// strings, the clear and the flip), the start of the screen (the row list of
// 10,000 entries with the fit of each name), and two anchors the figures are
// given as ratios to: a plain fill and a plain copy of an 800 x 600 32-bit
// screen.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "bench/tool_fixture.hpp"
#include "media/core/window_services.hpp"
#include "media/graphics/drawstate.hpp"
#include "media/graphics/present.hpp"
#include "platform/fs/filesystem.hpp"
#include "platform/headless/headless.hpp"
#include "platform/headless/steps.hpp"
#include "platform/platform.hpp"
#include "tool/zentil/p_root.hpp"
#include "tool/zentil/shared.hpp"
#include "ui/drawing.hpp"
#include "ui/frame.hpp"
#include "ui/input.hpp"

namespace {

using tool::zentil::p_directory;

constexpr int W = ui::screen_width, H = ui::screen_height;

using bench_fixture::workspace;

// The program's objects in the order its entry makes them: the start-up
// process (the media layer), the application object with its tag database,
// the root screen.
struct program {
  workspace here;
  std::unique_ptr<tool::zentil::p_init> init;
  std::unique_ptr<tool::zentil::shared> app;
  std::unique_ptr<tool::zentil::p_root> root;

  program() {
    if (platform::select_backend("headless") < 0) throw std::runtime_error("no headless backend");
    // the start measures the processor against the clock, which the
    // headless backend moves only when it is read
    platform::headless::set_clock_step(1);
    init = std::make_unique<tool::zentil::p_init>();
    platform::headless::set_clock_step(0);
    app = std::make_unique<tool::zentil::shared>();
    app->load_tag_database(L"system.txt");
    root = std::make_unique<tool::zentil::p_root>(*app);
  }
};

program& the_program() {
  static program* p = [] {
    try {
      return new program;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "tool_frame_bench: the program did not start: %s\n", e.what());
      std::exit(1);
    }
  }();
  return *p;
}

p_directory& screen() { return the_program().root->screen; }
ui::list<p_directory::path>& rows() { return *screen().rows; }

// One turn of the program's frame loop; kept out of line so that a profile
// can take the frames apart from the set-up.
[[gnu::noinline]] void frame() {
  tool::zentil::p_root& root = *the_program().root;
  ui::input::update();
  ClearDrawTarget();
  root.draw();
  FlipDrawScreen();
  root.update();
  ClearDroppedFiles();
}

// Selects row index with the list scrolled so that it is the top row (or
// the list at its end), the scroll bar settled.
void select_row(unsigned index) {
  ui::list<p_directory::path>& list = rows();
  list.selection = index;
  ui::scroll::vscroll& bar = list.bar->child();
  bar.target = std::min(index * static_cast<unsigned>(list.row_height + list.row_gap), bar.max_offset());
  bar.current = bar.target;
}

// Back to the start state: the first row selected, the list at its top, the
// tag list of that row built, nothing queued.
void at_rest() {
  platform::headless::clear_steps();
  select_row(0);
  for (int i = 0; i < 3; ++i) frame();
}

void BM_frame_at_rest(benchmark::State& state) {
  at_rest();
  for (auto _ : state) frame();
}
BENCHMARK(BM_frame_at_rest)->Unit(benchmark::kMicrosecond);

void BM_frame_at_end(benchmark::State& state) {
  at_rest();
  select_row(static_cast<unsigned>(rows().rows.size()) - 1);
  for (int i = 0; i < 3; ++i) frame();
  for (auto _ : state) frame();
  state.counters["selection"] = rows().selection;
  state.counters["at_end"] = rows().bar->child().current == rows().bar->child().max_offset();
}
BENCHMARK(BM_frame_at_end)->Unit(benchmark::kMicrosecond);

// The selection one row further down before every frame, brought into view
// as the Down key brings it (the bar then glides toward it); the screen sees
// another selected path and builds its tag list again. From the middle of
// the list, over 100 rows, then back.
void BM_frame_selection_moving(benchmark::State& state) {
  at_rest();
  const unsigned first = static_cast<unsigned>(rows().rows.size()) / 2, span = 100;
  select_row(first);
  frame();
  unsigned step = 0;
  std::size_t rebuilt = 0, frames = 0;
  for (auto _ : state) {
    ui::list<p_directory::path>& list = rows();
    step = (step + 1) % span;
    list.selection = first + step;
    ui::scroll::vscroll& bar = list.bar->child();
    const unsigned pitch = static_cast<unsigned>(list.row_height + list.row_gap);
    const int top = static_cast<int>(list.selection) - list.visible_rows + 1;
    if (step == 0)
      select_row(first);
    else
      bar.target = std::min(top > 0 ? static_cast<unsigned>(top) * pitch : 0u, bar.max_offset());
    frame();
    ++frames;
    if (screen().shown == list.rows[list.selection].get_path()) ++rebuilt;
  }
  // 1 when every frame showed the tags of the row it selected
  state.counters["rebuilt"] = frames ? static_cast<double>(rebuilt) / static_cast<double>(frames) : 0.0;
}
BENCHMARK(BM_frame_selection_moving)->Unit(benchmark::kMicrosecond);

// The first folder row selected at the top of the list, a click on its tag
// field, then one character typed every frame, "a" and Backspace in turn.
void BM_frame_tag_editing(benchmark::State& state) {
  at_rest();
  tool::zentil::shared& app = *the_program().app;
  unsigned folder = 0;
  std::error_code ec;
  while (folder < rows().rows.size() &&
         platform::fs::status(rows().rows[folder].get_path(), ec) != platform::fs::entry_kind::folder)
    ++folder;
  if (folder == rows().rows.size()) return state.SkipWithError("no folder row");
  select_row(folder);
  frame();
  // the row at (10, 10); a click 50 pixels into its field right of "Add"
  platform::headless::step click;
  click.kind = platform::headless::step_kind::click;
  click.x = 10 + 62 + app.button_add.width + 50;
  click.y = 10 + 10 + 10;
  platform::headless::queue_step(click);
  for (int i = 0; i < 4; ++i) frame();
  if (!app.form_tag.child().is_editing()) return state.SkipWithError("the tag field did not start editing");
  bool backspace = false;
  for (auto _ : state) {
    if (platform::headless::steps_done()) {
      platform::headless::step type;
      type.kind = platform::headless::step_kind::type;
      type.text = backspace ? L"\b" : L"a";
      backspace = !backspace;
      platform::headless::queue_step(type);
    }
    frame();
  }
  state.counters["editing"] = app.form_tag.child().is_editing();
  // the edit ends with Enter, the text typed left as it is
  platform::headless::step enter;
  enter.kind = platform::headless::step_kind::type;
  enter.text = L"\n";
  platform::headless::queue_step(enter);
  for (int i = 0; i < 4; ++i) frame();
}
BENCHMARK(BM_frame_tag_editing)->Unit(benchmark::kMicrosecond);

// ---- the parts of a frame, each alone ----

void BM_part_clear(benchmark::State& state) {
  at_rest();
  for (auto _ : state) ClearDrawTarget();
}
BENCHMARK(BM_part_clear)->Unit(benchmark::kMicrosecond);

void BM_part_flip(benchmark::State& state) {
  at_rest();
  for (auto _ : state) FlipDrawScreen();
}
BENCHMARK(BM_part_flip)->Unit(benchmark::kMicrosecond);

void BM_part_wallpaper(benchmark::State& state) {
  at_rest();
  tool::zentil::shared& app = *the_program().app;
  for (auto _ : state) app.wallpaper.draw(0, 0);
}
BENCHMARK(BM_part_wallpaper)->Unit(benchmark::kMicrosecond);

void BM_part_skin_blend(benchmark::State& state) {
  at_rest();
  tool::zentil::shared& app = *the_program().app;
  for (auto _ : state) {
    ui::blend_guard blend(0.75);
    app.skin.draw(0, 0);
  }
}
BENCHMARK(BM_part_skin_blend)->Unit(benchmark::kMicrosecond);

// The boxes of a frame at rest: the five rows' (as the rows draw them) and
// those of the framed widgets (scroll bar, tag list, buttons, fields,
// title) at their places, without what is inside them.
void BM_part_frame_boxes(benchmark::State& state) {
  at_rest();
  tool::zentil::shared& app = *the_program().app;
  p_directory& s = screen();
  ui::list<p_directory::path>& list = rows();
  std::vector<ui::rect> boxes;
  std::vector<int> colours;
  const int row_colour = static_cast<int>(PackScreenColor(16, 16, 16));
  const int selected_colour = static_cast<int>(PackScreenColor(52, 52, 52));
  for (int i = 0; i < list.visible_rows; ++i) {
    const int y = 10 + i * (list.row_height + list.row_gap);
    boxes.push_back({10, y, 10 + p_directory::row_width, y + list.row_height});
    colours.push_back(i == 0 ? selected_colour : row_colour);
  }
  auto add = [&](const ui::widget& w, int x, int y) {
    boxes.push_back({x, y, x + w.width, y + w.height});
    colours.push_back(ui::frame_colour());
  };
  add(*list.bar, 10 + list.width - list.bar->width, 10);
  if (s.tag_list) add(*s.tag_list, list.width + 20, 10);
  add(app.button_add, 10 + 52, 10 + 10);
  add(app.form_tag, 10 + 62 + app.button_add.width, 10 + 10);
  add(app.button_derive, 10 + 52, 10 + 12 + app.button_add.height);
  int y = list.height + 20;
  add(app.button_refresh, 10, y);
  y += app.button_refresh.height + 10;
  add(app.form_search, 10, y);
  add(app.button_search, app.form_search.width + 20, y);
  y += app.button_search.height + 10;
  add(app.form_folder, 10, y);
  add(app.button_make_folder, app.form_folder.width + 20, y);
  add(*s.title, 10, H - s.title->height - 10);
  state.counters["boxes"] = static_cast<double>(boxes.size());
  for (auto _ : state)
    for (std::size_t i = 0; i < boxes.size(); ++i) ui::draw_frame_box(boxes[i], colours[i]);
}
BENCHMARK(BM_part_frame_boxes)->Unit(benchmark::kMicrosecond);

// The five visible rows' names and the title line, drawn by their text
// widgets where the screen draws them.
void BM_part_strings(benchmark::State& state) {
  at_rest();
  p_directory& s = screen();
  ui::list<p_directory::path>& list = rows();
  std::vector<const ui::text*> names;
  for (int i = 0; i < list.visible_rows; ++i)
    if (list.rows[i].name) names.push_back(list.rows[i].name.get());
  const ui::text& title = s.title->child();
  for (auto _ : state) {
    for (std::size_t i = 0; i < names.size(); ++i)
      names[i]->draw_at(20, 10 + static_cast<int>(i) * (list.row_height + list.row_gap) + 52);
    title.draw_at(20, H - s.title->height);
  }
}
BENCHMARK(BM_part_strings)->Unit(benchmark::kMicrosecond);

// The whole draw of a frame at rest without the clear and the flip.
void BM_part_screen_draw(benchmark::State& state) {
  at_rest();
  tool::zentil::p_root& root = *the_program().root;
  for (auto _ : state) root.draw();
}
BENCHMARK(BM_part_screen_draw)->Unit(benchmark::kMicrosecond);

// The update of a frame at rest, no input.
void BM_part_screen_update(benchmark::State& state) {
  at_rest();
  tool::zentil::p_root& root = *the_program().root;
  for (auto _ : state) root.update();
}
BENCHMARK(BM_part_screen_update)->Unit(benchmark::kMicrosecond);

// ---- the start of the screen ----

// The directory screen on the root folder as the root screen builds it: the
// listing in name order, then a row per entry with its status, the fit of
// its name and its icon.
void BM_screen_start(benchmark::State& state) {
  tool::zentil::shared& app = *the_program().app;
  std::size_t count = 0;
  for (auto _ : state) {
    p_directory built(app, app.root_folder, false);
    count = built.rows ? built.rows->rows.size() : 0;
  }
  state.counters["rows"] = static_cast<double>(count);
}
BENCHMARK(BM_screen_start)->Unit(benchmark::kMillisecond);

// ---- anchors ----

void BM_anchor_screen_fill(benchmark::State& state) {
  std::vector<std::uint32_t> screen(static_cast<std::size_t>(W) * H);
  std::uint32_t colour = 0;
  for (auto _ : state) {
    std::fill(screen.begin(), screen.end(), colour++);
    benchmark::DoNotOptimize(screen.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_anchor_screen_fill)->Unit(benchmark::kMicrosecond);

void BM_anchor_screen_copy(benchmark::State& state) {
  std::vector<std::uint32_t> from(static_cast<std::size_t>(W) * H, 0x404040u), to(from.size());
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), from.size() * sizeof(std::uint32_t));
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_anchor_screen_copy)->Unit(benchmark::kMicrosecond);

}  // namespace
