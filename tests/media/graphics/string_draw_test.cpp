// String measuring and drawing on the software road: the split into
// characters and its batches, widths, exact glyph placement and per-type
// pixel writes on the fake face, the two drawing paths, the checks of
// DrawStringWithFont, off-screen text, and the installed font.
#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "../core/log_folder.hpp"
#include "media/core/alloc.hpp"
#include "media/graphics/draw.hpp"
#include "media/graphics/drawstate.hpp"
#include "media/graphics/font.hpp"
#include "media/graphics/glyph.hpp"
#include "media/graphics/internal.hpp"
#include "media/graphics/present.hpp"
#include "media/graphics/startup.hpp"
#include "media/graphics/string_draw.hpp"
#include "media/softrender/internal.hpp"
#include "media/softrender/loops.hpp"
#include "media/softrender/memimg.hpp"
#include "media/system/window.hpp"
#include "platform/font/font.hpp"
#include "platform/text/codepage.hpp"

namespace {

using media::gfx::draw_state;
using media::gfx::graphics;
using platform::font::fake_glyph;

// Single-byte characters 10 wide, double-byte ones 20, height 20, ascent 16;
// 'A' is 3 by 2 at origin (2, 10), so its box starts 6 below the line's top.
platform::font::fake_settings fake_setup(int double_advance = 20)
{
    platform::font::fake_settings s;
    s.height = 20;
    s.ascent = 16;
    s.single_advance = 10;
    s.double_advance = double_advance;
    s.glyphs.push_back({L'A', fake_glyph{3, 2, 2, 10, {16, 0, 16, 0, 16, 16}}});
    s.glyphs.push_back({L'\t', fake_glyph{0, 0, 0, 0, {}}});
    return s;
}

class Strings : public media_test::headless_media {
protected:
    void SetUp() override
    {
        headless_media::SetUp();
        media::soft::reset_state();
        platform::font::install_fake(fake_setup());
        create_window();
    }
    void TearDown() override
    {
        ShutdownGraphics();
        DestroyMainWindow();
        platform::font::remove_fake();
        media::soft::reset_state();
        headless_media::TearDown();
    }

    void start(int bits = 32)
    {
        if (bits != 32) ASSERT_EQ(SetScreenMode(800, 600, bits, 60), 0);
        ASSERT_EQ(StartGraphics(), 0);
        ClearDrawTarget();
    }

    // The installed Japanese font in the wrapper's default-font settings
    // instead of the fake face.
    void start_with_installed_font()
    {
        platform::font::remove_fake();
        start();
        SetDefaultFontType(2);
        SetDefaultFontSize(20);
        SetDefaultFontThickness(9);
        SetDefaultFontFace("meiryo", 1);
    }

    static std::uint32_t pixel(const MEMIMG& image, int x, int y)
    {
        const int bytes = image.base->format->pixel_bytes;
        return media::gfx::load_pixel(
            static_cast<const unsigned char*>(image.pixels) + static_cast<long>(y) * image.base->pitch + x * bytes,
            bytes);
    }
    static std::vector<unsigned char> snapshot(const MEMIMG& image)
    {
        const auto* p = static_cast<const unsigned char*>(image.pixels);
        return std::vector<unsigned char>(p, p + static_cast<long>(image.base->pitch) * image.height);
    }
    // Whether every pixel outside the rectangle is as in the snapshot.
    static ::testing::AssertionResult unchanged_outside(const MEMIMG& image, const std::vector<unsigned char>& before,
                                                        RECT r)
    {
        const int bytes = image.base->format->pixel_bytes;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) {
                if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) continue;
                const long at = static_cast<long>(y) * image.base->pitch + x * bytes;
                if (std::memcmp(&before[at], static_cast<const unsigned char*>(image.pixels) + at, bytes) != 0)
                    return ::testing::AssertionFailure() << "pixel " << x << "," << y << " changed";
            }
        return ::testing::AssertionSuccess();
    }
    // The set pixels of the screen, as coordinates.
    static std::vector<std::pair<int, int>> set_pixels(const MEMIMG& image)
    {
        std::vector<std::pair<int, int>> out;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x)
                if ((pixel(image, x, y) & 0xFFFFFF) != 0) out.push_back({x, y});
        return out;
    }
};

