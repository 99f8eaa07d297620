// Memory images: the pitch table, descriptors, views and reference counts
// against the allocator's counters, fills and copies, transfers into each
// format, the palette conversion, run codes and the premultiplied copy.
#include "media/softrender/memimg.hpp"

#include "media/core/internal.hpp"
#include "media/graphics/internal.hpp"
#include "media/softrender/internal.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

namespace {

using media::core::alloc_state;

class MemImg : public ::testing::Test {
protected:
    void SetUp() override
    {
        media::core::reset_state();
        media::gfx::reset_state();
        media::soft::reset_state();
    }
    void TearDown() override
    {
        EXPECT_EQ(alloc_state.count, 0) << "blocks left allocated";
        media::soft::reset_state();
        media::gfx::reset_state();
        media::core::reset_state();
    }
};

unsigned char* pixel(const MEMIMG& image, int x, int y)
{
    return static_cast<unsigned char*>(image.pixels) + y * image.base->pitch + x * image.base->format->pixel_bytes;
}

std::uint32_t read(const MEMIMG& image, int x, int y)
{
    std::uint32_t v = 0;
    std::memcpy(&v, pixel(image, x, y), image.base->format->pixel_bytes);
    return v;
}

TEST_F(MemImg, PitchTableAndFlags)
{
    const struct {
        int format, paletted, alpha, width, pitch_in;
        int bytes, pitch, shift, paletted_out, alpha_out;
    } rows[] = {
        {1, 0, 0, 3, -1, 4, 16, 4, 0, 0},
        {1, 0, 0, 2, -1, 4, 16, -1, 0, 0},  // the power of two for 8 is 8, not 16
        {1, 0, 0, 100, -1, 4, 400, -1, 0, 0},
        {0, 0, 0, 5, -1, 2, 16, 4, 0, 0},
        {0, 0, 1, 3, -1, 4, 16, 4, 0, 1},  // a 16-bit alpha image pitches like a 32-bit one
        {0, 0, 1, 2, -1, 4, 16, -1, 0, 1},
        {0, 1, 1, 3, -1, 1, 16, -1, 1, 0},  // a palette clears the alpha flag
        {1, 1, 0, 16, -1, 1, 16, 4, 1, 0},
        {2, 1, 1, 5, -1, 1, 16, -1, 0, 0},  // formats 2 and 3 clear both
        {3, 0, 1, 8, -1, 2, 16, 4, 0, 0},
        {1, 0, 0, 4, 32, 4, 32, 5, 0, 0},   // a given pitch that is a power of two
        {1, 0, 0, 4, 24, 4, 24, -1, 0, 0},
    };
    for (const auto& row : rows) {
        MEMIMG image{};
        ASSERT_EQ(CreateMemImg(&image, row.width, 2, row.pitch_in, 7, row.format, row.paletted, row.alpha, 0, nullptr), 0);
        const MEMIMG_BASE& base = *image.base;
        EXPECT_EQ(image.valid, 0x12345678u);
        EXPECT_EQ(base.format->pixel_bytes, row.bytes) << row.format << " width " << row.width;
        EXPECT_EQ(base.pitch, row.pitch) << row.format << " width " << row.width;
        EXPECT_EQ(base.pitch_shift, row.shift) << row.format << " width " << row.width;
        EXPECT_EQ(base.paletted, row.paletted_out);
        EXPECT_EQ(base.alpha, row.alpha_out);
        EXPECT_EQ(base.format, GetMemImgPixelFormat(row.format, row.alpha_out, row.paletted_out));
        EXPECT_EQ(base.ref_count, 1);
        EXPECT_EQ(base.transparent, 7u);
        EXPECT_EQ(image.pixels, base.pixel_block);
        EXPECT_EQ(image.premultiplied, nullptr);
        EXPECT_EQ(base.runs, nullptr);
        if (base.paletted) {
            ASSERT_NE(base.palette, nullptr);
            EXPECT_EQ(base.palette_copy, static_cast<unsigned char*>(base.palette) + 1024);
            EXPECT_EQ(std::vector<unsigned char>(static_cast<unsigned char*>(base.palette),
                                                 static_cast<unsigned char*>(base.palette) + 2048),
                      std::vector<unsigned char>(2048, 0));
        } else {
            EXPECT_EQ(base.palette, nullptr);
        }
        EXPECT_EQ(CreateMemImg(&image, 4, 4, -1, 0, 1, 0, 0, 0, nullptr), -1) << "already valid";
        ReleaseMemImg(&image);
        EXPECT_EQ(image.valid, 0u);
        EXPECT_EQ(image.base, nullptr);
    }
}

TEST_F(MemImg, Descriptors)
{
    const PIXFMT* f = GetMemImgPixelFormat(0, 1, 0);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->color_bits, 32);
    EXPECT_EQ((std::vector<std::uint32_t>{f->red_mask, f->green_mask, f->blue_mask, f->alpha_mask}),
              (std::vector<std::uint32_t>{0xF800, 0x07E0, 0x001F, 0xFF0000}));
    EXPECT_EQ(GetMemImgPixelFormat(0, 0, 0)->color_bits, 16);
    EXPECT_EQ(GetMemImgPixelFormat(0, 0, 1)->color_bits, 8);
    EXPECT_EQ(GetMemImgPixelFormat(1, 0, 0)->unused_mask, 0xFF000000u);
    EXPECT_EQ(GetMemImgPixelFormat(1, 1, 0)->alpha_mask, 0xFF000000u);
    EXPECT_EQ(GetMemImgPixelFormat(1, 0, 1)->red_mask, 0xFF0000u);
    EXPECT_EQ(GetMemImgPixelFormat(1, 0, 0), GetMemImgPixelFormat(1, 0, 0));  // shared
    for (int format : {2, 3}) {
        const PIXFMT* g = GetMemImgPixelFormat(format, 1, 1);
        ASSERT_NE(g, nullptr);
        const int bits = format == 2 ? 8 : 16;
        const std::uint32_t mask = format == 2 ? 0xFF : 0xFFFF;
        EXPECT_EQ(g->color_bits, bits);
        EXPECT_EQ(g->pixel_bytes, bits / 8);
        EXPECT_EQ((std::vector<int>{g->red_width, g->green_width, g->blue_width, g->alpha_width}),
                  std::vector<int>(4, bits));
        EXPECT_EQ((std::vector<int>{g->red_shift, g->green_shift, g->blue_shift, g->alpha_shift}), std::vector<int>(4, 0));
        EXPECT_EQ((std::vector<std::uint32_t>{g->red_mask, g->green_mask, g->blue_mask, g->alpha_mask}),
                  std::vector<std::uint32_t>(4, mask));
        EXPECT_EQ(g->unused_mask, 0u);
    }
    EXPECT_EQ(GetMemImgPixelFormat(-1, 0, 0), nullptr);
    EXPECT_EQ(GetMemImgPixelFormat(4, 0, 0), nullptr);
}

