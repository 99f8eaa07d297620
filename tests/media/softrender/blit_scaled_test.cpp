// The scaled and mirrored blit: the column and row mappings, the walk against
// the closed form, the hand-over, where it computes differently from the
// same-size blit, the limits, and every loop against the generic path and the
// model on seeded random workloads with guard pixels.
#include "media/softrender/blit_scaled.hpp"

#include "blit_reference.hpp"
#include "media/softrender/blit_same.hpp"

#include <climits>
#include <cstdlib>
#include <string>

namespace {

using namespace softrender_test;
using media::soft::kind_alpha;
using media::soft::kind_paletted;

class BlitScaled : public Draw {};

constexpr int source_kinds[3][2] = {{1, 0}, {0, 0}, {0, 1}};

// A 32-bit source whose pixel (x, y) holds x + 1 | (y + 1) << 8, and the
// source columns and rows the destination shows (-1 where nothing is drawn).
struct mapping {
    image src, dst;
    mapping(int sw, int sh, int dw, int dh) : src(sw, sh, 1), dst(dw, dh, 1)
    {
        for (int y = 0; y < sh; ++y)
            for (int x = 0; x < sw; ++x) src.set(x, y, static_cast<std::uint32_t>(x + 1) | static_cast<std::uint32_t>(y + 1) << 8);
    }
    std::vector<int> columns(int row)
    {
        std::vector<int> out;
        for (int x = 0; x < dst.m.width; ++x) out.push_back(static_cast<int>(dst.get(x, row) & 0xFF) - 1);
        return out;
    }
    std::vector<int> rows(int column)
    {
        std::vector<int> out;
        for (int y = 0; y < dst.m.height; ++y) out.push_back(static_cast<int>(dst.get(column, y) >> 8 & 0xFF) - 1);
        return out;
    }
    void draw(RECT r) { BlitMemImgScaled(&dst, &src, &r, 0, nullptr); }
};

TEST_F(BlitScaled, ColumnAndRowMappings)
{
    using v = std::vector<int>;
    {
        mapping m(5, 3, 12, 5);
        m.draw({0, 0, 12, 5});
        EXPECT_EQ(m.columns(0), (v{0, 0, 0, 1, 1, 2, 2, 2, 3, 3, 4, 4}));
        EXPECT_EQ(m.rows(0), (v{0, 0, 1, 1, 2}));
    }
    {
        mapping m(8, 1, 4, 1);
        m.draw({0, 0, 4, 1});
        EXPECT_EQ(m.columns(0), (v{0, 2, 4, 6}));
        m.draw({4, 0, 0, 1});
        EXPECT_EQ(m.columns(0), (v{7, 5, 3, 1}));
    }
    {
        mapping m(4, 1, 8, 1);
        m.draw({0, 0, 8, 1});
        EXPECT_EQ(m.columns(0), (v{0, 0, 1, 1, 2, 2, 3, 3}));
    }
    {
        // a 2x enlargement clipped by 3 columns on the left
        mapping m(4, 1, 8, 1);
        m.draw({-3, 0, 5, 1});
        EXPECT_EQ(m.columns(0), (v{1, 2, 2, 3, 3, -1, -1, -1}));
    }
    {
        mapping m(10, 10, 24, 10);
        state().area = {5, 0, 24, 10};
        m.draw({20, 0, 0, 10});
        EXPECT_EQ(m.columns(0)[5], 7);
        EXPECT_EQ(m.columns(0)[4], -1);
    }
}

TEST_F(BlitScaled, WalkMatchesTheClosedForm)
{
    for (int sw = 1; sw <= 9; ++sw)
        for (int dw = 1; dw <= 23; dw += 2)
            for (int offset : {0, -1, -4, -11})
                for (bool mirror : {false, true}) {
                    mapping m(sw, 2, 24, 3);
                    const int x1 = offset, x2 = offset + dw + (dw == sw ? 1 : 0);  // never handed over
                    m.draw(mirror ? RECT{x2, 0, x1, 3} : RECT{x1, 0, x2, 3});
                    const unsigned step = static_cast<unsigned>(x2 - x1) * 65536u / static_cast<unsigned>(sw);
                    const auto got = m.columns(1);
                    for (int X = 0; X < 24; ++X) {
                        int want = -1;
                        if (X >= x1 && X < x2) {
                            want = static_cast<int>(static_cast<long long>(X - x1) * 65536 / step);
                            if (mirror) want = sw - 1 - want;
                        }
                        ASSERT_EQ(got[static_cast<std::size_t>(X)], want)
                            << "source " << sw << " into " << x2 - x1 << " from " << x1 << " mirror " << mirror << " at " << X;
                    }
                }
}

TEST_F(BlitScaled, EmptyOutsideAndRefusedDrawNothing)
{
    std::mt19937 random(42);
    struct row {
        const char* name;
        RECT r;
        int dst_format, src_format, src_paletted, src_alpha, mode, p;
    };
    const row rows[] = {
        {"no width", {10, 10, 10, 50}, 1, 1, 0, 0, 0, 255},
        {"no height", {10, 10, 50, 10}, 1, 1, 0, 0, 0, 255},
        {"outside the draw area", {40, 0, 60, 10}, 1, 1, 0, 0, 0, 255},
        {"left of the draw area", {-30, 0, 0, 10}, 0, 0, 0, 0, 0, 255},
        {"formats differ", {0, 0, 7, 7}, 1, 0, 0, 0, 0, 255},
        {"paletted destination", {0, 0, 7, 7}, -1, 1, 0, 0, 0, 255},
        {"format 2", {0, 0, 7, 7}, 2, 2, 0, 0, 0, 255},
        {"mode 5", {0, 0, 7, 7}, 1, 1, 0, 0, 5, 255},
        {"mode 9", {0, 0, 7, 7}, 0, 0, 1, 0, 9, 255},
        {"mode 12", {0, 0, 7, 7}, 1, 1, 0, 1, 12, 255},
        {"mode 1 at 0", {7, 0, 0, 7}, 1, 1, 0, 0, 1, 0},
        {"mode 2 at 0", {0, 0, 7, 7}, 0, 0, 0, 1, 2, 0},
        {"mode 3 at 0", {0, 0, 7, 7}, 1, 1, 1, 0, 3, 0},
    };
    for (const row& r : rows) {
        image dst(16, 12, r.dst_format < 0 ? 1 : r.dst_format, r.dst_format < 0 ? 1 : 0);
        image src(3, 3, r.src_format, r.src_paletted, r.src_alpha);
        dst.fill_random(random);
        src.fill_random(random);
        state().area = {0, 0, 16, 12};
        blend(r.mode, r.p);
        const auto before = dst.snapshot();
        for (int flag : {0, 1}) BlitMemImgScaled(&dst, &src, &r.r, flag, nullptr);
        EXPECT_EQ(dst.snapshot(), before) << r.name;
    }
}

TEST_F(BlitScaled, SourceSizeIsHandedOverAndMirroredIsNot)
{
    std::mt19937 random(5);
    for (int format : {0, 1}) {
        image src(5, 4, format, 0, 1, 0, 1), a(9, 8, format), b(9, 8, format);
        src.fill_random(random);
        a.fill_random(random);
        b.restore(a.snapshot());
        media::soft::build_run_table(src.m.base);
        src.m.base->runs_valid = 1;
        src.m.base->runs[0] = 0x40 | 4;  // opaque: only the run-table path copies these whole
        blend(1, 200);
        const RECT r{2, 3, 7, 7};
        BlitMemImgScaled(&a, &src, &r, 1, nullptr);
        BlitMemImg(&b, &src, 2, 3, 1, nullptr);
        EXPECT_EQ(a.snapshot(), b.snapshot()) << format;
        // mirrored: drawn here with steps of 65536, each row reversed
        image plain(5, 2, format), out(5, 2, format);
        plain.fill_random(random);
        blend(0, 255);
        const RECT m{5, 0, 0, 2};
        BlitMemImgScaled(&out, &plain, &m, 0, nullptr);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 5; ++x) EXPECT_EQ(out.get(x, y), plain.get(4 - x, y)) << format;
    }
}

