// The software renderer's frame loops at the screen's size (800 x 600):
// memcpy and a read-modify-write pass as the ceiling, the same-size and the
// scaled blit, the box fill, one-pixel lines and the pixel rectangle
// conversion, each beside pixman doing the nearest operation on the same
// pixels where it has one. Inputs come from fixed seeds; every case reports
// the bytes of the destination it writes per iteration, so the rates compare
// with memcpy's directly. The Arg is the destination depth (32 or 16).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "media/core/internal.hpp"
#include "media/core/log.hpp"
#include "media/graphics/convert.hpp"
#include "media/graphics/internal.hpp"
#include "media/graphics/pixfmt.hpp"
#include "media/graphics/soft_draw.hpp"
#include "media/softrender/blend.hpp"
#include "media/softrender/blit_same.hpp"
#include "media/softrender/blit_scaled.hpp"
#include "media/softrender/box.hpp"
#include "media/softrender/internal.hpp"
#include "media/softrender/line.hpp"
#include "media/softrender/loops.hpp"
#include "media/softrender/memimg.hpp"
#include "media/softrender/triangle.hpp"

#ifdef ZENTIL_HAVE_PIXMAN
#include <pixman.h>
#endif

namespace {

constexpr int screen_w = 800, screen_h = 600;

// ---- set-up ----

void reset_draw(int mode, int param)
{
    static bool ready = false;
    if (!ready) {
        SetLogOutputEnabled(0);
        media::core::reset_state();
        media::gfx::reset_state();
        media::soft::reset_state();
        BuildMemImgBlendTables();
        // as graphics start-up leaves it on any x86-64 processor
        media::soft::set_mmx_enabled(1);
        ready = true;
    }
    auto& s = media::gfx::draw_state;
    s.area = {0, 0, screen_w, screen_h};
    s.area_empty = 0;
    s.blend_mode = mode;
    s.blend_param = param;
    s.draw_bright = 0xFFFFFF;
    s.blend_image = nullptr;
    media::soft::force_generic_loops(0);
}

// A memory image owned by the benchmark.
struct image {
    MEMIMG m{};
    image(int width, int height, int format, int alpha = 0, std::uint32_t transparent = 0, int extras = 0,
          int paletted = 0)
    {
        CreateMemImg(&m, width, height, -1, transparent, format, paletted, alpha, extras, nullptr);
    }
    ~image() { ReleaseMemImg(&m); }
    image(const image&) = delete;
    image& operator=(const image&) = delete;
    MEMIMG* get() { return &m; }
    int bytes() const { return m.base->format->pixel_bytes; }
    int pitch() const { return m.base->pitch; }
    unsigned char* row(int y) const { return static_cast<unsigned char*>(m.pixels) + static_cast<long>(y) * pitch(); }
    void put(int x, int y, std::uint32_t v) { std::memcpy(row(y) + x * bytes(), &v, static_cast<std::size_t>(bytes())); }
};

std::uint32_t random_pixel(std::mt19937& r, int bits)
{
    const std::uint32_t v = r();
    return bits == 32 ? v | 0xFF000000u : v & 0xFFFF;
}

// Random opaque pixels (32-bit: the fourth byte 0xFF).
void fill_random(image& im, int bits, unsigned seed)
{
    std::mt19937 r(seed);
    for (int y = 0; y < im.m.height; ++y)
        for (int x = 0; x < im.m.width; ++x) im.put(x, y, random_pixel(r, bits));
}

// Sprite-like content: runs of 1 to 64 pixels, alternately the transparent
// colour and random pixels, so that half the pixels are keyed out.
constexpr std::uint32_t key32 = 0xFFFF00FF, key16 = 0xF81F;
void fill_keyed(image& im, int bits, unsigned seed)
{
    std::mt19937 r(seed);
    const std::uint32_t key = bits == 32 ? key32 : key16;
    for (int y = 0; y < im.m.height; ++y) {
        bool opaque = (r() & 1) != 0;
        for (int x = 0; x < im.m.width;) {
            const int n = 1 + static_cast<int>(r() % 64);
            for (int i = 0; i < n && x < im.m.width; ++i, ++x) {
                std::uint32_t v = random_pixel(r, bits);
                if (v == key) v ^= 1;
                im.put(x, y, opaque ? v : key);
            }
            opaque = !opaque;
        }
    }
}

// An alpha source (32-bit A8R8G8B8, or 5:6:5 beside an 8-bit alpha): runs of
// 1 to 64 pixels of alpha 0, 255 or a random value, a third each.
void fill_alpha(image& im, int bits, unsigned seed)
{
    std::mt19937 r(seed);
    for (int y = 0; y < im.m.height; ++y)
        for (int x = 0; x < im.m.width;) {
            const int n = 1 + static_cast<int>(r() % 64);
            const unsigned kind = r() % 3;
            for (int i = 0; i < n && x < im.m.width; ++i, ++x) {
                const std::uint32_t a = kind == 0 ? 0 : kind == 1 ? 255 : r() & 0xFF;
                if (bits == 32)
                    im.put(x, y, (r() & 0xFFFFFF) | a << 24);
                else
                    im.put(x, y, (r() & 0xFFFF) | a << 16);
            }
        }
}

void frame_bytes(benchmark::State& state, int bits)
{
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * screen_w * screen_h * (bits / 8));
}