TEST_F(MemImg, RefusedSizesAskForNoBlock)
{
    const struct {
        const char* what;
        int width, height, pitch, format;
    } rows[] = {
        {"zero width", 0, 4, -1, 1},
        {"zero height", 4, 0, -1, 1},
        {"negative width", -4, 4, -1, 1},
        {"negative height", 4, INT_MIN, -1, 1},
        {"a product that wraps in 32 bits", 0x10000, 0x10001, -1, 1},
        {"past the largest block", 0x8000, 0x4000, -1, 1},
        {"a width whose pitch overflows", INT_MAX / 2, 1, -1, 1},
        {"a pitch shorter than the row", 10, 2, 16, 1},
        {"a negative pitch", 4, 2, -16, 1},
        {"format 4", 4, 4, -1, 4},
        {"format -1", 4, 4, -1, -1},
    };
    for (const auto& row : rows) {
        MEMIMG image{};
        EXPECT_EQ(CreateMemImg(&image, row.width, row.height, row.pitch, 0, row.format, 0, 0, 1, nullptr), -1)
            << row.what;
        EXPECT_EQ(alloc_state.count, 0) << row.what;
        EXPECT_EQ(image.valid, 0u);
    }
}

TEST_F(MemImg, AFailedAllocationFreesTheBlocksBeforeIt)
{
    const struct {
        int format, paletted, alpha, allocations;
    } rows[] = {
        {1, 0, 1, 4},  // body, pixels, premultiplied copy, run table
        {0, 1, 0, 4},  // body, palette, pixels, run table
        {2, 0, 0, 2},  // body, pixels (no run table for format 2)
    };
    for (const auto& row : rows) {
        for (int k = 0; k < row.allocations; ++k) {
            MEMIMG image{};
            media::core::fail_heap_requests_after(k, 1);
            EXPECT_EQ(CreateMemImg(&image, 8, 8, -1, 0, row.format, row.paletted, row.alpha, 1, nullptr), -1)
                << "format " << row.format << " allocation " << k;
            EXPECT_EQ(alloc_state.count, 0) << "format " << row.format << " allocation " << k;
            EXPECT_EQ(image.valid, 0u);
        }
        media::core::fail_next_heap_requests(0);
        MEMIMG image{};
        ASSERT_EQ(CreateMemImg(&image, 8, 8, -1, 0, row.format, row.paletted, row.alpha, 1, nullptr), 0);
        EXPECT_EQ(alloc_state.count, row.allocations);
        ReleaseMemImg(&image);
    }
}

