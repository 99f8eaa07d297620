// Pixel formats and image buffers: builders, colour packing, single pixels,
// DXT blocks written by hand, half-scaling, copies, and soft-image handles.
#include "media/graphics/pixfmt.hpp"

#include "fixture.hpp"

#include <climits>

namespace {

using graphics_test::fixture;
using graphics_test::masks_format;

class PixelFormat : public fixture {};

TEST_F(PixelFormat, BuildersFillTheTable)
{
    PIXFMT f = masks_format(16, 0xF800, 0x7E0, 0x1F, 0);
    EXPECT_EQ(f.pixel_bytes, 2);
    EXPECT_EQ((std::vector<int>{f.red_width, f.green_width, f.blue_width, f.alpha_width}), (std::vector<int>{5, 6, 5, 0}));
    EXPECT_EQ((std::vector<int>{f.red_shift, f.green_shift, f.blue_shift, f.alpha_shift}), (std::vector<int>{11, 5, 0, 0}));
    EXPECT_EQ(f.unused_mask, 0u);

    f = masks_format(32, 0xFF0000, 0xFF00, 0xFF, 0);
    EXPECT_EQ(f.unused_mask, 0xFF000000u);
    EXPECT_EQ(f.unused_shift, 24);
    EXPECT_EQ(f.unused_width, 8);

    const struct {
        void (*build)(PIXFMT*);
        int depth, bytes;
        std::uint32_t alpha, unused;
        int unused_shift, unused_width;
    } rows[] = {
        {InitPaletteFormat, 8, 1, 0, 0xFF000000, 0, 0},
        {InitGrayFormat, 8, 1, 0, 0xFF000000, 0, 0},
        {InitXRGB8Format, 32, 4, 0, 0xFF000000, 24, 8},
        {InitARGB8Format, 32, 4, 0xFF000000, 0, 0, 0},
        {InitFullColorFormat, 24, 3, 0, 0, 0, 0},
    };
    for (const auto& row : rows) {
        PIXFMT g{};
        g.kind = 3;
        row.build(&g);
        EXPECT_EQ(g.color_bits, row.depth);
        EXPECT_EQ(g.pixel_bytes, row.bytes);
        EXPECT_EQ(g.red_mask, 0xFF0000u);
        EXPECT_EQ(g.red_shift, 16);
        EXPECT_EQ(g.green_mask, 0xFF00u);
        EXPECT_EQ(g.blue_width, 8);
        EXPECT_EQ(g.alpha_mask, row.alpha);
        EXPECT_EQ(g.alpha_shift, row.alpha ? 24 : 0);
        EXPECT_EQ(g.unused_mask, row.unused);
        EXPECT_EQ(g.unused_shift, row.unused_shift);
        EXPECT_EQ(g.unused_width, row.unused_width);
        EXPECT_EQ(g.kind, 0u);
    }
    PIXFMT gray{};
    InitGrayFormat(&gray);
    EXPECT_EQ(gray.palette[77].red, 77);
    EXPECT_EQ(gray.palette[77].blue, 77);
    EXPECT_EQ(gray.palette[77].alpha, 0);

    // the unused mask from the widths; its shift and width stay
    PIXFMT x = masks_format(16, 0x7C00, 0x3E0, 0x1F, 0);
    ASSERT_EQ(x.unused_mask, 0x8000u);
    x.alpha_mask = 0x8000;
    x.alpha_width = 1;
    RecomputeUnusedBits(&x);
    EXPECT_EQ(x.unused_mask, 0u);
    EXPECT_EQ(x.unused_shift, 15);
    x.alpha_mask = 0;
    x.alpha_width = 0;
    RecomputeUnusedBits(&x);
    EXPECT_EQ(x.unused_mask, 0x8000u);
}

TEST_F(PixelFormat, PackAndUnpackColors)
{
    const PIXFMT rgb565 = masks_format(16, 0xF800, 0x7E0, 0x1F, 0);
    EXPECT_EQ(PackColor(&rgb565, 255, 255, 255, 255), 0xFFFFu);
    EXPECT_EQ(PackColor(&rgb565, 255, 0, 0, 0), 0xF800u);
    const PIXFMT xrgb = masks_format(32, 0xFF0000, 0xFF00, 0xFF, 0);
    EXPECT_EQ(PackColor(&xrgb, 1, 2, 3, 4), 0xFF010203u);  // unused bits added, no alpha
    const PIXFMT argb4 = masks_format(16, 0xF00, 0xF0, 0xF, 0xF000);
    EXPECT_EQ(PackColor(&argb4, 0xFF, 0x80, 0x10, 0x70), 0x7F81u);
    // 10-bit channels scale v x 1023 / 255
    const PIXFMT a2r10 = masks_format(32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000);
    EXPECT_EQ(PackColor(&a2r10, 255, 128, 0, 255), 0xC0000000u | 1023u << 20 | 513u << 10);

    PIXFMT palette{};
    InitPaletteFormat(&palette);
    palette.palette[3] = {10, 20, 30, 0};
    palette.palette[5] = {10, 20, 30, 0};
    palette.palette[9] = {200, 200, 200, 0};
    for (int i = 10; i < 256; ++i) palette.palette[i] = {255, 255, 255, 0};
    EXPECT_EQ(PackColor(&palette, 31, 20, 10, 0), 3u);  // the first of two equal entries
    EXPECT_EQ(PackColor(&palette, 190, 190, 210, 0), 9u);
    EXPECT_EQ(PackColor(&palette, 0, 0, 0, 255), 0u);  // entries 0..2 are black, alpha ignored

    int r = -1, g = -1, b = -1, a = -1;
    UnpackColor(&rgb565, 31u << 11 | 16u << 5 | 16u, &r, &g, &b, &a);
    EXPECT_EQ(r, 255);
    EXPECT_EQ(g, 16 * 255 / 63);
    EXPECT_EQ(b, 131);
    EXPECT_EQ(a, 0);
    UnpackColor(&argb4, 0x8000, nullptr, nullptr, nullptr, &a);
    EXPECT_EQ(a, 136);
    // a zero-width channel reads as 0 (luminance formats)
    const PIXFMT luminance = masks_format(8, 0, 0, 0xFF, 0);
    UnpackColor(&luminance, 0x80, &r, &g, &b, &a);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(g, 0);
    EXPECT_EQ(b, 128);
}

// A buffer owning a managed block of pitch x height bytes, zeroed.
IMGBUF make_buffer(const PIXFMT& format, int width, int height)
{
    IMGBUF b{};
    EXPECT_EQ(CreateImageBuffer(width, height, &format, &b), 0);
    std::memset(b.pixels, 0, static_cast<std::size_t>(b.pitch) * height);
    return b;
}

unsigned char* at(const IMGBUF& b, int x, int y)
{
    return static_cast<unsigned char*>(b.pixels) + y * b.pitch + x * b.format.pixel_bytes;
}

std::uint32_t get_argb(const IMGBUF& b, int x, int y)
{
    const unsigned char* p = at(b, x, y);
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

TEST_F(PixelFormat, SinglePixelsReadAndWriteInsideTheImageOnly)
{
    PIXFMT palette{};
    InitPaletteFormat(&palette);
    palette.palette[7] = {1, 2, 3, 44};
    IMGBUF p = make_buffer(palette, 3, 2);
    *at(p, 2, 1) = 7;
    int r, g, b, a;
    ASSERT_EQ(GetImagePixel(&p, 2, 1, &r, &g, &b, &a), 0);
    EXPECT_EQ((std::vector<int>{r, g, b, a}), (std::vector<int>{3, 2, 1, 44}));
    for (auto xy : {std::pair{-1, 0}, std::pair{3, 0}, std::pair{0, 2}, std::pair{0, -1}, std::pair{INT_MIN, 0}}) {
        EXPECT_EQ(GetImagePixel(&p, xy.first, xy.second, &r, &g, &b, &a), -1);
        EXPECT_EQ(SetImagePixel(&p, xy.first, xy.second, 1, 2, 3, 4), -1);
    }
    ReleaseImageBuffer(&p);
    EXPECT_EQ(p.pixels, nullptr);
    EXPECT_EQ(p.width, 0);

    // SetImagePixel stores exactly the pixel's bytes: the guard bytes beside it stay
    const struct {
        PIXFMT format;
        std::vector<unsigned char> bytes;
    } rows[] = {
        {palette, {0x07}},
        {masks_format(16, 0xF800, 0x7E0, 0x1F, 0), {0x1F, 0x84}},  // (128, 128, 255): 0x841F
        {masks_format(24, 0xFF0000, 0xFF00, 0xFF, 0), {0xFF, 0x80, 0x80}},
        {masks_format(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000), {0xFF, 0x80, 0x80, 0x40}},
    };
    for (const auto& row : rows) {
        IMGBUF buffer = make_buffer(row.format, 3, 1);
        std::memset(buffer.pixels, 0xAA, buffer.pitch);
        ASSERT_EQ(SetImagePixel(&buffer, 1, 0, 128, 128, 255, 0x40), 0);
        const int n = row.format.pixel_bytes;
        const std::vector<unsigned char> written(at(buffer, 1, 0), at(buffer, 1, 0) + n);
        if (n == 1) {
            // nearest entry 7 of the palette above is (3, 2, 1); everything else is black
            EXPECT_EQ(written, std::vector<unsigned char>{7});
        } else {
            EXPECT_EQ(written, row.bytes) << n << " bytes";
        }
        EXPECT_EQ(*at(buffer, 0, 0), 0xAA);
        EXPECT_EQ(at(buffer, 2, 0)[0], 0xAA);
        ReleaseImageBuffer(&buffer);
    }
}

TEST_F(PixelFormat, PixelCodePutsEachChannelAtTheTopOfItsByte)
{
    IMGBUF b = make_buffer(masks_format(16, 0xF00, 0xF0, 0xF, 0xF000), 2, 1);
    at(b, 1, 0)[0] = 0x5A;  // green 5, blue 10
    at(b, 1, 0)[1] = 0xC3;  // alpha 12, red 3
    EXPECT_EQ(GetImagePixelCode(&b, 1, 0), 0xC03050A0u);
    EXPECT_EQ(GetImagePixelCode(&b, 2, 0), 0u);
    ReleaseImageBuffer(&b);

    b = make_buffer(masks_format(16, 0xF800, 0x7E0, 0x1F, 0), 1, 1);
    at(b, 0, 0)[0] = 0xFF;
    at(b, 0, 0)[1] = 0xFF;
    EXPECT_EQ(GetImagePixelCode(&b, 0, 0), 0x00F8FCF8u);  // no alpha channel: 0 in the top byte
    ReleaseImageBuffer(&b);
    EXPECT_EQ(GetImagePixelCode(&b, 0, 0), 0u);  // no pixels
}

// ---- DXT ----

void color_block(unsigned char* out, unsigned c0, unsigned c1, std::uint32_t indices)
{
    out[0] = c0 & 0xFF;
    out[1] = c0 >> 8;
    out[2] = c1 & 0xFF;
    out[3] = c1 >> 8;
    for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<unsigned char>(indices >> (8 * i));
}

// A DXT buffer of one 4 x 4 block in a managed block, 6 x 5 texels large, so
// that one column and two rows lie past the whole blocks.
IMGBUF dxt_buffer(unsigned kind, const std::vector<unsigned char>& block)
{
    IMGBUF b{};
    InitFormatFromMasks(&b.format, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
    b.format.kind = kind;
    b.format.color_bits = kind == 1 ? 4 : 8;
    b.width = 6;
    b.height = 5;
    b.mipmaps = 3;
    b.pixels = ManagedAlloc(static_cast<int>(block.size()), "test", 0);
    std::memcpy(b.pixels, block.data(), block.size());
    return b;
}

std::vector<std::uint32_t> texels(const IMGBUF& b)
{
    std::vector<std::uint32_t> out;
    for (int t = 0; t < 16; ++t) {
        const unsigned char* p = at(b, t % 4, t / 4);
        out.push_back(p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24);
    }
    return out;
}

TEST_F(PixelFormat, DxtColorBlocks)
{
    // texel t takes index t & 3
    std::uint32_t indices = 0;
    for (int t = 0; t < 16; ++t) indices |= static_cast<std::uint32_t>(t & 3) << (2 * t);
    const struct {
        const char* what;
        unsigned kind, c0, c1;
        std::uint32_t colors[4];
    } rows[] = {
        // c0 = c1: colour 2 the mean, colour 3 its red, green and blue with alpha 0
        {"DXT1 c0 = c1", 1, 0xF800, 0xF800, {0xFFFF0000, 0xFFFF0000, 0xFFFF0000, 0x00FF0000}},
        {"DXT1 c0 < c1", 1, 0x001F, 0xF800, {0xFF0000FF, 0xFFFF0000, 0xFF7F007F, 0x007F007F}},
        {"DXT1 c0 > c1", 1, 0xF800, 0x001F, {0xFFFF0000, 0xFF0000FF, 0xFFAA0055, 0xFF5500AA}},
        // the other kinds use four opaque colours even when c0 <= c1 (alpha all 15 here)
        {"DXT3 c0 < c1", 3, 0x001F, 0x07E0, {0xFF0000FF, 0xFF00FF00, 0xFF0055AA, 0xFF00AA55}},
    };
    for (const auto& row : rows) {
        std::vector<unsigned char> block(row.kind == 1 ? 8 : 16, 0xFF);
        color_block(block.data() + (row.kind == 1 ? 0 : 8), row.c0, row.c1, indices);
        IMGBUF b = dxt_buffer(row.kind, block);
        ASSERT_EQ(DecodeDxtImage(&b), 0) << row.what;
        const std::vector<std::uint32_t> got = texels(b);
        for (int t = 0; t < 16; ++t) EXPECT_EQ(got[t], row.colors[t & 3]) << row.what << " texel " << t;
        EXPECT_EQ(b.format.kind, 0u);
        EXPECT_EQ(b.format.color_bits, 32);
        EXPECT_EQ(b.format.alpha_mask, 0xFF000000u);
        EXPECT_EQ(b.pitch, 24);
        EXPECT_EQ(b.mipmaps, 0);  // one level now
        // past the whole blocks: transparent black
        for (int y = 0; y < 5; ++y) EXPECT_EQ(get_argb(b, 4, y) | get_argb(b, 5, y), 0u);
        for (int x = 0; x < 6; ++x) EXPECT_EQ(get_argb(b, x, 4), 0u);
        EXPECT_EQ(DecodeDxtImage(&b), 0);  // kind 0: nothing to do
        ReleaseImageBuffer(&b);
    }
}

TEST_F(PixelFormat, DxtAlphaBlocks)
{
    std::vector<unsigned char> block(16, 0);
    color_block(block.data() + 8, 0xFFFF, 0xFFFF, 0);  // all white
    const unsigned nibbles[16] = {0, 1, 8, 15, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13, 14};
    for (int t = 0; t < 16; ++t) block[t / 2] |= static_cast<unsigned char>(nibbles[t] << (4 * (t & 1)));
    IMGBUF b = dxt_buffer(3, block);
    ASSERT_EQ(DecodeDxtImage(&b), 0);
    std::vector<std::uint32_t> got = texels(b);
    for (int t = 0; t < 16; ++t) EXPECT_EQ(got[t], (nibbles[t] * 255 / 15) << 24 | 0xFFFFFF) << t;
    ReleaseImageBuffer(&b);

    // interpolated alpha: texel t takes index t & 7
    const struct {
        unsigned a0, a1;
        unsigned values[8];
    } rows[] = {
        {255, 0, {255, 0, 218, 182, 145, 109, 72, 36}},
        {0, 255, {0, 255, 51, 102, 153, 204, 0, 255}},
        {100, 100, {100, 100, 100, 100, 100, 100, 0, 255}},
    };
    for (const auto& row : rows) {
        std::vector<unsigned char> b5(16, 0);
        b5[0] = static_cast<unsigned char>(row.a0);
        b5[1] = static_cast<unsigned char>(row.a1);
        std::uint64_t bits = 0;
        for (int t = 0; t < 16; ++t) bits |= static_cast<std::uint64_t>(t & 7) << (3 * t);
        for (int i = 0; i < 6; ++i) b5[2 + i] = static_cast<unsigned char>(bits >> (8 * i));
        color_block(b5.data() + 8, 0, 0, 0);
        IMGBUF d = dxt_buffer(5, b5);
        ASSERT_EQ(DecodeDxtImage(&d), 0);
        got = texels(d);
        for (int t = 0; t < 16; ++t) EXPECT_EQ(got[t], row.values[t & 7] << 24) << row.a0 << "," << row.a1 << " texel " << t;
        ReleaseImageBuffer(&d);
    }
}

TEST_F(PixelFormat, DxtDecodeFailureLeavesTheBufferAsItWas)
{
    std::vector<unsigned char> block(8, 0);
    IMGBUF b = dxt_buffer(1, block);
    const IMGBUF before = b;
    media::core::fail_next_heap_requests(1);
    EXPECT_EQ(DecodeDxtImage(&b), -1);
    EXPECT_EQ(std::memcmp(&b, &before, sizeof b), 0);
    int r;
    media::core::fail_next_heap_requests(1);
    EXPECT_EQ(GetImagePixel(&b, 0, 0, &r, nullptr, nullptr, nullptr), -1);
    b.format.kind = 6;  // no such kind
    EXPECT_EQ(DecodeDxtImage(&b), -1);
    b.format.kind = 1;
    EXPECT_EQ(GetImagePixel(&b, 0, 0, &r, nullptr, nullptr, nullptr), 0);  // decodes first
    EXPECT_EQ(b.format.kind, 0u);
    ReleaseImageBuffer(&b);
}

// ---- half scale, mirror, copies ----

TEST_F(PixelFormat, HalfScaleAveragesPerChannel)
{
    const PIXFMT xrgb = masks_format(32, 0xFF0000, 0xFF00, 0xFF, 0);
    const std::uint32_t src[2][4] = {{0xFF100000, 0x00200000, 0x000000FF, 0x00000001},
                                     {0x00300003, 0x00400004, 0x00000001, 0x00000002}};
    std::uint32_t dst[2][4] = {};
    ASSERT_EQ(HalfScaleImage(&xrgb, dst, 16, src, 16, 0, 0, 0, 0, 4, 2), 0);
    EXPECT_EQ(dst[0][0], 0x00280001u);  // unused bits dropped; 7 >> 2 = 1
    EXPECT_EQ(dst[0][1], 0x00000040u);  // (255 + 1 + 1 + 2) >> 2
    EXPECT_EQ(dst[0][2], 0u);
    std::memset(dst, 0, sizeof dst);
    ASSERT_EQ(HalfScaleImage(&xrgb, dst, 16, src, 16, 1, 0, 0, 0, 1, 2), 0);  // width 1: vertical pairs
    EXPECT_EQ(dst[0][1], 0x00200001u);
    ASSERT_EQ(HalfScaleImage(&xrgb, dst, 16, src, 16, 0, 0, 1, 1, 1, 1), 0);  // 1 x 1 copies
    EXPECT_EQ(dst[0][0], 0x00400004u);
    ASSERT_EQ(HalfScaleImage(&xrgb, dst, 16, src, 16, 0, 0, 2, 0, 2, 1), 0);  // height 1
    EXPECT_EQ(dst[0][0], 0x00000080u);
    EXPECT_EQ(HalfScaleImage(&xrgb, dst, 16, src, 16, 0, 0, 0, 0, 3, 2), -1);
    EXPECT_EQ(HalfScaleImage(&xrgb, dst, 16, src, 16, 0, 0, 0, 0, 2, 3), -1);
    EXPECT_EQ(HalfScaleImage(&xrgb, dst, 16, src, 16, 0, 0, 0, 0, 0, 2), -1);

    const PIXFMT rgb565 = masks_format(16, 0xF800, 0x7E0, 0x1F, 0);
    const std::uint16_t s16[2][2] = {{0xF800, 0x07E0}, {0x001F, 0xFFFF}};
    std::uint16_t d16 = 0;
    ASSERT_EQ(HalfScaleImage(&rgb565, &d16, 2, s16, 4, 0, 0, 0, 0, 2, 2), 0);
    EXPECT_EQ(d16, (15u << 11) | (31u << 5) | 15u);
    const PIXFMT rgb24 = masks_format(24, 0xFF0000, 0xFF00, 0xFF, 0);
    EXPECT_EQ(HalfScaleImage(&rgb24, dst, 16, src, 16, 0, 0, 0, 0, 2, 2), -1);
}

TEST_F(PixelFormat, MirrorReversesEveryRow)
{
    for (int bytes : {1, 2, 3, 4}) {
        PIXFMT f = masks_format(bytes * 8, 0, 0, 0xFF, 0);
        IMGBUF b = make_buffer(f, 3, 2);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                for (int i = 0; i < bytes; ++i) at(b, x, y)[i] = static_cast<unsigned char>(16 * y + 4 * x + i);
        ASSERT_EQ(MirrorImageBuffer(&b), 0);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                for (int i = 0; i < bytes; ++i) EXPECT_EQ(at(b, x, y)[i], 16 * y + 4 * (2 - x) + i) << bytes;
        ReleaseImageBuffer(&b);
    }
    IMGBUF empty{};
    EXPECT_EQ(MirrorImageBuffer(&empty), -1);
}

TEST_F(PixelFormat, BlitClipsAgainstBothBuffers)
{
    const PIXFMT xrgb = masks_format(32, 0xFF0000, 0xFF00, 0xFF, 0);
    IMGBUF src = make_buffer(xrgb, 4, 4), dst = make_buffer(xrgb, 4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) graphics_test::put_raw(at(src, x, y), 4, 0xFF000000u | (y * 16 + x + 1));
    auto dst_at = [&](int x, int y) { return get_argb(dst, x, y) & 0xFF; };
    auto source = [](int x, int y) { return static_cast<std::uint32_t>(y * 16 + x + 1); };
    const struct {
        const char* what;
        int sx, sy, w, h, dx, dy;
        int src_of_dst_x, src_of_dst_y;  // dst (x, y) holds src (x + this, y + this)
        int left, top, right, bottom;    // the written area of dst
    } rows[] = {
        {"inside", 1, 1, 2, 2, 0, 1, 1, 0, 0, 1, 2, 3},
        {"negative source x moves the destination right", -1, 0, 3, 2, 0, 0, -1, 0, 1, 0, 3, 2},
        {"negative source y", 0, -2, 2, 3, 1, 0, -1, -2, 1, 2, 3, 3},
        {"negative destination x moves the source right", 0, 0, 4, 4, -2, -1, 2, 1, 0, 0, 2, 3},
        {"cut to the destination", 0, 0, 4, 4, 3, 2, -3, -2, 3, 2, 4, 4},
        {"cut to the source", 3, 3, 4, 4, 0, 0, 3, 3, 0, 0, 1, 1},
    };
    for (const auto& row : rows) {
        std::memset(dst.pixels, 0, 64);
        ASSERT_EQ(BlitImageBuffer(row.sx, row.sy, row.w, row.h, row.dx, row.dy, &src, &dst), 0) << row.what;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) {
                const bool inside = x >= row.left && x < row.right && y >= row.top && y < row.bottom;
                EXPECT_EQ(dst_at(x, y), inside ? source(x + row.src_of_dst_x, y + row.src_of_dst_y) : 0u)
                    << row.what << " at " << x << "," << y;
            }
    }
    std::memset(dst.pixels, 0, 64);
    EXPECT_EQ(BlitImageBuffer(4, 0, 2, 2, 0, 0, &src, &dst), 0);  // nothing left
    EXPECT_EQ(BlitImageBuffer(0, 0, 2, 2, -5, 0, &src, &dst), 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(dst_at(x, y), 0u);
    ReleaseImageBuffer(&src);
    ReleaseImageBuffer(&dst);
}

TEST_F(PixelFormat, ScaleBlitNearestAndBilinear)
{
    const PIXFMT xrgb = masks_format(32, 0xFF0000, 0xFF00, 0xFF, 0);
    IMGBUF src = make_buffer(xrgb, 2, 1), dst = make_buffer(xrgb, 4, 2);
    graphics_test::put_raw(at(src, 0, 0), 4, 0xFF000000);
    graphics_test::put_raw(at(src, 1, 0), 4, 0xFFC80000);  // red 200
    ASSERT_EQ(ScaleBlitImageBuffer(0, 0, 2, 1, &src, 0, 0, 4, 2, &dst, 0), 0);
    for (int y = 0; y < 2; ++y)
        EXPECT_EQ((std::vector<std::uint32_t>{get_argb(dst, 0, y), get_argb(dst, 1, y), get_argb(dst, 2, y),
                                              get_argb(dst, 3, y)}),
                  (std::vector<std::uint32_t>{0xFF000000, 0xFF000000, 0xFFC80000, 0xFFC80000}));
    // bilinear: x at 0, 0.5, 1, 1.5; the sample right of the last column is the last column
    ASSERT_EQ(ScaleBlitImageBuffer(0, 0, 2, 1, &src, 0, 0, 4, 1, &dst, 1), 0);
    EXPECT_EQ((std::vector<std::uint32_t>{get_argb(dst, 0, 0) >> 16 & 0xFF, get_argb(dst, 1, 0) >> 16 & 0xFF,
                                          get_argb(dst, 2, 0) >> 16 & 0xFF, get_argb(dst, 3, 0) >> 16 & 0xFF}),
              (std::vector<std::uint32_t>{0, 99, 199, 199}));

    const int refused[][8] = {
        {0, 0, 3, 1, 0, 0, 4, 1},  // source past its image
        {0, 0, 2, 1, 0, 0, 5, 1},  // destination past its image
        {1, 0, 1, 1, 0, 0, 4, 1},  // empty source
        {0, 0, 2, 1, 2, 0, 1, 1},  // inverted destination
        {-1, 0, 2, 1, 0, 0, 4, 1},
    };
    for (const auto& r : refused)
        EXPECT_EQ(ScaleBlitImageBuffer(r[0], r[1], r[2], r[3], &src, r[4], r[5], r[6], r[7], &dst, 0), -1);
    ReleaseImageBuffer(&src);
    ReleaseImageBuffer(&dst);
}

TEST_F(PixelFormat, CreateImageBufferRoundsThePitchAndFailsCleanly)
{
    const struct {
        PIXFMT format;
        int width, pitch;
    } rows[] = {
        {masks_format(16, 0xF800, 0x7E0, 0x1F, 0), 3, 8},
        {masks_format(24, 0xFF0000, 0xFF00, 0xFF, 0), 5, 16},
        {masks_format(8, 0, 0, 0xFF, 0), 1, 4},
        {masks_format(32, 0xFF0000, 0xFF00, 0xFF, 0), 3, 12},
    };
    for (const auto& row : rows) {
        IMGBUF b{};
        b.mipmaps = 5;
        ASSERT_EQ(CreateImageBuffer(row.width, 2, &row.format, &b), 0);
        EXPECT_EQ(b.pitch, row.pitch);
        EXPECT_EQ(b.mipmaps, 0);
        EXPECT_EQ(b.width, row.width);
        EXPECT_EQ(b.format.pixel_bytes, row.format.pixel_bytes);
        ReleaseImageBuffer(&b);
    }
    IMGBUF b{};
    b.width = 77;
    const IMGBUF before = b;
    media::core::fail_next_heap_requests(1);
    EXPECT_EQ(CreateARGB8ImageBuffer(4, 4, &b), -1);
    media::core::fail_next_heap_requests(1);
    EXPECT_EQ(CreateXRGB8ImageBuffer(4, 4, &b), -1);
    EXPECT_EQ(CreateXRGB8ImageBuffer(0, 4, &b), -1);
    EXPECT_EQ(CreateXRGB8ImageBuffer(4, -1, &b), -1);
    EXPECT_EQ(CreateXRGB8ImageBuffer(0x10000, 0x10000, &b), -1);  // 16 GiB: refused before any request
    EXPECT_EQ(std::memcmp(&b, &before, sizeof b), 0);

    ASSERT_EQ(CreateARGB8ImageBuffer(2, 2, &b), 0);
    EXPECT_EQ(b.format.alpha_mask, 0xFF000000u);
    ReleaseImageBuffer(&b);
}

TEST_F(PixelFormat, ClearRectZeroesInsideTheBufferOnly)
{
    IMGBUF b = make_buffer(masks_format(16, 0xF800, 0x7E0, 0x1F, 0), 4, 3);
    std::memset(b.pixels, 0xFF, static_cast<std::size_t>(b.pitch) * 3);
    EXPECT_EQ(ClearImageBufferRect(&b, 2, 1, 5, 9), 0);  // runs past the right and bottom edges
    EXPECT_EQ(ClearImageBufferRect(&b, -3, -3, 4, 4), 0);  // the corner pixel (0, 0)
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            const bool cleared = (x >= 2 && y >= 1) || (x == 0 && y == 0);
            EXPECT_EQ(at(b, x, y)[0] | at(b, x, y)[1], cleared ? 0 : 0xFF) << x << "," << y;
        }
    ReleaseImageBuffer(&b);
}

TEST_F(PixelFormat, ImageToDibHandsOutOrConverts)
{
    DIBINFO info;
    void* bits = nullptr;
    IMGBUF rgb = make_buffer(masks_format(24, 0xFF0000, 0xFF00, 0xFF, 0), 4, 2);  // pitch 12, the DIB row
    at(rgb, 3, 1)[2] = 0x77;
    ASSERT_EQ(ImageToDib(&rgb, &info, &bits, 0, 0), 0);
    EXPECT_EQ(bits, rgb.pixels);
    EXPECT_EQ(info.header.size, 40u);
    EXPECT_EQ(info.header.width, 4);
    EXPECT_EQ(info.header.height, -2);
    EXPECT_EQ(info.header.bit_count, 24);
    EXPECT_EQ(info.header.compression, 0u);
    ASSERT_EQ(ImageToDib(&rgb, &info, &bits, 1, 0), 1);  // copy asked for
    EXPECT_NE(bits, rgb.pixels);
    EXPECT_EQ(static_cast<unsigned char*>(bits)[12 + 11], 0x77);
    ManagedFree(bits);
    ReleaseImageBuffer(&rgb);

    IMGBUF wide = make_buffer(masks_format(16, 0xF800, 0x7E0, 0x1F, 0), 3, 1);
    at(wide, 1, 0)[1] = 0xF8;  // red 31
    ASSERT_EQ(ImageToDib(&wide, &info, &bits, 0, 0), 1);
    const auto* row = static_cast<unsigned char*>(bits);
    EXPECT_EQ((std::vector<int>{row[3], row[4], row[5]}), (std::vector<int>{0, 0, 255}));
    EXPECT_EQ(info.header.bit_count, 24);
    ManagedFree(bits);
    ReleaseImageBuffer(&wide);

    PIXFMT palette{};
    InitPaletteFormat(&palette);
    palette.palette[2] = {9, 8, 7, 0};
    IMGBUF p = make_buffer(palette, 8, 2);  // pitch 8: the DIB row
    ASSERT_EQ(ImageToDib(&p, &info, &bits, 0, 0), 0);
    EXPECT_EQ(bits, p.pixels);
    EXPECT_EQ(info.header.bit_count, 8);
    EXPECT_EQ(info.colors[2].red, 7);
    p.width = 3;  // rows of 4 bytes in the DIB: copied
    at(p, 2, 1)[0] = 2;
    ASSERT_EQ(ImageToDib(&p, &info, &bits, 0, 0), 1);
    EXPECT_EQ(static_cast<unsigned char*>(bits)[4 + 2], 2);
    ManagedFree(bits);
    p.width = 8;
    media::core::fail_next_heap_requests(1);
    EXPECT_EQ(ImageToDib(&p, &info, &bits, 1, 0), -1);
    ReleaseImageBuffer(&p);
}

// ---- soft images ----

MEDIA_HANDLE add_soft_image(int width)
{
    auto* record = static_cast<SOFTIMAGE*>(ManagedCalloc(sizeof(SOFTIMAGE), "test", 0));
    EXPECT_EQ(CreateXRGB8ImageBuffer(width, 1, &record->image), 0);
    const MEDIA_HANDLE handle = media::gfx::soft_images.create(record);
    record->check = handle >> 16 & 0x7FF;
    return handle;
}

TEST_F(PixelFormat, SoftImageHandlesAreCheckedAndFreed)
{
    auto& table = media::gfx::soft_images;
    const MEDIA_HANDLE a = add_soft_image(1), b = add_soft_image(2), c = add_soft_image(3);
    EXPECT_EQ(a, 14 << 27);
    EXPECT_EQ(table.high_water(), 3);
    const MEDIA_HANDLE refused[] = {
        -1,
        static_cast<MEDIA_HANDLE>((a & ~(0xF << 27)) | 1 << 27),  // graph kind
        (14 << 27) | 8192,                                        // index past the table
        (14 << 27) | 5,                                           // empty slot
        static_cast<MEDIA_HANDLE>(b ^ (1 << 16)),                 // wrong check number
    };
    for (MEDIA_HANDLE h : refused) EXPECT_EQ(DeleteSoftImageHandle(h), -1) << std::hex << h;
    EXPECT_EQ(table.count(), 3);

    EXPECT_EQ(DeleteSoftImageHandle(b), 0);
    EXPECT_EQ(DeleteSoftImageHandle(b), -1);
    EXPECT_EQ(table.high_water(), 3);
    EXPECT_EQ(DeleteSoftImageHandle(c), 0);
    EXPECT_EQ(table.high_water(), 1);  // past the empty slot 1
    EXPECT_EQ(add_soft_image(4) & 0xFFFF, 1);
    EXPECT_EQ(DeleteAllSoftImages(), 0);
    EXPECT_EQ(table.count(), 0);
    EXPECT_EQ(table.high_water(), 0);
    EXPECT_EQ(TerminateSoftImages(), 0);
}

}  // namespace