TEST_F(BlitScaled, WhereItComputesDifferentlyFromTheSameSizeBlit)
{
    const RECT twice{0, 0, 4, 1};  // two source pixels, each drawn twice
    // a 32-bit alpha source in mode 0 without flag applies the alpha
    image alpha(2, 1, 1, 0, 1), dst(4, 1, 1);
    alpha.set(0, 0, 0x00123456);   // alpha 0
    alpha.set(1, 0, 0xFFFF0000);   // alpha 255, red 255
    for (int x = 0; x < 4; ++x) dst.set(x, 0, 0x77000000 | static_cast<std::uint32_t>(x));
    BlitMemImgScaled(&dst, &alpha, &twice, 0, nullptr);
    EXPECT_EQ(dst.get(0, 0), 0x77000000u);
    EXPECT_EQ(dst.get(2, 0), 0x77FE0000u) << "red 254, blue 2 + floor(255 x (0 - 2) / 256) = 0";
    for (int x = 0; x < 4; ++x) dst.set(x, 0, 0x77000000);
    BlitMemImgScaled(&dst, &alpha, &twice, 1, nullptr);
    EXPECT_EQ(dst.get(0, 0), 0x77000000u);
    EXPECT_EQ(dst.get(3, 0), 0xFFFF0000u) << "with the flag copied whole";

    // mode 1 has no halving at 128
    image src(2, 1, 1);
    src.set(0, 0, 0x00010101);
    src.set(1, 0, 0x00010101);
    blend(1, 128);
    dst.set(0, 0, 0xAA010101);
    BlitMemImgScaled(&dst, &src, &twice, 0, nullptr);
    EXPECT_EQ(dst.get(0, 0), 0xAA010101u);

    // mode 2 at 255 uses the general add
    blend(2, 255);
    src.set(0, 0, 0x005C7FD0);
    dst.set(0, 0, 0x3390F82E);
    BlitMemImgScaled(&dst, &src, &twice, 0, nullptr);
    EXPECT_EQ(dst.get(0, 0), 0x00EDFFFEu);

    // mode 3 at 255: the 32-bit full-strength subtraction a pixel at a time
    blend(3, 255);
    for (int mmx : {1, 0}) {
        media::soft::set_mmx_enabled(mmx);
        src.set(0, 0, 0x90103020);
        dst.set(0, 0, 0x80402010);
        BlitMemImgScaled(&dst, &src, &twice, 0, nullptr);
        EXPECT_EQ(dst.get(0, 0), mmx ? 0x00300000u : media::soft::subtract_word32(0x80402010, 0x90103020, 0xFEFEFF));
    }
    // 16-bit pixels are never paired: each takes the single subtract
    image s16(2, 1, 0), d16(4, 1, 0);
    s16.set(0, 0, 0xFFFF);
    s16.set(1, 0, 0x0841);
    for (int x = 0; x < 4; ++x) d16.set(x, 0, 0x8410 + static_cast<std::uint32_t>(x));
    BlitMemImgScaled(&d16, &s16, &twice, 0, nullptr);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(d16.get(x, 0), media::soft::subtract_word16(0x8410 + static_cast<std::uint32_t>(x), x < 2 ? 0xFFFF : 0x0841));
}