TEST_F(MemImg, ViewsShareTheBodyUntilTheLastRelease)
{
    MEMIMG parent{};
    ASSERT_EQ(CreateMemImg(&parent, 8, 6, -1, 0, 1, 0, 1, 1, nullptr), 0);
    const int blocks = alloc_state.count;
    MEMIMG whole{}, wide{}, negative{}, sub{}, subsub{};
    MakeSubMemImg(&whole, &parent, 0, 0, 8, 6);
    EXPECT_EQ(IsMemImgValid(&whole), 1);
    MakeSubMemImg(&wide, &parent, 0, 0, 9, 6);
    MakeSubMemImg(&negative, &parent, 4, 4, -2, 1);
    MakeSubMemImg(&negative, &parent, 4, 4, 1, -3);
    MakeSubMemImg(&negative, &parent, -1, 0, 2, 2);
    MakeSubMemImg(&negative, &parent, INT_MAX, 0, 2, 2);
    for (const MEMIMG* untouched : {&wide, &negative}) {
        EXPECT_EQ(IsMemImgValid(untouched), 0);
        EXPECT_EQ(untouched->pixels, nullptr);
    }
    MakeSubMemImg(&sub, &parent, 2, 1, 4, 4);
    MakeSubMemImg(&subsub, &sub, 1, 2, 3, 2);  // (3, 3) of the parent
    EXPECT_EQ(subsub.pixels, pixel(parent, 3, 3));
    EXPECT_EQ(subsub.premultiplied, static_cast<unsigned char*>(parent.premultiplied) + 3 * 32 + 3 * 4);
    EXPECT_EQ(subsub.width, 3);
    EXPECT_EQ(parent.base->ref_count, 4);

    MEMIMG invalid{};
    MakeSubMemImg(&wide, &invalid, 0, 0, 1, 1);  // a view of an invalid image stays invalid
    EXPECT_EQ(IsMemImgValid(&wide), 0);
    ReleaseMemImg(&invalid);  // nothing

    ReleaseMemImg(&whole);
    ReleaseMemImg(&sub);
    EXPECT_EQ(parent.base->ref_count, 2);
    MEMIMG_BASE* base = parent.base;
    ReleaseMemImg(&parent);
    EXPECT_EQ(base->ref_count, 1);
    EXPECT_EQ(alloc_state.count, blocks);  // the view keeps the pixels
    EXPECT_EQ(IsMemImgValid(&parent), 0);
    ReleaseMemImg(&parent);  // a second release does nothing
    EXPECT_EQ(base->ref_count, 1);
    ReleaseMemImg(&subsub);
    EXPECT_EQ(alloc_state.count, 0);

    // a caller's pixel block is not freed
    std::vector<unsigned char> mine(64);
    MEMIMG borrowed{};
    ASSERT_EQ(CreateMemImg(&borrowed, 4, 4, -1, 0, 1, 0, 0, 0, mine.data()), 0);
    EXPECT_EQ(borrowed.pixels, mine.data());
    EXPECT_EQ(borrowed.base->caller_buffer, 1);
    ReleaseMemImg(&borrowed);
}