int bits_of(const benchmark::State& state) { return static_cast<int>(state.range(0)); }
int format_of(int bits) { return bits == 32 ? 1 : 0; }

// ---- 1. the ceiling ----

void BM_memcpy_screen(benchmark::State& state)
{
    const int bits = bits_of(state);
    const std::size_t size = static_cast<std::size_t>(screen_w) * screen_h * (bits / 8);
    std::vector<unsigned char> a(size, 1), b(size, 2);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), size);
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
    }
    frame_bytes(state, bits);
}
BENCHMARK(BM_memcpy_screen)->Arg(32)->Arg(16);

// Each 32-bit word halved per byte in place: one read and one write per
// pixel, the loop the compiler vectorises.
void BM_read_modify_write_screen(benchmark::State& state)
{
    std::vector<std::uint32_t> a(static_cast<std::size_t>(screen_w) * screen_h);
    std::mt19937 r(1);
    for (auto& v : a) v = r();
    for (auto _ : state) {
        std::uint32_t* p = a.data();
        for (std::size_t i = 0, n = a.size(); i < n; ++i) p[i] = ((p[i] >> 1) & 0x7F7F7F7F) + 0x10101010;
        benchmark::DoNotOptimize(p);
        benchmark::ClobberMemory();
    }
    frame_bytes(state, 32);
}
BENCHMARK(BM_read_modify_write_screen);

// ---- 2. same-size blit ----

enum class source { plain, keyed, alpha };

void same_blit(benchmark::State& state, int mode, int param, source kind, bool flag, bool runs)
{
    const int bits = bits_of(state);
    reset_draw(mode, param);
    const std::uint32_t key = bits == 32 ? key32 : key16;
    image dst(screen_w, screen_h, format_of(bits));
    image src(screen_w, screen_h, format_of(bits), kind == source::alpha, key, runs ? 1 : 0);
    fill_random(dst, bits, 2);
    if (kind == source::alpha)
        fill_alpha(src, bits, 3);
    else if (kind == source::keyed)
        fill_keyed(src, bits, 3);
    else
        fill_random(src, bits, 3);
    if (runs) media::soft::build_run_table(src.m.base);
    for (auto _ : state) {
        BlitMemImg(dst.get(), src.get(), 0, 0, flag ? 1 : 0, nullptr);
        benchmark::ClobberMemory();
    }
    frame_bytes(state, bits);
}

void BM_blit_mode0_copy(benchmark::State& s) { same_blit(s, 0, 255, source::plain, false, false); }
void BM_blit_colour_key(benchmark::State& s) { same_blit(s, 0, 255, source::keyed, true, false); }
void BM_blit_colour_key_runs(benchmark::State& s) { same_blit(s, 0, 255, source::keyed, true, true); }
void BM_blit_alpha_flag(benchmark::State& s) { same_blit(s, 0, 255, source::alpha, true, false); }
void BM_blit_mode1_191(benchmark::State& s) { same_blit(s, 1, 191, source::plain, false, false); }
// the tool's skin: blended at 191 with the transparency flag on
void BM_blit_mode1_191_key(benchmark::State& s) { same_blit(s, 1, 191, source::keyed, true, false); }
void BM_blit_mode2_255(benchmark::State& s) { same_blit(s, 2, 255, source::plain, false, false); }
void BM_blit_mode4(benchmark::State& s) { same_blit(s, 4, 255, source::plain, false, false); }
BENCHMARK(BM_blit_mode0_copy)->Arg(32)->Arg(16);
BENCHMARK(BM_blit_colour_key)->Arg(32)->Arg(16);
BENCHMARK(BM_blit_colour_key_runs)->Arg(32)->Arg(16);
BENCHMARK(BM_blit_alpha_flag)->Arg(32)->Arg(16);
BENCHMARK(BM_blit_mode1_191)->Arg(32)->Arg(16);
BENCHMARK(BM_blit_mode1_191_key)->Arg(32)->Arg(16);
BENCHMARK(BM_blit_mode2_255)->Arg(32)->Arg(16);
BENCHMARK(BM_blit_mode4)->Arg(32)->Arg(16);

// ---- 3. scaled blit: 1024 x 768 into 800 x 600, nearest ----

void scaled_blit(benchmark::State& state, bool flag)
{
    const int bits = bits_of(state);
    reset_draw(0, 255);
    const std::uint32_t key = bits == 32 ? key32 : key16;
    image dst(screen_w, screen_h, format_of(bits));
    image src(1024, 768, format_of(bits), 0, key);
    fill_random(dst, bits, 2);
    if (flag)
        fill_keyed(src, bits, 4);
    else
        fill_random(src, bits, 4);
    const RECT rect{0, 0, screen_w, screen_h};
    for (auto _ : state) {
        BlitMemImgScaled(dst.get(), src.get(), &rect, flag ? 1 : 0, nullptr);
        benchmark::ClobberMemory();
    }
    frame_bytes(state, bits);
}
void BM_scaled_copy(benchmark::State& s) { scaled_blit(s, false); }
void BM_scaled_colour_key(benchmark::State& s) { scaled_blit(s, true); }
BENCHMARK(BM_scaled_copy)->Arg(32)->Arg(16);
BENCHMARK(BM_scaled_colour_key)->Arg(32)->Arg(16);

// ---- 4. box fill and lines ----

