// Pixel rectangle conversion: literal rows, the case order against the
// independent model, the specialised loops against the general rule on
// seeded random pixels, and dithering on a gradient.
#include "media/graphics/convert.hpp"
#include "media/graphics/convert_loops.hpp"

#include "fixture.hpp"
#include "reference_convert.hpp"

#include <random>
#include <string>

namespace {

using graphics_test::convert_call;
using graphics_test::fixture;
using graphics_test::masks_format;

class Convert : public fixture {};

struct named_format {
    const char* name;
    PIXFMT format;
};

PIXFMT palette_format(unsigned seed)
{
    PIXFMT f{};
    InitPaletteFormat(&f);
    std::mt19937 random(seed);
    for (auto& e : f.palette)
        e = {static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
             static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random())};
    return f;
}

std::vector<named_format> formats()
{
    return {
        {"P8", palette_format(1)},
        {"R5G6B5", masks_format(16, 0xF800, 0x7E0, 0x1F, 0)},
        {"X1R5G5B5", masks_format(16, 0x7C00, 0x3E0, 0x1F, 0)},
        {"A1R5G5B5", masks_format(16, 0x7C00, 0x3E0, 0x1F, 0x8000)},
        {"A4R4G4B4", masks_format(16, 0xF00, 0xF0, 0xF, 0xF000)},
        {"R8G8B8", masks_format(24, 0xFF0000, 0xFF00, 0xFF, 0)},
        {"X8R8G8B8", masks_format(32, 0xFF0000, 0xFF00, 0xFF, 0)},
        {"A8R8G8B8", masks_format(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000)},
        {"A2R10G10B10", masks_format(32, 0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000)},
        {"L8", masks_format(8, 0, 0, 0xFF, 0)},  // a luminance file's format: red and green of width 0
        {"A8", masks_format(8, 0xFF, 0xFF, 0xFF, 0xFF)},  // one channel, as the blend images hold
        {"L16", masks_format(16, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF)},
    };
}

std::vector<unsigned char> random_bytes(std::size_t n, std::mt19937& random)
{
    std::vector<unsigned char> v(n);
    for (auto& b : v) b = static_cast<unsigned char>(random());
    return v;
}

// Runs the library on a copy of dst; returns the result.
int run(const convert_call& c, std::vector<unsigned char>& dst)
{
    const RECT rect = {c.left, c.top, c.right, c.bottom};
    return ConvertPixelRect(dst.data(), c.dst_pitch, c.dst_format, c.src->data(), c.src_pitch, c.src_format,
                            c.alpha != nullptr ? c.alpha->data() : nullptr, c.alpha_pitch, c.alpha_format, c.dst_x,
                            c.dst_y, &rect, c.mirror, c.transparent_to_alpha, c.transparent, c.dither, c.colorless,
                            c.blend_image, c.skip, c.remap);
}

// ---- literal rows ----