TEST_F(Strings, SplittingIntoCharactersAndBatches)
{
    start();
    const int sjis = CreateFontToHandle(nullptr, -1, -1, 0, 1, -1, 0);
    const int hangul = CreateFontToHandle(nullptr, -1, -1, 0, 2, -1, 0);
    const struct {
        const char* text;
        int length, font, count;
        std::vector<int> keys;
    } rows[] = {
        {"\x82\xA0", -1, sjis, 1, {0xA082}},
        {"\xB1\x41", -1, sjis, 2, {0xB1, 0x41}},          // half-width kana: one byte
        {"\xB1\x41", -1, hangul, 1, {0x41B1}},            // every byte of 0x80 or more leads
        {"A\x82\xA0", 2, sjis, 2, {0x41, 0xA082}},        // the length ends inside a character
        {"A\x82", -1, sjis, 2, {0x41, 0x82}},             // a last lead byte takes the NUL
        {"AB", 99, sjis, 2, {0x41, 0x42}},
        {"\t\n", -1, sjis, 2, {0x09, 0x0A}},
    };
    for (const auto& row : rows) {
        unsigned char entries[16 * 3];
        int count = 0;
        ASSERT_EQ(PrepareStringGlyphs(row.length, 0, row.text, row.font, entries, &count), 0);
        ASSERT_EQ(count, row.count) << row.text;
        for (int k = 0; k < count; ++k) {
            EXPECT_EQ(entries[3 * k] | entries[3 * k + 1] << 8, row.keys[k]) << row.text << " " << k;
            EXPECT_EQ(GetFontRecord(row.font)->index[row.keys[k]].cached, 1);
        }
    }
    EXPECT_EQ(PrepareStringGlyphs(-1, 0, "A", 12345, nullptr, nullptr), -1);

    // a repeated character joins the batch once
    const FONTREC* f = GetFontRecord(sjis);
    ResetFontCache(sjis);
    EXPECT_EQ(PrepareStringGlyphs(-1, 0, "xxyxyz", sjis, nullptr, nullptr), 0);
    EXPECT_EQ(f->next_cell, 3);
    EXPECT_EQ(f->index['x'].cell, &f->cells[0]);
    EXPECT_EQ(f->index['z'].cell, &f->cells[2]);
}

TEST_F(Strings, MoreNewCharactersThanCellsAndLongStrings)
{
    platform::font::install_fake(fake_setup(198));  // cells of 200: 20 of them
    start();
    const int h = CreateFontToHandle(nullptr, -1, -1, 0, 1, -1, 0);
    const FONTREC* f = GetFontRecord(h);
    ASSERT_EQ(f->cell_count, 20);
    std::string letters;
    for (char c = 'a'; c < 'a' + 25; ++c) letters += c;
    int count = 0;
    PrepareStringGlyphs(-1, 0, letters.c_str(), h, nullptr, &count);
    EXPECT_EQ(count, 25);
    EXPECT_EQ(f->next_cell, 0);  // the batch filled the 20 cells
    EXPECT_EQ(f->index['t'].cached, 1);
    EXPECT_EQ(f->index['u'].cached, 0);
    // measuring renders every later missing one alone, each taking the oldest cell
    ResetFontCache(h);
    platform::font::install_fake(fake_setup(198));
    EXPECT_EQ(MeasureStringWithFont(letters.c_str(), -1, h, 0), 250);
    EXPECT_EQ(f->index['u'].cell, &f->cells[0]);
    EXPECT_EQ(f->index['y'].cell, &f->cells[4]);
    EXPECT_EQ(f->index['a'].cached, 0);

    // 300 bytes: the lists are allocated and freed
    const std::string long_text(300, 'q');
    const int blocks = media::core::alloc_state.count;
    EXPECT_EQ(MeasureStringWithFont(long_text.c_str(), -1, h, 0), 3000);
    EXPECT_EQ(media::core::alloc_state.count, blocks);
    media::core::fail_next_heap_requests(1);
    EXPECT_EQ(MeasureStringWithFont(long_text.c_str(), -1, h, 0), -1);
    EXPECT_EQ(media::core::alloc_state.count, blocks);
    DeleteFontHandle(h);
}

