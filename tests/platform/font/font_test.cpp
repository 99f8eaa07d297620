// Faces over the installed IPA fonts through fontconfig and FreeType, the
// bitmap formats, synthesised bold, fallback, closing, and the fake face.
#include "platform/font/font.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.hpp"

namespace {

using platform::font::glyph_format;
using platform::font::glyph_metrics;

const std::wstring ms_gothic = L"\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF";

class PlatformFont : public ::testing::Test {
protected:
    void TearDown() override
    {
        platform::font::remove_fake();
        platform::font::close();
    }

    static platform::font::face* make(const std::wstring& name, int height = 16, int weight = 400,
                                      bool italic = false)
    {
        platform::font::request r;
        r.face = name;
        r.height = height;
        r.weight = weight;
        r.italic = italic;
        r.fixed_pitch = true;  // as the application's fonts ask
        return platform::font::create(r);
    }
};

struct fetched {
    int size = -1;
    glyph_metrics m{};
    std::vector<unsigned char> bytes;
};

// A size query, then the fetch into a buffer of exactly that size.
fetched fetch(platform::font::face* f, wchar_t code, glyph_format format)
{
    fetched out;
    glyph_metrics query{};
    const int size = f->glyph(code, format, query, nullptr, 0);
    if (size < 0) return out;
    out.bytes.assign(static_cast<std::size_t>(size), 0xAA);
    out.size = f->glyph(code, format, out.m, out.bytes.data(), out.bytes.size());
    EXPECT_EQ(out.size, size) << "size query and fetch differ for U+" << std::hex << int(code);
    EXPECT_EQ(std::memcmp(&query, &out.m, sizeof query), 0);
    return out;
}

int pixels_set(const fetched& g, glyph_format format)
{
    if (g.m.height == 0) return 0;
    const std::size_t stride = g.bytes.size() / static_cast<std::size_t>(g.m.height);
    int n = 0;
    for (int y = 0; y < g.m.height; ++y)
        for (int x = 0; x < g.m.width; ++x) {
            const unsigned char* row = g.bytes.data() + y * stride;
            n += format == glyph_format::mono ? (row[x >> 3] >> (7 - (x & 7)) & 1) : row[x] > 0;
        }
    return n;
}

TEST_F(PlatformFont, ApplicationFacesHaveJapaneseGlyphs)
{
    for (const std::wstring& name : {std::wstring(L"meiryo"), std::wstring(L"MeiRyo"), ms_gothic, std::wstring()}) {
        platform::font::face* f = make(name);
        ASSERT_NE(f, nullptr) << platform::error();
        for (wchar_t code : {L'\u3042', L'\uFF71'})
            for (glyph_format format : {glyph_format::mono, glyph_format::grey}) {
                const fetched g = fetch(f, code, format);
                EXPECT_GT(g.size, 0);
                EXPECT_GT(g.m.width, 0);
                EXPECT_GT(pixels_set(g, format), 0);
            }
    }
}

TEST_F(PlatformFont, HeightIsTheRequestedSize)
{
    for (const std::wstring& name : {std::wstring(L"meiryo"), std::wstring()})
        for (int size : {12, 16, 20, 32}) {
            platform::font::face* f = make(name, size);
            ASSERT_NE(f, nullptr);
            const platform::font::text_metrics m = f->metrics();
            EXPECT_EQ(m.height, size);
            EXPECT_GE(m.ascent, size / 2);
            EXPECT_LE(m.ascent, size);
            EXPECT_GE(m.max_char_width, size / 2);
            // every glyph fits the maximum width and the cell height
            for (wchar_t code : {L'W', L'\u3042', L'\u8868'}) {
                const fetched g = fetch(f, code, glyph_format::grey);
                EXPECT_LE(g.m.advance, m.max_char_width);
                EXPECT_LE(g.m.origin_y, m.ascent + 1);
            }
        }
}

TEST_F(PlatformFont, ProportionalAndMonospacedFaces)
{
    platform::font::face* proportional = make(L"meiryo", 20);
    platform::font::face* fixed = make(L"", 20);
    ASSERT_TRUE(proportional && fixed);
    EXPECT_LT(fetch(proportional, L'i', glyph_format::mono).m.advance,
              fetch(proportional, L'W', glyph_format::mono).m.advance);
    EXPECT_EQ(fetch(fixed, L'i', glyph_format::mono).m.advance, fetch(fixed, L'W', glyph_format::mono).m.advance);
    // half-width Latin, full-width kana
    EXPECT_NEAR(fetch(fixed, L'\u3042', glyph_format::mono).m.advance,
                2 * fetch(fixed, L'W', glyph_format::mono).m.advance, 1);
}

TEST_F(PlatformFont, BitmapLayoutInBothFormats)
{
    platform::font::face* f = make(L"meiryo", 20);
    ASSERT_NE(f, nullptr);
    for (wchar_t code : {L'A', L'g', L'.', L'|', L'\u3042', L'\u8868', L'\uFF71', L'\u2460'}) {
        const fetched mono = fetch(f, code, glyph_format::mono);
        ASSERT_GT(mono.size, 0) << int(code);
        const std::size_t stride = mono.bytes.size() / mono.m.height;
        EXPECT_EQ(stride * mono.m.height, mono.bytes.size());
        EXPECT_EQ(stride % 4, 0u);
        EXPECT_GE(stride, (mono.m.width + 7u) / 8);
        // padding bits past the width stay clear
        for (int y = 0; y < mono.m.height; ++y)
            for (std::size_t x = mono.m.width; x < stride * 8; ++x)
                EXPECT_EQ(mono.bytes[y * stride + x / 8] >> (7 - x % 8) & 1, 0);

        const fetched grey = fetch(f, code, glyph_format::grey);
        ASSERT_GT(grey.size, 0);
        const std::size_t gstride = grey.bytes.size() / grey.m.height;
        EXPECT_EQ(gstride * grey.m.height, grey.bytes.size());
        EXPECT_EQ(gstride % 4, 0u);
        EXPECT_GE(gstride, std::size_t(grey.m.width));
        for (unsigned char level : grey.bytes) EXPECT_LE(level, 16);
        // one outline, so every pixel of the one-bit shape is covered in the grey one
        EXPECT_EQ(grey.m.advance, mono.m.advance);
        for (int y = 0; y < mono.m.height; ++y)
            for (int x = 0; x < mono.m.width; ++x) {
                if (!(mono.bytes[y * stride + x / 8] >> (7 - x % 8) & 1)) continue;
                const int gx = mono.m.origin_x + x - grey.m.origin_x, gy = grey.m.origin_y - mono.m.origin_y + y;
                ASSERT_TRUE(gx >= 0 && gx < grey.m.width && gy >= 0 && gy < grey.m.height) << int(code);
                EXPECT_GT(grey.bytes[gy * gstride + gx], 0) << int(code) << " at " << x << "," << y;
            }
    }
}

TEST_F(PlatformFont, SmallBufferFailsAndWritesNothing)
{
    platform::font::face* f = make(L"", 20);
    ASSERT_NE(f, nullptr);
    for (glyph_format format : {glyph_format::mono, glyph_format::grey}) {
        glyph_metrics m{};
        const int size = f->glyph(L'\u3042', format, m, nullptr, 0);
        ASSERT_GT(size, 8);
        std::vector<unsigned char> buffer(size + 16, 0x5A);
        platform::set_error("");
        EXPECT_EQ(f->glyph(L'\u3042', format, m, buffer.data() + 8, size - 1), -1);
        EXPECT_STRNE(platform::error(), "");
        for (unsigned char b : buffer) EXPECT_EQ(b, 0x5A);
        // the exact size writes inside its bounds only
        EXPECT_EQ(f->glyph(L'\u3042', format, m, buffer.data() + 8, size), size);
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(buffer[i], 0x5A);
            EXPECT_EQ(buffer[8 + size + i], 0x5A);
        }
    }
}

