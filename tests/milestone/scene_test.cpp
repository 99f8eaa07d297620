// One frame of the milestone scene on the headless backend, checked against
// the drawing rules: box interiors and edges, the blended box's arithmetic,
// the frame box, the lines, the three pictures stretched by the nearest
// mapping, and the text inside its measured boxes. The frame is written as
// a PNG for a person to look at, with the points the window run compares.
#include <algorithm>
#include <cstring>
#include <iterator>
#include <cstdio>
#include <fstream>
#include <vector>

#include "media/core/log_folder.hpp"
#include "media/graphics/draw.hpp"
#include "media/graphics/drawstate.hpp"
#include "media/graphics/graph.hpp"
#include "media/graphics/library_files.hpp"
#include "media/graphics/present.hpp"
#include "media/graphics/startup.hpp"
#include "media/graphics/string_draw.hpp"
#include "media/softrender/internal.hpp"
#include "media/softrender/reference_solid.hpp"
#include "media/system/startup.hpp"
#include "pictures.hpp"
#include "scene.hpp"

namespace {

using milestone::box;
using milestone::rgb;

std::uint32_t packed(const rgb& c)
{
    return static_cast<std::uint32_t>(c.r) << 16 | static_cast<std::uint32_t>(c.g) << 8 | static_cast<std::uint32_t>(c.b);
}

// mode 1 at p over d, by the independent model
std::uint32_t blended(std::uint32_t d, std::uint32_t s, int p)
{
    return softrender_test::reference_solid({1, 32, p, 0xFFFFFF, d, s}) & 0xFFFFFF;
}

class Milestone : public media_test::headless_media {
protected:
    void SetUp() override
    {
        headless_media::SetUp();
        media::soft::reset_state();
        platform::headless::set_clock_step(1);
        ASSERT_EQ(milestone::start("milestone"), 0);
        platform::headless::set_clock_step(0);
        settle();
    }
    void TearDown() override
    {
        DeleteAllGraphs(0);
        EndMediaLayer();
        media::soft::reset_state();
        headless_media::TearDown();
    }