void box_fill(benchmark::State& state, int mode, int param)
{
    const int bits = bits_of(state);
    reset_draw(mode, param);
    image dst(screen_w, screen_h, format_of(bits));
    fill_random(dst, bits, 2);
    const std::uint32_t colour = bits == 32 ? 0xFF3A7BC4u : 0x3BD8u;
    const RECT rect{0, 0, screen_w, screen_h};
    for (auto _ : state) {
        DrawMemImgBox(dst.get(), &rect, colour);
        benchmark::ClobberMemory();
    }
    frame_bytes(state, bits);
}
void BM_box_mode0(benchmark::State& s) { box_fill(s, 0, 255); }
void BM_box_mode1_191(benchmark::State& s) { box_fill(s, 1, 191); }
void BM_box_mode2_255(benchmark::State& s) { box_fill(s, 2, 255); }
BENCHMARK(BM_box_mode0)->Arg(32)->Arg(16);
BENCHMARK(BM_box_mode1_191)->Arg(32)->Arg(16);
BENCHMARK(BM_box_mode2_255)->Arg(32)->Arg(16);

// 1000 lines between random points of the screen, random colours, mode 0.
void BM_lines_1000(benchmark::State& state)
{
    const int bits = bits_of(state);
    reset_draw(0, 255);
    image dst(screen_w, screen_h, format_of(bits));
    fill_random(dst, bits, 2);
    std::mt19937 r(5);
    std::vector<MEMIMG_LINE> lines(1000);
    for (auto& l : lines)
        l = {static_cast<std::int32_t>(r() % screen_w), static_cast<std::int32_t>(r() % screen_h),
             static_cast<std::int32_t>(r() % screen_w), static_cast<std::int32_t>(r() % screen_h),
             random_pixel(r, bits), 255};
    for (auto _ : state) {
        DrawMemImgLines(dst.get(), lines.data(), static_cast<int>(lines.size()));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 1000);
}
BENCHMARK(BM_lines_1000)->Arg(32)->Arg(16);

// ---- 4b. triangle fill ----

// A 256 x 256 quadrangle (two triangles, as the graphics layer draws a graph
// through four corners or a filled quadrangle) in the middle of a 640 x 480
// image: square, or turned by 30 degrees about its centre. Beside it the
// anchors: the same 65536 pixels copied row by row from a 256 x 256 source
// (memcpy) and filled (std::fill_n). Every case reports 65536 items.
constexpr int quad_side = 256, quad_w = 640, quad_h = 480;

void quad_corners(bool turned, MEMIMG_VERTEX out[2][3])
{
    const double c = turned ? 0.8660254037844386 : 1.0, s = turned ? 0.5 : 0.0, h = quad_side / 2.0;
    const double local[4][2] = {{-h, -h}, {h, -h}, {-h, h}, {h, h}};
    std::int32_t q[8];
    for (int i = 0; i < 4; ++i) {
        q[2 * i] = static_cast<std::int32_t>(quad_w / 2 + c * local[i][0] - s * local[i][1]);
        q[2 * i + 1] = static_cast<std::int32_t>(quad_h / 2 + s * local[i][0] + c * local[i][1]);
    }
    media::gfx::quad_triangles(q, quad_side, quad_side, out);
}

void triangle_quad(benchmark::State& state, bool textured, bool turned, int mode, int param)
{
    const int bits = bits_of(state);
    reset_draw(mode, param);
    image dst(quad_w, quad_h, format_of(bits)), src(quad_side, quad_side, format_of(bits));
    fill_random(dst, bits, 2);
    fill_random(src, bits, 3);
    MEMIMG_VERTEX t[2][3];
    quad_corners(turned, t);
    const std::uint32_t colour = bits == 32 ? 0xFF3A7BC4u : 0x3BD8u;
    for (auto _ : state) {
        for (auto& corners : t) DrawMemImgTriangle(dst.get(), textured ? src.get() : nullptr, corners, 0, nullptr, colour);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * quad_side * quad_side);
}
void BM_triangle_quad_textured(benchmark::State& s) { triangle_quad(s, true, false, 0, 255); }
void BM_triangle_quad_textured_turned(benchmark::State& s) { triangle_quad(s, true, true, 0, 255); }
void BM_triangle_quad_textured_mode1_191(benchmark::State& s) { triangle_quad(s, true, false, 1, 191); }
void BM_triangle_quad_solid(benchmark::State& s) { triangle_quad(s, false, false, 0, 255); }
void BM_triangle_quad_solid_mode1_191(benchmark::State& s) { triangle_quad(s, false, false, 1, 191); }
BENCHMARK(BM_triangle_quad_textured)->Arg(32)->Arg(16);
BENCHMARK(BM_triangle_quad_textured_turned)->Arg(32)->Arg(16);
BENCHMARK(BM_triangle_quad_textured_mode1_191)->Arg(32)->Arg(16);
BENCHMARK(BM_triangle_quad_solid)->Arg(32)->Arg(16);
BENCHMARK(BM_triangle_quad_solid_mode1_191)->Arg(32)->Arg(16);

