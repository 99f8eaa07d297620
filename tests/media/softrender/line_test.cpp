// Lines: visited pixels as lists, the five clipping steps, far-out ends
// against guard pixels, outlines under blending, destinations, and every loop
// against the generic path.
#include "media/softrender/line.hpp"

#include "draw_fixture.hpp"
#include "reference_solid.hpp"

#include <climits>
#include <utility>

namespace {

using namespace softrender_test;
using cells = std::vector<std::pair<int, int>>;

class Line : public Draw {};

// The pixels a line visits, as (x, y) sorted by row then column, found by
// adding 1 under mode 2 so that a pixel visited twice would show 2.
cells visited(int x1, int y1, int x2, int y2, RECT area, int w = 16, int h = 16, std::vector<int>* counts = nullptr)
{
    image img(w, h, 1);
    media::gfx::draw_state.area = area;
    media::gfx::draw_state.blend_mode = 2;
    media::gfx::draw_state.blend_param = 255;
    DrawMemImgLine(&img, x1, y1, x2, y2, 1);
    cells out;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (const std::uint32_t v = img.get(x, y) & 0xFF) {
                out.emplace_back(x, y);
                if (counts) counts->push_back(static_cast<int>(v));
            }
    return out;
}

TEST_F(Line, VisitedPixels)
{
    struct row {
        const char* name;
        int x1, y1, x2, y2;
        cells want;
    };
    const RECT all{0, 0, 16, 16};
    const row rows[] = {
        {"shallow, minor axis late", 0, 0, 4, 2, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
        {"horizontal", 2, 5, 7, 5, {{2, 5}, {3, 5}, {4, 5}, {5, 5}, {6, 5}}},
        {"horizontal reversed", 7, 5, 2, 5, {{3, 5}, {4, 5}, {5, 5}, {6, 5}, {7, 5}}},
        {"one pixel", 0, 0, 1, 0, {{0, 0}}},
        {"equal points", 4, 4, 4, 4, {}},
        {"diagonal", 1, 1, 5, 5, {{1, 1}, {2, 2}, {3, 3}, {4, 4}}},
        {"diagonal up-left", 5, 5, 1, 1, {{2, 2}, {3, 3}, {4, 4}, {5, 5}}},
        {"steep", 0, 0, 2, 4, {{0, 0}, {0, 1}, {1, 2}, {1, 3}}},
    };
    for (const row& r : rows) {
        std::vector<int> counts;
        EXPECT_EQ(visited(r.x1, r.y1, r.x2, r.y2, all, 16, 16, &counts), r.want) << r.name;
        for (int c : counts) EXPECT_EQ(c, 1) << r.name;
    }
}

TEST_F(Line, ClippingInFiveSteps)
{
    EXPECT_EQ(visited(-4, 1, 8, 7, {0, 0, 16, 16}),
              (cells{{0, 3}, {1, 3}, {2, 4}, {3, 4}, {4, 5}, {5, 5}, {6, 6}, {7, 6}}));
    EXPECT_EQ(visited(3, -5, 9, 20, {2, 2, 12, 10}),
              (cells{{4, 2}, {4, 3}, {4, 4}, {4, 5}, {5, 6}, {5, 7}, {5, 8}, {5, 9}}));
    EXPECT_EQ(visited(-10, 5, 5, -10, {0, 0, 16, 16}), (cells{{0, 0}}));
    EXPECT_TRUE(visited(20, 0, 30, 10, {0, 0, 16, 16}).empty()) << "box right of the area";
    EXPECT_TRUE(visited(0, -9, 10, -1, {0, 0, 16, 16}).empty()) << "box above the area";
    EXPECT_TRUE(visited(0, 0, 5, 5, {3, 3, 3, 9}).empty()) << "an empty draw area";
}

TEST_F(Line, FarEndsTouchOnlyTheDrawArea)
{
    const int far[] = {INT_MIN + 1, INT_MAX, -1000000, 1000000, 4, -3};
    image img(12, 10, 0);
    state().area = {2, 2, 10, 8};
    blend(0, 255);
    for (int x1 : far)
        for (int y1 : far)
            for (int x2 : far)
                for (int y2 : far) {
                    std::memset(img.at(0, 0), 0, static_cast<std::size_t>(img.m.base->pitch) * 10);
                    DrawMemImgLine(&img, x1, y1, x2, y2, 0xFFFF);
                    for (int y = 0; y < 10; ++y)
                        for (int x = 0; x < 12; ++x)
                            if (x < 2 || x >= 10 || y < 2 || y >= 8) {
                                ASSERT_EQ(img.get(x, y), 0u) << x1 << "," << y1 << " to " << x2 << "," << y2;
                            }
                }
}

TEST_F(Line, OutlineRecordsDrawEachBorderPixelOnce)
{
    const std::int32_t x1 = 1, y1 = 1, x2 = 5, y2 = 4;
    for (std::int32_t sixth : {0, 17}) {
        const MEMIMG_LINE lines[4] = {{x1, y1, x2 - 1, y1, 1, sixth},
                                      {x2 - 1, y1, x2 - 1, y2 - 1, 1, sixth},
                                      {x2 - 1, y2 - 1, x1, y2 - 1, 1, sixth},
                                      {x1, y2 - 1, x1, y1, 1, sixth}};
        image img(8, 8, 1);
        blend(2, 255);
        DrawMemImgLines(&img, lines, 4);
        int border = 0;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const bool on = x >= 1 && x <= 4 && y >= 1 && y <= 3 && (x == 1 || x == 4 || y == 1 || y == 3);
                border += on;
                EXPECT_EQ(img.get(x, y), on ? 1u : 0u) << x << "," << y << " sixth " << sixth;
            }
        EXPECT_EQ(border, 10);
        const auto before = img.snapshot();
        DrawMemImgLines(&img, lines, 0);
        DrawMemImgLines(&img, lines, -1);
        DrawMemImgLines(&img, nullptr, 4);
        EXPECT_EQ(img.snapshot(), before);
    }
}

TEST_F(Line, Destinations)
{
    std::mt19937 random(8202);
    // paletted and one-channel destinations are left unchanged
    for (auto [format, paletted] : {std::pair{1, 1}, {0, 1}, {2, 0}, {3, 0}}) {
        image img(6, 6, format, paletted);
        img.fill_random(random);
        const auto before = img.snapshot();
        DrawMemImgLine(&img, 0, 0, 5, 3, 0x1234);
        EXPECT_EQ(img.snapshot(), before) << format << " " << paletted;
    }
    // 16-bit alpha: the 5:6:5 word in the low 16 bits, bytes 2 and 3 kept
    image a16(4, 1, 0, 0, 1);
    a16.set(0, 0, 0xCDAB1234);
    blend(1, 100);
    DrawMemImgLine(&a16, 0, 0, 1, 0, 25 << 11 | 5 << 5 | 31);
    const std::uint32_t want16 = reference_solid({1, 16, 100, 0xFFFFFF, 0x1234, 25 << 11 | 5 << 5 | 31});
    EXPECT_EQ(a16.get(0, 0), 0xCDAB0000u | want16);
    // 32-bit alpha: byte 3 overwritten by the plain fill and modes 2 and 3, kept by the others
    struct row {
        int mode;
        std::uint32_t want_fourth;
    };
    for (row r : {row{0, 0x12}, row{2, 0x00}, row{3, 0x00}, row{1, 0x9A}, row{4, 0x9A}}) {
        image a32(2, 1, 1, 0, 1);
        a32.set(0, 0, 0x9A405060);
        blend(r.mode, 200);
        DrawMemImgLine(&a32, 0, 0, 1, 0, 0x12102030);
        EXPECT_EQ(a32.get(0, 0) >> 24, r.want_fourth) << "mode " << r.mode;
        EXPECT_EQ(a32.get(0, 0), reference_solid({r.mode, 32, 200, 0xFFFFFF, 0x9A405060, 0x12102030})) << r.mode;
    }
    // modes without arithmetic and the zero-parameter shortcuts draw nothing
    for (auto [mode, p] : {std::pair{5, 100}, {9, 100}, {12, 100}, {1, 0}, {2, 0}, {3, 0}}) {
        image img(6, 6, 1);
        blend(mode, p);
        DrawMemImgLine(&img, 0, 0, 5, 5, 0xFFFFFF);
        EXPECT_EQ(img.snapshot(), std::vector<unsigned char>(6 * 6 * 4, 0)) << mode << " " << p;
    }
}

TEST_F(Line, LoopsMatchTheGenericPath)
{
    std::mt19937 random(3202);
    for (int bits : {16, 32})
        for (int mode : {0, 1, 2, 3, 4, 10, 11})
            for (int trial = 0; trial < 60; ++trial) {
                image img(21, 13, bits == 32 ? 1 : 0, 0, trial % 4 == 0);
                img.fill_random(random);
                const auto before = img.snapshot();
                const int x1 = static_cast<int>(random() % 31) - 5, y1 = static_cast<int>(random() % 21) - 4;
                const int x2 = static_cast<int>(random() % 31) - 5, y2 = static_cast<int>(random() % 21) - 4;
                blend(mode, 1 + static_cast<int>(random() % 255));
                state().area = {1, 2, 20, 11};
                state().draw_bright = trial % 2 ? 0xFFFFFF : static_cast<std::uint32_t>(random()) & 0xFFFFFF;
                const std::uint32_t colour = static_cast<std::uint32_t>(random());
                media::soft::force_generic_loops(1);
                DrawMemImgLine(&img, x1, y1, x2, y2, colour);
                const auto generic = img.snapshot();
                img.restore(before);
                media::soft::force_generic_loops(0);
                DrawMemImgLine(&img, x1, y1, x2, y2, colour);
                ASSERT_EQ(img.snapshot(), generic) << "bits " << bits << " mode " << mode << " " << x1 << "," << y1
                                                   << " to " << x2 << "," << y2;
            }
}

}  // namespace