TEST_F(Strings, MeasuredWidths)
{
    start();
    const int plain = CreateFontToHandle(nullptr, -1, -1, 0, 1, -1, 0);
    const int edged = CreateFontToHandle(nullptr, -1, -1, 1, 1, 2, 0);
    const int spaced = CreateFontToHandle(nullptr, -1, -1, 0, 1, -1, 0);
    SetFontSpacing(3, spaced);
    const struct {
        const char* text;
        int length, font, width;
    } rows[] = {
        {nullptr, -1, plain, 0},       {"", -1, plain, 0},          {"AB", -1, plain, 20},
        {"AB", 1, plain, 10},          {"AB", 50, plain, 20},       {"AB", -1, spaced, 26},
        {"AB", -1, edged, 28},         {"\x82\xA0" "A", -1, plain, 30}, {"\x82\xA0" "A", 1, plain, 20},
        {" \x81\x40\t", -1, plain, 40}, {"A", -1, 12345, -1},
    };
    for (const auto& row : rows)
        EXPECT_EQ(MeasureStringWithFont(row.text, row.length, row.font, 0), row.width)
            << (row.text ? row.text : "null") << " " << row.length;

    int size[2] = {0, 0};
    EXPECT_EQ(DrawOrMeasureString(0, 0, 0, 0, 1.0, 1.0, "AB", 0, nullptr, nullptr, 1, edged, 0, -1, 0, size), 28);
    EXPECT_EQ(size[0], 28);
    EXPECT_EQ(size[1], 24);
    EXPECT_EQ(DrawOrMeasureString(0, 0, 0, 0, 1.0, 1.0, "AB", 0, nullptr, nullptr, 1, edged, 0, -1, 1, size), 28);
    EXPECT_EQ(size[0], 24);
    EXPECT_EQ(size[1], 28);
    EXPECT_EQ(MeasureStringDefaultFont("AB", -1, 0), 20);
    draw_state.locked = 1;
    EXPECT_EQ(MeasureStringWithFont("AB", -1, plain, 0), -1);
    draw_state.locked = 0;
}

TEST_F(Strings, GlyphPlacementHorizontalAndVertical)
{
    start();
    const MEMIMG& screen = graphics.screen_image;
    const std::uint32_t white = PackScreenColor(255, 255, 255);
    const int h = CreateFontToHandle(nullptr, -1, -1, 0, 1, -1, 0);
    // 'A' rows: X.X / .XX; the second 'A' ten pixels on, the space drawing nothing
    ASSERT_EQ(DrawStringWithFont(100, 50, "A A", white, h, 0, 0), 0);
    const std::vector<std::pair<int, int>> expected = {{102, 56}, {104, 56}, {122, 56},
                                                       {124, 56}, {103, 57}, {104, 57},
                                                       {123, 57}, {124, 57}};
    std::vector<std::pair<int, int>> want = expected;
    std::sort(want.begin(), want.end(), [](auto a, auto b) { return a.second != b.second ? a.second < b.second : a.first < b.first; });
    EXPECT_EQ(set_pixels(screen), want);
    EXPECT_EQ(pixel(screen, 102, 56) & 0xFFFFFF, 0xFFFFFFu);

    // vertical: a quarter turn clockwise into the box right of x + H - oy = 114, top y + ox = 52
    ClearDrawTarget();
    ASSERT_EQ(DrawStringWithFont(100, 50, "A", white, h, 0, 1), 0);
    // source (u, v) lands at (R - 1 - v, T + u): row 0 X.X down column 113, row 1 .XX down column 112
    EXPECT_EQ(set_pixels(screen), (std::vector<std::pair<int, int>>{{113, 52}, {112, 53}, {112, 54}, {113, 54}}));

    // spaces only leave the target as it was
    ClearDrawTarget();
    const auto before = snapshot(screen);
    DrawStringWithFont(10, 10, "  \x81\x40 \t", white, h, 0, 0);
    EXPECT_EQ(snapshot(screen), before);
}

// An independent reference of the type-3 rule for one 8-bit channel pair.
int reference_mix(int main, int edge, int g, int e)
{
    const int a = 16 * g + (15 - g) * e;
    const int t = g * 4096 / a;
    const int diff = (main - edge) * t;
    return edge + (diff >= 0 ? diff / 256 : -((-diff + 255) / 256));
}

