// The memory-side formats of the texture-format slots and the slot an image
// asks for.
#include <cstdint>
#include <string>

#include "fixture.hpp"
#include "media/graphics/formats.hpp"

namespace {

using TextureFormats = graphics_test::fixture;

TEST_F(TextureFormats, EverySlotHasItsMasks)
{
    struct slot_case {
        int slot;
        int bits, bytes;
        std::uint32_t red, green, blue, alpha;
        std::uint32_t kind;
    };
    const slot_case cases[] = {
        {0, 16, 2, 0xF800, 0x07E0, 0x001F, 0, 0},
        {1, 32, 4, 0xFF0000, 0xFF00, 0xFF, 0, 0},
        {2, 16, 2, 0x0F00, 0x00F0, 0x000F, 0xF000, 0},
        {3, 32, 4, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u, 0},
        {4, 16, 2, 0x7C00, 0x03E0, 0x001F, 0x8000, 0},
        {5, 32, 4, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u, 0},
        {6, 4, 0, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u, 1},
        {7, 8, 0, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u, 2},
        {8, 8, 0, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u, 3},
        {9, 8, 0, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u, 4},
        {10, 8, 0, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u, 5},
        {11, 16, 2, 0xF800, 0x07E0, 0x001F, 0, 0},
        {12, 32, 4, 0xFF0000, 0xFF00, 0xFF, 0, 0},
        {13, 32, 4, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u, 0},
    };
    for (const slot_case& c : cases) {
        SCOPED_TRACE(c.slot);
        const PIXFMT* f = GetTextureImageFormat(c.slot);
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->color_bits, c.bits);
        EXPECT_EQ(f->pixel_bytes, c.bytes);
        EXPECT_EQ(f->red_mask, c.red);
        EXPECT_EQ(f->green_mask, c.green);
        EXPECT_EQ(f->blue_mask, c.blue);
        EXPECT_EQ(f->alpha_mask, c.alpha);
        EXPECT_EQ(f->kind, c.kind);
    }
    for (const int outside : {14, 15, 16, -1, 1000})
        EXPECT_EQ(GetTextureImageFormat(outside), nullptr) << outside;
    // built once: the same record every time
    EXPECT_EQ(GetTextureImageFormat(3), GetTextureImageFormat(3));
}

TEST_F(TextureFormats, RequestsClassifyAndChooseTheSameSlot)
{
    struct request_case {
        const char* name;
        GRAPHFORMAT request;  // alpha, draw-able, compressed, transparent, depth
        int want;
    };
    const request_case cases[] = {
        {"plain 16", {0, 0, 0, 0, 16}, 0},
        {"plain 32", {0, 0, 0, 0, 32}, 1},
        {"plain 24 takes the higher", {0, 0, 0, 0, 24}, 1},
        {"alpha 16", {1, 0, 0, 0, 16}, 2},
        {"alpha 32", {1, 0, 0, 0, 32}, 3},
        {"alpha before transparent colour", {1, 0, 0, 1, 16}, 2},
        {"transparent 16", {0, 0, 0, 1, 16}, 4},
        {"transparent 32", {0, 0, 0, 1, 32}, 5},
        {"draw-able 16", {0, 1, 0, 0, 16}, 11},
        {"draw-able 32", {0, 1, 0, 0, 32}, 12},
        {"draw-able with alpha", {1, 1, 0, 0, 16}, 13},
        {"draw-able with transparent colour", {0, 1, 0, 1, 32}, 13},
        {"DXT1", {0, 0, 1, 0, 32}, 6},
        {"DXT3 whatever else is set", {1, 1, 3, 1, 16}, 8},
        {"DXT5", {0, 1, 5, 0, 16}, 10},
        {"unknown compressed kind is plain", {0, 0, 6, 0, 16}, 0},
        {"unknown compressed kind, draw-able", {0, 1, 255, 0, 32}, 12},
    };
    for (const request_case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ClassifyGraphFormat(&c.request), c.want);
        EXPECT_EQ(ChooseTextureImageFormat(&c.request), GetTextureImageFormat(c.want));
    }
    EXPECT_EQ(ClassifyGraphFormat(nullptr), -1);
    EXPECT_EQ(ChooseTextureImageFormat(nullptr), nullptr);
}

TEST_F(TextureFormats, FlagsPickTheFontCacheFormat)
{
    struct flags_case {
        int alpha, transparent, bits32, drawable;
        int want;
    };
    const flags_case cases[] = {
        {1, 0, 0, 0, 2},  // an anti-aliased font's cache
        {0, 1, 0, 0, 4},  // the others
        {0, 0, 0, 0, 0},
        {0, 0, 1, 0, 1},
        {1, 0, 1, 0, 3},
        {0, 1, 1, 0, 5},
        {0, 0, 1, 1, 12},
        {7, -1, 2, 0, 3},  // any non-zero value is a set flag
    };
    for (const flags_case& c : cases)
        EXPECT_EQ(GetTextureFormatFor(c.alpha, c.transparent, c.bits32, c.drawable), GetTextureImageFormat(c.want))
            << c.alpha << c.transparent << c.bits32 << c.drawable;
}

}  // namespace