// The anchors: the square's pixels copied from the source, and filled.
void quad_anchor(benchmark::State& state, bool copy)
{
    const int bits = bits_of(state);
    image dst(quad_w, quad_h, format_of(bits)), src(quad_side, quad_side, format_of(bits));
    fill_random(dst, bits, 2);
    fill_random(src, bits, 3);
    const int x0 = (quad_w - quad_side) / 2, y0 = (quad_h - quad_side) / 2, bytes = bits / 8;
    for (auto _ : state) {
        for (int y = 0; y < quad_side; ++y) {
            unsigned char* out = dst.row(y0 + y) + x0 * bytes;
            if (copy) {
                std::memcpy(out, src.row(y), static_cast<std::size_t>(quad_side) * bytes);
            } else if (bits == 32) {
                std::fill_n(reinterpret_cast<std::uint32_t*>(out), quad_side, 0xFF3A7BC4u);
            } else {
                std::fill_n(reinterpret_cast<std::uint16_t*>(out), quad_side, static_cast<std::uint16_t>(0x3BD8));
            }
        }
        benchmark::DoNotOptimize(dst.row(0));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * quad_side * quad_side);
}
void BM_quad_anchor_copy(benchmark::State& s) { quad_anchor(s, true); }
void BM_quad_anchor_fill(benchmark::State& s) { quad_anchor(s, false); }
BENCHMARK(BM_quad_anchor_copy)->Arg(32)->Arg(16);
BENCHMARK(BM_quad_anchor_fill)->Arg(32)->Arg(16);

// ---- 4c. the triangle fill's goals ----

// The 256 x 256 picture turned 30 degrees about the centre of the 640 x 480
// image, under each mode; items are the pixels written (the quadrangle's
// 65536). Sources: plain, keyed (half transparent, with the flag), alpha,
// or paletted (256 indexes into random entries).
enum class turned_source { plain, keyed, alpha, paletted };

void turned_picture(benchmark::State& state, int mode, int param, turned_source kind, bool with_blend,
                    bool bright)
{
    const int bits = bits_of(state);
    reset_draw(mode, param);
    if (bright) media::gfx::draw_state.draw_bright = 0xC08040;
    const std::uint32_t key = bits == 32 ? key32 : key16;
    image dst(quad_w, quad_h, format_of(bits));
    const bool paletted = kind == turned_source::paletted;
    image src(quad_side, quad_side, format_of(bits), kind == turned_source::alpha ? 1 : 0, key, 0, paletted ? 1 : 0);
    std::mt19937 r(3);
    if (paletted) {
        auto* palette = static_cast<unsigned char*>(src.m.base->palette);
        for (int i = 0; i < 256; ++i) {
            const std::uint32_t v = random_pixel(r, bits);
            std::memcpy(palette + i * (bits / 8), &v, static_cast<std::size_t>(bits / 8));
        }
        for (int y = 0; y < quad_side; ++y)
            for (int x = 0; x < quad_side; ++x) src.row(y)[x] = static_cast<unsigned char>(r());
    } else if (kind == turned_source::alpha) {
        fill_alpha(src, bits, 3);
    } else if (kind == turned_source::keyed) {
        fill_keyed(src, bits, 3);
    } else {
        fill_random(src, bits, 3);
    }
    image blend_image(quad_side, quad_side, 2);
    if (with_blend) {
        std::mt19937 r(7);
        for (int y = 0; y < quad_side; ++y)
            for (int x = 0; x < quad_side; ++x) blend_image.row(y)[x] = static_cast<unsigned char>(r());
        BuildBlendImageWeightTable(40, 180);
    }
    fill_random(dst, bits, 2);
    MEMIMG_VERTEX t[2][3];
    quad_corners(true, t);
    const int flag = kind == turned_source::keyed ? 1 : 0;
    for (auto _ : state) {
        for (auto& corners : t)
            DrawMemImgTriangle(dst.get(), src.get(), corners, flag, with_blend ? blend_image.get() : nullptr, 0);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * quad_side * quad_side);
}
void BM_turned_mode0(benchmark::State& s) { turned_picture(s, 0, 255, turned_source::plain, false, false); }
void BM_turned_mode0_key(benchmark::State& s) { turned_picture(s, 0, 255, turned_source::keyed, false, false); }
void BM_turned_alpha(benchmark::State& s) { turned_picture(s, 0, 255, turned_source::alpha, false, false); }
void BM_turned_mode1_128(benchmark::State& s) { turned_picture(s, 1, 128, turned_source::plain, false, false); }
void BM_turned_mode2_255(benchmark::State& s) { turned_picture(s, 2, 255, turned_source::plain, false, false); }
void BM_turned_mode4(benchmark::State& s) { turned_picture(s, 4, 255, turned_source::plain, false, false); }
void BM_turned_mode1_128_blend(benchmark::State& s) { turned_picture(s, 1, 128, turned_source::plain, true, false); }
void BM_turned_mode0_bright(benchmark::State& s) { turned_picture(s, 0, 255, turned_source::plain, false, true); }
void BM_turned_paletted_mode0(benchmark::State& s) { turned_picture(s, 0, 255, turned_source::paletted, false, false); }
void BM_turned_paletted_mode1_128(benchmark::State& s)
{
    turned_picture(s, 1, 128, turned_source::paletted, false, false);
}
BENCHMARK(BM_turned_mode0)->Arg(32)->Arg(16);
BENCHMARK(BM_turned_mode0_key)->Arg(32)->Arg(16);
BENCHMARK(BM_turned_alpha)->Arg(32)->Arg(16);
BENCHMARK(BM_turned_mode1_128)->Arg(32)->Arg(16);
BENCHMARK(BM_turned_mode2_255)->Arg(32)->Arg(16);
BENCHMARK(BM_turned_mode4)->Arg(32)->Arg(16);
BENCHMARK(BM_turned_mode1_128_blend)->Arg(32)->Arg(16);
BENCHMARK(BM_turned_mode0_bright)->Arg(32)->Arg(16);
BENCHMARK(BM_turned_paletted_mode0)->Arg(32)->Arg(16);
BENCHMARK(BM_turned_paletted_mode1_128)->Arg(32)->Arg(16);