TEST_F(Strings, PixelWritesOfEachFontType)
{
    start();
    platform::font::install_fake(fake_setup());
    for (const int format : {0, 1}) {
        // a target with alpha: 16-bit colour with the alpha beside it, or 32-bit with alpha on top
        MEMIMG image{};
        ASSERT_EQ(CreateMemImg(&image, 40, 40, -1, 0, format, 0, 1, 0, nullptr), 0);
        const PIXFMT& pf = *image.base->format;
        auto color = [&](int r, int g, int b) {
            return (static_cast<std::uint32_t>(r) >> (8 - pf.red_width) << pf.red_shift) |
                   (static_cast<std::uint32_t>(g) >> (8 - pf.green_width) << pf.green_shift) |
                   (static_cast<std::uint32_t>(b) >> (8 - pf.blue_width) << pf.blue_shift);
        };
        const std::uint32_t main = color(248, 252, 8), edge = color(16, 40, 200);
        // each case draws a 1 x 1 glyph whose cache byte is set by hand
        const struct {
            int type, value;
        } cells[] = {{0, 1}, {1, 1}, {1, 2}, {2, 1}, {2, 8}, {2, 15}, {3, 0x0F}, {3, 0xFF}, {3, 0x50}, {3, 0xA7}, {3, 0x3C}, {3, 0x01}};
        for (const auto& c : cells) {
            SCOPED_TRACE(testing::Message() << "format " << format << " type " << c.type << " value " << c.value);
            platform::font::fake_settings s = fake_setup();
            s.glyphs.push_back({L'B', fake_glyph{1, 1, 0, 16, {16}}});
            platform::font::install_fake(s);
            const int h = CreateFontToHandle(nullptr, -1, -1, c.type, 1, c.type & 1 ? 1 : -1, 0);
            FONTREC* f = GetFontRecord(h);
            const FONTCELL* cell = RenderGlyphsToCache(h, 1, reinterpret_cast<const unsigned char*>("B\0\0"));
            // the cell's pixel the glyph sits on: edge fonts one further in
            const int e = c.type & 1 ? 1 : 0;
            const int gx = 1 + e, gy = 1 + e;
            unsigned char* row = f->memory_cache + gy * f->memory_pitch;
            std::memset(f->memory_cache, 0, static_cast<std::size_t>(f->memory_pitch) * f->cell_size);
            if (f->memory_bits == 1)
                row[gx >> 3] = static_cast<unsigned char>(0x80 >> (gx & 7));
            else
                row[gx] = static_cast<unsigned char>(c.value);
            FillMemImgRect(&image, nullptr, 0x12345678 & (format == 0 ? 0xFFFFFF : 0xFFFFFFFF));
            const std::uint32_t before = pixel(image, 0, 0);
            const RECT clip{0, 0, 40, 40};
            EXPECT_EQ(DrawOrMeasureString(1, 5, 5, 0, 1.0, 1.0, "B", main, &image, &clip, 1, h, edge, -1, 0, nullptr),
                      10 + 2 * e);
            // the glyph's box starts at (5 + ox, 5 + oy) - the outline ring around the pixel
            const int px = 5 + cell->x_offset + e, py = 5 + cell->y_offset + e;
            const std::uint32_t got = pixel(image, px, py);
            const int alpha = static_cast<int>((got & pf.alpha_mask) >> pf.alpha_shift);
            const std::uint32_t rgb = got & ~pf.alpha_mask;
            if (c.type == 0 || (c.type == 1 && c.value == 1)) {
                EXPECT_EQ(rgb, main);
                EXPECT_EQ(alpha, 255);
            } else if (c.type == 1) {
                EXPECT_EQ(rgb, edge);
            } else if (c.type == 2) {
                EXPECT_EQ(rgb, main);
                EXPECT_EQ(alpha, 16 * c.value);
            } else {
                const int g = c.value & 15, ee = c.value >> 4;
                if (g == 15) {
                    EXPECT_EQ(rgb, main);
                    EXPECT_EQ(alpha, 255);
                } else if (g == 0) {
                    EXPECT_EQ(rgb, edge);
                    EXPECT_EQ(alpha, 16 * ee);
                } else {
                    EXPECT_EQ(alpha, 16 * g + (15 - g) * ee);
                    const std::uint32_t masks[3] = {pf.red_mask, pf.green_mask, pf.blue_mask};
                    const int shifts[3] = {pf.red_shift, pf.green_shift, pf.blue_shift};
                    for (int i = 0; i < 3; ++i) {
                        const int m = static_cast<int>((main & masks[i]) >> shifts[i]);
                        const int d = static_cast<int>((edge & masks[i]) >> shifts[i]);
                        EXPECT_EQ(static_cast<int>((rgb & masks[i]) >> shifts[i]), reference_mix(m, d, g, ee)) << i;
                    }
                }
            }
            // uncovered pixels keep their value
            EXPECT_EQ(pixel(image, 0, 0), before);
            EXPECT_EQ(pixel(image, px + 3, py), before);
            DeleteFontHandle(h);
        }
        ReleaseMemImg(&image);
    }
}

