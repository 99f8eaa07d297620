// The raw "BGRA" loader: a 16-byte header (magic, depth code, width,
// height), then top-down rows of blue, green, red, alpha of 8 or 16 bits.
#include <cstring>

#include "media/graphics/loaders/reader.hpp"

using namespace media::gfx;

int LoadBgraImage(IMGSRC* src, IMGBUF* image)
{
    unsigned char head[16];
    if (!read_exact(src, head, 16) || std::memcmp(head, "BGRA", 4) != 0) return -1;
    const std::uint32_t code = le32(head + 4);
    const long long w = le32(head + 8), h = le32(head + 12);
    if ((code != 0x08080808 && code != 0x10101010) || !image_size_ok(w, h)) return -1;
    const long long pitch = w * 4;
    // refused before the allocation when the file cannot hold the pixels
    const long long left = bytes_left(src);
    if (left < pitch * h * (code == 0x10101010 ? 2 : 1)) return -1;
    managed_block pixels(pitch * h, false, "bgra.cpp", __LINE__);
    if (!pixels) return -1;
    if (code == 0x08080808) {
        if (!read_exact(src, pixels.get(), pitch * h)) return -1;
    } else {
        managed_block row(w * 8, false, "bgra.cpp", __LINE__);
        if (!row) return -1;
        for (long long y = 0; y < h; ++y) {
            if (!read_exact(src, row.get(), w * 8)) return -1;
            unsigned char* out = pixels.get() + y * pitch;
            // each little-endian 16-bit channel keeps its high byte
            for (long long i = 0; i < w * 4; ++i) out[i] = row.get()[2 * i + 1];
        }
    }
    InitARGB8Format(&image->format);
    image->width = static_cast<int>(w);
    image->height = static_cast<int>(h);
    image->pitch = static_cast<int>(pitch);
    image->pixels = pixels.release();
    image->mipmaps = 0;
    return 0;
}