// An 800 x 600 picture onto the 800 x 600 screen through its own four
// corners (anchors: BM_blit_mode0_copy and BM_memcpy_screen); frame bytes.
void full_quad(benchmark::State& state, int mode, int param, bool textured)
{
    const int bits = bits_of(state);
    reset_draw(mode, param);
    image dst(screen_w, screen_h, format_of(bits)), src(screen_w, screen_h, format_of(bits));
    fill_random(dst, bits, 2);
    fill_random(src, bits, 3);
    const std::int32_t q[8] = {0, 0, screen_w, 0, 0, screen_h, screen_w, screen_h};
    MEMIMG_VERTEX t[2][3];
    media::gfx::quad_triangles(q, textured ? screen_w : 0, textured ? screen_h : 0, t);
    const std::uint32_t colour = bits == 32 ? 0xFF3A7BC4u : 0x3BD8u;
    for (auto _ : state) {
        for (auto& corners : t) DrawMemImgTriangle(dst.get(), textured ? src.get() : nullptr, corners, 0, nullptr, colour);
        benchmark::ClobberMemory();
    }
    frame_bytes(state, bits);
}
void BM_full_quad_mode0(benchmark::State& s) { full_quad(s, 0, 255, true); }
void BM_full_quad_mode1_191(benchmark::State& s) { full_quad(s, 1, 191, true); }
void BM_full_quad_mode2_255(benchmark::State& s) { full_quad(s, 2, 255, true); }
// filled (anchors: BM_box_mode0, BM_box_mode1_191, BM_box_mode2_255, BM_pixman_fill)
void BM_full_quad_solid_mode0(benchmark::State& s) { full_quad(s, 0, 255, false); }
void BM_full_quad_solid_mode1_191(benchmark::State& s) { full_quad(s, 1, 191, false); }
void BM_full_quad_solid_mode2_255(benchmark::State& s) { full_quad(s, 2, 255, false); }
BENCHMARK(BM_full_quad_mode0)->Arg(32)->Arg(16);
BENCHMARK(BM_full_quad_mode1_191)->Arg(32)->Arg(16);
BENCHMARK(BM_full_quad_mode2_255)->Arg(32)->Arg(16);
BENCHMARK(BM_full_quad_solid_mode0)->Arg(32)->Arg(16);
BENCHMARK(BM_full_quad_solid_mode1_191)->Arg(32)->Arg(16);
BENCHMARK(BM_full_quad_solid_mode2_255)->Arg(32)->Arg(16);

// 1000 thick lines (thickness 2 to 9, each two triangles) between the same
// random points as BM_lines_1000 draws one-pixel lines; items are lines.
void BM_thick_lines_1000(benchmark::State& state)
{
    const int bits = bits_of(state);
    reset_draw(0, 255);
    image dst(screen_w, screen_h, format_of(bits));
    fill_random(dst, bits, 2);
    std::mt19937 r(5);
    struct line {
        MEMIMG_VERTEX t[2][3];
        std::uint32_t colour;
    };
    std::vector<line> lines(1000);
    for (auto& l : lines) {
        const double x1 = r() % screen_w, y1 = r() % screen_h, x2 = r() % screen_w, y2 = r() % screen_h;
        l.colour = random_pixel(r, bits);
        const double half = (2 + r() % 8) / 2.0, length = std::max(1.0, std::hypot(x2 - x1, y2 - y1));
        const double nx = -(y2 - y1) / length * half, ny = (x2 - x1) / length * half;
        const std::int32_t q[8] = {static_cast<std::int32_t>(x1 + nx), static_cast<std::int32_t>(y1 + ny),
                                   static_cast<std::int32_t>(x2 + nx), static_cast<std::int32_t>(y2 + ny),
                                   static_cast<std::int32_t>(x1 - nx), static_cast<std::int32_t>(y1 - ny),
                                   static_cast<std::int32_t>(x2 - nx), static_cast<std::int32_t>(y2 - ny)};
        media::gfx::quad_triangles(q, 0, 0, l.t);
    }
    for (auto _ : state) {
        for (auto& l : lines)
            for (auto& corners : l.t) DrawMemImgTriangle(dst.get(), nullptr, corners, 0, nullptr, l.colour);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 1000);
}
BENCHMARK(BM_thick_lines_1000)->Arg(32)->Arg(16);

