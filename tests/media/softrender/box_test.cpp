// Box fill: the constant-colour arithmetic of every mode against the
// independent per-channel model and literal rows, the rectangle rules and
// refusals, far-out corners against guard pixels, and every loop against
// the generic path.
#include "media/softrender/box.hpp"

#include "draw_fixture.hpp"
#include "media/softrender/solid.hpp"
#include "reference_solid.hpp"

#include <climits>
#include <string>

namespace {

using namespace softrender_test;

class Box : public Draw {};

std::uint32_t fill_one(int bits, int mode, int p, std::uint32_t bright, std::uint32_t d, std::uint32_t colour)
{
    image img(1, 1, bits == 32 ? 1 : 0);
    img.set(0, 0, d);
    media::gfx::draw_state.blend_mode = mode;
    media::gfx::draw_state.blend_param = p;
    media::gfx::draw_state.draw_bright = bright;
    DrawMemImgBox(&img, nullptr, colour);
    return img.get(0, 0);
}

TEST_F(Box, LiteralRows)
{
    struct row {
        const char* name;
        int bits, mode, p;
        std::uint32_t bright, d, colour, want;
    };
    const std::uint32_t d32 = 0x5AFFC80A, c32 = 0x006400FA;  // B 10, G 200, R 255 / B 250, G 0, R 100
    const std::uint32_t white16 = 0xFFFF;
    const row rows[] = {
        {"mode 1", 32, 1, 128, 0xFFFFFF, d32, c32, 0x5AB16482},
        {"mode 10", 32, 10, 128, 0xFFFFFF, d32, c32, 0x5ACDE307},
        {"mode 11", 32, 11, 128, 0xFFFFFF, d32, c32, 0x5AB16409},
        {"mode 4", 32, 4, 128, 0xFFFFFF, d32, c32, 0x5A630009},
        {"mode 2 at 255", 32, 2, 255, 0xFFFFFF, 0x77FA0AFA, 0x000A000A, 0x01FF0BFF},
        {"16-bit mode 3 at 255, colour 0", 16, 3, 255, 0xFFFFFF, 0x2927, 0, 0x2907},
        {"16-bit mode 1 at 100", 16, 1, 100, 0xFFFFFF, 10 << 11 | 40 << 5 | 3, 25 << 11 | 5 << 5 | 31, 0x7B6D},
        {"bright 128 on 255", 32, 0, 255, 0x808080, 0, 0x00FFFFFF, 0x007F7F7F},
        {"bright red 128, 32-bit", 32, 0, 255, 0x80FFFF, 0, 0x00102030, 0x00081F2F},
        {"bright red 128, 16-bit white", 16, 0, 255, 0x80FFFF, 0, white16, 15u << 11 | 62u << 5 | 30u},
        {"bright 255 changes nothing", 32, 0, 255, 0xFFFFFF, 0, 0xAB102030, 0xAB102030},
        {"plain fill stores byte 3", 32, 0, 0, 0xFFFFFF, 0x11111111, 0xEE223344, 0xEE223344},
        {"white over white saturates", 32, 2, 255, 0xFFFFFF, 0x00FFFFFF, 0x00FFFFFF, 0x01FFFFFF},
        {"a brighter colour clamps at 0", 32, 3, 255, 0xFFFFFF, 0x00102030, 0x00FFFFFF, 0},
        {"mode 1 at 255 is the plain fill", 16, 1, 255, 0xFFFFFF, 0x1234, 0xBEEF, 0xBEEF},
    };
    for (const row& r : rows) {
        EXPECT_EQ(fill_one(r.bits, r.mode, r.p, r.bright, r.d, r.colour), r.want) << r.name;
        if (r.mode != 1 || r.p != 255) {
            EXPECT_EQ(reference_solid({r.mode, r.bits, r.p, r.bright, r.d, r.colour}), r.want) << r.name << " (model)";
        }
    }
}

TEST_F(Box, EveryModeMatchesTheModel)
{
    std::mt19937 random(8201);
    for (int mode : {0, 1, 2, 3, 4, 10, 11})
        for (int bits : {16, 32})
            for (int trial = 0; trial < 400; ++trial) {
                const int special[] = {1, 127, 128, 254, 255};
                int p = trial % 3 == 0 ? special[random() % 5] : static_cast<int>(random() % 256);
                if (mode >= 1 && mode <= 3 && p == 0) p = 1;
                if (mode == 1 && p == 255) p = 254;
                const std::uint32_t bright = trial % 2 ? 0xFFFFFF : static_cast<std::uint32_t>(random()) & 0xFFFFFF;
                const std::uint32_t mask = bits == 32 ? 0xFFFFFFFF : 0xFFFF;
                const std::uint32_t d = static_cast<std::uint32_t>(random()) & mask,
                                    colour = static_cast<std::uint32_t>(random()) & mask;
                ASSERT_EQ(fill_one(bits, mode, p, bright, d, colour), reference_solid({mode, bits, p, bright, d, colour}))
                    << "mode " << mode << " bits " << bits << " p " << p << std::hex << " bright " << bright << " d " << d
                    << " colour " << colour;
            }
}

TEST_F(Box, RectangleRules)
{
    auto filled = [](const image& img) {
        std::vector<std::pair<int, int>> out;
        for (int y = 0; y < img.m.height; ++y)
            for (int x = 0; x < img.m.width; ++x)
                if (img.get(x, y) != 0) out.emplace_back(x, y);
        return out;
    };
    auto fill = [&](const RECT* r, RECT area, int w = 8, int h = 6) {
        image img(w, h, 1);
        state().area = area;
        DrawMemImgBox(&img, r, 0x00FFFFFF);
        return filled(img);
    };
    using cells = std::vector<std::pair<int, int>>;
    const cells block{{2, 1}, {3, 1}, {4, 1}, {2, 2}, {3, 2}, {4, 2}};
    for (RECT r : {RECT{2, 1, 5, 3}, RECT{5, 3, 2, 1}, RECT{5, 1, 2, 3}, RECT{2, 3, 5, 1}})
        EXPECT_EQ(fill(&r, {0, 0, 8, 6}), block) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    for (RECT r : {RECT{3, 1, 3, 5}, RECT{1, 4, 6, 4}}) EXPECT_TRUE(fill(&r, {0, 0, 8, 6}).empty());
    EXPECT_EQ(fill(nullptr, {0, 0, 8, 6}).size(), 48u) << "null: the whole view";
    EXPECT_EQ(fill(nullptr, {2, 1, 5, 3}), block) << "null, clipped to the draw area";
    const RECT far{6, 4, 20, 20};
    EXPECT_EQ(fill(&far, {0, 0, 7, 5}), (cells{{6, 4}})) << "the draw area clips another image too";
    EXPECT_EQ(fill(nullptr, {0, 0, 640, 480}, 3, 2).size(), 6u) << "never outside the destination";
    const RECT outside{10, 10, 20, 20};
    EXPECT_TRUE(fill(&outside, {0, 0, 8, 6}).empty());

    // a 16-bit fill of 5 pixels from column 1 writes exactly those
    image row(9, 3, 0);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 9; ++x) row.set(x, y, 0x1111);
    state().area = {0, 0, 9, 3};
    const RECT five{1, 1, 6, 2};
    DrawMemImgBox(&row, &five, 0xBEEF);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 9; ++x) EXPECT_EQ(row.get(x, y), y == 1 && x >= 1 && x < 6 ? 0xBEEFu : 0x1111u) << x << "," << y;
}

