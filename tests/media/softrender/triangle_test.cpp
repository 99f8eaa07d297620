// Triangle fill: which pixels a triangle covers (pictures drawn with an
// adding mode, so a pixel drawn twice shows as 2), clipping, far and
// refused triangles, texel addressing at the source's edges, the arithmetic
// of every family against the independent model, and every loop against
// the generic path.
#include "media/softrender/triangle.hpp"

#include "draw_fixture.hpp"
#include "reference_blend.hpp"
#include "reference_solid.hpp"

#include <string>

namespace {

using namespace softrender_test;

class Triangle : public Draw {};

void solid(image& dst, const MEMIMG_VERTEX (&t)[3], std::uint32_t colour)
{
    DrawMemImgTriangle(&dst, nullptr, t, 0, nullptr, colour);
}

// Each pixel's count of draws (the low byte after adding 1 per draw), rows
// separated by '|'; '.' for none.
std::string picture(const image& img)
{
    std::string out;
    for (int y = 0; y < img.m.height; ++y) {
        if (y > 0) out += '|';
        for (int x = 0; x < img.m.width; ++x) {
            const std::uint32_t v = img.get(x, y) & 0xFF;
            out += v == 0 ? '.' : static_cast<char>('0' + v);
        }
    }
    return out;
}

TEST_F(Triangle, CoverageFollowsThePixelRules)
{
    struct row {
        const char* name;
        std::vector<std::array<std::int32_t, 6>> triangles;  // x, y of three corners
        const char* want;                                    // 6 x 5 pixels
    };
    const row rows[] = {
        {"top row drawn, bottom row not, both end columns",
         {{0, 0, 4, 0, 0, 4}},
         "11111.|1111..|111...|11....|......"},
        {"pointed top is one pixel", {{2, 0, 0, 4, 4, 4}}, "..1...|..11..|.111..|.1111.|......"},
        {"middle corner on the right", {{0, 0, 4, 2, 0, 4}}, "1.....|111...|11111.|111...|......"},
        {"corner order does not matter", {{0, 4, 0, 0, 4, 2}}, "1.....|111...|11111.|111...|......"},
        // the top corner's row -1 truncates to 0, so the left side's change
        // of piece restarts at a row already drawn
        {"row of the middle corner twice under a top above row 0",
         {{2, -2, 0, 1, 6, 3}},
         ".111..|12222.|...111|......|......"},
        {"three corners on one row", {{0, 2, 3, 2, 5, 2}}, "......|......|......|......|......"},
        {"three corners on one line", {{0, 0, 2, 2, 4, 4}}, "......|......|......|......|......"},
        {"two corners the same", {{1, 1, 1, 1, 4, 3}}, "......|......|......|......|......"},
        // a horizontal shared edge belongs to the lower triangle only
        {"triangles sharing a row", {{2, 0, 0, 2, 4, 2}, {0, 2, 4, 2, 2, 4}}, "..1...|.111..|11111.|.111..|......"},
        // both end columns of every row are drawn, so the diagonal of a
        // quadrangle is drawn by both of its triangles
        {"quadrangle's diagonal", {{0, 0, 4, 0, 0, 4}, {4, 0, 0, 4, 4, 4}}, "11112.|11121.|11211.|12111.|......"},
        {"corner at x = -1 has column 0", {{-1, 0, 3, 0, -1, 4}}, "1111..|111...|11....|1.....|......"},
    };
    blend(2, 255);
    for (const row& r : rows) {
        image dst(6, 5, 1);
        for (const auto& c : r.triangles) {
            const MEMIMG_VERTEX t[3] = {{c[0], c[1], 0, 0}, {c[2], c[3], 0, 0}, {c[4], c[5], 0, 0}};
            solid(dst, t, 1);
        }
        EXPECT_EQ(picture(dst), r.want) << r.name;
    }
}

TEST_F(Triangle, FarCornersKeepTheirEdges)
{
    struct row {
        const char* name;
        MEMIMG_VERTEX t[3];
        const char* want;  // 6 x 5 pixels
    };
    const row rows[] = {
        // 10000 pixels across: an edge slope of 1000 pixels a row, beyond 14.18
        {"wide thin triangle", {{-5000, 0, 0, 0}, {5000, 0, 0, 0}, {-5000, 10, 0, 0}},
         "111111|111111|111111|111111|111111"},
        // the top row -4 truncates to -3
        {"wide thin triangle, later rows", {{-5000, -4, 0, 0}, {5000, -4, 0, 0}, {-5000, 6, 0, 0}},
         "111111|111111|1.....|......|......"},
        {"corners far outside on every side",
         {{-100000, -100000, 0, 0}, {100000, -100000, 0, 0}, {-100000, 300000, 0, 0}},
         "111111|111111|111111|111111|111111"},
        {"beyond the image", {{100, 100, 0, 0}, {200, 100, 0, 0}, {100, 200, 0, 0}}, "......|......|......|......|......"},
        {"left of the image", {{-100, 0, 0, 0}, {-10, 0, 0, 0}, {-100, 5, 0, 0}}, "......|......|......|......|......"},
        {"corner beyond 2^29 is refused",
         {{0, 0, 0, 0}, {1 << 29, 0, 0, 0}, {0, 4, 0, 0}},
         "......|......|......|......|......"},
        {"extreme corners are refused",
         {{INT32_MIN, INT32_MIN, 0, 0}, {INT32_MAX, 0, 0, 0}, {0, INT32_MAX, 0, 0}},
         "......|......|......|......|......"},
    };
    blend(2, 255);
    for (const row& r : rows) {
        image dst(6, 5, 1);
        DrawMemImgTriangle(&dst, nullptr, r.t, 0, nullptr, 1);
        EXPECT_EQ(picture(dst), r.want) << r.name;
    }
}

// Random triangles, solid and textured, through a draw area inside the image
// give the unclipped picture inside the area and leave the rest alone.
TEST_F(Triangle, ClippingKeepsThePictureInsideTheArea)
{
    std::mt19937 random(9101);
    for (int format : {0, 1}) {
        image src(7, 5, format);
        src.fill_random(random);
        for (int trial = 0; trial < 300; ++trial) {
            MEMIMG_VERTEX t[3];
            for (auto& v : t)
                v = {static_cast<std::int32_t>(random() % 40) - 10, static_cast<std::int32_t>(random() % 30) - 8,
                     static_cast<std::int32_t>(random() % 11) - 2, static_cast<std::int32_t>(random() % 9) - 2};
            const bool textured = trial % 2 == 0;
            image whole(20, 14, format), clipped(20, 14, format);
            whole.fill_random(random);
            clipped.restore(whole.snapshot());
            const auto before = whole.snapshot();
            state().area = {0, 0, 640, 480};
            DrawMemImgTriangle(&whole, textured ? &src : nullptr, t, 0, nullptr, 0x1234567);
            const RECT area{3 + static_cast<int>(random() % 4), 2 + static_cast<int>(random() % 4), 11, 9};
            state().area = area;
            DrawMemImgTriangle(&clipped, textured ? &src : nullptr, t, 0, nullptr, 0x1234567);
            image old(20, 14, format);
            old.restore(before);
            for (int y = 0; y < 14; ++y)
                for (int x = 0; x < 20; ++x) {
                    const bool inside = x >= area.left && x < area.right && y >= area.top && y < area.bottom;
                    ASSERT_EQ(clipped.get(x, y), inside ? whole.get(x, y) : old.get(x, y))
                        << "format " << format << " trial " << trial << " at " << x << "," << y;
                }
        }
    }
}

// Corners and texel positions from all of int (boundary values among them),
// solid and textured: inside a draw area within the image the picture is
// the unclipped one, outside it nothing changes, and no arithmetic
// overflows (the sanitizers see it).
TEST_F(Triangle, CornersFromTheWholeRangeStayInsideTheArea)
{
    std::mt19937 random(9104);
    constexpr std::int32_t limit = 1 << 29;
    const std::int32_t edges[] = {limit - 1, -(limit - 1), limit, -limit, INT32_MAX, -INT32_MAX, INT32_MIN, 0};
    // a corner's x, y, u, v near the image, then one to three of the twelve
    // values replaced: by boundary values, anywhere in int, or anywhere accepted
    const auto far_value = [&](unsigned kind) -> std::int32_t {
        if (kind == 0) return edges[random() % (sizeof edges / sizeof *edges)];
        if (kind == 1) return static_cast<std::int32_t>(random());
        return static_cast<std::int32_t>(random() % (2u * limit - 1)) - (limit - 1);
    };
    int drawn = 0;
    for (int format : {0, 1}) {
        image src(7, 5, format);
        src.fill_random(random);
        for (int trial = 0; trial < 2000; ++trial) {
            MEMIMG_VERTEX t[3];
            for (auto& v : t)
                v = {static_cast<std::int32_t>(random() % 40) - 10, static_cast<std::int32_t>(random() % 30) - 8,
                     static_cast<std::int32_t>(random() % 11) - 2, static_cast<std::int32_t>(random() % 9) - 2};
            const unsigned kind = static_cast<unsigned>(trial / 2) % 3;
            for (int k = 1 + static_cast<int>(random() % 3); k > 0; --k) {
                MEMIMG_VERTEX& v = t[random() % 3];
                std::int32_t* fields[4] = {&v.x, &v.y, &v.u, &v.v};
                *fields[random() % 4] = far_value(kind);
            }
            const bool textured = trial % 2 == 0;
            image whole(20, 14, format), clipped(20, 14, format);
            whole.fill_random(random);
            const auto before = whole.snapshot();
            clipped.restore(before);
            state().area = {0, 0, 640, 480};
            DrawMemImgTriangle(&whole, textured ? &src : nullptr, t, 0, nullptr, 0x1234567);
            const RECT area{3 + static_cast<int>(random() % 4), 2 + static_cast<int>(random() % 4), 11, 9};
            state().area = area;
            DrawMemImgTriangle(&clipped, textured ? &src : nullptr, t, 0, nullptr, 0x1234567);
            drawn += whole.snapshot() != before ? 1 : 0;
            image old(20, 14, format);
            old.restore(before);
            for (int y = 0; y < 14; ++y)
                for (int x = 0; x < 20; ++x) {
                    const bool inside = x >= area.left && x < area.right && y >= area.top && y < area.bottom;
                    ASSERT_EQ(clipped.get(x, y), inside ? whole.get(x, y) : old.get(x, y))
                        << "format " << format << " trial " << trial << " at " << x << "," << y;
                }
        }
    }
    EXPECT_GT(drawn, 100);  // the far triangles that are accepted do reach the image
}

TEST_F(Triangle, RefusedCallsLeaveTheDestination)
{
    std::mt19937 random(12);
    struct row {
        const char* name;
        int dst_format, dst_paletted, dst_alpha;
        int src_format, src_paletted;  // src_format -1: solid
        int mode, p;
        int blend_size;                // 0: no blend image
        MEMIMG_VERTEX t[3];
    };
    const MEMIMG_VERTEX ok[3] = {{0, 0, 0, 0}, {6, 0, 4, 0}, {0, 6, 0, 4}};
    auto r_of = [&](const char* name, int df, int dp, int da, int sf, int sp, int mode, int p, int bs) {
        row r{name, df, dp, da, sf, sp, mode, p, bs, {ok[0], ok[1], ok[2]}};
        return r;
    };
    const row rows[] = {
        r_of("formats differ", 1, 0, 0, 0, 0, 0, 255, 0),
        r_of("paletted destination", 1, 1, 0, 1, 0, 0, 255, 0),
        r_of("alpha destination", 1, 0, 1, 1, 0, 0, 255, 0),
        r_of("alpha destination, solid", 1, 0, 1, -1, 0, 0, 255, 0),
        r_of("one-channel destination, solid", 2, 0, 0, -1, 0, 0, 255, 0),
        r_of("one-channel images", 2, 0, 0, 2, 0, 0, 255, 0),
        r_of("blend image smaller than the source", 1, 0, 0, 1, 0, 0, 255, 3),
        r_of("mode 5", 1, 0, 0, 1, 0, 5, 255, 0),
        r_of("mode 9", 0, 0, 0, -1, 0, 9, 255, 0),
        r_of("mode 12", 1, 0, 0, 1, 1, 12, 255, 0),
        r_of("mode 12, solid", 0, 0, 0, -1, 0, 12, 255, 0),
        r_of("mode 1 at 0", 1, 0, 0, 1, 0, 1, 0, 0),
        r_of("mode 2 at 0, solid", 0, 0, 0, -1, 0, 2, 0, 0),
        r_of("mode 3 at 0, paletted", 1, 0, 0, 1, 1, 3, 0, 0),
        r_of("mode 3 at 0, 16-bit paletted", 0, 0, 0, 0, 1, 3, 0, 0),
    };
    for (const row& r : rows) {
        image dst(8, 8, r.dst_format, r.dst_paletted, r.dst_alpha);
        dst.fill_random(random);
        const int sf = r.src_format < 0 ? 1 : r.src_format;
        image src(4, 4, sf, r.src_paletted);
        src.fill_random(random);
        image blend_img(r.blend_size > 0 ? r.blend_size : 1, r.blend_size > 0 ? r.blend_size : 1, 2);
        blend(r.mode, r.p);
        const auto before = dst.snapshot();
        for (int flag : {0, 1})
            DrawMemImgTriangle(&dst, r.src_format < 0 ? nullptr : &src, r.t, flag, r.blend_size > 0 ? &blend_img : nullptr,
                               0xFFFFFFFF);
        EXPECT_EQ(dst.snapshot(), before) << r.name;
    }
    image dst(8, 8, 1), src(4, 4, 1);
    blend(0, 255);
    DrawMemImgTriangle(nullptr, &src, ok, 0, nullptr, 0);
    DrawMemImgTriangle(&dst, &src, nullptr, 0, nullptr, 0);
    MEMIMG invalid{};
    DrawMemImgTriangle(&dst, &invalid, ok, 0, nullptr, 0);
    EXPECT_EQ(dst.snapshot(), std::vector<unsigned char>(8 * 8 * 4, 0));
    // a source of another format than the destination, a solid fill ignores
    // the flag and the blend image
    image small_blend(1, 1, 2);
    DrawMemImgTriangle(&dst, nullptr, ok, 1, &small_blend, 0x00ABCDEF);
    EXPECT_EQ(dst.get(0, 0), 0x00ABCDEFu);
}

// Each drawn pixel's texel, the source pixels numbered x + 16 y + 1.
std::string texels(const image& img)
{
    std::string out;
    for (int y = 0; y < img.m.height; ++y) {
        if (y > 0) out += '|';
        for (int x = 0; x < img.m.width; ++x) {
            const std::uint32_t v = img.get(x, y);
            out += v == 0 ? std::string(" ..") : " " + std::to_string((v - 1) % 16) + std::to_string((v - 1) / 16);
        }
    }
    return out;
}

TEST_F(Triangle, TexelsComeFromTheAffineMapping)
{
    image src(8, 8, 1);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) src.set(x, y, static_cast<std::uint32_t>(x + 16 * y + 1));
    struct row {
        const char* name;
        std::vector<MEMIMG_VERTEX> corners;  // one or two triangles
        const char* want;                    // 5 x 4 pixels, "xy" of each texel
    };
    const row rows[] = {
        // u and v steps of 1.0, anchored at the first corner; u = 8 at column
        // 8 would be outside
        {"identity", {{0, 0, 0, 0}, {8, 0, 8, 0}, {0, 8, 0, 8}},
         " 00 10 20 30 40| 01 11 21 31 41| 02 12 22 32 42| 03 13 23 33 43"},
        // the graph's quadrangle: the texels at u = w and v = h are outside
        {"quadrangle of a 3 x 2 picture", {{0, 0, 0, 0}, {3, 0, 3, 0}, {0, 2, 0, 2}, {3, 0, 3, 0}, {0, 2, 0, 2}, {3, 2, 3, 2}},
         " 00 10 20 .. ..| 01 11 21 .. ..| .. .. .. .. ..| .. .. .. .. .."},
        {"mirrored", {{0, 0, 4, 0}, {4, 0, 0, 0}, {0, 4, 4, 4}},
         " 40 30 20 10 00| 41 31 21 11 ..| 42 32 22 .. ..| 43 33 .. .. .."},
        // texel positions below 0 are outside: no wrapping
        {"shifted left", {{0, 0, -2, 0}, {8, 0, 6, 0}, {0, 8, -2, 8}},
         " .. .. 00 10 20| .. .. 01 11 21| .. .. 02 12 22| .. .. 03 13 23"},
        {"twice the size", {{0, 0, 0, 0}, {8, 0, 4, 0}, {0, 8, 0, 4}},
         " 00 00 10 10 20| 00 00 10 10 20| 01 01 11 11 21| 01 01 11 11 21"},
        {"past the source", {{0, 0, 7, 0}, {8, 0, 15, 0}, {0, 8, 7, 8}},
         " 70 .. .. .. ..| 71 .. .. .. ..| 72 .. .. .. ..| 73 .. .. .. .."},
    };
    for (const row& r : rows) {
        image dst(5, 4, 1);
        // the quadrangle's picture is a 3 x 2 view of the source
        MEMIMG view{};
        MakeSubMemImg(&view, &src.m, 0, 0, 3, 2);
        MEMIMG* from = r.corners.size() == 6 ? &view : &src.m;
        for (std::size_t i = 0; i + 3 <= r.corners.size(); i += 3)
            DrawMemImgTriangle(&dst, from, &r.corners[i], 0, nullptr, 0);
        ReleaseMemImg(&view);
        EXPECT_EQ(texels(dst), r.want) << r.name;
    }
    // a span that starts left of the draw area takes the texel of its first
    // drawn column
    image dst(5, 4, 1);
    state().area = {2, 1, 5, 4};
    const MEMIMG_VERTEX t[3] = {{0, 0, 0, 0}, {8, 0, 8, 0}, {0, 8, 0, 8}};
    DrawMemImgTriangle(&dst, &src, t, 0, nullptr, 0);
    EXPECT_EQ(texels(dst), " .. .. .. .. ..| .. .. 21 31 41| .. .. 22 32 42| .. .. 23 33 43");
}

