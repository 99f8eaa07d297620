// Archives: the key over 16 MiB against memcpy of the same bytes; the packed
// data decoder on 1 MiB and 16 MiB of text-like and image-like data packed
// by the tests' writer, against zlib's inflate of the same data deflated; an
// open and close of a plain file six folders deep through the archive-aware
// file access against the plain set; a 1920 x 1080 PNG loaded as a graph
// from an archive against the same file on disk.
#include <benchmark/benchmark.h>

#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <png.h>

#include "media/core/archive.hpp"
#include "media/core/internal.hpp"
#include "media/core/log.hpp"
#include "media/core/stream.hpp"
#include "media/graphics/graph.hpp"
#include "media/graphics/graph_files.hpp"
#include "media/graphics/internal.hpp"
#include "media/graphics/startup.hpp"
#include "media/softrender/blend.hpp"
#include "media/softrender/internal.hpp"
#include "media/softrender/memimg.hpp"
#include "tests/media/core/archive_writer.hpp"

namespace {

constexpr std::size_t mib = std::size_t{1} << 20;

// ---- the key ----

void BM_apply_key(benchmark::State& state)
{
    std::vector<unsigned char> buffer(16 * mib, 0x5A);
    unsigned char key[ARCHIVE_KEY_SIZE];
    BuildArchiveKey(nullptr, key);
    for (auto _ : state) {
        ApplyArchiveKey(static_cast<int>(buffer.size()), buffer.data(), 0, key);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buffer.size()));
}
BENCHMARK(BM_apply_key)->Unit(benchmark::kMillisecond);

void BM_memcpy_16mib(benchmark::State& state)
{
    std::vector<unsigned char> from(16 * mib, 0x5A), to(16 * mib);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), to.size());
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * to.size()));
}
BENCHMARK(BM_memcpy_16mib)->Unit(benchmark::kMillisecond);

// ---- packed data against deflate ----

// Arg 0: text-like, 1: image-like; arg 1: MiB.
std::string sample(const benchmark::State& state)
{
    const std::size_t bytes = static_cast<std::size_t>(state.range(1)) * mib;
    return state.range(0) == 0 ? archive_test::text_like(bytes, 11) : archive_test::image_like(bytes, 12, 1024);
}