// 100,000 small triangles (3 to 8 pixels a side) into a 64 x 64 image:
// the cost of a call; items are triangles.
void BM_small_triangles(benchmark::State& state)
{
    const int bits = bits_of(state);
    reset_draw(0, 255);
    image dst(64, 64, format_of(bits)), src(16, 16, format_of(bits));
    fill_random(dst, bits, 2);
    fill_random(src, bits, 3);
    std::mt19937 r(8);
    std::vector<MEMIMG_VERTEX> corners(300000);
    for (std::size_t i = 0; i < corners.size(); i += 3) {
        const std::int32_t x = static_cast<std::int32_t>(r() % 56), y = static_cast<std::int32_t>(r() % 56);
        const std::int32_t a = 3 + static_cast<std::int32_t>(r() % 6), b = 3 + static_cast<std::int32_t>(r() % 6);
        corners[i] = {x, y, 0, 0};
        corners[i + 1] = {x + a, y + static_cast<std::int32_t>(r() % 3), 8, 0};
        corners[i + 2] = {x + static_cast<std::int32_t>(r() % 3), y + b, 0, 8};
    }
    const bool textured = state.range(1) != 0;
    for (auto _ : state) {
        for (std::size_t i = 0; i < corners.size(); i += 3)
            DrawMemImgTriangle(dst.get(), textured ? src.get() : nullptr, &corners[i], 0, nullptr, 0x1234);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 100000);
    state.SetLabel(textured ? "textured" : "solid");
}
BENCHMARK(BM_small_triangles)->Args({32, 1})->Args({32, 0})->Args({16, 1})->Args({16, 0})
    ->Unit(benchmark::kMillisecond);

// ---- 5. ConvertPixelRect ----

enum class conversion { rgb24_to_xrgb, rgb565_to_xrgb, rgb24_to_argb_keyed };

void convert(benchmark::State& state, conversion c, bool general)
{
    PIXFMT src_format{}, dst_format{};
    int src_bytes = 3;
    if (c == conversion::rgb565_to_xrgb) {
        InitFormatFromMasks(&src_format, 16, 0xF800, 0x07E0, 0x001F, 0);
        src_bytes = 2;
    } else {
        InitFullColorFormat(&src_format);
    }
    if (c == conversion::rgb24_to_argb_keyed)
        InitARGB8Format(&dst_format);
    else
        InitXRGB8Format(&dst_format);
    const int src_pitch = (screen_w * src_bytes + 3) / 4 * 4, dst_pitch = screen_w * 4;
    std::vector<unsigned char> src(static_cast<std::size_t>(src_pitch) * screen_h), dst(static_cast<std::size_t>(dst_pitch) * screen_h);
    std::mt19937 r(6);
    for (auto& b : src) b = static_cast<unsigned char>(r());
    const RECT rect{0, 0, screen_w, screen_h};
    const int keyed = c == conversion::rgb24_to_argb_keyed ? 1 : 0;
    media::gfx::force_general_convert(general ? 1 : 0);
    for (auto _ : state) {
        ConvertPixelRect(dst.data(), dst_pitch, &dst_format, src.data(), src_pitch, &src_format, nullptr, 0, nullptr, 0,
                         0, &rect, 0, keyed, 0x00FF00FF, 0, 0, 0, 0, 0);
        benchmark::ClobberMemory();
    }
    media::gfx::force_general_convert(0);
    frame_bytes(state, 32);
}
void BM_convert_rgb24_to_xrgb(benchmark::State& s) { convert(s, conversion::rgb24_to_xrgb, s.range(0) != 0); }
void BM_convert_rgb565_to_xrgb(benchmark::State& s) { convert(s, conversion::rgb565_to_xrgb, s.range(0) != 0); }
void BM_convert_rgb24_to_argb_keyed(benchmark::State& s) { convert(s, conversion::rgb24_to_argb_keyed, s.range(0) != 0); }
// Arg 0: the specialised loop; 1: the general rule.
BENCHMARK(BM_convert_rgb24_to_xrgb)->Arg(0)->Arg(1);
BENCHMARK(BM_convert_rgb565_to_xrgb)->Arg(0)->Arg(1);
BENCHMARK(BM_convert_rgb24_to_argb_keyed)->Arg(0)->Arg(1);

#ifdef ZENTIL_HAVE_PIXMAN

// ---- pixman on the same pixels ----

pixman_format_code_t pixman_format(int bits) { return bits == 32 ? PIXMAN_x8r8g8b8 : PIXMAN_r5g6b5; }

pixman_image_t* wrap(image& im, pixman_format_code_t format)
{
    return pixman_image_create_bits(format, im.m.width, im.m.height, static_cast<std::uint32_t*>(im.m.pixels), im.pitch());
}