// The triangle's rule for one pixel by the independent model: the blit's
// general arithmetic, with the alpha applied in mode 0 without modifiers and
// alpha-0 texels drawn by the modes that do not skip them.
bool model(blend_case c, std::uint32_t* out)
{
    const bool bright_on = (c.bright & 0xFFFFFF) != 0xFFFFFF;
    const int mode = c.mode == 1 && c.p == 255 ? 0 : c.mode;
    c.plain = false;
    c.mmx = false;
    if (mode == 0 && c.alpha && !c.blend_image && !bright_on && !c.transparency) {
        const int s32[3] = {0, 8, 16}, s16[3] = {0, 5, 11}, w16[3] = {5, 6, 5};
        std::uint32_t r = c.bits == 32 ? c.d & 0xFF000000u : 0;
        for (int i = 0; i < 3; ++i) {
            const int sh = c.bits == 32 ? s32[i] : s16[i], top = c.bits == 32 ? 255 : (1 << w16[i]) - 1;
            const int s = static_cast<int>(c.s >> sh) & top, d = static_cast<int>(c.d >> sh) & top;
            const int v = d + (s - d) * c.a / 256 - ((s - d) * c.a % 256 < 0 ? 1 : 0);
            r |= static_cast<std::uint32_t>(v) << sh;
        }
        *out = r;
        return true;
    }
    if (c.alpha && c.transparency && c.a == 0 && (mode == 4 || mode == 11 || (mode == 10 && c.bits == 32)))
        c.transparency = false;
    return reference_blend(c, out);
}