TEST_F(Strings, ColoursAreScaledByTheDrawBright)
{
    for (const int bits : {16, 32}) {
        SCOPED_TRACE(bits);
        start(bits);
        const MEMIMG& screen = graphics.screen_image;
        const int h = CreateFontToHandle(nullptr, -1, -1, 0, 1, -1, 0);
        SetDrawBright(128, 255, 0);
        DrawStringWithFont(100, 50, "A", PackScreenColor(200, 100, 255), h, 0, 0);
        int r, g, b;
        UnpackScreenColor(pixel(screen, 102, 56), &r, &g, &b);
        const int tolerance = bits == 16 ? 8 : 0;
        EXPECT_NEAR(r, 200 * 128 / 255, tolerance);
        EXPECT_NEAR(g, 100, tolerance);
        EXPECT_EQ(b, 0);
        SetDrawBright(255, 255, 255);
        DeleteFontHandle(h);
        ShutdownGraphics();
    }
}

TEST_F(Strings, DrawingThroughTheWorkImage)
{
    for (const int bits : {16, 32}) {
        SCOPED_TRACE(bits);
        start(bits);
        const MEMIMG& screen = graphics.screen_image;
        FillMemImgRect(const_cast<MEMIMG*>(&screen), nullptr, PackScreenColor(0, 0, 255) & 0xFFFFFF);
        const std::uint32_t red = PackScreenColor(255, 0, 0) & 0xFFFFFF;
        for (const int type : {0, 1, 2, 3}) {
            SCOPED_TRACE(type);
            const int h = CreateFontToHandle(nullptr, -1, -1, type, 1, -1, 0);
            SetDrawClipArea(0, 0, 800, 600);
            SetBlendModeParam(1, 128);
            SetDrawBright(200, 200, 200);
            const RECT area_before = draw_state.area;
            const auto before = snapshot(screen);
            int size[2];
            DrawOrMeasureString(0, 0, 0, 0, 1.0, 1.0, "AAA", 0, nullptr, nullptr, 1, h, 0, -1, 0, size);
            // the text colour after the draw bright: stepped past
            const std::uint32_t dimmed = PackScreenColor(200, 0, 0) & 0xFFFFFF;
            graphics.work_image.base->transparent = dimmed;
            ASSERT_EQ(DrawStringWithFont(300, 200, "AAA", red, h, red + 1, 0), 0);
            EXPECT_TRUE(unchanged_outside(screen, before, {300, 200, 300 + size[0], 200 + size[1]}));
            EXPECT_NE(snapshot(screen), before);
            // the half-blended text over blue: red rises, blue falls
            int r, g, b;
            UnpackScreenColor(pixel(screen, 302 + (type & 1), 206 + (type & 1)), &r, &g, &b);
            EXPECT_GT(r, 40);
            EXPECT_LT(b, 230);
            EXPECT_EQ(draw_state.area.left, area_before.left);
            EXPECT_EQ(draw_state.area.right, area_before.right);
            EXPECT_EQ(draw_state.draw_bright, 0xC8C8C8u);
            if ((type & 2) == 0) EXPECT_NE(graphics.work_image.base->transparent, dimmed);
            SetBlendModeParam(0, 0);
            SetDrawBright(255, 255, 255);
            DeleteFontHandle(h);
        }
        ShutdownGraphics();
    }
}

