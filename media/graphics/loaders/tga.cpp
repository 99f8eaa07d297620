// The TGA loader: colour-mapped and true-colour images, plain or RLE, of
// 16 (5:5:5), 24 or 32 bits, turned top-down left to right; colour-mapped
// images come back as true colour.
#include <algorithm>
#include <cstring>
#include <utility>

#include "media/graphics/loaders/reader.hpp"

using namespace media::gfx;

namespace {

constexpr long long max_tga_side = 8192;

// RLE packets of pixel_bytes-byte values into count pixels; data that ends
// early leaves the rest zero.
void decode_rle(const unsigned char* in, long long size, int pixel_bytes, unsigned char* out, long long count)
{
    long long at = 0, done = 0;
    while (done < count && at < size) {
        const int head = in[at++];
        const long long n = std::min<long long>((head & 0x7F) + 1, count - done);
        if (head & 0x80) {
            if (at + pixel_bytes > size) return;
            for (long long i = 0; i < n; ++i) std::memcpy(out + (done + i) * pixel_bytes, in + at, pixel_bytes);
            at += pixel_bytes;
        } else {
            const long long whole = std::min(n, (size - at) / pixel_bytes);
            std::memcpy(out + done * pixel_bytes, in + at, whole * pixel_bytes);
            at += whole * pixel_bytes;
            if (whole < n) return;
        }
        done += n;
    }
}

}  // namespace

int LoadTgaImage(IMGSRC* src, IMGBUF* image)
{
    unsigned char h[18];
    if (!read_exact(src, h, 18)) return -1;
    const int id_length = h[0], map_type = h[1], type = h[2];
    const long long map_first = le16(h + 3), map_length = le16(h + 5);
    const int map_bits = h[7];
    const long long w = le16(h + 12), height = le16(h + 14);
    const int pixel_bits = h[16], descriptor = h[17];
    const bool mapped = type == 1 || type == 9;
    if (type != 1 && type != 2 && type != 9 && type != 10) return -1;
    if (le16(h + 8) != 0 || le16(h + 10) != 0) return -1;
    if (w > max_tga_side || height > max_tga_side || !image_size_ok(w, height)) return -1;
    const int depth = mapped ? map_bits : pixel_bits;
    if (depth != 16 && depth != 24 && depth != 32) return -1;
    // colour-mapped pixels are one-byte indices into at most 256 entries
    if (mapped && (pixel_bits != 8 || map_type != 1 || map_first + map_length > 256)) return -1;
    if (map_type > 1) return -1;
    const int bytes = depth / 8;

    // the footer "TRUEVISION-XFILE" ends the data of RLE files
    if (!seek_to(src, 0)) return -1;
    const long long size = bytes_left(src);
    long long data_end = size;
    if (size >= 18 + 26) {
        unsigned char foot[26];
        if (!seek_to(src, size - 26) || !read_exact(src, foot, 26)) return -1;
        if (std::memcmp(foot + 8, "TRUEVISION-XFILE", 16) == 0 && le32(foot) == 0) data_end = size - 26;
    }
    // the id field, then the colour map
    long long at = 18 + id_length;
    unsigned char palette[256 * 4] = {};
    const long long map_bytes = map_type == 1 ? map_length * ((map_bits + 7) / 8) : 0;
    if (!seek_to(src, at)) return -1;
    if (mapped) {
        if (!read_exact(src, palette + map_first * bytes, map_bytes)) return -1;
    } else if (map_bytes > 0 && !seek_to(src, at + map_bytes)) {
        return -1;
    }
    at += map_bytes;

    const long long count = w * height;
    const int in_bytes = mapped ? 1 : bytes;
    managed_block data;
    if (type == 1 || type == 2) {
        data = managed_block(count * in_bytes, false, "tga.cpp", __LINE__);
        if (!data || data_end - at < count * in_bytes || !read_exact(src, data.get(), count * in_bytes)) return -1;
    } else {
        // at most a packet header for every pixel
        const long long take = std::max(0LL, std::min(data_end - at, count * (in_bytes + 1)));
        managed_block packed(take, false, "tga.cpp", __LINE__);
        data = managed_block(count * in_bytes, true, "tga.cpp", __LINE__);
        if (!packed || !data || !read_exact(src, packed.get(), take)) return -1;
        decode_rle(packed.get(), take, in_bytes, data.get(), count);
    }
    if (mapped) {
        managed_block full(count * bytes, false, "tga.cpp", __LINE__);
        if (!full) return -1;
        for (long long i = 0; i < count; ++i) std::memcpy(full.get() + i * bytes, palette + data.get()[i] * bytes, bytes);
        data = std::move(full);
    }

    // bit 5: rows stored top-down; bit 4: right to left
    const bool top_down = descriptor & 0x20, right_to_left = descriptor & 0x10;
    const long long pitch = w * bytes;
    if (!top_down || right_to_left) {
        managed_block turned(pitch * height, false, "tga.cpp", __LINE__);
        if (!turned) return -1;
        for (long long y = 0; y < height; ++y) {
            const unsigned char* in = data.get() + (top_down ? y : height - 1 - y) * pitch;
            unsigned char* out = turned.get() + y * pitch;
            if (!right_to_left)
                std::memcpy(out, in, pitch);
            else
                for (long long x = 0; x < w; ++x) std::memcpy(out + x * bytes, in + (w - 1 - x) * bytes, bytes);
        }
        data = std::move(turned);
    }

    if (depth == 16)
        InitFormatFromMasks(&image->format, 16, 0x7C00, 0x3E0, 0x1F, 0);
    else if (depth == 24)
        InitFullColorFormat(&image->format);
    else
        InitARGB8Format(&image->format);
    image->width = static_cast<int>(w);
    image->height = static_cast<int>(height);
    image->pitch = static_cast<int>(pitch);
    image->pixels = data.release();
    image->mipmaps = 0;
    return 0;
}