void BM_decompress_archive_data(benchmark::State& state)
{
    const std::string data = sample(state);
    const std::string packed = archive_test::pack(data);
    std::vector<unsigned char> out(data.size());
    if (DecompressArchiveData(packed.data(), out.data()) != static_cast<int>(data.size()) ||
        std::memcmp(out.data(), data.data(), data.size()) != 0) {
        state.SkipWithError("the round trip differs");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(DecompressArchiveData(packed.data(), out.data()));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
    state.counters["ratio"] = static_cast<double>(packed.size()) / static_cast<double>(data.size());
    state.SetLabel(state.range(0) == 0 ? "text" : "image");
}
BENCHMARK(BM_decompress_archive_data)->Args({0, 1})->Args({1, 1})->Args({0, 16})->Args({1, 16})
    ->Unit(benchmark::kMillisecond);

void BM_zlib_inflate(benchmark::State& state)
{
    const std::string data = sample(state);
    uLongf packed_size = compressBound(static_cast<uLong>(data.size()));
    std::vector<unsigned char> packed(packed_size);
    if (compress2(packed.data(), &packed_size, reinterpret_cast<const Bytef*>(data.data()),
                  static_cast<uLong>(data.size()), Z_DEFAULT_COMPRESSION) != Z_OK) {
        state.SkipWithError("deflate failed");
        return;
    }
    std::vector<unsigned char> out(data.size());
    for (auto _ : state) {
        uLongf out_size = static_cast<uLongf>(out.size());
        if (uncompress(out.data(), &out_size, packed.data(), packed_size) != Z_OK || out_size != data.size()) {
            state.SkipWithError("inflate failed");
            break;
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
    state.counters["ratio"] = static_cast<double>(packed_size) / static_cast<double>(data.size());
    state.SetLabel(state.range(0) == 0 ? "text" : "image");
}
BENCHMARK(BM_zlib_inflate)->Args({0, 1})->Args({1, 1})->Args({0, 16})->Args({1, 16})->Unit(benchmark::kMillisecond);

// ---- the archive-aware file access ----

constexpr int picture_w = 1920, picture_h = 1080;

void write_file(const std::filesystem::path& path, const std::string& bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void png_bytes(png_structp png, png_bytep data, png_size_t length)
{
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

void png_flush(png_structp) {}

// A photograph-like 1920 x 1080 PNG: gradients, soft rings and a little noise.
std::string make_png()
{
    std::mt19937 r(20240611);
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) != 0)
        std::abort();
    png_set_write_fn(png, &out, png_bytes, png_flush);
    png_set_IHDR(png, info, picture_w, picture_h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<unsigned char> row(picture_w * 3);
    for (int y = 0; y < picture_h; ++y) {
        for (int x = 0; x < picture_w; ++x) {
            const int dx = x - 900, dy = y - 500, ring = ((dx * dx + dy * dy) / 4000) % 64;
            const int v[3] = {x * 255 / picture_w + ring, y * 255 / picture_h,
                              ((x / 120 + y / 90) % 2 != 0 ? 180 : 60) - ring};
            for (int c = 0; c < 3; ++c)
                row[static_cast<std::size_t>(x) * 3 + c] =
                    static_cast<unsigned char>(std::clamp(v[c] + static_cast<int>(r() % 13) - 6, 0, 255));
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

// A temporary folder made current, holding "t/a/b/c/d/e/f.txt" (no archive
// anywhere), "plain/picture.png" and "pics/picture.png" with "PICS.DXA"
// holding the same PNG stored as is; the media layer started on a 32-bit
// software screen without a window.
struct files {
    std::filesystem::path folder, previous;

    files()
    {
        SetLogOutputEnabled(0);
        media::core::reset_state();
        media::gfx::reset_state();
        media::soft::reset_state();
        media::gfx::screen_mode = {800, 600, 32, 60};
        media::gfx::graphics.started = 1;
        media::core::window_state.started = 1;
        CreateScreenMemImg(&media::gfx::graphics.screen_image, 800, 600, -1);
        BuildMemImgBlendTables();
        auto& s = media::gfx::draw_state;
        s.target = -2;
        s.target_width = 800;
        s.target_height = 600;
        s.target_image = &media::gfx::graphics.screen_image;
        s.area = {0, 0, 800, 600};
        s.draw_bright = 0xFFFFFF;
        s.blend_graph = -1;
        folder = std::filesystem::temp_directory_path() /
                 ("zentil_archive_bench_" + std::to_string(static_cast<unsigned long>(std::random_device{}())));
        write_file(folder / "t/a/b/c/d/e/f.txt", "a plain file");
        const std::string png = make_png();
        write_file(folder / "plain/picture.png", png);
        write_file(folder / "PICS.DXA",
                   archive_test::keyed(archive_test::plain_archive(
                       archive_test::folder("", {archive_test::file("picture.png", png)}))));
        write_file(folder / "pics/placeholder", "");
        previous = std::filesystem::current_path();
        std::filesystem::current_path(folder);
    }
    ~files()
    {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(folder);
    }
};

files& fixture()
{
    static files f;
    return f;
}

// Arg 1: the archive-aware set; 0: the plain set.
void BM_open_close_six_deep(benchmark::State& state)
{
    fixture();
    SelectFileAccessOps(state.range(0) != 0 ? nullptr : &media::core::plain_file_ops);
    for (auto _ : state) {
        void* s = OpenFileStream("t/a/b/c/d/e/f.txt", 0, 0, 0);
        if (s == nullptr) {
            state.SkipWithError("the open failed");
            break;
        }
        CloseFileStream(s);
    }
    SelectFileAccessOps(nullptr);
    state.SetLabel(state.range(0) != 0 ? "archive-aware" : "plain");
}
BENCHMARK(BM_open_close_six_deep)->Arg(1)->Arg(0);

// Arg 1: from "PICS.DXA"; 0: the plain file.
void BM_load_graph_1920x1080(benchmark::State& state)
{
    fixture();
    const char* path = state.range(0) != 0 ? "pics/picture.png" : "plain/picture.png";
    for (auto _ : state) {
        const int g = LoadGraphFile(path, 0);
        if (g < 0) {
            state.SkipWithError("the load failed");
            break;
        }
        DeleteGraphHandle(g);
    }
    state.SetLabel(state.range(0) != 0 ? "archive" : "plain file");
}
BENCHMARK(BM_load_graph_1920x1080)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
