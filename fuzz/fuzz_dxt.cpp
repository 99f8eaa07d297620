// Fuzz target: DXT blocks decoded by DecodeDxtImage, then halved by
// HalfScaleImage and copied by BlitImageBuffer.
#include <cstring>

#include "fuzz_input.hpp"
#include "media/core/alloc.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::input in(data, size);
    const int kind = 1 + static_cast<int>(in.pick(5));
    const int width = 1 + static_cast<int>(in.pick(64)), height = 1 + static_cast<int>(in.pick(64));
    const int blit_x = static_cast<int>(in.take(1)) - 128, blit_y = static_cast<int>(in.take(1)) - 128;
    const int block = kind == 1 ? 8 : 16;
    const std::size_t bytes =
        static_cast<std::size_t>(block) * (width / 4 > 0 ? width / 4 : 1) * (height / 4 > 0 ? height / 4 : 1);
    IMGBUF image{};
    InitFormatFromMasks(&image.format, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
    image.format.kind = static_cast<std::uint32_t>(kind);
    image.format.color_bits = kind == 1 ? 4 : 8;
    image.width = width, image.height = height;
    auto* pixels = static_cast<unsigned char*>(ManagedAlloc(static_cast<int>(bytes), "fuzz_dxt.cpp", __LINE__));
    if (pixels == nullptr) return 0;
    for (std::size_t i = 0; i < bytes; ++i) pixels[i] = static_cast<unsigned char>(in.take(1));
    image.pixels = pixels;
    if (DecodeDxtImage(&image) != 0) {
        ReleaseImageBuffer(&image);
        return 0;
    }
    IMGBUF half{};
    const int half_w = width > 1 ? width / 2 : 1, half_h = height > 1 ? height / 2 : 1;
    if (CreateARGB8ImageBuffer(half_w, half_h, &half) == 0) {
        const int w = width > 1 ? width & ~1 : 1, h = height > 1 ? height & ~1 : 1;
        HalfScaleImage(&image.format, half.pixels, half.pitch, image.pixels, image.pitch, 0, 0, 0, 0, w, h);
        BlitImageBuffer(0, 0, half_w, half_h, blit_x, blit_y, &half, &image);
        BlitImageBuffer(blit_x, blit_y, width, height, 0, 0, &image, &half);
        ReleaseImageBuffer(&half);
    }
    ReleaseImageBuffer(&image);
    return 0;
}
