// The image loaders: the chain, each format's layouts, the alpha companion,
// mirroring, refused and damaged files, and allocation failures.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "fixture.hpp"
#include "image_files.hpp"
#include "library_files.hpp"
#include "media/core/stream.hpp"
#include "media/graphics/loaders/loader.hpp"
#include "support/temp_folder.hpp"

namespace graphics_test {
namespace {

class ImageLoader : public fixture {};

// Loads from memory through the whole chain.
int load(const bytes& file, IMGBUF* image, int mirror = 0)
{
    return LoadImageBuffer(nullptr, file.data(), static_cast<int>(file.size()), 1, 0, mirror, image, nullptr, nullptr);
}

// Runs one loader alone on a memory stream.
int load_with(IMAGELOADER loader, const bytes& file, IMGBUF* image)
{
    IMGSRC src{*GetMemStreamOps(), OpenMemStream(const_cast<unsigned char*>(file.data()), static_cast<int>(file.size()))};
    *image = IMGBUF{};
    const int result = loader(&src, image);
    src.ops.close(src.data);
    return result;
}

bytes row(const IMGBUF& image, int y, int count)
{
    const auto* p = static_cast<const unsigned char*>(image.pixels) + static_cast<long>(y) * image.pitch;
    return bytes(p, p + count);
}

bytes repeat(std::initializer_list<unsigned char> pattern, int times)
{
    bytes out;
    for (int i = 0; i < times; ++i) out.insert(out.end(), pattern);
    return out;
}

// A paletted 3 x 2 picture: index = 10 x row + column, top row first.
bmp_spec paletted_bmp(int height_sign)
{
    bmp_spec s;
    s.width = 3, s.height = 2 * height_sign, s.bits = 8;
    for (std::uint32_t i = 0; i < 256; ++i) s.palette.push_back(0xAB000000u | i << 16 | (255 - i) << 8 | i / 2);
    const bytes top = {0, 1, 2, 0}, bottom = {10, 11, 12, 0};
    s.data = height_sign > 0 ? bottom : top;
    append(s.data, height_sign > 0 ? top : bottom);
    return s;
}

// Counts the rewinds (seeks to offset 0 from the start) of a memory stream.
int rewinds = 0;
int counting_seek(void* data, int offset, int origin)
{
    if (offset == 0 && origin == 0) ++rewinds;
    return SeekMemStream(data, offset, origin);
}

TEST_F(ImageLoader, ChainRewindsBeforeEveryLoaderAndRefusesUnknownData)
{
    const bytes junk = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e', ' ', 'a', 't', ' ', 'a', 'l', 'l',
                        0,   1,   2,   3,   4,   5,   6,   7,   8,   9,   10,  11,  12,  13,  14,  15,  16};
    IMGSRC src{*GetMemStreamOps(), OpenMemStream(const_cast<unsigned char*>(junk.data()), static_cast<int>(junk.size()))};
    src.ops.seek = counting_seek;
    rewinds = 0;
    IMGBUF image;
    std::memset(&image, 0x5A, sizeof image);
    EXPECT_EQ(RunImageLoaders(&src, &image), -1);
    EXPECT_EQ(rewinds, 6);
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_EQ(image.width, 0);
    src.ops.close(src.data);
}

TEST_F(ImageLoader, UserLoadersRunFirst)
{
    media::gfx::loader_state.user_count = 1;
    media::gfx::loader_state.user_loaders[0] = [](IMGSRC*, IMGBUF* image) {
        image->width = 77;
        return 0;
    };
    IMGBUF image{};
    EXPECT_EQ(load(bmp_file(paletted_bmp(1)), &image), 0);
    EXPECT_EQ(image.width, 77);
    EXPECT_EQ(image.pixels, nullptr);
}

TEST_F(ImageLoader, PalettedBitmapsLoadTopDownEitherWayStored)
{
    for (int sign : {1, -1}) {
        SCOPED_TRACE(sign);
        IMGBUF image{};
        ASSERT_EQ(load(bmp_file(paletted_bmp(sign)), &image), 0);
        EXPECT_EQ(image.width, 3);
        EXPECT_EQ(image.height, 2);
        EXPECT_EQ(image.pitch, 4);
        EXPECT_EQ(image.format.color_bits, 8);
        EXPECT_TRUE(media::gfx::is_paletted(image.format));
        EXPECT_EQ(row(image, 0, 3), (bytes{0, 1, 2}));
        EXPECT_EQ(row(image, 1, 3), (bytes{10, 11, 12}));
        const COLORENTRY& c = image.format.palette[200];
        EXPECT_EQ(c.red, 200);
        EXPECT_EQ(c.green, 55);
        EXPECT_EQ(c.blue, 100);
        EXPECT_EQ(c.alpha, 0);
        ReleaseImageBuffer(&image);
    }
}

TEST_F(ImageLoader, BitmapPaletteFollowsTheHeaderAndItsColourCount)
{
    // a 108-byte header with two colours; the rest of the palette is black
    bmp_spec s;
    s.header_size = 108, s.width = 2, s.height = 1, s.bits = 8, s.colors_used = 2;
    s.palette = {0x112233, 0x445566};
    s.data = {1, 0, 0, 0};
    IMGBUF image{};
    ASSERT_EQ(load(bmp_file(s), &image), 0);
    EXPECT_EQ(image.format.palette[1].red, 0x44);
    EXPECT_EQ(image.format.palette[1].blue, 0x66);
    EXPECT_EQ(image.format.palette[0].green, 0x22);
    EXPECT_EQ(image.format.palette[2].red, 0);
    EXPECT_EQ(row(image, 0, 2), (bytes{1, 0}));
    ReleaseImageBuffer(&image);
}

TEST_F(ImageLoader, BitmapDepthsAndTheirLayouts)
{
    struct expect_case {
        const char* name;
        bmp_spec spec;
        int depth, pitch;
        bytes top, bottom;  // the first bytes of the top and bottom rows
    };
    auto spec = [](int bits, std::int32_t w, std::int32_t h, bytes data, std::vector<std::uint32_t> palette = {},
                   std::uint32_t compression = 0, std::vector<std::uint32_t> masks = {}) {
        bmp_spec s;
        s.width = w, s.height = h, s.bits = bits, s.data = data, s.palette = palette, s.compression = compression;
        s.masks = masks;
        return s;
    };
    const std::vector<std::uint32_t> two = {0x000000, 0xFF8040};
    std::vector<std::uint32_t> sixteen;
    for (std::uint32_t i = 0; i < 16; ++i) sixteen.push_back(i);
    const expect_case cases[] = {
        // 24 bits keep the row size (3 x 3 = 9 rounded to 12)
        {"24-bit", spec(24, 3, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0}),
         24, 12, {11, 12, 13, 14, 15, 16, 17, 18, 19}, {1, 2, 3, 4, 5, 6, 7, 8, 9}},
        // 4 bits: a byte a pixel, pitch 5 rounded to 8
        {"4-bit", spec(4, 5, -2, {0x12, 0x34, 0x50, 0, 0xAB, 0xCD, 0xE0, 0}, sixteen), 8, 8, {1, 2, 3, 4, 5},
         {10, 11, 12, 13, 14}},
        // 1 bit through the palette into B, G, R
        {"1-bit", spec(1, 3, -2, {0xA0, 0, 0, 0, 0x40, 0, 0, 0}, two), 24, 12, {0x40, 0x80, 0xFF, 0, 0, 0, 0x40, 0x80, 0xFF},
         {0, 0, 0, 0x40, 0x80, 0xFF, 0, 0, 0}},
        // 16 bits are 5:5:5, widened by v x 255 / 31 rounded: red 31 and green 16 give 255 and 132
        {"16-bit", spec(16, 1, 1, {0x00, 0x7E, 0, 0}), 24, 4, {0, 132, 255}, {0, 132, 255}},
        // 32 bits drop their alpha
        {"32-bit", spec(32, 2, 1, {1, 2, 3, 0xFF, 4, 5, 6, 0x80}), 24, 8, {1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}},
        // bit fields take the file's masks (5:6:5 here: green 32 of 63 gives 130)
        {"bit fields", spec(16, 1, 1, {0x1F, 0x04, 0, 0}, {}, 3, {0xF800, 0x7E0, 0x1F}), 24, 4, {255, 130, 0},
         {255, 130, 0}},
        // the pixel data ends early: the missing rows are zero
        {"short data", spec(24, 1, 3, {9, 8, 7, 0}), 24, 4, {0, 0, 0}, {9, 8, 7}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        IMGBUF image{};
        ASSERT_EQ(load(bmp_file(c.spec), &image), 0);
        EXPECT_EQ(image.format.color_bits, c.depth);
        EXPECT_EQ(image.pitch, c.pitch);
        EXPECT_EQ(row(image, 0, static_cast<int>(c.top.size())), c.top);
        EXPECT_EQ(row(image, image.height - 1, static_cast<int>(c.bottom.size())), c.bottom);
        if (c.depth == 24) {
            EXPECT_EQ(image.format.red_mask, 0xFF0000u);
        }
        ReleaseImageBuffer(&image);
    }
}

// 16-bit channels widen to the nearest of 256 levels: every 5-bit and 6-bit
// value against round(v x 255 / top), then a picture of literal bytes.
TEST_F(ImageLoader, SixteenBitChannelsWidenToTheNearestLevel)
{
    auto widened = [](unsigned v, unsigned top) { return static_cast<unsigned char>(std::lround(v * 255.0 / top)); };
    auto le16 = [](bytes& out, unsigned p) { out.push_back(static_cast<unsigned char>(p)), out.push_back(static_cast<unsigned char>(p >> 8)); };
    struct level_case {
        const char* name;
        std::uint32_t compression;
        std::vector<std::uint32_t> masks;
        unsigned levels;                 // pixels, one per level of the widest channel
        unsigned (*pixel)(unsigned v);   // level v in every channel (halved in a 5-bit one beside a 6-bit one)
        unsigned red_top, green_top;
    };
    const level_case cases[] = {
        {"5:5:5", 0, {}, 32, [](unsigned v) { return v << 10 | v << 5 | v; }, 31, 31},
        {"5:6:5 bit fields", 3, {0xF800, 0x7E0, 0x1F}, 64, [](unsigned v) { return (v >> 1) << 11 | v << 5 | v >> 1; }, 31,
         63},
    };
    for (const level_case& c : cases) {
        SCOPED_TRACE(c.name);
        bmp_spec s;
        s.width = static_cast<std::int32_t>(c.levels), s.height = 1, s.bits = 16, s.compression = c.compression;
        s.masks = c.masks;
        for (unsigned v = 0; v < c.levels; ++v) le16(s.data, c.pixel(v));
        IMGBUF image{};
        ASSERT_EQ(load(bmp_file(s), &image), 0);
        const bytes got = row(image, 0, static_cast<int>(3 * c.levels));
        for (unsigned v = 0; v < c.levels; ++v) {
            const unsigned narrow = c.green_top == c.red_top ? v : v >> 1;
            EXPECT_EQ(got[3 * v + 2], widened(narrow, c.red_top)) << "red level " << narrow;
            EXPECT_EQ(got[3 * v + 1], widened(v, c.green_top)) << "green level " << v;
            EXPECT_EQ(got[3 * v], widened(narrow, c.red_top)) << "blue level " << narrow;
        }
        ReleaseImageBuffer(&image);
    }
    // 5:5:5 pixels (blue, green, red) = (1, 16, 30) and (31, 0, 2), as B, G, R bytes
    bmp_spec picture;
    picture.width = 2, picture.height = 1, picture.bits = 16;
    le16(picture.data, 30 << 10 | 16 << 5 | 1);
    le16(picture.data, 2 << 10 | 31);
    IMGBUF image{};
    ASSERT_EQ(load(bmp_file(picture), &image), 0);
    EXPECT_EQ(row(image, 0, 6), (bytes{8, 132, 247, 255, 0, 16}));
    ReleaseImageBuffer(&image);
}

TEST_F(ImageLoader, RunLengthBitmapsDecodeRunsDeltasAndAbsoluteRuns)
{
    // RLE8, 5 x 3 stored bottom-up: a run and an odd absolute run (padded),
    // end of row, a delta one right and one row on, a run, end of image
    bmp_spec s8;
    s8.width = 5, s8.height = 3, s8.bits = 8, s8.compression = 1;
    s8.palette.assign(256, 0);
    s8.data = {2, 0x11, 0, 3, 0xA, 0xB, 0xC, 0, 0, 0, 0, 2, 1, 1, 1, 0x22, 0, 1, 5, 0x99};
    IMGBUF image{};
    ASSERT_EQ(load(bmp_file(s8), &image), 0);
    EXPECT_EQ(image.pitch, 8);
    EXPECT_EQ(row(image, 0, 5), (bytes{0, 0x22, 0, 0, 0}));
    EXPECT_EQ(row(image, 1, 5), (bytes{0, 0, 0, 0, 0}));
    EXPECT_EQ(row(image, 2, 5), (bytes{0x11, 0x11, 0xA, 0xB, 0xC}));
    ReleaseImageBuffer(&image);

    // RLE4, 7 x 1: a run alternating nibbles, five nibbles absolute (three
    // bytes and a pad byte), end of image
    bmp_spec s4;
    s4.width = 7, s4.height = 1, s4.bits = 4, s4.compression = 2;
    s4.palette.assign(16, 0);
    s4.data = {2, 0x12, 0, 5, 0x34, 0x56, 0x70, 0, 0, 1};
    ASSERT_EQ(load(bmp_file(s4), &image), 0);
    EXPECT_EQ(image.pitch, 8);
    EXPECT_EQ(row(image, 0, 7), (bytes{1, 2, 3, 4, 5, 6, 7}));
    ReleaseImageBuffer(&image);

    // a run past the row's end writes what fits and ends the decoding
    s8.data = {9, 0x33, 2, 0x44};
    ASSERT_EQ(load(bmp_file(s8), &image), 0);
    EXPECT_EQ(row(image, 2, 5), (bytes{0x33, 0x33, 0x33, 0x33, 0x33}));
    EXPECT_EQ(row(image, 1, 5), (bytes{0, 0, 0, 0, 0}));
    ReleaseImageBuffer(&image);
}

TEST_F(ImageLoader, BgraFilesOfBothDepths)
{
    IMGBUF image{};
    ASSERT_EQ(load(bgra_file(0x08080808, 2, 1, {1, 2, 3, 4, 5, 6, 7, 8}), &image), 0);
    EXPECT_EQ(image.pitch, 8);
    EXPECT_EQ(image.format.alpha_mask, 0xFF000000u);
    EXPECT_EQ(row(image, 0, 8), (bytes{1, 2, 3, 4, 5, 6, 7, 8}));
    ReleaseImageBuffer(&image);
    // 16-bit channels keep their high bytes
    ASSERT_EQ(load(bgra_file(0x10101010, 1, 2, {0x01, 0x10, 0x02, 0x20, 0x03, 0x30, 0x04, 0x40, 0xFF, 0x50, 0xFF, 0x60,
                                                0xFF, 0x70, 0xFF, 0x80}),
                   &image),
              0);
    EXPECT_EQ(row(image, 0, 4), (bytes{0x10, 0x20, 0x30, 0x40}));
    EXPECT_EQ(row(image, 1, 4), (bytes{0x50, 0x60, 0x70, 0x80}));
    ReleaseImageBuffer(&image);
}

TEST_F(ImageLoader, TgaTypesDepthsAndOrientations)
{
    struct tga_case {
        const char* name;
        tga_spec spec;
        int depth;
        bytes top, bottom;  // the first bytes of the top and bottom rows
    };
    auto spec = [](int type, int bits, int descriptor, bytes data) {
        tga_spec s;
        s.type = type, s.bits = bits, s.descriptor = descriptor, s.width = 2, s.height = 2, s.data = data;
        return s;
    };
    tga_spec mapped = spec(1, 8, 0x20, {0, 1, 1, 0});
    mapped.map_type = 1, mapped.map_first = 0, mapped.map_length = 2, mapped.map_bits = 24;
    mapped.map = {1, 2, 3, 4, 5, 6};
    mapped.id_length = 3;
    tga_spec mapped_rle = mapped;
    mapped_rle.type = 9;
    mapped_rle.data = {0x81, 1, 0x01, 0, 1};  // two of index 1, then two literal 0 and 1
    tga_spec footed = spec(10, 24, 0x20, {0x83, 9, 8, 7});
    footed.footer = true;
    const tga_case cases[] = {
        {"bottom-up 24", spec(2, 24, 0, {1, 2, 3, 4, 5, 6, 11, 12, 13, 14, 15, 16}), 24, {11, 12, 13, 14, 15, 16},
         {1, 2, 3, 4, 5, 6}},
        {"right to left, top-down", spec(2, 24, 0x30, {1, 2, 3, 4, 5, 6, 11, 12, 13, 14, 15, 16}), 24,
         {4, 5, 6, 1, 2, 3}, {14, 15, 16, 11, 12, 13}},
        {"16-bit", spec(2, 16, 0x20, {1, 0x80, 2, 0, 3, 0, 4, 0}), 16, {1, 0x80, 2, 0}, {3, 0, 4, 0}},
        {"32-bit", spec(2, 32, 0x28, repeat({1, 2, 3, 4}, 4)), 32, {1, 2, 3, 4}, {1, 2, 3, 4}},
        {"colour-mapped with an id field", mapped, 24, {1, 2, 3, 4, 5, 6}, {4, 5, 6, 1, 2, 3}},
        {"colour-mapped RLE", mapped_rle, 24, {4, 5, 6, 4, 5, 6}, {1, 2, 3, 4, 5, 6}},
        // a repeat packet of four, the data ending at the footer
        {"RLE with a footer", footed, 24, {9, 8, 7, 9, 8, 7}, {9, 8, 7, 9, 8, 7}},
        // a raw packet and a repeat packet, no footer: the last pixels are kept
        {"RLE without a footer", spec(10, 24, 0x20, {0x01, 1, 2, 3, 4, 5, 6, 0x81, 7, 8, 9}), 24, {1, 2, 3, 4, 5, 6},
         {7, 8, 9, 7, 8, 9}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        IMGBUF image{};
        ASSERT_EQ(load(tga_file(c.spec), &image), 0);
        EXPECT_EQ(image.format.color_bits, c.depth);
        EXPECT_EQ(image.pitch, 2 * c.depth / 8);
        EXPECT_EQ(row(image, 0, static_cast<int>(c.top.size())), c.top);
        EXPECT_EQ(row(image, 1, static_cast<int>(c.bottom.size())), c.bottom);
        if (c.depth == 16) {
            EXPECT_EQ(image.format.unused_mask, 0x8000u);
        }
        if (c.depth == 32) {
            EXPECT_EQ(image.format.alpha_mask, 0xFF000000u);
        }
        ReleaseImageBuffer(&image);
    }
}

TEST_F(ImageLoader, DdsPlainAndCompressedImages)
{
    IMGBUF image{};
    dds_spec argb;
    argb.width = 2, argb.height = 2;
    argb.data = repeat({1, 2, 3, 4}, 4);
    ASSERT_EQ(load(dds_file(argb), &image), 0);
    EXPECT_EQ(image.pitch, 8);
    EXPECT_EQ(image.format.alpha_mask, 0xFF000000u);
    EXPECT_EQ(image.mipmaps, 0);
    ReleaseImageBuffer(&image);

    // the pitch field when DDSD_PITCH is set
    dds_spec pitched = argb;
    pitched.flags |= 8, pitched.pitch = 12;
    pitched.data = repeat({1, 2, 3, 4}, 6);
    ASSERT_EQ(load(dds_file(pitched), &image), 0);
    EXPECT_EQ(image.pitch, 12);
    ReleaseImageBuffer(&image);

    // X8R8G8B8 (RGB without alpha pixels) is refused
    dds_spec xrgb = argb;
    xrgb.pf_flags = 0x40;
    EXPECT_EQ(load_with(LoadDdsImage, dds_file(xrgb), &image), -1);

    // a Direct3D format code as FourCC: 23 is R5G6B5
    dds_spec coded;
    coded.width = 2, coded.height = 1, coded.pf_flags = 4, coded.fourcc = 23;
    coded.data = {0, 0xF8, 0x1F, 0};
    ASSERT_EQ(load(dds_file(coded), &image), 0);
    EXPECT_EQ(image.format.color_bits, 16);
    EXPECT_EQ(image.format.red_mask, 0xF800u);
    ReleaseImageBuffer(&image);

    // DXT1 to DXT5: kinds 1 to 5; mipmaps counted in whole blocks, at least
    // one a level, only with the count flag and both caps
    for (int kind = 1; kind <= 5; ++kind) {
        SCOPED_TRACE(kind);
        const int block = kind == 1 ? 8 : 16;
        dds_spec dxt;
        dxt.width = 8, dxt.height = 4, dxt.pf_flags = 4;
        const char name[5] = {'D', 'X', 'T', static_cast<char>('0' + kind), 0};
        dxt.fourcc = fourcc(name);
        dxt.flags |= 0x20000, dxt.caps = 0x401008, dxt.mipmaps = 4;
        dxt.data.assign(static_cast<std::size_t>(block) * (2 + 1 + 1 + 1), 0x55);
        ASSERT_EQ(load(dds_file(dxt), &image), 0);
        EXPECT_EQ(image.format.kind, static_cast<std::uint32_t>(kind));
        EXPECT_EQ(image.format.color_bits, kind == 1 ? 4 : 8);
        EXPECT_EQ(image.mipmaps, 4);
        EXPECT_EQ(image.pitch, 0);
        ReleaseImageBuffer(&image);
        // one byte short of the last level
        dxt.data.pop_back();
        EXPECT_EQ(load_with(LoadDdsImage, dds_file(dxt), &image), -1);
        // without the complex cap the count is ignored
        dxt.caps = 0x401000;
        ASSERT_EQ(load(dds_file(dxt), &image), 0);
        EXPECT_EQ(image.mipmaps, 0);
        ReleaseImageBuffer(&image);
    }
}

TEST_F(ImageLoader, MirroringReversesRowsAfterDecoding)
{
    IMGBUF image{};
    ASSERT_EQ(load(bmp_file(paletted_bmp(1)), &image, 1), 0);
    EXPECT_EQ(row(image, 0, 3), (bytes{2, 1, 0}));
    EXPECT_EQ(row(image, 1, 3), (bytes{12, 11, 10}));
    ReleaseImageBuffer(&image);

    // a DXT1 block with colour 0 red, colour 1 black, the left column index 0
    dds_spec dxt;
    dxt.width = 4, dxt.height = 4, dxt.pf_flags = 4, dxt.fourcc = fourcc("DXT1");
    dxt.data = {0x00, 0xF8, 0x00, 0x00, 0x54, 0x54, 0x54, 0x54};
    ASSERT_EQ(load(dds_file(dxt), &image, 1), 0);
    EXPECT_EQ(image.format.kind, 0u);
    EXPECT_EQ(image.pitch, 16);
    EXPECT_EQ(row(image, 0, 16), (bytes{0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0, 0, 0xFF, 0xFF}));
    ReleaseImageBuffer(&image);
}

TEST_F(ImageLoader, AlphaNameGoesBeforeTheLastDot)
{
    const std::pair<const char*, const char*> cases[] = {
        {"pic.bmp", "pic_a.bmp"},
        {"dir.v2/pic", "dir_a.v2/pic"},
        {"pic", "pic_a"},
        {"a.b/c.d.tga", "a.b/c.d_a.tga"},
    };
    for (const auto& [path, alpha] : cases) EXPECT_EQ(media::gfx::alpha_file_name(path), alpha);
    // any length
    const std::string longer = std::string(400, 'x') + ".bmp";
    EXPECT_EQ(media::gfx::alpha_file_name(longer.c_str()), std::string(400, 'x') + "_a.bmp");
}

TEST_F(ImageLoader, AlphaCompanionFromFileOrMemory)
{
    support::temp_folder dir;
    const bytes picture = bmp_file(paletted_bmp(1));
    const bytes alpha_picture = bgra_file(0x08080808, 1, 1, {9, 9, 9, 9});
    auto write = [&](const std::string& name, const bytes& b) {
        dir.file(name, std::string(b.begin(), b.end()));
    };
    write("pic.bmp", picture);
    write("pic_a.bmp", alpha_picture);
    write("dir_a.v2/pic", alpha_picture);
    write("dir.v2/pic", picture);
    write("lone.bmp", picture);

    IMGBUF image{}, alpha{};
    for (const char* name : {"pic.bmp", "dir.v2/pic"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(LoadImageWithAlphaFile(dir.at(name).c_str(), nullptr, 0, 0, nullptr, 0, 0, &image, &alpha, 0), 0);
        EXPECT_EQ(image.width, 3);
        EXPECT_EQ(alpha.width, 1);
        ReleaseImageBuffer(&image);
        ReleaseImageBuffer(&alpha);
    }
    EXPECT_EQ(LoadImageWithAlphaFile(dir.at("lone.bmp").c_str(), nullptr, 0, 0, nullptr, 0, 0, &image, &alpha, 0), 1);
    ReleaseImageBuffer(&image);
    EXPECT_EQ(LoadImageWithAlphaFile(dir.at("missing.bmp").c_str(), nullptr, 0, 0, nullptr, 0, 0, &image, &alpha, 0),
              -1);

    // alpha mode 1: from memory; null alpha data gives 1
    const int size = static_cast<int>(picture.size()), alpha_size = static_cast<int>(alpha_picture.size());
    EXPECT_EQ(LoadImageWithAlphaFile(nullptr, picture.data(), size, 1, alpha_picture.data(), alpha_size, 1, &image,
                                     &alpha, 0),
              0);
    EXPECT_EQ(alpha.width, 1);
    ReleaseImageBuffer(&image);
    ReleaseImageBuffer(&alpha);
    EXPECT_EQ(LoadImageWithAlphaFile(nullptr, picture.data(), size, 1, nullptr, 0, 1, &image, &alpha, 0), 1);
    ReleaseImageBuffer(&image);
}

TEST_F(ImageLoader, BitmapInfoModeHandsOutRows)
{
    const bytes picture = bmp_file(paletted_bmp(-1));
    DIBINFO* info = nullptr;
    void* bits = nullptr;
    ASSERT_EQ(LoadImageBuffer(nullptr, picture.data(), static_cast<int>(picture.size()), 1, 1, 0, nullptr, &info, &bits),
              0);
    EXPECT_EQ(info->header.height, -2);
    EXPECT_EQ(info->header.bit_count, 8);
    EXPECT_EQ(static_cast<unsigned char*>(bits)[4], 10);
    ManagedFree(bits);
    ManagedFree(info);
}

// Valid files of every loader, for the damage and failure sweeps.
std::vector<bytes> sample_files()
{
    std::vector<bytes> files = {bmp_file(paletted_bmp(1)), bgra_file(0x10101010, 1, 1, repeat({1, 2}, 4))};
    bmp_spec rle;
    rle.width = 5, rle.height = 3, rle.bits = 8, rle.compression = 1, rle.palette.assign(4, 0x123456), rle.colors_used = 4;
    rle.data = {2, 0x11, 0, 3, 0xA, 0xB, 0xC, 0, 0, 0, 0, 2, 1, 1, 1, 0x22, 0, 1};
    files.push_back(bmp_file(rle));
    bmp_spec fields;
    fields.width = 2, fields.height = -2, fields.bits = 16, fields.compression = 3, fields.header_size = 108;
    fields.masks = {0xF800, 0x7E0, 0x1F};
    fields.data = repeat({0x12, 0x34}, 4);
    files.push_back(bmp_file(fields));
    tga_spec tga;
    tga.type = 9, tga.bits = 8, tga.map_type = 1, tga.map_length = 2, tga.map_bits = 16, tga.width = 3, tga.height = 2;
    tga.map = {1, 2, 3, 4};
    tga.data = {0x82, 1, 0x02, 0, 1, 0};
    tga.footer = true;
    files.push_back(tga_file(tga));
    dds_spec dds;
    dds.width = 4, dds.height = 4, dds.pf_flags = 4, dds.fourcc = fourcc("DXT5");
    dds.flags |= 0x20000, dds.caps = 0x401008, dds.mipmaps = 3;
    dds.data.assign(48, 0x5A);
    files.push_back(dds_file(dds));
    jpeg_options jpeg;
    jpeg.width = 9, jpeg.height = 9;
    files.push_back(jpeg_file(jpeg));
    png_options png;
    png.width = 3, png.height = 3, png.color_type = PNG_COLOR_TYPE_PALETTE, png.bit_depth = 4, png.interlaced = true;
    png.palette = {png_color{1, 2, 3}, png_color{4, 5, 6}};
    png.trns = {0x80};
    png.rows = {0x01, 0x00, 0x10, 0x00, 0x11, 0x00};
    files.push_back(png_file(png));
    return files;
}

TEST_F(ImageLoader, CutAndFlippedFilesLoadOrFailCleanly)
{
    std::mt19937 random(1234);
    int index = 0;
    for (const bytes& file : sample_files()) {
        SCOPED_TRACE(index++);
        IMGBUF image{};
        ASSERT_EQ(load(file, &image), 0);
        ReleaseImageBuffer(&image);
        for (std::size_t length = 0; length < file.size(); ++length) {
            const bytes cut(file.begin(), file.begin() + static_cast<long>(length));
            const int result = load(cut, &image);
            ASSERT_TRUE(result == 0 || result == -1);
            ReleaseImageBuffer(&image);
            ASSERT_EQ(media::core::alloc_state.count, 0);
        }
        for (int round = 0; round < 400; ++round) {
            bytes damaged = file;
            for (int flips = 1 + static_cast<int>(random() % 4); flips > 0; --flips)
                damaged[random() % damaged.size()] ^= static_cast<unsigned char>(1 + random() % 255);
            const int result = load(damaged, &image);
            ASSERT_TRUE(result == 0 || result == -1);
            ReleaseImageBuffer(&image);
            ASSERT_EQ(media::core::alloc_state.count, 0);
        }
    }
}

TEST_F(ImageLoader, AllocationFailuresLeaveNothingBehind)
{
    for (const bytes& file : sample_files()) {
        for (int passing = 0;; ++passing) {
            media::core::fail_heap_requests_after(passing, 1);
            IMGBUF image{};
            const int result = load(file, &image, 1);
            const bool fault_used = media::core::alloc_state.fail_heap_requests == 0;
            media::core::fail_heap_requests_after(0, 0);
            if (result == 0) {
                ReleaseImageBuffer(&image);
                EXPECT_FALSE(fault_used);
                break;
            }
            ASSERT_TRUE(fault_used);
            ASSERT_EQ(media::core::alloc_state.count, 0) << passing;
        }
    }
}

TEST_F(ImageLoader, FileReadFailuresRefuseTheFile)
{
    support::temp_folder dir;
    const bytes picture = bgra_file(0x08080808, 4, 4, repeat({1, 2, 3, 4}, 16));
    dir.file("pic.bgra", std::string(picture.begin(), picture.end()));
    IMGBUF image{};
    ASSERT_EQ(LoadImageBuffer(dir.at("pic.bgra").c_str(), nullptr, 0, 0, 0, 0, &image, nullptr, nullptr), 0);
    ReleaseImageBuffer(&image);
    // every read in turn fails: the file loads (the read belonged to a loader
    // that refuses it anyway) or is refused; a read that delivers only part
    // is continued
    for (std::int64_t keep : {-1, 10}) {
        int refused = 0;
        for (int nth = 1; nth <= 12; ++nth) {
            platform::fs::fault_nth_read(nth, keep);
            IMGBUF failed{};
            const int result =
                LoadImageBuffer(dir.at("pic.bgra").c_str(), nullptr, 0, 0, 0, 0, &failed, nullptr, nullptr);
            platform::fs::fault_nth_read(0, 0);
            ASSERT_TRUE(result == 0 || result == -1);
            refused += result == -1;
            ReleaseImageBuffer(&failed);
            EXPECT_EQ(media::core::alloc_state.count, 0);
        }
        if (keep < 0) {
            EXPECT_GT(refused, 0);
        } else {
            EXPECT_EQ(refused, 0);
        }
    }
}

// ---- malformed files: one table per reader over the malformed/ folder ----

void run_malformed(const std::string& prefix, IMAGELOADER loader)
{
    const std::filesystem::path folder = std::filesystem::path(GRAPHICS_TEST_DIR) / "malformed";
    int seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(prefix + "-", 0) != 0) continue;
        SCOPED_TRACE(name);
        std::ifstream in(entry.path(), std::ios::binary);
        const bytes file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        IMGBUF image{};
        EXPECT_EQ(load_with(loader, file, &image), -1);
        EXPECT_EQ(image.pixels, nullptr);
        // the chain may find another format in the bytes; it must not crash or leak
        if (load(file, &image) == 0) ReleaseImageBuffer(&image);
        EXPECT_EQ(media::core::alloc_state.count, 0);
        ++seen;
    }
    EXPECT_GT(seen, 0) << "no malformed " << prefix << " files";
}

TEST_F(ImageLoader, MalformedBmp) { run_malformed("bmp", LoadBmpImage); }
TEST_F(ImageLoader, MalformedBgra) { run_malformed("bgra", LoadBgraImage); }
TEST_F(ImageLoader, MalformedTga) { run_malformed("tga", LoadTgaImage); }
TEST_F(ImageLoader, MalformedDds) { run_malformed("dds", LoadDdsImage); }
TEST_F(ImageLoader, MalformedJpeg) { run_malformed("jpeg", LoadJpegImage); }
TEST_F(ImageLoader, MalformedPng) { run_malformed("png", LoadPngImage); }

}  // namespace
}  // namespace graphics_test