TEST_F(Box, RefusalsAndParameterShortcutsLeaveTheImage)
{
    std::mt19937 random(43);
    struct row {
        const char* name;
        int format, paletted, alpha, mode, p;
    };
    const row rows[] = {
        {"paletted", 1, 1, 0, 0, 255}, {"alpha 32", 1, 0, 1, 0, 255}, {"alpha 16", 0, 0, 1, 0, 255},
        {"one channel", 2, 0, 0, 0, 255}, {"mode 5", 1, 0, 0, 5, 128}, {"mode 6", 0, 0, 0, 6, 128},
        {"mode 7", 1, 0, 0, 7, 128}, {"mode 8", 0, 0, 0, 8, 128}, {"mode 9", 1, 0, 0, 9, 128},
        {"mode 12", 1, 0, 0, 12, 128}, {"mode -3", 0, 0, 0, -3, 128}, {"mode 1 at 0", 1, 0, 0, 1, 0},
        {"mode 2 at 0", 0, 0, 0, 2, 0}, {"mode 3 at 0", 1, 0, 0, 3, 0}, {"mode 10 at 0", 1, 0, 0, 10, 0},
        {"mode 10 at 0, 16-bit", 0, 0, 0, 10, 0}, {"mode 11 at 0", 1, 0, 0, 11, 0}, {"mode 11 at 0, 16-bit", 0, 0, 0, 11, 0},
    };
    for (const row& r : rows) {
        image img(7, 5, r.format, r.paletted, r.alpha);
        img.fill_random(random);
        // 32-bit mode 10 and 11 at 0 keep byte 3 too
        const auto before = img.snapshot();
        blend(r.mode, r.p);
        DrawMemImgBox(&img, nullptr, 0x00ABCDEF);
        EXPECT_EQ(img.snapshot(), before) << r.name;
    }
}