struct family {
    const char* name;
    int format, paletted, alpha;
};
const family families[] = {
    {"32-bit", 1, 0, 0}, {"32-bit alpha", 1, 0, 1}, {"32-bit paletted", 1, 1, 0},
    {"16-bit", 0, 0, 0}, {"16-bit alpha", 0, 0, 1}, {"16-bit paletted", 0, 1, 0},
};

// Every family, mode and modifier over random pixels: each covered pixel
// against the model, and the specialised loops against the generic path.
TEST_F(Triangle, EveryFamilyMatchesTheModelAndTheGenericPath)
{
    std::mt19937 random(9103);
    BuildBlendImageWeightTable(40, 180);
    const MEMIMG_VERTEX t[3] = {{0, 0, 0, 0}, {8, 0, 8, 0}, {0, 8, 0, 8}};
    for (const family& f : families)
        for (int mode : {0, 1, 2, 3, 4, 10, 11})
            for (int axes = 0; axes < 8; ++axes)
                for (int trial = 0; trial < 3; ++trial) {
                    const bool with_blend = (axes & 1) != 0, bright_on = (axes & 2) != 0, flag = (axes & 4) != 0;
                    const int special[] = {255, 128, 1, 254};
                    int p = trial == 0 ? special[random() % 4] : static_cast<int>(random() % 256);
                    if (mode >= 1 && mode <= 3 && p == 0) p = 1;
                    const std::uint32_t bright = bright_on ? static_cast<std::uint32_t>(random()) & 0xFFFFFF : 0xFFFFFF;
                    const int bits = f.format == 1 ? 32 : 16;
                    image src(8, 8, f.format, f.paletted, f.alpha), bl(8, 8, 2), dst(8, 8, f.format);
                    src.fill_random(random);
                    bl.fill_random(random);
                    dst.fill_random(random);
                    // the transparent colour is one of the texels; alpha 0 and 255 are common
                    const std::uint32_t key = f.paletted ? *src.at(3, 2) : src.get(3, 2) & (bits == 32 || f.alpha ? 0xFFFFFFFF : 0xFFFF);
                    src.m.base->transparent = key;
                    if (f.alpha)
                        for (int y = 0; y < 8; ++y)
                            for (int x = 0; x < 8; ++x)
                                if ((x + y) % 3 != 2) src.at(x, y)[bits == 32 ? 3 : 2] = (x + y) % 3 == 0 ? 0 : 255;
                    if (f.paletted) *src.at(5, 1) = static_cast<unsigned char>(key);
                    state().blend_mode = mode;
                    state().blend_param = p;
                    state().draw_bright = bright;
                    const auto before = dst.snapshot();
                    image old(8, 8, f.format);
                    old.restore(before);
                    DrawMemImgTriangle(&dst, &src, t, flag, with_blend ? &bl : nullptr, 0);
                    const std::string what = std::string(f.name) + " mode " + std::to_string(mode) + " p " +
                                             std::to_string(p) + " axes " + std::to_string(axes);
                    for (int y = 0; y < 8; ++y)
                        for (int x = 0; x < 8; ++x) {
                            std::uint32_t want = old.get(x, y);
                            if (x + y <= 8) {
                                blend_case c{};
                                c.mode = mode;
                                c.bits = bits;
                                c.blend_image = with_blend;
                                c.alpha = f.alpha != 0;
                                c.transparency = flag;
                                c.p = p;
                                c.bright = bright;
                                c.transparent = key;
                                c.w = media::soft::blend_tables.weight[*bl.at(x, y)];
                                c.d = want;
                                if (f.paletted) {
                                    const unsigned index = *src.at(x, y);
                                    const auto* palette = static_cast<const unsigned char*>(src.m.base->palette);
                                    std::memcpy(&c.s, palette + index * (bits / 8), static_cast<std::size_t>(bits / 8));
                                    if (bits == 16) c.s &= 0xFFFF;
                                    c.transparency = false;
                                    if (flag && index == key) c.mode = -1;  // skipped
                                } else {
                                    c.s = src.get(x, y);
                                    if (f.alpha) {
                                        c.a = src.at(x, y)[bits == 32 ? 3 : 2];
                                        if (bits == 16) c.s &= 0xFFFF;
                                    }
                                }
                                std::uint32_t got;
                                if (c.mode >= 0 && model(c, &got)) want = got;
                            }
                            ASSERT_EQ(dst.get(x, y), want) << what << " at " << x << "," << y;
                        }
                    // the generic path, byte for byte
                    const auto drawn = dst.snapshot();
                    dst.restore(before);
                    media::soft::force_generic_loops(1);
                    DrawMemImgTriangle(&dst, &src, t, flag, with_blend ? &bl : nullptr, 0);
                    media::soft::force_generic_loops(0);
                    ASSERT_EQ(dst.snapshot(), drawn) << what << " (generic path)";
                }
}