TEST_F(Strings, WhichFontsAndModesDrawStraightIntoTheTarget)
{
    start();
    const std::uint32_t white = PackScreenColor(255, 255, 255);
    const struct {
        int type, mode, param;
        bool straight;
    } rows[] = {
        {0, 0, 0, true},     {0, 1, 255, true},  {1, 1, 255, true},  {0, 1, 254, false},
        {0, 2, 255, false},  {2, 0, 0, false},   {3, 1, 255, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "type " << row.type << " mode " << row.mode << " " << row.param);
        const int h = CreateFontToHandle(nullptr, -1, -1, row.type, 1, -1, 0);
        MEMIMG* work = (row.type & 2) != 0 ? &graphics.work_alpha_image : &graphics.work_image;
        FillMemImgRect(work, nullptr, 0x5A5A5A);
        const auto before = snapshot(*work);
        SetBlendModeParam(row.mode, row.param);
        ClearDrawTarget();
        DrawStringWithFont(100, 100, "AA", white, h, 0, 0);
        EXPECT_EQ(snapshot(*work) == before, row.straight);
        EXPECT_FALSE(set_pixels(graphics.screen_image).empty());
        SetBlendModeParam(0, 0);
        DeleteFontHandle(h);
    }
}

TEST_F(Strings, OffScreenTextChangesOnlyTheDrawArea)
{
    start();
    const MEMIMG& screen = graphics.screen_image;
    const std::uint32_t white = PackScreenColor(255, 255, 255);
    const std::string long_text(200, 'A');
    const struct {
        int x, y, type, mode, vertical;
    } rows[] = {
        {-15, -7, 0, 0, 0},  {-15, -7, 2, 0, 0},  {790, 595, 0, 0, 0}, {790, 595, 3, 1, 0}, {900, 10, 0, 0, 0},
        {-5, 590, 2, 0, 1},  {795, -30, 1, 0, 1}, {-100, 300, 0, 2, 0},
    };
    for (const RECT area : {RECT{0, 0, 800, 600}, RECT{100, 100, 300, 200}}) {
        for (const auto& row : rows) {
            SCOPED_TRACE(testing::Message() << row.x << "," << row.y << " type " << row.type);
            const int h = CreateFontToHandle(nullptr, -1, -1, row.type, 1, -1, 0);
            ClearDrawTarget();
            SetDrawClipArea(area.left, area.top, area.right, area.bottom);
            SetBlendModeParam(row.mode, 200);
            const auto before = snapshot(screen);
            EXPECT_EQ(DrawStringWithFont(row.x, row.y, long_text.c_str(), white, h, white, row.vertical), 0);
            EXPECT_TRUE(unchanged_outside(screen, before, area));
            const int x = area.left == 0 ? 40 : 140;
            DrawStringWithFont(x, area.top + 10, long_text.c_str(), white, h, white, 0);
            EXPECT_TRUE(unchanged_outside(screen, before, area));
            SetBlendModeParam(0, 0);
            DeleteFontHandle(h);
        }
    }
}

TEST_F(Strings, DrawStringWithFontChecks)
{
    start();
    const MEMIMG& screen = graphics.screen_image;
    const std::uint32_t white = PackScreenColor(255, 255, 255);
    const int h = CreateFontToHandle(nullptr, -1, -1, 0, 1, -1, 0);
    const auto before = snapshot(screen);
    EXPECT_EQ(DrawStringWithFont(10, 10, nullptr, white, h, 0, 0), 0);
    EXPECT_EQ(DrawStringWithFont(10, 10, "", white, h, 0, 0), 0);
    EXPECT_EQ(DrawStringWithFont(10, 10, "A", white, h + 1, 0, 0), -1);
    EXPECT_NE(read().find("フォントハンドル値が異常です\r\n"), std::string::npos);
    draw_state.locked = 1;
    EXPECT_EQ(DrawStringWithFont(10, 10, "A", white, h, 0, 0), 0);
    draw_state.locked = 0;
    SetDrawClipArea(50, 50, 50, 90);
    EXPECT_EQ(DrawStringWithFont(40, 40, "A", white, h, 0, 0), 0);
    SetDrawClipArea(0, 0, 800, 600);
    EXPECT_EQ(snapshot(screen), before);

    // the front screen: a draw area wholly left of x returns at once
    media::gfx::clear_drawn_strings();
    ASSERT_EQ(SelectDrawTarget(-4), 0);
    SetDrawClipArea(0, 0, 100, 100);
    EXPECT_EQ(DrawStringWithFont(100, 10, "A", white, h, 0, 0), 0);
    EXPECT_TRUE(media::gfx::drawn_strings().empty());
    EXPECT_EQ(DrawStringWithFont(50, 10, "A", white, h, 0, 0), 0);
    EXPECT_EQ(media::gfx::drawn_strings().size(), 1u);
    SelectDrawTarget(-2);

    // the record of drawn strings
    media::gfx::clear_drawn_strings();
    SetDrawClipArea(5, 6, 700, 500);
    DrawStringDefaultFont(30, 40, "\x82\xA0 title", white, 0);
    ASSERT_EQ(media::gfx::drawn_strings().size(), 1u);
    const media::gfx::drawn_string& d = media::gfx::drawn_strings()[0];
    EXPECT_EQ(d.text, "\x82\xA0 title");
    EXPECT_EQ(d.x, 30);
    EXPECT_EQ(d.y, 40);
    EXPECT_EQ(d.color, white);
    EXPECT_EQ(d.area.left, 5);
    EXPECT_EQ(d.area.bottom, 500);
    EXPECT_EQ(d.font, QueryDefaultFontHandle());
    DeleteFontHandle(h);
}