TEST_F(MemImg, FillClampsAndWritesEachWidth)
{
    const struct {
        int format, paletted;
        std::uint32_t value, stored;
    } rows[] = {{2, 0, 0x1234AB, 0xAB}, {0, 0, 0x1234F81F, 0xF81F}, {1, 0, 0x80FF7F01, 0x80FF7F01}, {1, 1, 0x105, 0x05}};
    for (const auto& row : rows) {
        MEMIMG image{};
        ASSERT_EQ(CreateMemImg(&image, 5, 4, -1, 0, row.format, row.paletted, 0, 0, nullptr), 0);
        std::memset(image.pixels, 0, static_cast<std::size_t>(image.base->pitch) * 4);
        const RECT rect = {7, 3, 3, -2};  // out of order, past the right and top edges
        FillMemImgRect(&image, &rect, row.value);
        const RECT outside = {5, 0, 9, 4};
        FillMemImgRect(&image, &outside, 0xFFFFFFFF);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(read(image, x, y), x >= 3 && y < 3 ? row.stored : 0u) << row.format << " at " << x << "," << y;
        FillMemImgRect(&image, nullptr, row.value);
        EXPECT_EQ(read(image, 0, 3), row.stored);
        // a view fills inside itself only
        MEMIMG view{};
        MakeSubMemImg(&view, &image, 1, 1, 2, 2);
        FillMemImgRect(&view, nullptr, 0);
        EXPECT_EQ(read(image, 1, 1), 0u);
        EXPECT_EQ(read(image, 3, 1), row.stored);
        EXPECT_EQ(read(image, 1, 3), row.stored);
        ReleaseMemImg(&view);
        ReleaseMemImg(&image);
    }
    MEMIMG invalid{};
    FillMemImgRect(&invalid, nullptr, 1);
}

TEST_F(MemImg, CopyConvertsAndCuts)
{
    MEMIMG src{}, dst{};
    ASSERT_EQ(CreateMemImg(&src, 4, 4, -1, 0, 0, 0, 0, 0, nullptr), 0);
    ASSERT_EQ(CreateMemImg(&dst, 3, 3, -1, 0, 1, 0, 0, 0, nullptr), 0);
    FillMemImgRect(&src, nullptr, 0xF800);
    FillMemImgRect(&dst, nullptr, 0);
    const RECT rect = {1, 1, 4, 4};
    EXPECT_EQ(CopyMemImgRect(&dst, &src, &rect, 1, 2), 0);  // 3 x 3 cut to 2 x 1
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(read(dst, x, y), x >= 1 && y == 2 ? 0xFFFF0000u : 0u) << x << "," << y;
    EXPECT_EQ(CopyMemImgRect(&dst, &src, nullptr, 5, 0), -1);  // nothing left
    EXPECT_EQ(CopyMemImgRect(&dst, &src, nullptr, -1, -1), 0);
    EXPECT_EQ(read(dst, 0, 0), 0xFFFF0000u);
    MEMIMG invalid{};
    EXPECT_EQ(CopyMemImgRect(&dst, &invalid, nullptr, 0, 0), -1);
    ReleaseMemImg(&src);
    ReleaseMemImg(&dst);
}