TEST_F(Triangle, SolidFillsMatchTheModelAndTheGenericPath)
{
    std::mt19937 random(9102);
    const MEMIMG_VERTEX t[3] = {{0, 0, 0, 0}, {8, 0, 0, 0}, {0, 8, 0, 0}};
    for (int bits : {16, 32})
        for (int mode : {0, 1, 2, 3, 4, 10, 11})
            for (int trial = 0; trial < 20; ++trial) {
                int p = static_cast<int>(random() % 256);
                if (mode >= 1 && mode <= 3 && p == 0) p = 1;
                const std::uint32_t bright = trial % 2 ? 0xFFFFFF : static_cast<std::uint32_t>(random()) & 0xFFFFFF;
                const std::uint32_t mask = bits == 32 ? 0xFFFFFFFF : 0xFFFF;
                const std::uint32_t colour = static_cast<std::uint32_t>(random()) & mask;
                image dst(9, 9, bits == 32 ? 1 : 0);
                dst.fill_random(random);
                const auto before = dst.snapshot();
                image old(9, 9, bits == 32 ? 1 : 0);
                old.restore(before);
                blend(mode, p);
                state().draw_bright = bright;
                DrawMemImgTriangle(&dst, nullptr, t, 0, nullptr, colour);
                // draw bright through the products table: / 255 rounded down
                std::uint32_t prepared = bits == 32 ? colour & 0xFF000000u : 0;
                const int sh[3] = {0, bits == 32 ? 8 : 5, bits == 32 ? 16 : 11};
                const int top[3] = {bits == 32 ? 255 : 31, bits == 32 ? 255 : 63, bits == 32 ? 255 : 31};
                for (int i = 0; i < 3; ++i) {
                    const std::uint32_t v = (colour >> sh[i] & static_cast<std::uint32_t>(top[i])) * (bright >> (8 * i) & 0xFF) / 255;
                    prepared |= v << sh[i];
                }
                const int m = mode == 1 && p == 255 ? 0 : mode;
                for (int y = 0; y < 9; ++y)
                    for (int x = 0; x < 9; ++x) {
                        const std::uint32_t d = old.get(x, y);
                        const std::uint32_t want =
                            x + y <= 8 && y < 8 ? reference_solid({m, bits, p, 0xFFFFFF, d, prepared}) : d;
                        ASSERT_EQ(dst.get(x, y), want) << bits << " mode " << mode << " p " << p << " at " << x << "," << y;
                    }
                const auto drawn = dst.snapshot();
                dst.restore(before);
                media::soft::force_generic_loops(1);
                DrawMemImgTriangle(&dst, nullptr, t, 0, nullptr, colour);
                media::soft::force_generic_loops(0);
                ASSERT_EQ(dst.snapshot(), drawn) << bits << " mode " << mode << " (generic path)";
            }
}