// The row loop of horizontal text against the pixel loop (the renderer's
// generic path): every font type and edge size, targets of 16 and 32 bits
// with and without alpha, seeded glyphs of random levels (some larger than
// their cell, some left of the pen), random places and clip rectangles, with
// and without the uncovered pixels written.
TEST_F(Strings, RowLoopMatchesThePixelLoop)
{
    start();
    std::mt19937 random(1969);
    platform::font::fake_settings s = fake_setup();
    const char letters[] = "ABCDEF";
    for (int i = 0; i < 6; ++i) {
        const bool big = i == 5;
        fake_glyph g;
        g.width = big ? 40 : 1 + static_cast<int>(random() % 14);
        g.height = big ? 40 : 1 + static_cast<int>(random() % 18);
        g.origin_x = big ? -3 : static_cast<int>(random() % 5) - 1;
        g.origin_y = big ? 30 : static_cast<int>(random() % 17);
        for (int k = 0; k < g.width * g.height; ++k)
            g.levels.push_back(static_cast<unsigned char>(random() % 3 == 0 ? 0 : random() % 17));
        s.glyphs.push_back({static_cast<wchar_t>(letters[i]), g});
    }
    platform::font::install_fake(s);
    const std::uint32_t main = 0x00F0E0D0, edge = 0x00102030;
    for (const int type : {0, 1, 2, 3})
        for (const int edge_size : {1, 2}) {
            if ((type & 1) == 0 && edge_size != 1) continue;
            const int h = CreateFontToHandle(nullptr, -1, -1, type, 1, edge_size, 0);
            ASSERT_GE(h, 0);
            for (const int format : {0, 1})
                for (const int alpha : {0, 1}) {
                    MEMIMG image{};
                    ASSERT_EQ(CreateMemImg(&image, 90, 60, -1, 0, format, 0, alpha, 0, nullptr), 0);
                    for (int round = 0; round < 12; ++round) {
                        const int x = static_cast<int>(random() % 110) - 30, y = static_cast<int>(random() % 70) - 25;
                        RECT clip{static_cast<int>(random() % 40), static_cast<int>(random() % 30), 0, 0};
                        clip.right = clip.left + static_cast<int>(random() % 60);
                        clip.bottom = clip.top + static_cast<int>(random() % 40);
                        if (round % 4 == 0) clip = RECT{0, 0, 90, 60};
                        const int covered_only = round % 2;
                        SCOPED_TRACE(testing::Message() << "type " << type << " edge " << edge_size << " format "
                                                        << format << " alpha " << alpha << " round " << round);
                        FillMemImgRect(&image, nullptr, 0x5A5A5A5A & (format == 0 ? 0xFFFFFF : 0xFFFFFFFF));
                        const auto before = snapshot(image);
                        media::soft::force_generic_loops(1);
                        DrawOrMeasureString(1, x, y, 0, 1.0, 1.0, "FABC DEF", main, &image, &clip, covered_only, h,
                                            edge, -1, 0, nullptr);
                        const auto pixel_loop = snapshot(image);
                        media::soft::force_generic_loops(0);
                        std::memcpy(image.pixels, before.data(), before.size());
                        DrawOrMeasureString(1, x, y, 0, 1.0, 1.0, "FABC DEF", main, &image, &clip, covered_only, h,
                                            edge, -1, 0, nullptr);
                        ASSERT_EQ(snapshot(image), pixel_loop);
                    }
                    ReleaseMemImg(&image);
                }
            DeleteFontHandle(h);
        }
    media::soft::force_generic_loops(0);
}