// src over dst (with a constant mask when mask_alpha < 255); alpha sources
// are read as a8r8g8b8 (32-bit only: pixman has no 5:6:5 with a separate
// alpha).
void pixman_composite(benchmark::State& state, pixman_op_t op, source kind, int mask_alpha)
{
    const int bits = bits_of(state);
    image dst(screen_w, screen_h, format_of(bits));
    fill_random(dst, bits, 2);
    pixman_image_t* s = nullptr;
    std::vector<std::uint32_t> argb;
    image src(screen_w, screen_h, format_of(bits));
    if (kind == source::alpha) {
        // an A8R8G8B8 copy of the 32-bit alpha source's content, premultiplied
        image a(screen_w, screen_h, 1, 1);
        fill_alpha(a, 32, 3);
        argb.resize(static_cast<std::size_t>(screen_w) * screen_h);
        for (int y = 0; y < screen_h; ++y)
            for (int x = 0; x < screen_w; ++x) {
                std::uint32_t v;
                std::memcpy(&v, a.row(y) + x * 4, 4);
                const std::uint32_t al = v >> 24;
                std::uint32_t out = al << 24;
                for (int i = 0; i < 24; i += 8) out |= ((v >> i & 0xFF) * al / 255) << i;
                argb[static_cast<std::size_t>(y) * screen_w + x] = out;
            }
        s = pixman_image_create_bits(PIXMAN_a8r8g8b8, screen_w, screen_h, argb.data(), screen_w * 4);
    } else {
        fill_random(src, bits, 3);
        s = wrap(src, pixman_format(bits));
    }
    pixman_image_t* d = wrap(dst, pixman_format(bits));
    pixman_image_t* m = nullptr;
    if (mask_alpha < 255) {
        const pixman_color_t c{0, 0, 0, static_cast<std::uint16_t>(mask_alpha * 257)};
        m = pixman_image_create_solid_fill(&c);
    }
    for (auto _ : state) {
        pixman_image_composite32(op, s, m, d, 0, 0, 0, 0, 0, 0, screen_w, screen_h);
        benchmark::ClobberMemory();
    }
    if (m != nullptr) pixman_image_unref(m);
    pixman_image_unref(s);
    pixman_image_unref(d);
    frame_bytes(state, bits);
}
void BM_pixman_src(benchmark::State& s) { pixman_composite(s, PIXMAN_OP_SRC, source::plain, 255); }
void BM_pixman_over_alpha(benchmark::State& s) { pixman_composite(s, PIXMAN_OP_OVER, source::alpha, 255); }
void BM_pixman_over_mask_191(benchmark::State& s) { pixman_composite(s, PIXMAN_OP_OVER, source::plain, 191); }
void BM_pixman_add(benchmark::State& s) { pixman_composite(s, PIXMAN_OP_ADD, source::plain, 255); }
void BM_pixman_multiply(benchmark::State& s) { pixman_composite(s, PIXMAN_OP_MULTIPLY, source::plain, 255); }
BENCHMARK(BM_pixman_src)->Arg(32)->Arg(16);
BENCHMARK(BM_pixman_over_alpha)->Arg(32)->Arg(16);
BENCHMARK(BM_pixman_over_mask_191)->Arg(32)->Arg(16);
BENCHMARK(BM_pixman_add)->Arg(32)->Arg(16);
BENCHMARK(BM_pixman_multiply)->Arg(32)->Arg(16);

// 1024 x 768 into 800 x 600 through a scaling transform, nearest filter.
void BM_pixman_scaled_nearest(benchmark::State& state)
{
    const int bits = bits_of(state);
    image dst(screen_w, screen_h, format_of(bits));
    image src(1024, 768, format_of(bits));
    fill_random(dst, bits, 2);
    fill_random(src, bits, 4);
    pixman_image_t* s = wrap(src, pixman_format(bits));
    pixman_image_t* d = wrap(dst, pixman_format(bits));
    pixman_transform_t t;
    pixman_transform_init_scale(&t, pixman_double_to_fixed(1024.0 / screen_w), pixman_double_to_fixed(768.0 / screen_h));
    pixman_image_set_transform(s, &t);
    pixman_image_set_filter(s, PIXMAN_FILTER_NEAREST, nullptr, 0);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_SRC, s, nullptr, d, 0, 0, 0, 0, 0, 0, screen_w, screen_h);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(s);
    pixman_image_unref(d);
    frame_bytes(state, bits);
}
BENCHMARK(BM_pixman_scaled_nearest)->Arg(32)->Arg(16);

void BM_pixman_fill(benchmark::State& state)
{
    const int bits = bits_of(state);
    image dst(screen_w, screen_h, format_of(bits));
    fill_random(dst, bits, 2);
    const std::uint32_t colour = bits == 32 ? 0xFF3A7BC4u : 0x3BD8u;
    for (auto _ : state) {
        pixman_fill(static_cast<std::uint32_t*>(dst.m.pixels), dst.pitch() / 4, bits, 0, 0, screen_w, screen_h, colour);
        benchmark::ClobberMemory();
    }
    frame_bytes(state, bits);
}
BENCHMARK(BM_pixman_fill)->Arg(32)->Arg(16);

