// The prepared pictures: the painters and the two encoders.
#include "picture.hpp"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>
#include <png.h>

namespace tool::prepare {

namespace {

struct rgb {
    double r, g, b;
};

rgb mix(rgb a, rgb b, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

unsigned char channel(double v) { return static_cast<unsigned char>(std::lround(std::clamp(v, 0.0, 255.0))); }

picture paint(int width, int height, rgb (*pixel)(int, int))
{
    picture p;
    p.width = width;
    p.height = height;
    p.rgb.reserve(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const rgb c = pixel(x, y);
            p.rgb.push_back(channel(c.r));
            p.rgb.push_back(channel(c.g));
            p.rgb.push_back(channel(c.b));
        }
    return p;
}

// Distance from (x, y) to a rectangle with rounded corners, negative inside.
double rounded_box(int x, int y, int left, int top, int right, int bottom, double radius)
{
    const double cx = (left + right) / 2.0, cy = (top + bottom) / 2.0;
    const double hx = (right - left) / 2.0 - radius, hy = (bottom - top) / 2.0 - radius;
    const double dx = std::max(std::abs(x - cx) - hx, 0.0), dy = std::max(std::abs(y - cy) - hy, 0.0);
    const double outside = std::hypot(dx, dy);
    const double inside = std::min(std::max(std::abs(x - cx) - hx, std::abs(y - cy) - hy), 0.0);
    return outside + inside - radius;
}

// The skin's darkest channel value: every pixel keeps at least this in each
// channel, far above what the JPEG rounding moves.
constexpr double skin_floor = 28;

rgb skin_pixel(int x, int y)
{
    const double t = y / 599.0;
    rgb c = mix({48, 60, 96}, {30, 86, 98}, t);
    // a faint diagonal weave
    const double weave = ((x + y) / 6 + (x - y + 600) / 6) % 2 ? 2.5 : -2.5;
    c = {c.r + weave, c.g + weave, c.b + weave};
    // panels behind the rows, the tag list and the controls
    const int boxes[][4] = {{6, 6, 394, 478}, {398, 6, 794, 478}, {6, 482, 794, 594}};
    for (const auto& b : boxes) {
        const double d = rounded_box(x, y, b[0], b[1], b[2], b[3], 10);
        if (d < 0) c = mix(c, {110, 132, 170}, 0.22);
        if (std::abs(d + 0.5) < 1.0) c = mix(c, {170, 190, 220}, 0.5);
    }
    return {std::max(c.r, skin_floor), std::max(c.g, skin_floor), std::max(c.b, skin_floor)};
}

rgb wallpaper_pixel(int x, int y)
{
    const double horizon = 420;
    rgb c = mix({80, 56, 130}, {250, 168, 92}, y / horizon);
    const double sun = std::hypot(x - 560.0, y - 330.0);
    if (sun < 70) c = mix({255, 236, 170}, {255, 210, 130}, sun / 70);
    else c = mix(c, {255, 220, 150}, 0.45 * std::exp(-(sun - 70) / 60));
    const double far_hill = 400 - 40 * std::sin(x / 90.0) - 25 * std::sin(x / 37.0 + 1);
    const double near_hill = 470 - 50 * std::sin(x / 140.0 + 2) - 15 * std::sin(x / 45.0);
    if (y > far_hill) c = mix({120, 70, 110}, {90, 56, 96}, (y - far_hill) / 80);
    if (y > near_hill) c = mix({70, 44, 78}, {46, 32, 58}, (y - near_hill) / 150);
    return c;
}

rgb sample_pixel(int x, int y)
{
    const double horizon = 150;
    if (y < horizon) {
        rgb c = mix({70, 110, 190}, {250, 190, 120}, y / horizon);
        const double sun = std::hypot(x - 200.0, y - horizon);
        if (sun < 34) return {255, 240, 190};
        return mix(c, {255, 230, 160}, 0.6 * std::exp(-(sun - 34) / 30));
    }
    rgb c = mix({60, 90, 150}, {20, 40, 90}, (y - horizon) / 90.0);
    // the sun's path on the water, broken by ripples
    const double ripple = std::sin(y * 1.7 + x * 0.05);
    if (std::abs(x - 200.0) < 40 - (y - horizon) * 0.1 && ripple > 0.2) c = mix(c, {255, 220, 150}, 0.7);
    return c;
}

// libjpeg reports errors through a callback that must not return: it jumps
// back to the encoder with the message kept.
struct jpeg_failure {
    jpeg_error_mgr manager;
    std::jmp_buf back;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void jpeg_fail(j_common_ptr info)
{
    auto* failure = reinterpret_cast<jpeg_failure*>(info->err);
    info->err->format_message(info, failure->message);
    std::longjmp(failure->back, 1);
}

void png_append(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

}  // namespace

picture skin_picture() { return paint(800, 600, skin_pixel); }
picture wallpaper_picture() { return paint(800, 600, wallpaper_pixel); }
picture sample_picture() { return paint(320, 240, sample_pixel); }

bytes jpeg_file(const picture& p, int quality, std::string* error)
{
    jpeg_compress_struct info;
    jpeg_failure failure;
    info.err = jpeg_std_error(&failure.manager);
    failure.manager.error_exit = jpeg_fail;
    unsigned char* out = nullptr;
    unsigned long size = 0;
    if (setjmp(failure.back) != 0) {
        jpeg_destroy_compress(&info);
        std::free(out);
        *error = std::string("JPEG encoding failed: ") + failure.message;
        return {};
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = static_cast<JDIMENSION>(p.width);
    info.image_height = static_cast<JDIMENSION>(p.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    const std::size_t row = static_cast<std::size_t>(p.width) * 3;
    while (info.next_scanline < info.image_height) {
        auto* at = const_cast<JSAMPLE*>(p.rgb.data() + row * info.next_scanline);
        jpeg_write_scanlines(&info, &at, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    bytes file(out, out + size);
    std::free(out);
    return file;
}

bytes png_file(const picture& p, std::string* error)
{
    bytes file;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        *error = "PNG encoding failed: out of memory";
        return {};
    }
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        *error = "PNG encoding failed";
        return {};
    }
    png_set_write_fn(png, &file, png_append, nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(p.width), static_cast<png_uint_32>(p.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const std::size_t row = static_cast<std::size_t>(p.width) * 3;
    for (int y = 0; y < p.height; ++y) rows.push_back(const_cast<png_bytep>(p.rgb.data() + row * y));
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return file;
}

}  // namespace tool::prepare