// Known results of single pixels: the triangle (0, 0), (2, 0), (0, 2) of a
// 1 x 1 source covers pixel (0, 0) with its texel.
TEST_F(Triangle, LiteralPixels)
{
    struct row {
        const char* name;
        int format, alpha, mode, p;
        std::uint32_t bright;
        int flag;
        std::uint32_t transparent, s, d, want;
        int weight = -1;  // the blend image's weight at the texel; -1: no blend image
    };
    const std::uint32_t rgb16_5_9_7 = 5u << 11 | 9u << 5 | 7u;
    const row rows[] = {
        {"32-bit mode 10 at 255 is no exact inverse", 1, 0, 10, 255, 0xFFFFFF, 0, 0, 0, 0, 0x00FEFEFE},
        // alpha 255, blend weight 255: the weight of 255 is no exact 1
        {"32-bit alpha mode 10, weight 255, black over black", 1, 1, 10, 255, 0xFFFFFF, 0, 0, 0xFF000000, 0,
         0x00FCFCFC, 255},
        {"32-bit alpha mode 10, weight 255, white over white", 1, 1, 10, 255, 0xFFFFFF, 0, 0, 0xFFFFFFFF, 0x00FFFFFF,
         0x00020202, 255},
        {"32-bit mode 2, draw bright blue 128", 1, 0, 2, 255, 0xFFFF80, 0, 0, 0x003264C8, 0x00646464, 0x0096C8C8},
        // the packed add and subtract, channels (blue, green, red) from byte 0
        {"32-bit add: blue saturates, green takes the carry", 1, 0, 2, 255, 0xFFFFFF, 0, 0, 0x0000000A, 0x000A0AFA,
         0x000A0BFF},
        {"32-bit add: green and red add on their upper bits", 1, 0, 2, 255, 0xFFFFFF, 0, 0, 0x00010101, 0x00010101,
         0x00010102},
        {"32-bit subtract: blue saturates at 0", 1, 0, 3, 255, 0xFFFFFF, 0, 0, 0x0000000A, 0x000A0A05, 0x000B0A00},
        {"32-bit subtract of nothing", 1, 0, 3, 255, 0xFFFFFF, 0, 0, 0, 0x000A0A05, 0x000B0B05},
        {"32-bit subtract of itself", 1, 0, 3, 255, 0xFFFFFF, 0, 0, 0x00030303, 0x00030303, 0x00010100},
        // blend weight 0 in each mode
        {"32-bit weight 0, mode 0", 1, 0, 0, 255, 0xFFFFFF, 0, 0, 0x00ABCDEF, 0x11785634, 0x11785634, 0},
        {"32-bit weight 0, mode 1", 1, 0, 1, 128, 0xFFFFFF, 0, 0, 0x00ABCDEF, 0x11785634, 0x11785634, 0},
        {"32-bit weight 0, mode 10", 1, 0, 10, 255, 0xFFFFFF, 0, 0, 0x00ABCDEF, 0x11785634, 0x11785634, 0},
        {"32-bit weight 0, mode 11", 1, 0, 11, 255, 0xFFFFFF, 0, 0, 0x00ABCDEF, 0x11785634, 0x11785634, 0},
        {"32-bit weight 0, mode 2 clears byte 3", 1, 0, 2, 255, 0xFFFFFF, 0, 0, 0x00ABCDEF, 0x11785634, 0x00785634, 0},
        {"32-bit weight 0, mode 3", 1, 0, 3, 255, 0xFFFFFF, 0, 0, 0x00ABCDEF, 0x11785634, 0x00795734, 0},
        {"32-bit weight 0, mode 4 blackens", 1, 0, 4, 255, 0xFFFFFF, 0, 0, 0x00ABCDEF, 0x11785634, 0x11000000, 0},
        {"16-bit weight 0, mode 0", 0, 0, 0, 255, 0xFFFFFF, 0, 0, 0xFFFF, rgb16_5_9_7, rgb16_5_9_7, 0},
        {"16-bit weight 0, mode 1", 0, 0, 1, 128, 0xFFFFFF, 0, 0, 0xFFFF, rgb16_5_9_7, rgb16_5_9_7, 0},
        {"16-bit weight 0, mode 10", 0, 0, 10, 255, 0xFFFFFF, 0, 0, 0xFFFF, rgb16_5_9_7, rgb16_5_9_7, 0},
        {"16-bit weight 0, mode 11", 0, 0, 11, 255, 0xFFFFFF, 0, 0, 0xFFFF, rgb16_5_9_7, rgb16_5_9_7, 0},
        {"16-bit weight 0, mode 2", 0, 0, 2, 255, 0xFFFFFF, 0, 0, 0xFFFF, rgb16_5_9_7, rgb16_5_9_7, 0},
        {"16-bit weight 0, mode 3", 0, 0, 3, 255, 0xFFFFFF, 0, 0, 0xFFFF, rgb16_5_9_7, 5u << 11 | 8u << 5 | 7u, 0},
        {"16-bit weight 0, mode 4", 0, 0, 4, 255, 0xFFFFFF, 0, 0, 0xFFFF, rgb16_5_9_7, 0, 0},
        {"16-bit mode 1 at 255, weight 128, white over black", 0, 0, 1, 255, 0xFFFFFF, 0, 0, 0xFFFF, 0, 0x7BEF, 128},
        {"16-bit mode 10, weight 255", 0, 0, 10, 255, 0xFFFFFF, 0, 0, 2 << 11 | 17 << 5 | 20, 21 << 11 | 30 << 5 | 13,
         28u << 11 | 45u << 5 | 11u, 255},
        {"16-bit mode 2, weight 200, bright green 100: the bright first", 0, 0, 2, 255, 0xFF64FF, 0, 0, 63u << 5, 0,
         18u << 5, 200},
        {"16-bit add saturates red and blue", 0, 0, 2, 255, 0xFFFFFF, 0, 0, 4 << 11 | 1 << 5 | 1,
         30 << 11 | 10 << 5 | 31, 31u << 11 | 11u << 5 | 31u},
        {"16-bit add of ones", 0, 0, 2, 255, 0xFFFFFF, 0, 0, 1 << 11 | 1 << 5 | 1, 1 << 11 | 1 << 5 | 1,
         1u << 11 | 1u << 5 | 2u},
        {"16-bit subtract saturates blue", 0, 0, 3, 255, 0xFFFFFF, 0, 0, 4 << 11 | 8 << 5 | 9, 10 << 11 | 20 << 5 | 5,
         7u << 11 | 12u << 5 | 0u},
        {"16-bit subtract of itself", 0, 0, 3, 255, 0xFFFFFF, 0, 0, 3 << 11 | 3 << 5 | 3, 3 << 11 | 3 << 5 | 3,
         1u << 11 | 0u << 5 | 0u},
        {"32-bit copy stores byte 3", 1, 0, 0, 255, 0xFFFFFF, 0, 0, 0xAB123456, 0, 0xAB123456},
        {"32-bit copy with draw bright keeps byte 3", 1, 0, 0, 255, 0xFEFFFF, 0, 0, 0xAB123456, 0x77000000, 0x77113456},
        {"32-bit key compares byte 3", 1, 0, 0, 255, 0xFFFFFF, 1, 0x00123456, 0x01123456, 0, 0x01123456},
        {"32-bit key", 1, 0, 0, 255, 0xFFFFFF, 1, 0x00123456, 0x00123456, 0x42, 0x42},
        {"32-bit alpha, flag, a = 255 stores the word", 1, 1, 0, 255, 0xFFFFFF, 1, 0, 0xFF102030, 0, 0xFF102030},
        {"32-bit alpha, no flag: the alpha applies", 1, 1, 0, 255, 0xFFFFFF, 0, 0, 0x80FFFFFF, 0, 0x007F7F7F},
        {"32-bit alpha mode 4, flag, a = 0 darkens", 1, 1, 4, 255, 0xFFFFFF, 1, 0, 0x00FFFFFF, 0x11FFFFFF, 0x11000000},
        {"32-bit alpha mode 11, flag, a = 0 is drawn", 1, 1, 11, 255, 0xFFFFFF, 1, 0, 0x00FFFFFF, 0x11FFFFFF, 0x11FFFFFF},
        {"32-bit alpha mode 1, flag, a = 0 skipped", 1, 1, 1, 128, 0xFFFFFF, 1, 0, 0x00FFFFFF, 0x11000000, 0x11000000},
        {"32-bit add saturates red into byte 3", 1, 0, 2, 255, 0xFFFFFF, 0, 0, 0x000A0000, 0x00FA0000, 0x01FF0000},
        {"16-bit alpha, no flag, a = 255 is still a blend", 0, 1, 0, 255, 0xFFFFFF, 0, 0, 0x00FFFFFF, 0, 0xF7DE},
        {"16-bit alpha, flag, a = 255 copies", 0, 1, 0, 255, 0xFFFFFF, 1, 0, 0x00FFFFFF, 0, 0xFFFF},
        {"16-bit alpha, flag, a = 0 skipped", 0, 1, 0, 255, 0xFFFFFF, 1, 0, 0x0000FFFF, 0x1234, 0x1234},
        {"16-bit alpha mode 10, flag, a = 0 skipped", 0, 1, 10, 255, 0xFFFFFF, 1, 0, 0x0000FFFF, 0x1234, 0x1234},
        {"16-bit alpha mode 4, a = 0 blackens", 0, 1, 4, 255, 0xFFFFFF, 1, 0, 0x0000FFFF, 0xFFFF, 0},
        {"16-bit key of more than 16 bits matches nothing", 0, 0, 0, 255, 0xFFFFFF, 1, 0x10000 | 0x1234, 0x1234, 0, 0x1234},
        {"16-bit key", 0, 0, 0, 255, 0xFFFFFF, 1, 0x1234, 0x1234, 0x4321, 0x4321},
        {"16-bit draw bright 128 on white", 0, 0, 0, 255, 0x808080, 0, 0, 0xFFFF, 0, 0x7BEF},
        {"16-bit mode 10 at 255 writes the inverse", 0, 0, 10, 255, 0xFFFFFF, 0, 0, 2 << 11 | 17 << 5 | 20, 0x1234,
         29u << 11 | 46u << 5 | 11u},
        {"16-bit mode 11 at 255 writes the product", 0, 0, 11, 255, 0xFFFFFF, 0, 0, 0xFFFF, 21 << 11 | 30 << 5 | 13,
         20u << 11 | 29u << 5 | 12u},
        {"16-bit alpha mode 2, bright green 100: the alpha first", 0, 1, 2, 255, 0xFF64FF, 0, 0, 200u << 16 | 63u << 5, 0,
         19u << 5},
        {"16-bit alpha mode 11, green with five more bits", 0, 1, 11, 255, 0xFFFFFF, 0, 0, 255u << 16 | 3u << 5, 63u << 5,
         3u << 5},
        {"16-bit alpha mode 11, same with draw bright", 0, 1, 11, 255, 0xFFFFFE, 0, 0, 255u << 16 | 3u << 5, 63u << 5,
         2u << 5},
        {"16-bit subtract of nothing", 0, 0, 3, 255, 0xFFFFFF, 0, 0, 0, 5 << 11 | 9 << 5 | 7, 5u << 11 | 8u << 5 | 7u},
    };
    const MEMIMG_VERTEX t[3] = {{0, 0, 0, 0}, {2, 0, 2, 0}, {0, 2, 0, 2}};
    constexpr unsigned char weight_byte = 0x40;
    for (const row& r : rows) {
        image src(1, 1, r.format, 0, r.alpha, r.transparent), dst(1, 1, r.format), bl(1, 1, 2);
        src.set(0, 0, r.s);
        dst.set(0, 0, r.d);
        *bl.at(0, 0) = weight_byte;
        if (r.weight >= 0) media::soft::blend_tables.weight[weight_byte] = static_cast<std::uint8_t>(r.weight);
        blend(r.mode, r.p);
        state().draw_bright = r.bright;
        DrawMemImgTriangle(&dst, &src, t, r.flag, r.weight >= 0 ? &bl : nullptr, 0);
        EXPECT_EQ(dst.get(0, 0), r.want) << r.name;
    }
}

