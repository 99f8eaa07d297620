// One frame of the milestone scene on the headless backend: the media layer
// started as the demo starts it, the three pictures loaded, the glyph cache
// warm; the scene drawn into the 800 x 600 x 32 back screen, and once more
// with the flip that hands the frame over. The anchor is a plain loop that
// writes every pixel of a screen of that size once.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "media/graphics/present.hpp"
#include "platform/platform.hpp"
#include "tests/milestone/scene.hpp"

namespace {

const milestone::pictures& scene()
{
    static milestone::pictures p;
    static bool ready = false;
    if (ready) return p;
    if (platform::select_backend("headless") < 0 || milestone::start("frame bench") < 0 ||
        milestone::load(MILESTONE_PICTURES, p) < 0) {
        std::fputs("frame_bench: the scene did not start\n", stderr);
        std::exit(1);
    }
    milestone::draw(p);  // the glyphs into the cache
    ready = true;
    return p;
}

void BM_scene_draw(benchmark::State& state)
{
    const milestone::pictures& p = scene();
    for (auto _ : state) {
        milestone::draw(p);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_scene_draw)->Unit(benchmark::kMicrosecond);

void BM_scene_draw_flip(benchmark::State& state)
{
    const milestone::pictures& p = scene();
    for (auto _ : state) {
        milestone::draw(p);
        FlipDrawScreen();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_scene_draw_flip)->Unit(benchmark::kMicrosecond);

void BM_screen_fill_loop(benchmark::State& state)
{
    std::vector<std::uint32_t> screen(static_cast<std::size_t>(milestone::screen_width) * milestone::screen_height);
    std::uint32_t colour = 0;
    for (auto _ : state) {
        std::fill(screen.begin(), screen.end(), colour++);
        benchmark::DoNotOptimize(screen.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_screen_fill_loop)->Unit(benchmark::kMicrosecond);

}  // namespace
