// The JPEG and PNG loaders against files made by the libraries' own
// encoders: layouts, equality with the library's decode, cut and damaged
// files.
#include <random>
#include <string>

#include "fixture.hpp"
#include "library_files.hpp"
#include "media/core/stream.hpp"
#include "media/graphics/loaders/loader.hpp"
#include "support/temp_folder.hpp"

namespace graphics_test {
namespace {

class JpegPng : public fixture {};

int load(const bytes& file, IMGBUF* image)
{
    return LoadImageBuffer(nullptr, file.data(), static_cast<int>(file.size()), 1, 0, 0, image, nullptr, nullptr);
}

int load_with(IMAGELOADER loader, const bytes& file, IMGBUF* image)
{
    IMGSRC src{*GetMemStreamOps(), OpenMemStream(const_cast<unsigned char*>(file.data()), static_cast<int>(file.size()))};
    *image = IMGBUF{};
    const int result = loader(&src, image);
    src.ops.close(src.data);
    return result;
}

// The rows without padding.
bytes pixels_of(const IMGBUF& image, int row_bytes)
{
    bytes out;
    for (int y = 0; y < image.height; ++y) {
        const auto* p = static_cast<const unsigned char*>(image.pixels) + static_cast<long>(y) * image.pitch;
        out.insert(out.end(), p, p + row_bytes);
    }
    return out;
}

TEST_F(JpegPng, JpegColourAndGreyEqualThePlainDecode)
{
    struct jpeg_case {
        const char* name;
        jpeg_options options;
    };
    jpeg_options colour, grey, odd, skipped, progressive;
    grey.components = 1, grey.width = 9, grey.height = 5;
    odd.width = 13, odd.height = 7;
    // an APP5 segment longer than the source buffer is skipped across refills
    skipped.extra_marker = 10000;
    progressive.progressive = true, progressive.width = 40, progressive.height = 24;
    const jpeg_case cases[] = {{"colour", colour}, {"grey", grey}, {"odd size", odd}, {"long segment", skipped},
                               {"progressive", progressive}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const bytes file = jpeg_file(c.options);
        int components = 0;
        bytes expected = jpeg_plain_decode(file, &components);
        // the loader's colour order is B, G, R
        if (components == 3)
            for (std::size_t i = 0; i + 2 < expected.size(); i += 3) std::swap(expected[i], expected[i + 2]);
        IMGBUF image{};
        ASSERT_EQ(load(file, &image), 0);
        EXPECT_EQ(image.width, c.options.width);
        EXPECT_EQ(image.height, c.options.height);
        EXPECT_EQ(image.pitch, components * c.options.width);
        EXPECT_EQ(image.format.color_bits, components == 3 ? 24 : 8);
        if (components == 1) {
            EXPECT_EQ(image.format.palette[77].red, 77);
        }
        EXPECT_EQ(pixels_of(image, image.pitch), expected);
        ReleaseImageBuffer(&image);
    }
}

TEST_F(JpegPng, JpegCutShortLoadsAndEmptyOrForeignDataIsRefused)
{
    jpeg_options o;
    o.width = 64, o.height = 64;
    const bytes file = jpeg_file(o);
    IMGBUF image{};
    // past the headers, into the scan: the end is supplied
    const bytes cut(file.begin(), file.begin() + static_cast<long>(file.size() * 2 / 3));
    ASSERT_EQ(load_with(LoadJpegImage, cut, &image), 0);
    EXPECT_EQ(image.width, 64);
    ReleaseImageBuffer(&image);

    EXPECT_EQ(load_with(LoadJpegImage, bytes{}, &image), -1);
    std::mt19937 random(99);
    bytes noise(3000);
    for (auto& b : noise) b = static_cast<unsigned char>(random());
    EXPECT_EQ(load_with(LoadJpegImage, noise, &image), -1);
    noise[0] = 0xFF, noise[1] = 0xD8;
    EXPECT_EQ(load_with(LoadJpegImage, noise, &image), -1);

    // four components (CMYK) are refused
    jpeg_options cmyk;
    cmyk.components = 4;
    EXPECT_EQ(load_with(LoadJpegImage, jpeg_file(cmyk), &image), -1);
    EXPECT_EQ(image.pixels, nullptr);
}

png_color rgb(int r, int g, int b)
{
    return png_color{static_cast<png_byte>(r), static_cast<png_byte>(g), static_cast<png_byte>(b)};
}

TEST_F(JpegPng, PngColourTypesAndTheirLayouts)
{
    struct png_case {
        const char* name;
        png_options options;
        int depth, pitch;
        bytes pixels;  // the first row
    };
    auto spec = [](int type, int depth, int width, bytes rows) {
        png_options o;
        o.color_type = type, o.bit_depth = depth, o.width = width, o.rows = rows;
        return o;
    };
    png_options paletted = spec(PNG_COLOR_TYPE_PALETTE, 2, 5, {0x1B, 0x40});  // 0 1 2 3 1
    paletted.palette = {rgb(1, 2, 3), rgb(4, 5, 6), rgb(7, 8, 9), rgb(10, 11, 12)};
    png_options transparent = spec(PNG_COLOR_TYPE_PALETTE, 8, 2, {1, 0});
    transparent.palette = {rgb(1, 2, 3), rgb(4, 5, 6)};
    transparent.trns = {0x80, 0x40};
    png_options grey_trns = spec(PNG_COLOR_TYPE_GRAY, 8, 2, {0, 9});
    grey_trns.grey_trns = true;
    const png_case cases[] = {
        {"RGB", spec(PNG_COLOR_TYPE_RGB, 8, 2, {10, 20, 30, 40, 50, 60}), 24, 6, {30, 20, 10, 60, 50, 40}},
        {"RGBA", spec(PNG_COLOR_TYPE_RGB_ALPHA, 8, 1, {10, 20, 30, 40}), 32, 4, {30, 20, 10, 40}},
        {"RGB 16-bit", spec(PNG_COLOR_TYPE_RGB, 16, 1, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}), 24, 3, {0x9A, 0x56, 0x12}},
        {"grey", spec(PNG_COLOR_TYPE_GRAY, 8, 3, {0, 128, 255}), 8, 3, {0, 128, 255}},
        {"grey 4-bit", spec(PNG_COLOR_TYPE_GRAY, 4, 3, {0x0F, 0x50}), 8, 3, {0, 255, 85}},
        {"grey with alpha", spec(PNG_COLOR_TYPE_GRAY_ALPHA, 8, 2, {7, 200, 9, 100}), 16, 4, {7, 200, 9, 100}},
        {"grey with tRNS", grey_trns, 16, 4, {0, 0, 9, 255}},
        {"paletted", paletted, 8, 5, {0, 1, 2, 3, 1}},
        {"paletted with tRNS", transparent, 32, 8, {6, 5, 4, 0x40, 3, 2, 1, 0x80}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        IMGBUF image{};
        ASSERT_EQ(load(png_file(c.options), &image), 0);
        EXPECT_EQ(image.format.color_bits, c.depth);
        EXPECT_EQ(image.pitch, c.pitch);
        EXPECT_EQ(pixels_of(image, static_cast<int>(c.pixels.size())), c.pixels);
        if (c.depth == 32) {
            EXPECT_EQ(image.format.alpha_mask, 0xFF000000u);
        }
        if (c.depth == 16) {
            EXPECT_EQ(image.format.red_mask, 0xFFu);
            EXPECT_EQ(image.format.blue_mask, 0xFFu);
            EXPECT_EQ(image.format.unused_mask, 0xFF00u);
            EXPECT_EQ(image.format.alpha_width, 0);
        }
        if (c.options.color_type == PNG_COLOR_TYPE_PALETTE && c.depth == 8) {
            EXPECT_TRUE(media::gfx::is_paletted(image.format));
            EXPECT_EQ(image.format.palette[3].red, 10);
            EXPECT_EQ(image.format.palette[3].blue, 12);
            EXPECT_EQ(image.format.palette[3].alpha, 0);
            EXPECT_EQ(image.format.palette[4].red, 0);
        }
        ReleaseImageBuffer(&image);
    }
}

TEST_F(JpegPng, InterlacedPngEqualsItsPlainTwin)
{
    png_options o;
    o.width = 13, o.height = 9;
    for (int i = 0; i < o.width * o.height * 3; ++i) o.rows.push_back(static_cast<unsigned char>(i * 37));
    IMGBUF plain{}, interlaced{};
    ASSERT_EQ(load(png_file(o), &plain), 0);
    o.interlaced = true;
    const bytes file = png_file(o);
    ASSERT_EQ(load(file, &interlaced), 0);
    EXPECT_EQ(pixels_of(interlaced, 39), pixels_of(plain, 39));
    ReleaseImageBuffer(&plain);
    ReleaseImageBuffer(&interlaced);
}

TEST_F(JpegPng, PngCutShortIsRefused)
{
    png_options o;
    o.width = 8, o.height = 8;
    o.rows.assign(8 * 8 * 3, 0x42);
    const bytes file = png_file(o);
    IMGBUF image{};
    for (std::size_t keep : {std::size_t{8}, std::size_t{20}, file.size() / 2, file.size() - 1}) {
        SCOPED_TRACE(keep);
        EXPECT_EQ(load_with(LoadPngImage, bytes(file.begin(), file.begin() + static_cast<long>(keep)), &image), -1);
        EXPECT_EQ(image.pixels, nullptr);
    }
}

int rewinds = 0;
int counting_seek(void* data, int offset, int origin)
{
    if (offset == 0 && origin == 0) ++rewinds;
    return SeekMemStream(data, offset, origin);
}

TEST_F(JpegPng, PngPassesTheEarlierLoadersAndLoadsFromFileOrMemory)
{
    png_options o;
    o.width = 3, o.height = 2;
    o.rows = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
    const bytes file = png_file(o);

    IMGSRC src{*GetMemStreamOps(), OpenMemStream(const_cast<unsigned char*>(file.data()), static_cast<int>(file.size()))};
    src.ops.seek = counting_seek;
    rewinds = 0;
    IMGBUF from_memory{};
    ASSERT_EQ(RunImageLoaders(&src, &from_memory), 0);
    src.ops.close(src.data);
    EXPECT_EQ(rewinds, 3);  // before the bitmap, JPEG and PNG loaders

    support::temp_folder dir;
    dir.file("pic.png", std::string(file.begin(), file.end()));
    IMGBUF from_file{};
    ASSERT_EQ(LoadImageBuffer(dir.at("pic.png").c_str(), nullptr, 0, 0, 0, 0, &from_file, nullptr, nullptr), 0);
    EXPECT_EQ(from_file.pitch, from_memory.pitch);
    EXPECT_EQ(pixels_of(from_file, 9), pixels_of(from_memory, 9));
    EXPECT_EQ(pixels_of(from_file, 9), (bytes{3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13, 18, 17, 16}));
    ReleaseImageBuffer(&from_file);
    ReleaseImageBuffer(&from_memory);
}

}  // namespace
}  // namespace graphics_test