TEST_F(BlitScaled, Limits)
{
    struct row {
        const char* name;
        RECT r;
        int src_width;
        bool drawn;
    };
    const row rows[] = {
        {"side 32767", {0, 0, 32767, 4}, 2, true},
        {"side 32768", {-1, 0, 32767, 4}, 2, false},
        {"coordinate 32767, mirrored", {32767, 0, 0, 4}, 2, true},
        {"coordinate 32768", {32768, 0, 1, 4}, 2, false},
        {"coordinate -32768", {-32768, 0, 5, 4}, 2, false},
        {"y coordinate -32768", {0, -32768, 5, 4}, 2, false},
        {"clip offset 32766", {-32766, 0, 1, 4}, 2, true},
        {"coordinate INT_MIN", {INT_MIN, 0, 5, 4}, 2, false},
        {"coordinate INT_MAX", {0, 0, INT_MAX, 4}, 2, false},
        {"source width 32767", {0, 0, 8, 4}, 32767, true},
        {"source width 32768", {0, 0, 8, 4}, 32768, false},
    };
    for (const row& r : rows) {
        image src(r.src_width, 2, 1), dst(8, 8, 1);
        for (int x = 0; x < r.src_width; ++x) src.set(x, 0, 0x00FFFFFF);
        for (int x = 0; x < r.src_width; ++x) src.set(x, 1, 0x00FFFFFF);
        state().area = {0, 0, 8, 8};
        BlitMemImgScaled(&dst, &src, &r.r, 0, nullptr);
        bool any = false, outside = false;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                any |= dst.get(x, y) != 0;
                outside |= y >= 4 && dst.get(x, y) != 0;
            }
        EXPECT_EQ(any, r.drawn) << r.name;
        EXPECT_FALSE(outside) << r.name;
    }
    // at the clip-offset edge the column is the closed form's: 32766 x 65536 / step
    mapping m(2, 1, 8, 1);
    m.draw({-32766, 0, 1, 1});
    EXPECT_EQ(m.columns(0)[0], 1);
}