// A solid source composited over the whole screen (OVER at alpha 191, ADD).
void pixman_solid(benchmark::State& state, pixman_op_t op, int alpha)
{
    const int bits = bits_of(state);
    image dst(screen_w, screen_h, format_of(bits));
    fill_random(dst, bits, 2);
    pixman_image_t* d = wrap(dst, pixman_format(bits));
    const auto a = static_cast<std::uint16_t>(alpha * 257);
    // 0x3A7BC4 premultiplied by the alpha
    const pixman_color_t c{static_cast<std::uint16_t>(0x3A * alpha / 255 * 257),
                           static_cast<std::uint16_t>(0x7B * alpha / 255 * 257),
                           static_cast<std::uint16_t>(0xC4 * alpha / 255 * 257), a};
    pixman_image_t* s = pixman_image_create_solid_fill(&c);
    for (auto _ : state) {
        pixman_image_composite32(op, s, nullptr, d, 0, 0, 0, 0, 0, 0, screen_w, screen_h);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(s);
    pixman_image_unref(d);
    frame_bytes(state, bits);
}
void BM_pixman_solid_over_191(benchmark::State& s) { pixman_solid(s, PIXMAN_OP_OVER, 191); }
void BM_pixman_solid_add(benchmark::State& s) { pixman_solid(s, PIXMAN_OP_ADD, 255); }
BENCHMARK(BM_pixman_solid_over_191)->Arg(32)->Arg(16);
BENCHMARK(BM_pixman_solid_add)->Arg(32)->Arg(16);

// Conversion by SRC between the formats pixman has (no colour key there: the
// keyed case is compared with the plain r8g8b8 to a8r8g8b8 copy).
void pixman_convert(benchmark::State& state, pixman_format_code_t from, int from_bytes, pixman_format_code_t to)
{
    const int src_pitch = (screen_w * from_bytes + 3) / 4 * 4, dst_pitch = screen_w * 4;
    std::vector<std::uint32_t> src(static_cast<std::size_t>(src_pitch) * screen_h / 4),
        dst(static_cast<std::size_t>(dst_pitch) * screen_h / 4);
    std::mt19937 r(6);
    auto* bytes = reinterpret_cast<unsigned char*>(src.data());
    for (std::size_t i = 0; i < src.size() * 4; ++i) bytes[i] = static_cast<unsigned char>(r());
    pixman_image_t* s = pixman_image_create_bits(from, screen_w, screen_h, src.data(), src_pitch);
    pixman_image_t* d = pixman_image_create_bits(to, screen_w, screen_h, dst.data(), dst_pitch);
    for (auto _ : state) {
        pixman_image_composite32(PIXMAN_OP_SRC, s, nullptr, d, 0, 0, 0, 0, 0, 0, screen_w, screen_h);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(s);
    pixman_image_unref(d);
    frame_bytes(state, 32);
}
void BM_pixman_convert_rgb24_to_xrgb(benchmark::State& s) { pixman_convert(s, PIXMAN_r8g8b8, 3, PIXMAN_x8r8g8b8); }
void BM_pixman_convert_rgb565_to_xrgb(benchmark::State& s) { pixman_convert(s, PIXMAN_r5g6b5, 2, PIXMAN_x8r8g8b8); }
void BM_pixman_convert_rgb24_to_argb(benchmark::State& s) { pixman_convert(s, PIXMAN_r8g8b8, 3, PIXMAN_a8r8g8b8); }
BENCHMARK(BM_pixman_convert_rgb24_to_xrgb);
BENCHMARK(BM_pixman_convert_rgb565_to_xrgb);
BENCHMARK(BM_pixman_convert_rgb24_to_argb);

// The turned picture's anchor: the same 256 x 256 source through the same
// 30-degree affine transform, nearest filter, into the quadrangle's bounding
// box (items: the 65536 pixels of the picture, as for ours). OVER reads an
// a8r8g8b8 source premultiplied.
void pixman_turned(benchmark::State& state, pixman_op_t op)
{
    const int bits = bits_of(state);
    image dst(quad_w, quad_h, format_of(bits));
    fill_random(dst, bits, 2);
    image src(quad_side, quad_side, 1, op == PIXMAN_OP_OVER ? 1 : 0);
    if (op == PIXMAN_OP_OVER)
        fill_alpha(src, 32, 3);
    else
        fill_random(src, 32, 3);
    pixman_image_t* s =
        pixman_image_create_bits(op == PIXMAN_OP_OVER ? PIXMAN_a8r8g8b8 : PIXMAN_x8r8g8b8, quad_side, quad_side,
                                 static_cast<std::uint32_t*>(src.m.pixels), src.pitch());
    pixman_image_t* d = wrap(dst, pixman_format(bits));
    // destination to source: turn back by 30 degrees about the picture's centre
    const double c = 0.8660254037844386, sn = 0.5, h = quad_side / 2.0;
    const int box = static_cast<int>(quad_side * (c + sn)) + 1, x0 = quad_w / 2 - box / 2, y0 = quad_h / 2 - box / 2;
    const double bx = box / 2.0;
    pixman_f_transform_t f;
    f.m[0][0] = c, f.m[0][1] = sn, f.m[0][2] = h - c * bx - sn * bx;
    f.m[1][0] = -sn, f.m[1][1] = c, f.m[1][2] = h + sn * bx - c * bx;
    f.m[2][0] = 0, f.m[2][1] = 0, f.m[2][2] = 1;
    pixman_transform_t t;
    pixman_transform_from_pixman_f_transform(&t, &f);
    pixman_image_set_transform(s, &t);
    pixman_image_set_filter(s, PIXMAN_FILTER_NEAREST, nullptr, 0);
    for (auto _ : state) {
        pixman_image_composite32(op, s, nullptr, d, 0, 0, 0, 0, x0, y0, box, box);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(s);
    pixman_image_unref(d);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * quad_side * quad_side);
}
void BM_pixman_turned_src(benchmark::State& s) { pixman_turned(s, PIXMAN_OP_SRC); }
void BM_pixman_turned_over(benchmark::State& s) { pixman_turned(s, PIXMAN_OP_OVER); }
void BM_pixman_turned_add(benchmark::State& s) { pixman_turned(s, PIXMAN_OP_ADD); }
void BM_pixman_turned_multiply(benchmark::State& s) { pixman_turned(s, PIXMAN_OP_MULTIPLY); }
BENCHMARK(BM_pixman_turned_src)->Arg(32)->Arg(16);
BENCHMARK(BM_pixman_turned_over)->Arg(32)->Arg(16);
BENCHMARK(BM_pixman_turned_add)->Arg(32)->Arg(16);
BENCHMARK(BM_pixman_turned_multiply)->Arg(32)->Arg(16);

#endif  // ZENTIL_HAVE_PIXMAN

}  // namespace