// ---- transfers ----

IMGBUF buffer(const PIXFMT& format, int width, int height, std::uint32_t fill)
{
    IMGBUF b{};
    EXPECT_EQ(CreateImageBuffer(width, height, &format, &b), 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            std::memcpy(static_cast<unsigned char*>(b.pixels) + y * b.pitch + x * format.pixel_bytes, &fill,
                        format.pixel_bytes);
    return b;
}

PIXFMT masks(int depth, std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a)
{
    PIXFMT f{};
    InitFormatFromMasks(&f, depth, r, g, b, a);
    return f;
}

TEST_F(MemImg, TransferIntoEachFormat)
{
    const PIXFMT argb = masks(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
    const PIXFMT rgb = masks(24, 0xFF0000, 0xFF00, 0xFF, 0);
    IMGBUF colour = buffer(argb, 4, 3, 0x80C06040), full = buffer(rgb, 4, 3, 0x30A0F0);
    IMGBUF alpha_image = buffer(rgb, 4, 3, 0x5A0000);  // red 0x5A
    const struct {
        const char* what;
        int format, alpha;
        const IMGBUF* src;
        const IMGBUF* alpha_image;
        std::uint32_t expected;
    } rows[] = {
        {"format 2 takes the red", 2, 0, &colour, nullptr, 0xC0},
        {"format 3 takes the red", 3, 0, &full, nullptr, 0x30},
        {"format 1 with the source's alpha", 1, 1, &colour, &alpha_image, 0x80C06040},
        {"format 1 alpha from the alpha image", 1, 1, &full, &alpha_image, 0x5A30A0F0},
        {"format 1 without alpha", 1, 0, &full, nullptr, 0xFF30A0F0},
        {"format 0", 0, 0, &full, nullptr, 0x351E},
        {"format 0 with alpha", 0, 1, &full, &alpha_image, 0xFF5A351E},
    };
    for (const auto& row : rows) {
        MEMIMG image{};
        ASSERT_EQ(CreateMemImg(&image, 4, 3, -1, 0, row.format, 0, row.alpha, 0, nullptr), 0);
        std::memset(image.pixels, 0, static_cast<std::size_t>(image.base->pitch) * 3);
        EXPECT_EQ(TransferBaseImageToMemImg(row.src, row.alpha_image, &image, 1, 1, 2, 2, 2, 0, 0), 0) << row.what;
        EXPECT_EQ(read(image, 2, 0), row.expected) << row.what;
        EXPECT_EQ(read(image, 3, 1), row.expected) << row.what;
        EXPECT_EQ(read(image, 1, 0), 0u) << row.what;
        EXPECT_EQ(read(image, 2, 2), 0u) << row.what;
        // rectangles outside either side are refused
        EXPECT_EQ(TransferBaseImageToMemImg(row.src, row.alpha_image, &image, 3, 0, 2, 1, 0, 0, 0), -1);
        EXPECT_EQ(TransferBaseImageToMemImg(row.src, row.alpha_image, &image, 0, 0, 2, 1, 3, 0, 0), -1);
        EXPECT_EQ(TransferBaseImageToMemImg(row.src, row.alpha_image, &image, 0, 0, 0, 1, 0, 0, 0), -1);
        ReleaseMemImg(&image);
    }
    // the transparent colour into alpha 0
    MEMIMG image{};
    ASSERT_EQ(CreateMemImg(&image, 4, 3, -1, 0x30A0F0, 1, 0, 1, 0, nullptr), 0);
    const IMGBUF plain = buffer(rgb, 4, 3, 0x30A0F0);
    EXPECT_EQ(TransferBaseImageToMemImg(&plain, nullptr, &image, 0, 0, 4, 3, 0, 0, 1), 0);
    EXPECT_EQ(read(image, 0, 0), 0x0030A0F0u);
    ReleaseMemImg(&image);
    IMGBUF release[] = {colour, full, alpha_image, plain};
    for (auto& b : release) ReleaseImageBuffer(&b);
}

TEST_F(MemImg, PalettedTransferConvertsThePalette)
{
    PIXFMT pal{};
    InitPaletteFormat(&pal);
    pal.palette[5] = {0, 128, 255, 0};  // blue, green, red: (255, 128, 0)
    IMGBUF indices = buffer(pal, 3, 2, 0);
    static_cast<unsigned char*>(indices.pixels)[1] = 5;
    static_cast<unsigned char*>(indices.pixels)[indices.pitch + 2] = 3;
    for (int format : {1, 0}) {
        MEMIMG image{};
        ASSERT_EQ(CreateMemImg(&image, 3, 2, -1, 0xFFFF, format, 1, 0, 0, nullptr), 0);
        ASSERT_EQ(TransferBaseImageToMemImg(&indices, nullptr, &image, 0, 0, 3, 2, 0, 0, 0), 0);
        EXPECT_EQ(image.base->palette_count, 6);  // the highest index copied + 1
        EXPECT_EQ(read(image, 1, 0), 5u);
        const unsigned char* palette = static_cast<unsigned char*>(image.base->palette);
        if (format == 1) {
            std::uint32_t entry;
            std::memcpy(&entry, palette + 5 * 4, 4);
            EXPECT_EQ(entry, 0x00FF8000u);
        } else {
            std::uint16_t entry;
            std::memcpy(&entry, palette + 5 * 2, 2);
            EXPECT_EQ(entry, 0xFC00);
        }
        EXPECT_EQ(std::memcmp(palette, image.base->palette_copy, format == 1 ? 1024 : 512), 0);

        // a refused conversion returns before the palette and the flags
        image.base->runs_valid = 1;
        static_cast<unsigned char*>(image.base->palette)[0] = 0x99;
        IMGBUF odd = indices;
        odd.format.color_bits = 12;
        EXPECT_EQ(TransferBaseImageToMemImg(&odd, nullptr, &image, 0, 0, 3, 2, 0, 0, 0), -1);
        EXPECT_EQ(image.base->runs_valid, 1);
        EXPECT_EQ(static_cast<unsigned char*>(image.base->palette)[0], 0x99);
        EXPECT_EQ(image.base->palette_count, 6);
        ReleaseMemImg(&image);
    }
    ReleaseImageBuffer(&indices);
}

// ---- extras ----

std::vector<unsigned char> runs(const MEMIMG& image, int rows)
{
    std::vector<unsigned char> out;
    const unsigned char* p = image.base->runs;
    for (int r = 0; r < rows; ++r) {
        do out.push_back(*p); while (*p++ != 0xC0);
    }
    return out;
}

TEST_F(MemImg, RunCodesAndPremultipliedCopies)
{
    // 130 equal opaque pixels, then a row with the transparent colour in the middle
    const PIXFMT xrgb = masks(32, 0xFF0000, 0xFF00, 0xFF, 0);
    IMGBUF src = buffer(xrgb, 130, 2, 0x00123456);
    static_cast<std::uint32_t*>(src.pixels)[src.pitch / 4 + 65] = 0x00000000;
    MEMIMG image{};
    ASSERT_EQ(CreateMemImg(&image, 130, 2, -1, 0, 1, 0, 0, 1, nullptr), 0);
    ASSERT_EQ(TransferBaseImageToMemImg(&src, nullptr, &image, 0, 0, 130, 2, 0, 0, 0), 0);
    EXPECT_EQ(image.base->runs_valid, 1);
    EXPECT_EQ(runs(image, 2), (std::vector<unsigned char>{0x7F, 0x7F, 0x41, 0xC0, 0x7F, 0x40, 0x00, 0x7F, 0xC0}));
    // a partial transfer leaves the table stale
    ASSERT_EQ(TransferBaseImageToMemImg(&src, nullptr, &image, 0, 0, 3, 2, 0, 0, 0), 0);
    EXPECT_EQ(image.base->runs_valid, 0);
    ReleaseMemImg(&image);
    ReleaseImageBuffer(&src);

    // alpha 0, 0, 128, 255 in format 1, and the premultiplied copy
    const PIXFMT argb = masks(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
    IMGBUF a = buffer(argb, 4, 1, 0);
    const std::uint32_t alphas[4] = {0x00FFFFFF, 0x00000000, 0x803264C8, 0xFF010203};
    std::memcpy(a.pixels, alphas, 16);
    ASSERT_EQ(CreateMemImg(&image, 4, 1, -1, 0, 1, 0, 1, 1, nullptr), 0);
    ASSERT_EQ(TransferBaseImageToMemImg(&a, nullptr, &image, 0, 0, 4, 1, 0, 0, 0), 0);
    EXPECT_EQ(runs(image, 1), (std::vector<unsigned char>{0x01, 0x80, 0x40, 0xC0}));
    EXPECT_EQ(image.base->premultiplied_valid, 1);
    std::uint32_t pm[4];
    std::memcpy(pm, image.premultiplied, 16);
    EXPECT_EQ(pm[2], 0x80193264u);  // 50, 100, 200 times 128 >> 8
    EXPECT_EQ(pm[3], 0xFF000102u);  // 1, 2, 3 times 255 >> 8: one less each
    ReleaseMemImg(&image);

    // format 0 with alpha: the 5:6:5 word, the alpha byte, a zero byte
    ASSERT_EQ(CreateMemImg(&image, 2, 1, -1, 0, 0, 0, 1, 1, nullptr), 0);
    const std::uint32_t words[2] = {0x0080FFFF, 0x00FF0000};
    std::memcpy(image.pixels, words, 8);
    media::soft::build_premultiplied(image.base);
    media::soft::build_run_table(image.base);
    std::memcpy(pm, image.premultiplied, 8);
    EXPECT_EQ(pm[0], 0x00807BEFu);
    EXPECT_EQ(pm[1], 0x00FF0000u);
    EXPECT_EQ(runs(image, 1), (std::vector<unsigned char>{0x80, 0x40, 0xC0}));
    ReleaseMemImg(&image);
    ReleaseImageBuffer(&a);

    // a paletted image's transparent index is kind 0
    PIXFMT pal{};
    InitPaletteFormat(&pal);
    IMGBUF p = buffer(pal, 5, 1, 0x09);
    static_cast<unsigned char*>(p.pixels)[3] = 0x0C;
    ASSERT_EQ(CreateMemImg(&image, 5, 1, -1, 0x0C, 0, 1, 0, 1, nullptr), 0);
    ASSERT_EQ(TransferBaseImageToMemImg(&p, nullptr, &image, 0, 0, 5, 1, 0, 0, 0), 0);
    EXPECT_EQ(runs(image, 1), (std::vector<unsigned char>{0x42, 0x00, 0x40, 0xC0}));
    ReleaseMemImg(&image);
    ReleaseImageBuffer(&p);
}

TEST_F(MemImg, DrawStateAndSeamStartValues)
{
    const auto& ds = media::gfx::draw_state;
    EXPECT_EQ(ds.area.left | ds.area.top | ds.area.right | ds.area.bottom, 0);
    EXPECT_EQ(ds.blend_mode, 0);
    EXPECT_EQ(ds.blend_param, 0);
    EXPECT_EQ(ds.draw_bright, 0xFFFFFFu);
    EXPECT_EQ(ds.blend_graph, -1);
    EXPECT_EQ(ds.blend_image, nullptr);
    EXPECT_EQ(media::soft::mmx_enabled(), 0);
    media::soft::set_mmx_enabled(1);
    EXPECT_EQ(media::soft::mmx_enabled(), 1);
    media::gfx::draw_state.blend_mode = 3;
    media::soft::reset_state();
    media::gfx::reset_state();
    EXPECT_EQ(media::soft::mmx_enabled(), 0);
    EXPECT_EQ(ds.blend_mode, 0);
}

}  // namespace
