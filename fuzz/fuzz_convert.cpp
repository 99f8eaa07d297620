// Fuzz target: ConvertPixelRect with source, destination and alpha formats,
// rectangle, position, flags, palette and pixels all taken from the input;
// the buffers are sized to hold the rectangle where the caller must keep it.
#include <vector>

#include "fuzz_input.hpp"
#include "media/graphics/convert.hpp"

namespace {

// A format: one of the builders, or a depth and four masks.
PIXFMT make_format(fuzz::input& in)
{
    PIXFMT f{};
    switch (in.pick(7)) {
    case 0:
        InitPaletteFormat(&f);
        break;
    case 1:
        InitGrayFormat(&f);
        break;
    case 2:
        InitXRGB8Format(&f);
        break;
    case 3:
        InitARGB8Format(&f);
        break;
    case 4:
        InitFullColorFormat(&f);
        break;
    default: {
        static const int depths[] = {8, 16, 24, 32};
        const int depth = depths[in.pick(4)];
        const std::uint32_t all = depth == 32 ? 0xFFFFFFFFu : (1u << depth) - 1;
        const std::uint32_t r = in.take(4) & all, g = in.take(4) & all, b = in.take(4) & all, a = in.take(4) & all;
        InitFormatFromMasks(&f, depth, r, g, b, a);
    }
    }
    if (in.take(1) & 1)
        for (auto& e : f.palette)
            e = COLORENTRY{static_cast<std::uint8_t>(in.take(1)), static_cast<std::uint8_t>(in.take(1)),
                           static_cast<std::uint8_t>(in.take(1)), static_cast<std::uint8_t>(in.take(1))};
    return f;
}

// A buffer of at least (x + width) pixels by (y + height) rows, filled from
// the input.
std::vector<unsigned char> make_pixels(fuzz::input& in, const PIXFMT& f, int columns, int rows, int* pitch)
{
    *pitch = columns * f.pixel_bytes + static_cast<int>(in.pick(8));
    std::vector<unsigned char> v(static_cast<std::size_t>(*pitch) * rows + 1);
    for (auto& b : v) b = static_cast<unsigned char>(in.take(1));
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::input in(data, size);
    const PIXFMT src_format = make_format(in), dst_format = make_format(in);
    const bool with_alpha = in.take(1) & 1;
    const PIXFMT alpha_format = make_format(in);
    const int width = 1 + static_cast<int>(in.pick(40)), height = 1 + static_cast<int>(in.pick(24));
    const int left = static_cast<int>(in.pick(5)), top = static_cast<int>(in.pick(5));
    const int dst_x = static_cast<int>(in.pick(5)), dst_y = static_cast<int>(in.pick(5));
    const std::uint32_t flags = in.take(1), transparent = in.take(4);
    const int dither = static_cast<int>(in.pick(3));
    int src_pitch = 0, dst_pitch = 0, alpha_pitch = 0;
    std::vector<unsigned char> src = make_pixels(in, src_format, left + width, top + height, &src_pitch);
    std::vector<unsigned char> alpha = make_pixels(in, alpha_format, left + width, top + height, &alpha_pitch);
    std::vector<unsigned char> dst = make_pixels(in, dst_format, dst_x + width, dst_y + height, &dst_pitch);
    const RECT rect = {left, top, left + width, top + height};
    ConvertPixelRect(dst.data(), dst_pitch, &dst_format, src.data(), src_pitch, &src_format,
                     with_alpha ? alpha.data() : nullptr, alpha_pitch, with_alpha ? &alpha_format : nullptr, dst_x,
                     dst_y, &rect, flags & 1, flags >> 1 & 1, transparent, dither, flags >> 2 & 1, flags >> 3 & 1,
                     flags >> 4 & 1, flags >> 5 & 1);
    return 0;
}
