// Blend tables and the per-mode pixel arithmetic: literal rows of known
// results, and every mode and modifier against the independent model on
// seeded random pixels, with the MMX flag on and off.
#include "media/softrender/blend.hpp"

#include "media/core/internal.hpp"
#include "media/graphics/internal.hpp"
#include "reference_blend.hpp"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

namespace {

using softrender_test::blend_case;

class Blend : public ::testing::Test {
protected:
    void SetUp() override
    {
        media::core::reset_state();
        media::gfx::reset_state();
        media::soft::reset_state();
        ASSERT_EQ(BuildMemImgBlendTables(), 0);
    }
    void TearDown() override { media::soft::reset_state(); }
};

const auto& tables() { return media::soft::blend_tables; }

TEST_F(Blend, Tables)
{
    for (int d = -255; d <= 255; ++d) {
        ASSERT_EQ(tables().difference[255][d + 255], d);
        ASSERT_EQ(tables().difference[0][d + 255], 0);
        for (int i : {1, 77, 128, 254}) ASSERT_EQ(tables().difference[i][255 - d], -tables().difference[i][d + 255]);
    }
    EXPECT_EQ(tables().difference[128][255 + 100], 50);  // 12800 / 255 = 50.19
    EXPECT_EQ(tables().difference[128][255 - 100], -50);
    EXPECT_EQ(tables().product[128][255], 128);
    EXPECT_EQ(tables().product[255][1], 1);
    EXPECT_EQ(tables().product[1][254], 0);
    EXPECT_EQ(tables().product[200][100], 78);  // 20000 / 255 = 78.4
    for (int a = 0; a < 64; ++a)
        for (int b = 0; b < 64; ++b) {
            ASSERT_EQ(tables().interpolate[0][a][b], b);
            ASSERT_EQ(tables().interpolate[63][a][b], a);
            ASSERT_EQ(tables().interpolate[1][a][b], (a + 62 * b) / 63);
        }
    EXPECT_EQ(tables().interpolate[32][63][0], 32);
}

TEST_F(Blend, WeightTable)
{
    auto weights = [] { return std::vector<int>(tables().weight, tables().weight + 256); };
    for (int range : {0, 1, 100, 255}) {
        BuildBlendImageWeightTable(0, range);
        EXPECT_EQ(weights(), std::vector<int>(256, 255)) << range;
    }
    BuildBlendImageWeightTable(128, 255);
    for (int v = 0; v < 256; ++v) EXPECT_EQ(tables().weight[v], v);
    BuildBlendImageWeightTable(128, 0);
    for (int v = 0; v < 256; ++v) EXPECT_EQ(tables().weight[v], v < 128 ? 0 : v == 128 ? 128 : 255) << v;
    for (int range : {255, 0}) {
        BuildBlendImageWeightTable(255, range);
        for (int v = 0; v < 256; ++v) EXPECT_EQ(tables().weight[v], v == 255 ? 1 : 0) << range << " " << v;
    }
}

TEST_F(Blend, WordOperations)
{
    using namespace media::soft;
    EXPECT_EQ(add_word32(0xAA90F82E, 0x005C7FD0), 0x00EDFFFEu);
    for (std::uint32_t d : {0xAA90F82Eu, 0x00FFFFFFu, 0x12010101u, 0u})
        EXPECT_EQ(add_word32(d, 0) & 0xFFFFFF, d & 0xFFFFFF) << std::hex << d;
    EXPECT_EQ(subtract_word32(0xAA204060, 0), 0x00214160u);  // green's and red's lowest bits set, fourth byte 0
    EXPECT_EQ(add_bytes(0xAA90F82E, 0x005C7FD0), 0xAAECFFFEu);
    EXPECT_EQ(subtract_bytes(0x10205080, 0x2010FF01), 0x0010007Fu);
    // red saturates; its carry sets the right pixel's lowest blue bit
    EXPECT_EQ(add_pair16(0x0000F000, 0x00001000), 0x0001F800u);

    std::mt19937 random(40);
    for (int i = 0; i < 20000; ++i) {
        const std::uint32_t d = static_cast<std::uint32_t>(random()), s = static_cast<std::uint32_t>(random());
        ASSERT_EQ(add_pair16(d, s), softrender_test::reference_pair(true, d, s)) << std::hex << d << " " << s;
        ASSERT_EQ(subtract_pair16(d, s), softrender_test::reference_pair(false, d, s)) << std::hex << d << " " << s;
    }
}

struct row {
    const char* what;
    int mode, bits;
    bool blend_image, alpha, transparency, plain, mmx;
    int p;
    std::uint32_t bright, s;
    int a, w;
    std::uint32_t d;
    bool written;
    std::uint32_t expected;
};

std::uint32_t run(const row& r, bool* written)
{
    media::soft::blend_setup setup{r.p, r.bright, 0x12345, r.mmx, &tables()};
    std::uint32_t d = r.d;
    *written = media::soft::blend_pixel(setup, r.mode, r.bits, r.blend_image, r.alpha, r.transparency, r.plain, r.s,
                                        r.a, r.w, &d);
    return d;
}

TEST_F(Blend, LiteralRows)
{
    constexpr std::uint32_t off = 0xFFFFFF;
    const row rows[] = {
        {"mode 1 at 255 is mode 0", 1, 32, false, false, false, true, false, 255, off, 0x11223344, 0, 0, 0xAABBCCDD, true, 0x11223344},
        {"mode 1 at 0 draws nothing", 1, 32, false, false, false, true, false, 0, off, 0x11223344, 0, 0, 0xAABBCCDD, false, 0xAABBCCDD},
        {"16-bit mode 1 at 4: level 1", 1, 16, false, false, false, true, false, 4, off, 0x0000, 0, 0, 0xFFFF, true, 0xF7DE},
        {"16-bit mode 1 at 3: level 0", 1, 16, false, false, false, true, false, 3, off, 0x0000, 0, 0, 0xFFFF, true, 0xFFFF},
        {"16-bit mode 1 at 1", 1, 16, false, false, false, true, false, 1, off, 0x1234, 0, 0, 0x8765, true, 0x8765},
        {"16-bit mode 1 at 252: the source", 1, 16, false, false, false, true, false, 252, off, 0x1234, 0, 0, 0x8765, true, 0x1234},
        {"16-bit mode 1 at 254", 1, 16, false, false, false, true, false, 254, off, 0x1234, 0, 0, 0x8765, true, 0x1234},
        {"32-bit mode 1 at 128 halves and adds", 1, 32, false, false, false, true, false, 128, off, 0xFF804020, 0, 0, 0x01030507, true, 0x00412213},
        {"16-bit mode 1 at 128 halves and adds", 1, 16, false, false, false, true, false, 128, off, 0xFFFF, 0, 0, 0x8410, true, 0xBDF7},
        {"32-bit full-strength add", 2, 32, false, false, false, true, false, 255, off, 0x005C7FD0, 0, 0, 0xAA90F82E, true, 0x00EDFFFE},
        {"32-bit full-strength add, MMX", 2, 32, false, false, false, true, true, 255, off, 0x005C7FD0, 0, 0, 0xAA90F82E, true, 0xAAECFFFE},
        {"32-bit full-strength subtract, MMX", 3, 32, false, false, false, true, true, 255, off, 0x2010FF01, 0, 0, 0x10205080, true, 0x0010007F},
        {"32-bit add off the plain path", 2, 32, false, false, false, false, true, 255, off, 0x005C7FD0, 0, 0, 0xAA90F82E, true, 0x00EDFFFE},
        {"32-bit add of a black source", 2, 32, false, false, false, true, false, 100, off, 0x00000000, 0, 0, 0xAA90F82E, true, 0x0090F82E},
        {"32-bit subtract of a black source", 3, 32, false, false, false, true, false, 100, off, 0x00000000, 0, 0, 0xAA204060, true, 0x00214160},
        {"mode 2 at 0 draws nothing", 2, 16, false, false, false, true, false, 0, off, 0xFFFF, 0, 0, 0x1234, false, 0x1234},
        {"mode 4 skips alpha 0", 4, 32, false, true, true, true, false, 0, off, 0x00FFFFFF, 0, 0, 0x11223344, false, 0x11223344},
        {"mode 4 with weight 0", 4, 32, true, false, false, true, false, 0, off, 0x00FFFFFF, 0, 0, 0xAB112233, true, 0xAB000000},
        {"mode 4 16-bit", 4, 16, false, false, false, true, false, 0, off, 0xFFFF, 0, 0, 0x8410, true, 0x7BEF},
        {"mode 10 32-bit", 10, 32, false, false, false, true, false, 255, off, 0x000000FF, 0, 0, 0x00000000, true, 0x00FEFE00},
        {"mode 10 16-bit", 10, 16, false, false, false, true, false, 255, off, 0x001F, 0, 0, 0x0000, true, 0xFFE0},
        {"mode 11 32-bit", 11, 32, false, false, false, true, false, 255, off, 0x80808080, 0, 0, 0x000000FF, true, 0x0000007F},
        {"mode 11 16-bit, alpha: fine green", 11, 16, false, true, false, true, false, 255, off, 0xFFFF, 128, 0, 0xFFFF, true, 0xF7DE},
        {"mode 5 draws nothing", 5, 32, false, false, false, true, false, 255, off, 0x1, 0, 0, 0x2, false, 0x2},
        {"mode 12 draws nothing", 12, 16, false, false, false, true, false, 255, off, 0x1, 0, 0, 0x2, false, 0x2},
        {"the transparent colour is skipped", 0, 32, false, false, true, true, false, 0, off, 0x12345, 0, 0, 0x2, false, 0x2},
        {"mode 0 with draw bright keeps the fourth byte", 0, 32, false, false, false, true, false, 0, 0x008000FF, 0xFFFFFFFF, 0, 0, 0xAB000000, true, 0xAB8000FF},
        {"an opaque alpha pixel with the flag copies whole", 0, 32, false, true, true, true, false, 0, off, 0xFF102030, 255, 0, 0x01020304, true, 0xFF102030},
    };
    for (const auto& r : rows) {
        bool written = false;
        const std::uint32_t got = run(r, &written);
        EXPECT_EQ(written, r.written) << r.what;
        EXPECT_EQ(got, r.expected) << r.what << std::hex << ": got " << got;
    }
}

TEST_F(Blend, SetupReadsTheDrawingStateAndTheSeam)
{
    media::gfx::draw_state.blend_param = 77;
    media::gfx::draw_state.draw_bright = 0x102030;
    for (int mmx : {0, 1}) {
        media::soft::set_mmx_enabled(mmx);
        const media::soft::blend_setup setup = media::soft::current_blend_setup(0xF81F);
        EXPECT_EQ(setup.param, 77);
        EXPECT_EQ(setup.bright, 0x102030u);
        EXPECT_EQ(setup.transparent, 0xF81Fu);
        EXPECT_EQ(setup.mmx, mmx == 1);
        EXPECT_EQ(setup.tables, &media::soft::blend_tables);
        // the two full-strength variants give different pixels
        std::uint32_t d = 0xAA90F82E;
        media::gfx::draw_state.blend_param = 255;
        media::gfx::draw_state.draw_bright = 0xFFFFFF;
        ASSERT_TRUE(media::soft::blend_pixel(media::soft::current_blend_setup(0), 2, 32, false, false, false, true,
                                             0x005C7FD0, 0, 0, &d));
        EXPECT_EQ(d, mmx ? 0xAAECFFFEu : 0x00EDFFFEu);
        media::gfx::draw_state.blend_param = 77;
        media::gfx::draw_state.draw_bright = 0x102030;
    }
}

// Every mode, size and modifier combination, the MMX flag both ways, on
// seeded random pixels with the values where the rules change weighted in.
TEST_F(Blend, EveryRuleMatchesTheModel)
{
    std::mt19937 random(8102);
    const int special_p[] = {0, 1, 3, 4, 127, 128, 129, 252, 254, 255};
    auto pick_p = [&] { return random() % 3 == 0 ? special_p[random() % 10] : static_cast<int>(random() % 256); };
    auto pick_byte = [&] {
        const int r = static_cast<int>(random() % 4);
        return r == 0 ? 0 : r == 1 ? 255 : static_cast<int>(random() % 256);
    };
    long compared = 0;
    for (int mode : {0, 1, 2, 3, 4, 5, 9, 10, 11, 12})
        for (int bits : {16, 32})
            for (int axes = 0; axes < 32; ++axes)
                for (bool mmx : {false, true}) {
                    const bool blend_image = axes & 1, alpha = axes & 2, bright = axes & 4, transparency = axes & 8,
                               plain = axes & 16;
                    BuildBlendImageWeightTable(static_cast<int>(random() % 256), static_cast<int>(random() % 256));
                    for (int trial = 0; trial < 60; ++trial) {
                        blend_case c{};
                        c.mode = mode;
                        c.bits = bits;
                        c.blend_image = blend_image;
                        c.alpha = alpha;
                        c.transparency = transparency;
                        c.plain = plain;
                        c.mmx = mmx;
                        c.p = pick_p();
                        c.bright = bright ? static_cast<std::uint32_t>(random()) & 0xFFFFFF : 0xFFFFFF;
                        if (bright && c.bright == 0xFFFFFF) c.bright = 0xFFFFFE;
                        const std::uint32_t mask = bits == 32 ? 0xFFFFFFFF : 0xFFFF;
                        c.s = static_cast<std::uint32_t>(random()) & mask;
                        c.d = static_cast<std::uint32_t>(random()) & mask;
                        c.a = pick_byte();
                        if (alpha && bits == 32) c.s = (c.s & 0xFFFFFF) | static_cast<std::uint32_t>(c.a) << 24;
                        c.w = tables().weight[random() % 256];
                        c.transparent = random() % 4 == 0 ? c.s : static_cast<std::uint32_t>(random()) & mask;
                        std::uint32_t want = c.d, got = c.d;
                        const bool want_written = softrender_test::reference_blend(c, &want);
                        const media::soft::blend_setup setup{c.p, c.bright, c.transparent, mmx, &tables()};
                        const bool got_written = media::soft::blend_pixel(setup, mode, bits, blend_image, alpha,
                                                                          transparency, plain, c.s, c.a, c.w, &got);
                        if (got_written != want_written || got != want) {
                            std::ostringstream what;
                            what << std::hex << "mode " << std::dec << mode << " bits " << bits << " axes " << axes
                                 << " mmx " << mmx << " p " << c.p << std::hex << " bright " << c.bright << " s " << c.s
                                 << " a " << c.a << " w " << c.w << " d " << c.d << ": got " << got << " want " << want;
                            FAIL() << what.str();
                        }
                        ++compared;
                    }
                }
    EXPECT_GT(compared, 0);
}

}  // namespace