// Measuring a text whose characters are all in the cache sums their
// advances in one pass; the same texts measured just after the cache was
// emptied take the split and render. Both give the same widths and sizes,
// with and without spacing and an edge, for seeded names of Latin and
// Japanese characters (and characters code page 932 lacks), cut lengths
// included, in the installed font as the wrapper sets it up.
TEST_F(Strings, CachedMeasuresMatchTheRenderingMeasure)
{
    start_with_installed_font();
    const int edged = CreateFontToHandle("meiryo", 20, 9, 3, 1, 2, 0);
    SetFontSpacing(2, edged);
    const std::wstring latin = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 _-.()";
    const std::wstring japanese = L"あいうえおかきくけこアイウエオ写真旅行音楽資料日本語漢字東京春夏秋冬ｱｲｳ　";
    const std::wstring foreign = L"\u00e9\u00fc\u4e02";
    std::mt19937 random(69);
    for (int i = 0; i < 120; ++i) {
        std::wstring name;
        const int length = 1 + static_cast<int>(random() % (i % 5 == 0 ? 80 : 120));
        for (int c = 0; c < length; ++c)
            name += i % 5 == 0 && random() % 2 == 0 ? japanese[random() % japanese.size()] : latin[random() % latin.size()];
        if (i % 7 == 0) name[random() % name.size()] = foreign[random() % foreign.size()];
        std::string text;
        platform::text::append_narrow(name.data(), name.size(), text);
        const int cut = static_cast<int>(random() % (text.size() + 2)) - 1;  // -1: the whole text
        for (const int handle : {QueryDefaultFontHandle(), edged})
            for (const int vertical : {0, 1}) {
                int rendered[2] = {0, 0}, cached[2] = {0, 0};
                ResetFontCache(handle);
                const int first = DrawOrMeasureString(0, 0, 0, 0, 1.0, 1.0, text.c_str(), 0, nullptr, nullptr, 1,
                                                      handle, 0, cut, vertical, rendered);
                const int second = DrawOrMeasureString(0, 0, 0, 0, 1.0, 1.0, text.c_str(), 0, nullptr, nullptr, 1,
                                                       handle, 0, cut, vertical, cached);
                ASSERT_GE(first, 0) << i;
                ASSERT_EQ(second, first) << i << " cut " << cut;
                EXPECT_EQ(cached[0], rendered[0]);
                EXPECT_EQ(cached[1], rendered[1]);
            }
    }
    DeleteFontHandle(edged);
}

// The installed Japanese font in the wrapper's default-font settings.
TEST_F(Strings, TheInstalledFontDrawsInsideItsMeasuredBoxes)
{
    start_with_installed_font();
    const MEMIMG& screen = graphics.screen_image;
    const std::uint32_t white = PackScreenColor(255, 255, 255);
    int brightest = 0;
    const char* texts[] = {"ABC", "\x93\xFA\x96\x7B\x8C\xEA"};  // 日本語
    for (int i = 0; i < 2; ++i) {
        ClearDrawTarget();
        const auto before = snapshot(screen);
        int size[2];
        const int width = DrawOrMeasureString(0, 0, 0, 0, 1.0, 1.0, texts[i], 0, nullptr, nullptr, 1,
                                              QueryDefaultFontHandle(), 0, -1, 0, size);
        EXPECT_GT(width, i == 0 ? 20 : 45);
        EXPECT_EQ(MeasureStringDefaultFont(texts[i], -1, 0), width);
        ASSERT_EQ(DrawStringDefaultFont(10, 10 + 40 * i, texts[i], white, 0), 0);
        EXPECT_TRUE(unchanged_outside(screen, before, {10, 10 + 40 * i, 10 + size[0], 10 + 40 * i + size[1]}));
        int lit = 0;
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x) {
                int r;
                UnpackScreenColor(pixel(screen, x, y), &r, nullptr, nullptr);
                brightest = std::max(brightest, r);
                lit += r > 0;
            }
        EXPECT_GT(lit, 40);
    }
    // full coverage is alpha 240 blended over black
    EXPECT_EQ(brightest, 239);
}

}  // namespace
