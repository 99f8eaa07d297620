// The image loaders on a 1920 x 1080 picture: LoadImageBuffer of a PNG and a
// JPEG, from memory and from a file, beside the PNG and JPEG libraries called
// directly on the same bytes into a plain buffer (the same B, G, R output,
// the libraries' own memory and stdio sources). The picture comes from a
// fixed seed; the benchmark encodes it once, writes the files into a
// temporary folder and checks once that both roads give the same pixels.
#include <benchmark/benchmark.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "media/core/internal.hpp"
#include "media/core/log.hpp"
#include "media/core/stream.hpp"
#include "media/graphics/internal.hpp"
#include "media/graphics/loaders/loader.hpp"
#include "media/graphics/pixfmt.hpp"

namespace {

constexpr int picture_w = 1920, picture_h = 1080;

// A photograph-like picture in B, G, R rows: smooth gradients and soft
// shapes with a little noise, so that both encoders have work of the usual
// kind (a picture of pure noise would measure the entropy coder alone).
std::vector<unsigned char> make_picture()
{
    std::mt19937 r(20240611);
    std::uniform_int_distribution<int> noise(-6, 6);
    std::vector<unsigned char> bgr(static_cast<std::size_t>(picture_w) * picture_h * 3);
    for (int y = 0; y < picture_h; ++y) {
        for (int x = 0; x < picture_w; ++x) {
            const int dx = x - 900, dy = y - 500;
            const int ring = ((dx * dx + dy * dy) / 4000) % 64;
            int red = x * 255 / picture_w + ring;
            int green = y * 255 / picture_h;
            int blue = ((x / 120 + y / 90) % 2 != 0 ? 180 : 60) - ring;
            unsigned char* p = &bgr[(static_cast<std::size_t>(y) * picture_w + x) * 3];
            const int v[3] = {blue, green, red};
            for (int c = 0; c < 3; ++c) {
                const int n = v[c] + noise(r);
                p[c] = static_cast<unsigned char>(n < 0 ? 0 : n > 255 ? 255 : n);
            }
        }
    }
    return bgr;
}

void write_png_bytes(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flush_nothing(png_structp) {}

std::vector<unsigned char> encode_png(const std::vector<unsigned char>& bgr)
{
    std::vector<unsigned char> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) != 0)
        std::abort();
    png_set_write_fn(png, &out, write_png_bytes, flush_nothing);
    png_set_IHDR(png, info, picture_w, picture_h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_bgr(png);
    for (int y = 0; y < picture_h; ++y)
        png_write_row(png, &bgr[static_cast<std::size_t>(y) * picture_w * 3]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::vector<unsigned char> encode_jpeg(const std::vector<unsigned char>& bgr)
{
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = picture_w;
    info.image_height = picture_h;
    info.input_components = 3;
    info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<unsigned char*>(&bgr[static_cast<std::size_t>(info.next_scanline) * picture_w * 3]);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<unsigned char> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

// ---- the libraries called directly ----

struct memory_reader {
    const unsigned char* at;
    std::size_t left;
};

void read_png_memory(png_structp png, png_bytep data, png_size_t length)
{
    auto* m = static_cast<memory_reader*>(png_get_io_ptr(png));
    if (length > m->left)
        png_error(png, "short");
    std::memcpy(data, m->at, length);
    m->at += length;
    m->left -= length;
}

// Decodes into out (B, G, R rows); from the bytes, or from the file when
// path is given. The row pointers are made once per call, as a plain program
// would.
bool libpng_decode(const std::vector<unsigned char>& bytes, const char* path, std::vector<unsigned char>& out)
{
    std::FILE* file = nullptr;
    if (path != nullptr && (file = std::fopen(path, "rb")) == nullptr)
        return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows;
    memory_reader reader{bytes.data(), bytes.size()};
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_read_struct(&png, &info, nullptr);
        if (file != nullptr)
            std::fclose(file);
        return false;
    }
    if (file != nullptr)
        png_init_io(png, file);
    else
        png_set_read_fn(png, &reader, read_png_memory);
    png_read_info(png, info);
    png_set_bgr(png);
    png_read_update_info(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const std::size_t row = png_get_rowbytes(png, info);
    out.resize(row * height);
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = out.data() + row * y;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    if (file != nullptr)
        std::fclose(file);
    return true;
}

bool libjpeg_decode(const std::vector<unsigned char>& bytes, const char* path, std::vector<unsigned char>& out)
{
    std::FILE* file = nullptr;
    if (path != nullptr && (file = std::fopen(path, "rb")) == nullptr)
        return false;
    jpeg_decompress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_decompress(&info);
    if (file != nullptr)
        jpeg_stdio_src(&info, file);
    else
        jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&info);
    const std::size_t row = static_cast<std::size_t>(info.output_width) * info.output_components;
    out.resize(row * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW at = out.data() + row * info.output_scanline;
        jpeg_read_scanlines(&info, &at, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    if (file != nullptr)
        std::fclose(file);
    return true;
}

// ---- the inputs, made once ----

struct inputs {
    std::vector<unsigned char> png, jpeg;
    std::filesystem::path folder;
    std::string png_path, jpeg_path;

    inputs()
    {
        SetLogOutputEnabled(0);
        media::core::reset_state();
        media::gfx::reset_state();
        SelectFileAccessOps(nullptr);
        const std::vector<unsigned char> picture = make_picture();
        png = encode_png(picture);
        jpeg = encode_jpeg(picture);
        folder = std::filesystem::temp_directory_path() /
                 ("zentil_loader_bench_" + std::to_string(static_cast<unsigned long>(std::random_device{}())));
        std::filesystem::create_directories(folder);
        png_path = (folder / "picture.png").string();
        jpeg_path = (folder / "picture.jpg").string();
        write(png_path, png);
        write(jpeg_path, jpeg);
        check(png, png_path, libpng_decode, "PNG");
        check(jpeg, jpeg_path, libjpeg_decode, "JPEG");
    }
    ~inputs() { std::filesystem::remove_all(folder); }

    static void write(const std::string& path, const std::vector<unsigned char>& bytes)
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0)
            std::abort();
    }

    // Both roads, from memory and from the file, give the same B, G, R rows.
    static void check(const std::vector<unsigned char>& bytes, const std::string& path,
                      bool (*plain)(const std::vector<unsigned char>&, const char*, std::vector<unsigned char>&),
                      const char* name)
    {
        for (int from_memory : {1, 0}) {
            std::vector<unsigned char> want;
            IMGBUF image{};
            const bool same =
                plain(bytes, from_memory != 0 ? nullptr : path.c_str(), want) &&
                LoadImageBuffer(path.c_str(), bytes.data(), static_cast<int>(bytes.size()), from_memory, 0, 0, &image,
                                nullptr, nullptr) == 0 &&
                image.width == picture_w && image.height == picture_h && image.format.pixel_bytes == 3 &&
                image.pitch == picture_w * 3 && std::memcmp(image.pixels, want.data(), want.size()) == 0;
            ReleaseImageBuffer(&image);
            if (!same) {
                std::fprintf(stderr, "%s: the loader and the library differ (%s)\n", name,
                             from_memory != 0 ? "memory" : "file");
                std::abort();
            }
        }
    }
};

inputs& data()
{
    static inputs d;
    return d;
}

void ours(benchmark::State& state, const std::vector<unsigned char>& bytes, const std::string& path)
{
    const int from_memory = static_cast<int>(state.range(0));
    for (auto _ : state) {
        IMGBUF image{};
        if (LoadImageBuffer(path.c_str(), bytes.data(), static_cast<int>(bytes.size()), from_memory, 0, 0, &image,
                            nullptr, nullptr) != 0) {
            state.SkipWithError("the loader refused the picture");
            break;
        }
        benchmark::DoNotOptimize(image.pixels);
        ReleaseImageBuffer(&image);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * picture_w * picture_h * 3);
    state.counters["file_bytes"] = static_cast<double>(bytes.size());
    state.SetLabel(from_memory != 0 ? "memory" : "file");
}

void plain(benchmark::State& state, const std::vector<unsigned char>& bytes, const std::string& path,
           bool (*decode)(const std::vector<unsigned char>&, const char*, std::vector<unsigned char>&))
{
    const bool from_memory = state.range(0) != 0;
    for (auto _ : state) {
        std::vector<unsigned char> out;
        if (!decode(bytes, from_memory ? nullptr : path.c_str(), out)) {
            state.SkipWithError("the library refused the picture");
            break;
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * picture_w * picture_h * 3);
    state.SetLabel(from_memory ? "memory" : "file");
}

void BM_load_png(benchmark::State& s) { ours(s, data().png, data().png_path); }
void BM_libpng(benchmark::State& s) { plain(s, data().png, data().png_path, libpng_decode); }
void BM_load_jpeg(benchmark::State& s) { ours(s, data().jpeg, data().jpeg_path); }
void BM_libjpeg(benchmark::State& s) { plain(s, data().jpeg, data().jpeg_path, libjpeg_decode); }
// Arg 1: from memory; 0: from the file
BENCHMARK(BM_load_png)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_libpng)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_load_jpeg)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_libjpeg)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