    // The presented frame's pixel as 0xRRGGBB.
    static std::uint32_t at(int x, int y)
    {
        const auto& f = platform::headless::frame();
        std::uint32_t v;
        std::memcpy(&v, f.pixels.data() + static_cast<std::size_t>(y) * f.pitch + x * 4, 4);
        return v & 0xFFFFFF;
    }
    static int red(int x, int y) { return static_cast<int>(at(x, y) >> 16); }
};

TEST_F(Milestone, OneFrameShowsTheSceneByTheDrawingRules)
{
    milestone::pictures p;
    ASSERT_EQ(milestone::load(MILESTONE_PICTURES, p), 0);

    // each string drawn alone over black lights pixels only inside its box
    struct text {
        const char* s;
        int x, y, w = 0, h = 0;
    } texts[] = {{milestone::latin_text, milestone::latin_x, milestone::latin_y},
                 {milestone::japanese_text, milestone::japanese_x, milestone::japanese_y}};
    for (text& t : texts) {
        int size[2] = {};
        t.w = DrawOrMeasureString(0, 0, 0, 0, 1.0, 1.0, t.s, 0, nullptr, nullptr, 1, QueryDefaultFontHandle(), 0, -1,
                                  0, size);
        t.h = size[1];
        ASSERT_GT(t.w, 0);
        EXPECT_EQ(MeasureStringDefaultFont(t.s, -1, 0), t.w);
    }

    milestone::draw(p);
    ASSERT_EQ(FlipDrawScreen(), 0);
    const auto& f = platform::headless::frame();
    ASSERT_EQ(f.width, 800);
    ASSERT_EQ(f.height, 600);
    ASSERT_EQ(f.bits, 32);
    ASSERT_EQ(platform::headless::dump_frame_png(L"" MILESTONE_FRAME_W), 0);

    // boxes: the solid one, the blend at 128 over it and over black
    const std::uint32_t red_box = packed(milestone::solid_red), blue_box = packed(milestone::blended_blue);
    const box s = milestone::solid_box, b = milestone::blended_box;
    EXPECT_EQ(at(s.l, s.t), red_box);
    EXPECT_EQ(at(s.r - 1, s.t + 10), red_box);
    EXPECT_EQ(at(s.l - 1, s.t), 0u);
    EXPECT_EQ(at(s.l, s.b), 0u);
    EXPECT_EQ(at(b.l, b.t), blended(red_box, blue_box, 128));
    EXPECT_EQ(at(s.r - 1, s.b - 1), blended(red_box, blue_box, 128));
    EXPECT_EQ(at(s.r, b.t), blended(0, blue_box, 128));
    EXPECT_EQ(at(b.r - 1, b.b - 1), blended(0, blue_box, 128));
    EXPECT_EQ(at(b.r, b.b - 1), 0u);
    EXPECT_EQ(at(b.l, b.b), 0u);

    // the outline: its four edges, the inside untouched
    const box o = milestone::outline_box;
    const std::uint32_t yellow = packed(milestone::outline_yellow);
    for (int x = o.l; x < o.r; ++x) {
        EXPECT_EQ(at(x, o.t), yellow) << x;
        EXPECT_EQ(at(x, o.b - 1), yellow) << x;
    }
    for (int y = o.t; y < o.b; ++y) {
        EXPECT_EQ(at(o.l, y), yellow) << y;
        EXPECT_EQ(at(o.r - 1, y), yellow) << y;
    }
    EXPECT_EQ(at(o.l + 1, o.t + 1), 0u);
    EXPECT_EQ(at(o.r, o.t), 0u);

    // one-pixel lines: from the first point, the last left out
    const std::uint32_t green = packed(milestone::line_green);
    for (int x = milestone::line_x1; x < milestone::line_x2; ++x) EXPECT_EQ(at(x, milestone::line_y), green) << x;
    EXPECT_EQ(at(milestone::line_x1 - 1, milestone::line_y), 0u);
    EXPECT_EQ(at(milestone::line_x2, milestone::line_y), 0u);
    EXPECT_EQ(at(milestone::line_x1, milestone::line_y + 1), 0u);
    for (int y = milestone::column_y1; y < milestone::column_y2; ++y) EXPECT_EQ(at(milestone::column_x, y), green) << y;
    EXPECT_EQ(at(milestone::column_x, milestone::column_y2), 0u);
    EXPECT_EQ(at(milestone::column_x + 1, milestone::column_y1), 0u);

    // the frame box: edges in the colour (drawn twice, the same at mode 0),
    // corners untouched, the inside at half opacity (127) over black
    const box fb = milestone::frame_box;
    const std::uint32_t lilac = packed(milestone::frame_lilac);
    EXPECT_EQ(at(fb.l, fb.t), 0u);
    EXPECT_EQ(at(fb.r - 1, fb.b - 1), 0u);
    EXPECT_EQ(at(fb.l, fb.t + 1), lilac);
    EXPECT_EQ(at(fb.l, fb.b - 2), lilac);
    EXPECT_EQ(at(fb.l + 1, fb.t), lilac);
    EXPECT_EQ(at(fb.r - 2, fb.b - 1), lilac);
    EXPECT_EQ(at(fb.r - 1, (fb.t + fb.b) / 2), lilac);
    const std::uint32_t inside = blended(0, lilac, 127);
    EXPECT_EQ(at(fb.l + 1, fb.t + 1), inside);
    EXPECT_EQ(at((fb.l + fb.r) / 2, (fb.t + fb.b) / 2), inside);
    EXPECT_EQ(at(fb.r - 2, fb.b - 2), inside);

    // the sprite, 4 times: each source pixel a 4 x 4 block, blended over the
    // grey backing by its companion's alpha
    const std::uint32_t grey = packed(milestone::backing_grey);
    const box sp = milestone::sprite_at;
    for (int sy = 0; sy < milestone::sprite_size; ++sy)
        for (int sx = 0; sx < milestone::sprite_size; ++sx) {
            int r, g, bl;
            milestone::sprite_pixel(sx, sy, &r, &g, &bl);
            const std::uint32_t src = packed({r, g, bl});
            const int a = milestone::sprite_alpha(sx, sy);
            const std::uint32_t got = at(sp.l + sx * 4 + 1, sp.t + sy * 4 + 2);
            if (a == 0) {
                EXPECT_EQ(got, grey) << sx << "," << sy;
            } else if (a == 255) {
                EXPECT_EQ(got, src) << sx << "," << sy;
            } else {
                const std::uint32_t want = blended(grey, src, a);
                for (int c = 0; c < 24; c += 8)
                    EXPECT_NEAR(static_cast<int>(got >> c & 255), static_cast<int>(want >> c & 255), 1)
                        << sx << "," << sy;
            }
        }
    EXPECT_EQ(at(sp.r, sp.t), grey);

    // the tiles at half size: black blocks show the green backing
    const box tl = milestone::tiles_at;
    for (int y = tl.t; y < tl.b; ++y)
        for (int x = tl.l; x < tl.r; ++x) {
            int r, g, bl;
            milestone::tiles_pixel((x - tl.l) * 2, (y - tl.t) * 2, &r, &g, &bl);
            const std::uint32_t src = packed({r, g, bl});
            EXPECT_EQ(at(x, y), src == 0 ? packed(milestone::backing_green) : src) << x << "," << y;
        }

    // the JPEG at its size: the library's own decode, pixel for pixel
    graphics_test::jpeg_options jo;
    jo.width = milestone::photo_width;
    jo.height = milestone::photo_height;
    std::ifstream in(MILESTONE_PICTURES "/photo.jpg", std::ios::binary);
    const graphics_test::bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int components = 0;
    const graphics_test::bytes plain = graphics_test::jpeg_plain_decode(file, &components);
    ASSERT_EQ(components, 3);
    const box ph = milestone::photo_at;
    int differing = 0;
    for (int y = 0; y < jo.height; ++y)
        for (int x = 0; x < jo.width; ++x) {
            const unsigned char* q = &plain[(static_cast<std::size_t>(y) * jo.width + x) * 3];
            differing += at(ph.l + x, ph.t + y) != packed({q[0], q[1], q[2]});
        }
    EXPECT_EQ(differing, 0);

    // text: lit only inside each measured box, 239 at most over black, and
    // the Japanese string lights many pixels
    int brightest = 0, lit[2] = {};
    for (int y = 400; y < 600; ++y)
        for (int x = 0; x < 800; ++x) {
            if (at(x, y) == 0) continue;
            bool inside = false;
            for (int i = 0; i < 2; ++i)
                if (x >= texts[i].x && x < texts[i].x + texts[i].w && y >= texts[i].y && y < texts[i].y + texts[i].h) {
                    inside = true;
                    ++lit[i];
                }
            EXPECT_TRUE(inside) << "lit outside the strings at " << x << "," << y;
            brightest = std::max(brightest, red(x, y));
        }
    EXPECT_EQ(brightest, 239);
    EXPECT_GT(lit[0], 40);
    EXPECT_GT(lit[1], 300);

    // the points the window run compares: a box, a picture and the first
    // brightest text pixel
    std::ofstream points(MILESTONE_POINTS);
    points << s.l + 5 << " " << s.t + 5 << "\n" << sp.r - 3 << " " << sp.t + 3 << "\n";
    bool found = false;
    for (int y = texts[1].y; y < texts[1].y + texts[1].h && !found; ++y)
        for (int x = texts[1].x; x < texts[1].x + texts[1].w && !found; ++x)
            if (red(x, y) == 239) {
                points << x << " " << y << "\n";
                found = true;
            }
    EXPECT_TRUE(found);
}

}  // namespace