TEST_F(Box, FarCornersTouchOnlyTheDrawArea)
{
    const int far[] = {INT_MIN + 1, INT_MAX, -1000000, 1000000, 3, -2};
    image img(12, 10, 0);
    state().area = {2, 2, 10, 8};
    for (int x1 : far)
        for (int y1 : far)
            for (int x2 : far)
                for (int y2 : {INT_MAX, -1000000, 5}) {
                    std::memset(img.at(0, 0), 0, static_cast<std::size_t>(img.m.base->pitch) * 10);
                    const RECT r{x1, y1, x2, y2};
                    DrawMemImgBox(&img, &r, 0xFFFF);
                    for (int y = 0; y < 10; ++y)
                        for (int x = 0; x < 12; ++x)
                            if (x < 2 || x >= 10 || y < 2 || y >= 8) {
                                ASSERT_EQ(img.get(x, y), 0u) << x << "," << y;
                            }
                }
}

TEST_F(Box, LoopsMatchTheGenericPath)
{
    for (int slot = 0; slot < 7; ++slot)
        for (int bits : {16, 32}) {
            EXPECT_NE(media::soft::find_box_loop(bits, slot), nullptr);
            for (bool x_major : {false, true}) EXPECT_NE(media::soft::find_line_loop(bits, slot, x_major), nullptr);
        }
    std::mt19937 random(2201);
    for (int bits : {16, 32})
        for (int mode : {0, 1, 2, 3, 4, 10, 11})
            for (int trial = 0; trial < 40; ++trial) {
                image img(23, 9, bits == 32 ? 1 : 0);
                img.fill_random(random);
                const auto before = img.snapshot();
                const RECT r{static_cast<int>(random() % 30) - 4, static_cast<int>(random() % 14) - 3,
                             static_cast<int>(random() % 30) - 4, static_cast<int>(random() % 14) - 3};
                blend(mode, 1 + static_cast<int>(random() % 255));
                state().area = {1, 1, 22, 8};
                state().draw_bright = trial % 2 ? 0xFFFFFF : static_cast<std::uint32_t>(random()) & 0xFFFFFF;
                const std::uint32_t colour = static_cast<std::uint32_t>(random());
                media::soft::force_generic_loops(1);
                DrawMemImgBox(&img, &r, colour);
                const auto generic = img.snapshot();
                img.restore(before);
                media::soft::force_generic_loops(0);
                DrawMemImgBox(&img, &r, colour);
                ASSERT_EQ(img.snapshot(), generic) << "bits " << bits << " mode " << mode << " trial " << trial;
            }
}

}  // namespace
