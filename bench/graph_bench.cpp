// Graph handles on the software renderer against the work beneath them: a
// thousand 16 x 16 graphs drawn with DrawGraphAt beside the same blits made
// with BlitMemImg straight on their images (the handle look-up and the entry
// sequence are the difference), and a 256 x 256 PNG made into a graph with
// LoadGraphFile beside the loader alone reading it into an image buffer.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include <png.h>

#include "media/core/internal.hpp"
#include "media/core/log.hpp"
#include "media/graphics/convert.hpp"
#include "media/graphics/draw.hpp"
#include "media/graphics/graph.hpp"
#include "media/graphics/graph_files.hpp"
#include "media/graphics/internal.hpp"
#include "media/graphics/loaders/loader.hpp"
#include "media/graphics/startup.hpp"
#include "media/softrender/blend.hpp"
#include "media/softrender/blit_same.hpp"
#include "media/softrender/internal.hpp"
#include "media/softrender/memimg.hpp"

namespace {

constexpr int screen_w = 800, screen_h = 600, count = 1000;

// The state graphics start-up leaves on the software renderer, without a
// window to wait for.
void start()
{
    static bool ready = false;
    if (ready)
        return;
    SetLogOutputEnabled(0);
    media::core::reset_state();
    media::gfx::reset_state();
    media::soft::reset_state();
    media::gfx::screen_mode = {screen_w, screen_h, 32, 60};
    media::gfx::graphics.started = 1;
    media::core::window_state.started = 1;
    CreateScreenMemImg(&media::gfx::graphics.screen_image, screen_w, screen_h, -1);
    BuildMemImgBlendTables();
    media::soft::set_mmx_enabled(1);
    auto& s = media::gfx::draw_state;
    s.target = -2;
    s.target_width = screen_w;
    s.target_height = screen_h;
    s.target_image = &media::gfx::graphics.screen_image;
    s.area = {0, 0, screen_w, screen_h};
    s.draw_bright = 0xFFFFFF;
    s.blend_graph = -1;
    ready = true;
}

std::vector<int> small_graphs()
{
    start();
    std::vector<int> graphs;
    for (int i = 0; i < count; ++i) {
        const int g = MakeGraphOfSize(16, 16);
        FillMemImgRect(&GetGraphRecord(g)->image, nullptr, 0xFF000000u | static_cast<std::uint32_t>(i * 2654435761u));
        graphs.push_back(g);
    }
    return graphs;
}

void release(const std::vector<int>& graphs)
{
    for (int g : graphs)
        DeleteGraphHandle(g);
}

void BM_draw_graph_at(benchmark::State& state)
{
    const std::vector<int> graphs = small_graphs();
    for (auto _ : state)
        for (int i = 0; i < count; ++i)
            DrawGraphAt((i * 37) % (screen_w - 16), (i * 53) % (screen_h - 16), graphs[i], 1);
    state.SetItemsProcessed(state.iterations() * count);
    release(graphs);
}
BENCHMARK(BM_draw_graph_at);

void BM_blit_mem_img(benchmark::State& state)
{
    const std::vector<int> graphs = small_graphs();
    std::vector<MEMIMG*> images;
    for (int g : graphs)
        images.push_back(&GetGraphRecord(g)->image);
    MEMIMG* screen = &media::gfx::graphics.screen_image;
    for (auto _ : state)
        for (int i = 0; i < count; ++i)
            BlitMemImg(screen, images[i], (i * 37) % (screen_w - 16), (i * 53) % (screen_h - 16), 1, nullptr);
    state.SetItemsProcessed(state.iterations() * count);
    release(graphs);
}
BENCHMARK(BM_blit_mem_img);

// A 256 x 256 RGB PNG of a smooth pattern in the temporary folder.
const std::string& png_path()
{
    static const std::string path = [] {
        std::string p = std::string(P_tmpdir) + "/zentil_graph_bench.png";
        FILE* f = std::fopen(p.c_str(), "wb");
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_init_io(png, f);
        png_set_IHDR(png, info, 256, 256, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        std::vector<png_byte> row(256 * 3);
        for (int y = 0; y < 256; ++y) {
            for (int x = 0; x < 256; ++x) {
                row[x * 3] = static_cast<png_byte>(x);
                row[x * 3 + 1] = static_cast<png_byte>(y);
                row[x * 3 + 2] = static_cast<png_byte>(x ^ y);
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return p;
    }();
    return path;
}

void BM_load_graph_file(benchmark::State& state)
{
    start();
    const std::string& path = png_path();
    for (auto _ : state) {
        const int g = LoadGraphFile(path.c_str(), 0);
        benchmark::DoNotOptimize(g);
        DeleteGraphHandle(g);
    }
}
BENCHMARK(BM_load_graph_file);

void BM_load_image_buffer(benchmark::State& state)
{
    start();
    const std::string& path = png_path();
    for (auto _ : state) {
        IMGBUF image{};
        LoadImageBuffer(path.c_str(), nullptr, 0, 0, 0, 0, &image, nullptr, nullptr);
        benchmark::DoNotOptimize(image.pixels);
        ReleaseImageBuffer(&image);
    }
}
BENCHMARK(BM_load_image_buffer);

}  // namespace

namespace {

// The image already decoded: the graph made from it (MakeGraphFromImage:
// the body's block and the conversion into it) beside the conversion alone
// into a block kept warm.
void BM_make_graph_from_image(benchmark::State& state)
{
    start();
    IMGBUF image{};
    LoadImageBuffer(png_path().c_str(), nullptr, 0, 0, 0, 0, &image, nullptr, nullptr);
    for (auto _ : state) {
        const int g = MakeGraphFromImage(&image, nullptr, 0, 0, 0);
        benchmark::DoNotOptimize(g);
        DeleteGraphHandle(g);
    }
    ReleaseImageBuffer(&image);
}
BENCHMARK(BM_make_graph_from_image);

void BM_convert_image(benchmark::State& state)
{
    start();
    IMGBUF image{};
    LoadImageBuffer(png_path().c_str(), nullptr, 0, 0, 0, 0, &image, nullptr, nullptr);
    const PIXFMT* format = GetMemImgPixelFormat(1, 0, 0);
    std::vector<unsigned char> out(256 * 256 * 4);
    const RECT whole{0, 0, 256, 256};
    for (auto _ : state) {
        ConvertPixelRect(out.data(), 256 * 4, format, image.pixels, image.pitch, &image.format, nullptr, 0, nullptr, 0,
                         0, &whole, 0, 1, 0xFF000000u, 0, 0, 0, 0, 0);
        benchmark::DoNotOptimize(out.data());
    }
    ReleaseImageBuffer(&image);
}
BENCHMARK(BM_convert_image);

}  // namespace