TEST_F(PlatformFont, SpacesAdvanceWithoutPixels)
{
    for (const std::wstring& name : {std::wstring(L"meiryo"), std::wstring()}) {
        platform::font::face* f = make(name, 16);
        ASSERT_NE(f, nullptr);
        for (wchar_t code : {L' ', L'\u3000'})
            for (glyph_format format : {glyph_format::mono, glyph_format::grey}) {
                const fetched g = fetch(f, code, format);
                EXPECT_EQ(g.size, 0);
                EXPECT_GT(g.m.advance, 0);
                EXPECT_EQ(g.m.width, 0);
                EXPECT_EQ(g.m.height, 0);
            }
    }
}

TEST_F(PlatformFont, HeavyWeightIsEmboldenedByOnePixel)
{
    platform::font::face* normal = make(L"", 20, 400);
    platform::font::face* heavy = make(L"", 20, 900);
    ASSERT_TRUE(normal && heavy);
    EXPECT_EQ(heavy->metrics().max_char_width, normal->metrics().max_char_width + 1);
    for (wchar_t code : {L'l', L'\u3042', L' '})
        for (glyph_format format : {glyph_format::mono, glyph_format::grey}) {
            const fetched a = fetch(normal, code, format), b = fetch(heavy, code, format);
            EXPECT_EQ(b.m.advance, a.m.advance + 1);
            if (code == L' ') continue;
            EXPECT_EQ(b.m.width, a.m.width + 1);
            EXPECT_GT(pixels_set(b, format), pixels_set(a, format));
        }
}

