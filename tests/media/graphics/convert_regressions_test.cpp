// Conversions that once failed (found by fuzzing): one row each, run under
// the sanitizers.
#include <vector>

#include "fixture.hpp"
#include "media/graphics/convert.hpp"

namespace graphics_test {
namespace {

class ConvertRegressions : public fixture {};

TEST_F(ConvertRegressions, Rows)
{
    PIXFMT grey_palette{};
    InitPaletteFormat(&grey_palette);
    for (int i = 0; i < 256; ++i)
        grey_palette.palette[i] =
            COLORENTRY{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), 0};
    struct row {
        const char* name;
        PIXFMT src, dst;
        std::vector<unsigned char> pixels;    // one source pixel
        std::vector<unsigned char> expected;  // the destination pixel
    };
    const row rows[] = {
        // 32-bit fields reach the palette search as raw values near 2^31:
        // the squared distances overflowed
        {"32-bit fields into a palette",
         masks_format(32, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0),
         grey_palette,
         {0, 0, 0, 0x80},
         {0}},
        {"wide fields, high values",
         masks_format(32, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 0),
         grey_palette,
         {0xFF, 0xFF, 0xFF, 0x7F},
         {255}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        std::vector<unsigned char> out(r.expected.size() + 3, 0xEE);
        const RECT rect = {0, 0, 1, 1};
        ConvertPixelRect(out.data(), 4, &r.dst, r.pixels.data(), 4, &r.src, nullptr, 0, nullptr, 0, 0, &rect, 0, 0, 0,
                         0, 0, 0, 0, 0);
        EXPECT_EQ(std::vector<unsigned char>(out.begin(), out.begin() + static_cast<long>(r.expected.size())),
                  r.expected);
    }
}

}  // namespace
}  // namespace graphics_test