TEST_F(Triangle, PalettedSources)
{
    const MEMIMG_VERTEX t[3] = {{0, 0, 0, 0}, {4, 0, 4, 0}, {0, 4, 0, 4}};
    for (int format : {0, 1}) {
        const int bytes = format == 1 ? 4 : 2;
        image src(2, 1, format, 1, 0, 7), dst(2, 1, format);
        *src.at(0, 0) = 7;
        *src.at(1, 0) = 9;
        auto* palette = static_cast<unsigned char*>(src.m.base->palette);
        const std::uint32_t white = format == 1 ? 0xAAFFFFFF : 0xFFFF;
        std::memcpy(palette + 7 * bytes, &white, static_cast<std::size_t>(bytes));
        std::memcpy(palette + 9 * bytes, &white, static_cast<std::size_t>(bytes));
        // the index is compared, not the colour
        DrawMemImgTriangle(&dst, &src, t, 1, nullptr, 0);
        EXPECT_EQ(dst.get(0, 0), 0u) << format;
        EXPECT_EQ(dst.get(1, 0), white) << format << ": the copy stores the whole entry";
        DrawMemImgTriangle(&dst, &src, t, 0, nullptr, 0);
        EXPECT_EQ(dst.get(0, 0), white) << format;
        // a key above 255 matches no index
        src.m.base->transparent = 0x107;
        dst.set(0, 0, 0);
        DrawMemImgTriangle(&dst, &src, t, 1, nullptr, 0);
        EXPECT_EQ(dst.get(0, 0), white) << format;
        // mode 4: white still darkens the 16-bit pixel
        dst.set(0, 0, format == 1 ? 0x00FFFFFF : 0xFFFF);
        blend(4, 17);
        DrawMemImgTriangle(&dst, &src, t, 0, nullptr, 0);
        EXPECT_EQ(dst.get(0, 0), format == 1 ? 0x00FEFEFEu : 0xF7DEu) << format;
        blend(0, 255);
    }
    // 16-bit mode 1 at 128 through the differences table
    image src(1, 1, 0, 1), dst(1, 1, 0);
    const std::uint32_t green = 63 << 5;
    std::memcpy(src.m.base->palette, &green, 2);
    dst.set(0, 0, 31u << 11);
    blend(1, 128);
    DrawMemImgTriangle(&dst, &src, t, 0, nullptr, 0);
    EXPECT_EQ(dst.get(0, 0), 16u << 11 | 31u << 5);
}

TEST_F(Triangle, SolidDrawBrightGoesThroughTheProductsTable)
{
    const MEMIMG_VERTEX t[3] = {{0, 0, 0, 0}, {2, 0, 0, 0}, {0, 2, 0, 0}};
    struct row {
        const char* name;
        int format;
        std::uint32_t bright, colour, want;
    };
    const row rows[] = {
        {"bright 128 on 255 gives 128", 1, 0x808080, 0xEEFFFFFF, 0xEE808080},
        {"only red kept", 1, 0xFF0000, 0x00123456, 0x00120000},
        {"16-bit only red kept", 0, 0xFF0000, 0xFFFF, 0xF800},
        {"16-bit bright 128", 0, 0x808080, 0xFFFF, 0x7BEF},
    };
    for (const row& r : rows) {
        image dst(1, 1, r.format);
        state().draw_bright = r.bright;
        DrawMemImgTriangle(&dst, nullptr, t, 0, nullptr, r.colour);
        EXPECT_EQ(dst.get(0, 0), r.want) << r.name;
    }
}

}  // namespace