TEST_F(BlitScaled, LoopsMatchTheGenericPathAndTheModel)
{
    std::mt19937 random(4110);
    long cases = 0;
    for (int bits : {16, 32})
        for (int kind = 0; kind < 3; ++kind)
            for (int mode : {0, 1, 2, 3, 4, 10, 11})
                for (int axes = 0; axes < 16; ++axes) {
                    const bool with_blend = axes & 1, bright = axes & 2, flag = axes & 4, mmx = axes & 8;
                    const int format = bits == 32 ? 1 : 0;
                    const int sw = 1 + static_cast<int>(random() % 9), sh = 1 + static_cast<int>(random() % 7);
                    image src(sw, sh, format, source_kinds[kind][0], source_kinds[kind][1]);
                    image dst(25, 17, format), weights(sw, sh, 2);
                    src.fill_random(random);
                    weights.fill_random(random);
                    if (kind == kind_alpha)
                        for (int y = 0; y < sh; ++y)
                            for (int x = 0; x < sw; ++x)
                                if (random() % 2) src.at(x, y)[bits == 32 ? 3 : 2] = random() % 2 ? 0 : 255;
                    int a;
                    bool keyed;
                    std::uint32_t key = source_colour(src, static_cast<int>(random() % sw), 0, &a, &keyed);
                    if (kind == kind_paletted) key = src.at(0, 0)[0];
                    src.m.base->transparent = key;
                    const RECT area{2, 3, 22, 14};
                    for (int trial = 0; trial < 6; ++trial) {
                        const int x1 = -6 + static_cast<int>(random() % 26), y1 = -5 + static_cast<int>(random() % 20);
                        const int w = 1 + static_cast<int>(random() % 23), h = 1 + static_cast<int>(random() % 17);
                        RECT r{x1, y1, x1 + w, y1 + h};
                        if (random() % 2) std::swap(r.left, r.right);
                        if (random() % 2) std::swap(r.top, r.bottom);
                        const int ps[] = {1, 128, 255, static_cast<int>(random() % 255) + 1};
                        const int p = ps[random() % 4];
                        BuildBlendImageWeightTable(static_cast<int>(random() % 256), static_cast<int>(random() % 256));
                        dst.fill_random(random);
                        const auto before = dst.snapshot();
                        blend(mode, p);
                        state().area = area;
                        std::uint32_t bright_word = bright ? static_cast<std::uint32_t>(random()) & 0xFFFFFF : 0xFFFFFF;
                        if (bright && bright_word == 0xFFFFFF) bright_word = 0x7F80FF;
                        state().draw_bright = bright_word;
                        media::soft::set_mmx_enabled(mmx);
                        media::soft::force_generic_loops(1);
                        BlitMemImgScaled(&dst, &src, &r, flag, with_blend ? &weights : nullptr);
                        const auto generic = pixels_of(dst);
                        dst.restore(before);
                        media::soft::force_generic_loops(0);
                        BlitMemImgScaled(&dst, &src, &r, flag, with_blend ? &weights : nullptr);
                        const auto loop = pixels_of(dst);
                        const std::string what = "bits " + std::to_string(bits) + " kind " + std::to_string(kind) +
                                                 " mode " + std::to_string(mode) + " axes " + std::to_string(axes) +
                                                 " p " + std::to_string(p) + " rect " + std::to_string(r.left) + "," +
                                                 std::to_string(r.top) + "," + std::to_string(r.right) + "," +
                                                 std::to_string(r.bottom) + " source " + std::to_string(sw) + "x" +
                                                 std::to_string(sh);
                        ASSERT_EQ(loop, generic) << what;
                        const bool handed_over = std::abs(r.right - r.left) == sw && std::abs(r.bottom - r.top) == sh &&
                                                 r.left < r.right && r.top < r.bottom;
                        if (handed_over) continue;
                        dst.restore(before);
                        std::vector<std::uint32_t> want(generic.size());
                        model_scaled({mode, p, bright_word, mmx, flag}, dst, src, r, with_blend ? std::addressof(weights) : nullptr,
                                     area, &want);
                        for (std::size_t i = 0; i < want.size(); ++i)
                            ASSERT_EQ(generic[i], want[i]) << what << " at " << i % 25 << "," << i / 25;
                        ++cases;
                    }
                }
    EXPECT_GT(cases, 0);
}

// Cases a bug or a fuzzer found: {what, rect, source width, height, drawn}.
TEST_F(BlitScaled, Regressions)
{
    struct row {
        const char* what;
        RECT r;
        int sw, sh;
        bool drawn;
    };
    const row rows[] = {
        {"sides whose step would wrap in 32 bits", {-32767, -32767, 32767, 32767}, 1, 1, false},
        {"a shrink of the widest source to one pixel", {0, 0, 1, 1}, 32767, 1, true},
    };
    for (const row& r : rows) {
        image src(r.sw, r.sh, 1), dst(4, 4, 1);
        for (int x = 0; x < r.sw; ++x) src.set(x, 0, 0xFFFFFF);
        state().area = {0, 0, 4, 4};
        BlitMemImgScaled(&dst, &src, &r.r, 0, nullptr);
        EXPECT_EQ(dst.get(0, 0) != 0, r.drawn) << r.what;
    }
}

}  // namespace