TEST_F(Convert, TransparentColorBecomesAlphaZero)
{
    const PIXFMT rgb = masks_format(24, 0xFF0000, 0xFF00, 0xFF, 0);
    const PIXFMT argb = masks_format(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
    const std::vector<unsigned char> src = {0xFF, 0x00, 0xFF, 0x12, 0x34, 0x56, 0xFF, 0x01, 0xFF};
    std::vector<unsigned char> dst(12, 0xEE);
    const RECT rect = {0, 0, 3, 1};
    ASSERT_EQ(ConvertPixelRect(dst.data(), 12, &argb, src.data(), 9, &rgb, nullptr, 0, nullptr, 0, 0, &rect, 0, 1,
                               0xFF00FF, 0, 0, 0, 0, 0),
              0);
    EXPECT_EQ(graphics_test::get(dst, 0, 4), 0x00FF00FFu);
    EXPECT_EQ(graphics_test::get(dst, 4, 4), 0xFF563412u);
    EXPECT_EQ(graphics_test::get(dst, 8, 4), 0xFFFF01FFu);

    // the same layout on both sides: one comparison with the bits outside the colour set
    const PIXFMT xrgb = masks_format(32, 0xFF0000, 0xFF00, 0xFF, 0);
    const std::uint32_t x[2] = {0x00FF00FF, 0x00302010};
    std::uint32_t out[2] = {};
    const RECT two = {0, 0, 2, 1};
    ASSERT_EQ(ConvertPixelRect(out, 8, &argb, x, 8, &xrgb, nullptr, 0, nullptr, 0, 0, &two, 0, 1, 0xFF00FF, 0, 0, 0, 0,
                               0),
              0);
    EXPECT_EQ(out[0], 0x00FF00FFu);
    EXPECT_EQ(out[1], 0xFF302010u);
}

TEST_F(Convert, WideningOfEachWidthTo8BitsAndBack)
{
    // a one-channel format of width w at bit 0 into 8 bits and 8 bits into it
    const struct {
        int width;
        std::vector<std::pair<std::uint32_t, std::uint32_t>> up;    // w-bit value -> 8-bit
        std::vector<std::pair<std::uint32_t, std::uint32_t>> down;  // 8-bit value -> w-bit
    } rows[] = {
        {1, {{0, 0}, {1, 255}}, {{0, 0}, {127, 0}, {128, 1}, {255, 1}}},
        {4, {{0, 0}, {1, 17}, {8, 136}, {15, 255}}, {{17, 1}, {255, 15}, {15, 0}}},
        {5, {{0, 0}, {16, 131}, {30, 246}, {31, 255}}, {{255, 31}, {8, 1}, {7, 0}}},
        {6, {{0, 0}, {32, 129}, {63, 255}, {1, 4}}, {{255, 63}, {129, 32}}},
        {10, {{0, 0}, {1023, 255}, {512, 128}, {3, 0}}, {{255, 1023}, {1, 4}, {128, 513}}},
    };
    const PIXFMT eight = masks_format(32, 0xFF, 0, 0, 0);
    for (const auto& row : rows) {
        const PIXFMT narrow = masks_format(row.width > 8 ? 32 : 16, (1u << row.width) - 1, 0, 0, 0);
        const RECT rect = {0, 0, 1, 1};
        for (const auto& [from, to] : row.up) {
            std::uint32_t in = from, out = 0;
            ASSERT_EQ(ConvertPixelRect(&out, 4, &eight, &in, 4, &narrow, nullptr, 0, nullptr, 0, 0, &rect, 0, 0, 0, 0,
                                       0, 0, 0, 0),
                      0);
            EXPECT_EQ(out & 0xFF, to) << row.width << " bits: " << from;
        }
        for (const auto& [from, to] : row.down) {
            std::uint32_t in = from, out = 0;
            ASSERT_EQ(ConvertPixelRect(&out, 4, &narrow, &in, 4, &eight, nullptr, 0, nullptr, 0, 0, &rect, 0, 0, 0, 0,
                                       0, 0, 0, 0),
                      0);
            EXPECT_EQ(out & ((1u << row.width) - 1), to) << "8 bits to " << row.width << ": " << from;
        }
    }
}

TEST_F(Convert, LiteralRows)
{
    const PIXFMT rgb565 = masks_format(16, 0xF800, 0x7E0, 0x1F, 0);
    const PIXFMT xrgb = masks_format(32, 0xFF0000, 0xFF00, 0xFF, 0);
    const PIXFMT argb = masks_format(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
    const PIXFMT x555 = masks_format(16, 0x7C00, 0x3E0, 0x1F, 0);
    const RECT one = {0, 0, 1, 1};
    std::uint32_t out = 0;
    for (int general : {0, 1}) {
        media::gfx::force_general_convert(general);
        const std::uint16_t p565 = 31u << 11 | 32u << 5 | 1u;
        ASSERT_EQ(ConvertPixelRect(&out, 4, &xrgb, &p565, 2, &rgb565, nullptr, 0, nullptr, 0, 0, &one, 0, 0, 0, 0, 0,
                                   0, 0, 0),
                  0);
        EXPECT_EQ(out, 0xFFFF8108u) << "general " << general;  // red 255, green 129, blue 8, unused bits set
        std::uint16_t o16 = 0;
        const std::uint32_t white = 0x00FFFFFF;
        ASSERT_EQ(ConvertPixelRect(&o16, 2, &x555, &white, 4, &xrgb, nullptr, 0, nullptr, 0, 0, &one, 0, 0, 0, 0, 0,
                                   0, 0, 0),
                  0);
        EXPECT_EQ(o16, 0xFFFF) << "unused bit ORed in";
    }
    media::gfx::force_general_convert(0);

    // a luminance format's zero-width red and green read as 0 (no division by 2^0 - 1)
    const PIXFMT luminance = masks_format(8, 0, 0, 0xFF, 0);
    const unsigned char grey = 0x9C;
    ASSERT_EQ(ConvertPixelRect(&out, 4, &xrgb, &grey, 1, &luminance, nullptr, 0, nullptr, 0, 0, &one, 0, 0, 0, 0, 0, 0,
                               0, 0),
              0);
    EXPECT_EQ(out, 0xFF00009Cu);

    // refusals write nothing
    std::vector<unsigned char> dst(64, 0x5A);
    const std::vector<unsigned char> src(64, 1);
    const RECT empty = {2, 0, 2, 1}, inverted = {3, 3, 1, 1};
    PIXFMT depth12 = rgb565;
    depth12.color_bits = 12;
    PIXFMT dxt = argb;
    dxt.kind = 1;
    const struct {
        const char* what;
        const PIXFMT* d;
        const PIXFMT* s;
        const RECT* rect;
        const PIXFMT* alpha;
    } refused[] = {
        {"empty", &xrgb, &xrgb, &empty, nullptr},          {"inverted", &xrgb, &xrgb, &inverted, nullptr},
        {"depth 12 source", &xrgb, &depth12, &one, nullptr}, {"depth 12 destination", &depth12, &xrgb, &one, nullptr},
        {"DXT source", &xrgb, &dxt, &one, nullptr},        {"DXT destination", &dxt, &xrgb, &one, nullptr},
        {"DXT alpha image", &argb, &xrgb, &one, &dxt},     {"no rectangle", &xrgb, &xrgb, nullptr, nullptr},
    };
    for (const auto& r : refused) {
        EXPECT_EQ(ConvertPixelRect(dst.data(), 16, r.d, src.data(), 16, r.s, r.alpha ? src.data() : nullptr, 16,
                                   r.alpha, 0, 0, r.rect, 0, 0, 0, 0, 0, 0, 0, 0),
                  -1)
            << r.what;
    }
    EXPECT_EQ(dst, std::vector<unsigned char>(64, 0x5A));

    // identical palettes with remap: indices copied, the highest returned
    PIXFMT pal = palette_format(7);
    const std::vector<unsigned char> idx = {3, 200, 17, 9};
    std::vector<unsigned char> o(4, 0);
    const RECT four = {0, 0, 4, 1};
    EXPECT_EQ(ConvertPixelRect(o.data(), 4, &pal, idx.data(), 4, &pal, nullptr, 0, nullptr, 0, 0, &four, 1, 0, 0, 0, 0,
                               0, 0, 1),
              200);
    EXPECT_EQ(o, idx);  // left to right whatever the mirror flag says
    // differing palettes: each index becomes the nearest destination entry
    PIXFMT other = pal;
    std::swap(other.palette[3], other.palette[77]);
    EXPECT_EQ(ConvertPixelRect(o.data(), 4, &other, idx.data(), 4, &pal, nullptr, 0, nullptr, 0, 0, &four, 1, 0, 0, 0,
                               0, 0, 0, 1),
              0);
    EXPECT_EQ(o[0], 77);

    // into 8 bits from wider pixels: raw field values, not scaled, go to PackColor
    PIXFMT ramp{};
    InitPaletteFormat(&ramp);
    for (int i = 0; i < 256; ++i) ramp.palette[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), 0};
    const std::uint16_t full = 0xFFFF;  // fields 31, 63, 31
    ASSERT_EQ(ConvertPixelRect(o.data(), 4, &ramp, &full, 2, &rgb565, nullptr, 0, nullptr, 0, 0, &one, 0, 0, 0, 0, 0,
                               0, 0, 0),
              0);
    EXPECT_EQ(o[0], 42);  // nearest grey to (31, 63, 31)
}

TEST_F(Convert, AlphaSourcesAndOptions)
{
    const PIXFMT argb = masks_format(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
    const PIXFMT xrgb = masks_format(32, 0xFF0000, 0xFF00, 0xFF, 0);
    const PIXFMT rgb565 = masks_format(16, 0xF800, 0x7E0, 0x1F, 0);
    const PIXFMT a4 = masks_format(16, 0xF00, 0xF0, 0xF, 0xF000);
    const RECT one = {0, 0, 1, 1};
    std::uint32_t out = 0;
    const std::uint32_t alpha_image = 0x00330000;  // red 0x33
    // a source with its own alpha keeps it even when an alpha image is given
    const std::uint16_t a4px = 0x8123;
    ASSERT_EQ(ConvertPixelRect(&out, 4, &argb, &a4px, 2, &a4, &alpha_image, 4, &xrgb, 0, 0, &one, 0, 0, 0, 0, 0, 0, 0,
                               0),
              0);
    EXPECT_EQ(out, 0x88112233u);
    // otherwise the alpha image's red is the alpha
    const std::uint16_t p565 = 0xF800;
    ASSERT_EQ(ConvertPixelRect(&out, 4, &argb, &p565, 2, &rgb565, &alpha_image, 4, &xrgb, 0, 0, &one, 0, 0, 0, 0, 0,
                               0, 0, 0),
              0);
    EXPECT_EQ(out, 0x33FF0000u);
    // the blend-image flag writes the source's raw red as alpha; colourless clears the colour
    ASSERT_EQ(ConvertPixelRect(&out, 4, &argb, &p565, 2, &rgb565, nullptr, 0, nullptr, 0, 0, &one, 0, 0, 0, 0, 1, 1, 0,
                               0),
              0);
    EXPECT_EQ(out, 0x1F000000u);
    // into a one-channel 8-bit image: the source's red is the value
    const PIXFMT a8 = masks_format(8, 0xFF, 0xFF, 0xFF, 0xFF);
    const std::uint32_t px = 0xFF9A0000;
    unsigned char byte = 0;
    ASSERT_EQ(ConvertPixelRect(&byte, 1, &a8, &px, 4, &argb, nullptr, 0, nullptr, 0, 0, &one, 0, 0, 0, 0, 1, 1, 0, 0),
              0);
    EXPECT_EQ(byte, 0x9A);

    // skip-transparent leaves pixels equal to the colour; mirror writes right to left
    const std::uint32_t row[3] = {0x00123456, 0x00ABCDEF, 0x00123457};
    std::uint32_t dst[3] = {1, 1, 1};
    const RECT three = {0, 0, 3, 1};
    ASSERT_EQ(ConvertPixelRect(dst, 12, &xrgb, row, 12, &xrgb, nullptr, 0, nullptr, 0, 0, &three, 0, 0, 0x123456, 0, 0,
                               0, 1, 0),
              0);
    EXPECT_EQ((std::vector<std::uint32_t>{dst[0], dst[1], dst[2]}), (std::vector<std::uint32_t>{1, 0x00ABCDEF, 0x00123457}));
    ASSERT_EQ(ConvertPixelRect(dst, 12, &xrgb, row, 12, &xrgb, nullptr, 0, nullptr, 0, 0, &three, 1, 0, 0x123456, 0, 0,
                               0, 1, 0),
              0);  // the mirror flag drops skip-transparent
    EXPECT_EQ((std::vector<std::uint32_t>{dst[0], dst[1], dst[2]}),
              (std::vector<std::uint32_t>{0x00123457, 0x00ABCDEF, 0x00123456}));
}

// ---- the case order against the independent model ----

TEST_F(Convert, EveryCaseMatchesTheModel)
{
    const auto all = formats();
    std::mt19937 random(20261210);
    struct option_set {
        const char* name;
        int mirror, tta, dither, colorless, blend, skip, remap;
        bool alpha_image;
    };
    const option_set options[] = {
        {"none", 0, 0, 0, 0, 0, 0, 0, false},      {"mirror", 1, 0, 0, 0, 0, 0, 0, false},
        {"tta", 0, 1, 0, 0, 0, 0, 0, false},       {"tta mirror", 1, 1, 0, 0, 0, 0, 0, false},
        {"dither 1", 0, 0, 1, 0, 0, 0, 0, false},  {"dither 2", 0, 0, 2, 0, 0, 0, 0, false},
        {"colourless", 0, 0, 0, 1, 0, 0, 0, false}, {"blend image", 0, 1, 0, 0, 1, 0, 0, false},
        {"skip", 0, 0, 0, 0, 0, 1, 0, false},      {"skip mirror", 1, 0, 0, 0, 0, 1, 0, false},
        {"remap", 0, 0, 0, 0, 0, 0, 1, false},     {"alpha image", 0, 0, 0, 0, 0, 0, 0, true},
        {"alpha image tta dither", 1, 1, 1, 0, 0, 0, 0, true},
        {"colourless skip", 0, 0, 0, 1, 0, 1, 0, false},
    };
    const named_format alpha_images[] = {all[0], all[6], all[2]};
    for (const auto& s : all)
        for (const auto& d : all)
            for (const auto& o : options)
                for (int general : {0, 1}) {
                    media::gfx::force_general_convert(general);
                    const int w = 1 + static_cast<int>(random() % 7), h = 1 + static_cast<int>(random() % 4);
                    const int sb = s.format.pixel_bytes, db = d.format.pixel_bytes;
                    const int src_pitch = (w + 3) * sb + 1, dst_pitch = (w + 5) * db + 3;
                    std::vector<unsigned char> src = random_bytes(static_cast<std::size_t>(src_pitch) * (h + 2), random);
                    const named_format& af = alpha_images[random() % 3];
                    const int alpha_pitch = (w + 3) * af.format.pixel_bytes;
                    std::vector<unsigned char> alpha = random_bytes(static_cast<std::size_t>(alpha_pitch) * (h + 2), random);
                    // plant the transparent colour in the source's first pixel
                    const std::uint32_t transparent = static_cast<std::uint32_t>(random()) & 0xFFFFFF;
                    const int left = static_cast<int>(random() % 3), top = static_cast<int>(random() % 2);
                    for (int k = 0; k < sb; ++k)
                        src[static_cast<std::size_t>(top * src_pitch + left * sb + k)] =
                            static_cast<unsigned char>(transparent >> (8 * k));
                    convert_call c{&d.format, dst_pitch, &s.format, src_pitch, &src,
                                   o.alpha_image ? &af.format : nullptr, alpha_pitch, o.alpha_image ? &alpha : nullptr,
                                   static_cast<int>(random() % 4), static_cast<int>(random() % 2), left, top, left + w,
                                   top + h, o.mirror, o.tta, transparent, o.dither, o.colorless, o.blend, o.skip,
                                   o.remap};
                    const std::vector<unsigned char> before = random_bytes(static_cast<std::size_t>(dst_pitch) * (h + 2), random);
                    std::vector<unsigned char> got = before, want = before;
                    const int expected = graphics_test::reference_convert(c, want);
                    ASSERT_EQ(run(c, got), expected) << s.name << " -> " << d.name << " " << o.name;
                    ASSERT_EQ(got, want) << s.name << " -> " << d.name << " " << o.name << " general " << general;
                }
    media::gfx::force_general_convert(0);
}

// ---- specialised loops against the general rule ----

TEST_F(Convert, SpecialisedLoopsMatchTheGeneralRule)
{
    const auto all = formats();
    std::mt19937 random(36);
    int loops = 0;
    for (const auto& s : all)
        for (const auto& d : all) {
            if (media::gfx::find_convert_loop(s.format, d.format) == nullptr) continue;
            ++loops;
            for (int trial = 0; trial < 20; ++trial) {
                const int w = 1 + static_cast<int>(random() % 37), h = 1 + static_cast<int>(random() % 5);
                const int sb = s.format.pixel_bytes, db = d.format.pixel_bytes;
                const int src_pitch = (w + 2) * sb + static_cast<int>(random() % 4);
                const int dst_pitch = (w + 3) * db + static_cast<int>(random() % 4);
                std::vector<unsigned char> src = random_bytes(static_cast<std::size_t>(src_pitch) * (h + 1), random);
                const std::vector<unsigned char> before = random_bytes(static_cast<std::size_t>(dst_pitch) * (h + 1), random);
                convert_call c{&d.format, dst_pitch, &s.format, src_pitch, &src, nullptr, 0, nullptr,
                               static_cast<int>(random() % 3), static_cast<int>(random() % 2),
                               static_cast<int>(random() % 2), static_cast<int>(random() % 2), 0, 0, 0, 0, 0, 0, 0, 0,
                               0, 0};
                c.right = c.left + w;
                c.bottom = c.top + h;
                std::vector<unsigned char> fast = before, general = before;
                media::gfx::force_general_convert(0);
                ASSERT_EQ(run(c, fast), 0);
                media::gfx::force_general_convert(1);
                ASSERT_EQ(run(c, general), 0);
                ASSERT_EQ(fast, general) << s.name << " -> " << d.name << " trial " << trial;
            }
        }
    media::gfx::force_general_convert(0);
    // 8 sources into 5 destinations
    EXPECT_EQ(loops, 40);
}

TEST_F(Convert, KeyedLoopsMatchTheGeneralRule)
{
    const auto all = formats();
    std::mt19937 random(53);
    int loops = 0;
    for (const auto& s : all)
        for (const auto& d : all) {
            std::uint32_t key = 0;
            if (media::gfx::find_keyed_convert_loop(s.format, d.format, 0, key) == nullptr) continue;
            ++loops;
            const int sb = s.format.pixel_bytes, db = d.format.pixel_bytes;
            for (int trial = 0; trial < 20; ++trial) {
                const int w = 1 + static_cast<int>(random() % 37), h = 1 + static_cast<int>(random() % 5);
                const int src_pitch = (w + 2) * sb + static_cast<int>(random() % 4);
                const int dst_pitch = (w + 3) * db + static_cast<int>(random() % 4);
                std::vector<unsigned char> src = random_bytes(static_cast<std::size_t>(src_pitch) * (h + 1), random);
                // the colour of one source pixel, in bytes that narrow to its
                // fields, planted again at about a third of the pixels; for a
                // paletted source its palette entry
                const std::uint32_t pixel = graphics_test::get(src, 0, sb);
                std::uint32_t transparent = 0;
                if (s.format.pixel_bytes == 1) {
                    const COLORENTRY& e = s.format.palette[pixel];
                    transparent = static_cast<std::uint32_t>(e.red) << 16 | e.green << 8 | e.blue;
                } else {
                    const PIXFMT& f = s.format;
                    transparent = ((pixel & f.red_mask) >> f.red_shift) << (8 - f.red_width) << 16 |
                                  ((pixel & f.green_mask) >> f.green_shift) << (8 - f.green_width) << 8 |
                                  ((pixel & f.blue_mask) >> f.blue_shift) << (8 - f.blue_width);
                }
                for (int y = 0; y <= h; ++y)
                    for (int x = 0; x < w + 2; ++x)
                        if (random() % 3 == 0)
                            graphics_test::put(src, static_cast<std::size_t>(y * src_pitch + x * sb), sb, pixel);
                const std::vector<unsigned char> before = random_bytes(static_cast<std::size_t>(dst_pitch) * (h + 1), random);
                convert_call c{&d.format, dst_pitch, &s.format, src_pitch, &src, nullptr, 0, nullptr,
                               static_cast<int>(random() % 3), static_cast<int>(random() % 2),
                               static_cast<int>(random() % 2), static_cast<int>(random() % 2), 0, 0, 0, 1,
                               transparent, 0, 0, 0, 0, 0};
                c.right = c.left + w;
                c.bottom = c.top + h;
                std::vector<unsigned char> fast = before, general = before;
                media::gfx::force_general_convert(0);
                ASSERT_EQ(run(c, fast), 0);
                media::gfx::force_general_convert(1);
                ASSERT_EQ(run(c, general), 0);
                ASSERT_EQ(fast, general) << s.name << " -> " << d.name << " trial " << trial;
            }
        }
    media::gfx::force_general_convert(0);
    // 5 sources without alpha into 2 destinations with it
    EXPECT_EQ(loops, 10);
}

TEST_F(Convert, EnvironmentForcesTheGeneralRule)
{
    ::setenv("ZENTIL_GENERAL_CONVERT", "1", 1);
    media::gfx::reset_state();
    const PIXFMT rgb565 = masks_format(16, 0xF800, 0x7E0, 0x1F, 0);
    const PIXFMT xrgb = masks_format(32, 0xFF0000, 0xFF00, 0xFF, 0);
    const RECT one = {0, 0, 1, 1};
    std::uint32_t out = 0;
    const std::uint16_t in = 0xFFFF;
    ASSERT_EQ(ConvertPixelRect(&out, 4, &xrgb, &in, 2, &rgb565, nullptr, 0, nullptr, 0, 0, &one, 0, 0, 0, 0, 0, 0, 0, 0), 0);
    EXPECT_EQ(media::gfx::convert_state.force_general, 1);
    ::unsetenv("ZENTIL_GENERAL_CONVERT");
    media::gfx::reset_state();
    ASSERT_EQ(ConvertPixelRect(&out, 4, &xrgb, &in, 2, &rgb565, nullptr, 0, nullptr, 0, 0, &one, 0, 0, 0, 0, 0, 0, 0, 0), 0);
    EXPECT_EQ(media::gfx::convert_state.force_general, 0);
    EXPECT_EQ(out, 0xFFFFFFFFu);
}

// Formats as a damaged file might describe them: refused, or read without
// touching anything outside the buffers (the sanitizers watch).
TEST_F(Convert, MalformedFormatsAreRefusedOrReadSafely)
{
    std::mt19937 random(51);
    const int depths[] = {0, 4, 8, 12, 16, 24, 32, 33};
    auto garbage = [&] {
        PIXFMT f{};
        auto* bytes = reinterpret_cast<unsigned char*>(&f);
        for (std::size_t i = 0; i < sizeof f; ++i) bytes[i] = static_cast<unsigned char>(random());
        f.color_bits = static_cast<std::uint16_t>(depths[random() % 8]);
        if (random() % 4 != 0) f.pixel_bytes = static_cast<std::uint16_t>(f.color_bits / 8);
        if (random() % 4 != 0) f.kind = 0;
        if (random() % 2 != 0) {
            // small fields that still may overlap, exceed the depth or have masks that disagree
            f.red_width = static_cast<std::uint8_t>(random() % 12);
            f.red_shift = static_cast<std::uint8_t>(random() % 24);
            f.alpha_width = static_cast<std::uint8_t>(random() % 3);
        }
        return f;
    };
    std::vector<unsigned char> src = random_bytes(4 * 8 * 8, random), alpha = random_bytes(4 * 8 * 8, random);
    for (int trial = 0; trial < 3000; ++trial) {
        const PIXFMT s = garbage(), d = garbage(), a = garbage();
        std::vector<unsigned char> dst(4 * 8 * 8, 0);
        const RECT rect = {1, 1, 5, 4};
        ConvertPixelRect(dst.data(), 32, &d, src.data(), 32, &s, trial % 3 == 0 ? alpha.data() : nullptr, 32, &a, 2, 3,
                         &rect, trial & 1, trial >> 1 & 1, 0xFF00FF, trial % 3, trial >> 2 & 1, trial >> 3 & 1,
                         trial >> 4 & 1, trial >> 5 & 1);
        int r, g, b, al;
        UnpackColor(&s, static_cast<std::uint32_t>(random()), &r, &g, &b, &al);
        PackColor(&s, static_cast<int>(random() % 300) - 20, 1, 2, 3);
        IMGBUF buffer{};
        buffer.format = s;
        buffer.format.kind = 0;
        buffer.width = 4;
        buffer.height = 4;
        buffer.pitch = 16;
        buffer.pixels = dst.data();
        GetImagePixel(&buffer, 1, 1, &r, &g, &b, &al);
        GetImagePixelCode(&buffer, 3, 3);
        HalfScaleImage(&s, dst.data(), 32, src.data(), 32, 0, 0, 0, 0, 4, 4);
    }
}

// ---- dithering ----

TEST_F(Convert, DitheringOnAGradient)
{
    const PIXFMT xrgb = masks_format(32, 0xFF0000, 0xFF00, 0xFF, 0);
    const PIXFMT rgb565 = masks_format(16, 0xF800, 0x7E0, 0x1F, 0);
    // a red ramp 0..239 over 240 pixels, four rows
    const int w = 240, h = 4;
    std::vector<std::uint32_t> src(w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) src[y * w + x] = static_cast<std::uint32_t>(x) << 16;
    const RECT rect = {0, 0, w, h};
    std::vector<std::uint16_t> plain(w * h), ordered(w * h), carried(w * h);
    for (auto [mode, out] : {std::pair{0, &plain}, std::pair{1, &ordered}, std::pair{2, &carried}})
        ASSERT_EQ(ConvertPixelRect(out->data(), w * 2, &rgb565, src.data(), w * 4, &xrgb, nullptr, 0, nullptr, 0, 0,
                                   &rect, 0, 0, 0, mode, 0, 0, 0, 0),
                  0);
    long sum_in = 0, sum_plain = 0, sum_ordered = 0, sum_carried = 0;
    for (int i = 0; i < w * h; ++i) {
        sum_in += static_cast<long>(src[i] >> 16);
        sum_plain += (plain[i] >> 11) * 8;
        sum_ordered += (ordered[i] >> 11) * 8;
        sum_carried += (carried[i] >> 11) * 8;
        // dithering moves a channel up by at most one step
        const int up = (ordered[i] >> 11) - (plain[i] >> 11);
        ASSERT_TRUE(up == 0 || up == 1) << i;
    }
    // truncation loses 3.5 per pixel on average; the carried remainder loses less than one step overall
    EXPECT_EQ(sum_in - sum_plain, 3360);
    EXPECT_GE(sum_in - sum_carried, 0);
    EXPECT_LT(sum_in - sum_carried, 8);
    // the ordered pattern gets within one step per pixel of the ramp on average
    EXPECT_LT(std::labs(sum_in - sum_ordered), w * h);
    // the 4 x 4 matrix at the destination position: discarded bits 4 against thresholds bayer / 2
    const std::vector<std::uint32_t> fours(16, 4u << 16);
    std::vector<std::uint16_t> o(16);
    const RECT square = {0, 0, 4, 4};
    ASSERT_EQ(ConvertPixelRect(o.data(), 8, &rgb565, fours.data(), 16, &xrgb, nullptr, 0, nullptr, 0, 0, &square, 0, 0,
                               0, 1, 0, 0, 0, 0),
              0);
    const std::vector<std::uint16_t> raised = {1, 0, 1, 0, 0, 1, 0, 1, 1, 0, 1, 0, 0, 1, 0, 1};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(o[i] >> 11, raised[i]) << i;
}

}  // namespace