TEST_F(PlatformFont, ItalicWithoutItalicFaceIsSheared)
{
    platform::font::face* upright = make(L"", 20);
    platform::font::face* italic = make(L"", 20, 400, true);
    ASSERT_TRUE(upright && italic);
    const fetched a = fetch(upright, L'|', glyph_format::grey), b = fetch(italic, L'|', glyph_format::grey);
    EXPECT_GE(b.m.width, a.m.width + 3);  // a 20-pixel bar leans by about 4
    EXPECT_EQ(b.m.advance, a.m.advance);
}

TEST_F(PlatformFont, UnknownNamesAndMissingCharacters)
{
    platform::font::face* f = make(L"no such face \u8868");
    ASSERT_NE(f, nullptr) << platform::error();
    EXPECT_GT(fetch(f, L'\u3042', glyph_format::mono).size, 0);
    // a Latin face gets the Japanese characters it lacks from the fallback
    platform::font::face* latin = make(L"DejaVu Sans");
    ASSERT_NE(latin, nullptr);
    EXPECT_GT(pixels_set(fetch(latin, L'\u3042', glyph_format::grey), glyph_format::grey), 0);
    // characters no font has, and values that are no characters, give the missing glyph
    for (wchar_t code : {wchar_t(0xE000), wchar_t(0x10FFFD), wchar_t(0x110000), wchar_t(-1), wchar_t(0)})
        for (glyph_format format : {glyph_format::mono, glyph_format::grey}) EXPECT_GE(fetch(f, code, format).size, 0);
    platform::font::request hangul;
    hangul.face = L"meiryo";
    hangul.charset = platform::font::hangul_charset;
    EXPECT_NE(platform::font::create(hangul), nullptr);
    // out-of-range heights are clamped, never refused
    EXPECT_NE(make(L"", 0), nullptr);
    EXPECT_NE(make(L"", -20), nullptr);
}

TEST_F(PlatformFont, ReleaseAndCloseFreeFacesAndTheLayerReopens)
{
    platform::font::face* a = make(L"meiryo");
    platform::font::face* b = make(L"");
    ASSERT_TRUE(a && b);
    platform::font::release(a);
    platform::font::release(nullptr);
    EXPECT_GT(fetch(b, L'\u3042', glyph_format::mono).size, 0);
    platform::font::close();
    platform::font::close();
    platform::font::face* again = make(L"meiryo");
    ASSERT_NE(again, nullptr);
    EXPECT_GT(fetch(again, L'\u3042', glyph_format::mono).size, 0);
}

TEST_F(PlatformFont, FakeFaceHasFixedMetricsAndRecordsCalls)
{
    platform::font::fake_settings s;
    s.height = 12;
    s.ascent = 10;
    s.single_advance = 6;
    s.double_advance = 12;
    platform::font::fake_glyph dot;
    dot.width = 2;
    dot.height = 1;
    dot.origin_x = 1;
    dot.origin_y = 3;
    dot.levels = {16, 4};
    s.glyphs.push_back({L'.', dot});
    platform::font::install_fake(s);

    platform::font::face* f = make(L"meiryo", 40, 900);
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(platform::font::fake_requests().size(), 1u);
    EXPECT_EQ(platform::font::fake_requests()[0].height, 40);
    EXPECT_EQ(platform::font::fake_requests()[0].weight, 900);
    EXPECT_EQ(f->metrics().height, 12);
    EXPECT_EQ(f->metrics().ascent, 10);
    EXPECT_EQ(f->metrics().max_char_width, 12);

    const fetched a = fetch(f, L'A', glyph_format::grey);
    EXPECT_EQ(a.m.advance, 6);
    EXPECT_EQ(a.m.width, 5);
    EXPECT_EQ(a.m.height, 10);
    EXPECT_EQ(a.m.origin_y, 10);
    EXPECT_EQ(a.bytes[0], 16);       // edge
    EXPECT_EQ(a.bytes[8 + 1], 8);    // inside, second row (stride 8)
    EXPECT_EQ(fetch(f, L'\uFF71', glyph_format::mono).m.advance, 6);  // one CP932 byte
    EXPECT_EQ(fetch(f, L'\u3042', glyph_format::mono).m.advance, 12);
    const fetched d = fetch(f, L'.', glyph_format::mono);
    EXPECT_EQ(d.size, 4);
    EXPECT_EQ(d.bytes[0], 0xC0);
    EXPECT_EQ(d.m.origin_x, 1);
    EXPECT_EQ(fetch(f, L'\u3000', glyph_format::grey).size, 0);
    EXPECT_EQ(platform::font::fake_code_points().size(), 10u);  // a query and a fetch each

    platform::font::fail_fake_glyphs(true);
    glyph_metrics m{};
    EXPECT_EQ(f->glyph(L'A', glyph_format::mono, m, nullptr, 0), -1);
    EXPECT_STREQ(platform::error(), "fake glyph failure");

    platform::font::remove_fake();
    platform::font::face* real = make(L"", 20);
    ASSERT_NE(real, nullptr);
    EXPECT_EQ(real->metrics().height, 20);
}

}  // namespace
