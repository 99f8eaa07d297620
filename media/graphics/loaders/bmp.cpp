// The Windows bitmap loader: 8- and 24-bit rows as stored, 4-bit rows and
// RLE8/RLE4 data as one byte a pixel, and every other depth (1, 16, 32 bits,
// bit fields) converted to 24-bit B, G, R rows.
#include <algorithm>
#include <cstring>

#include "media/core/log.hpp"
#include "media/graphics/loaders/reader.hpp"

using namespace media::gfx;

namespace {

struct bmp_header {
    std::uint32_t data_offset;
    std::uint32_t header_size;
    long long width, height;  // height as the absolute value
    bool bottom_up;
    int bits;
    std::uint32_t compression;
    std::uint32_t colors_used;
    std::uint32_t masks[3];
    COLORENTRY palette[256];
};

// Reads and checks the headers, the masks and the palette.
bool read_header(IMGSRC* src, bmp_header* h)
{
    unsigned char file[14], info[40];
    if (!read_exact(src, file, 14) || file[0] != 'B' || file[1] != 'M') return false;
    if (!read_exact(src, info, 40)) return false;
    h->data_offset = le32(file + 10);
    h->header_size = le32(info);
    // the 12-byte core header lays its fields out differently and is not read
    if (h->header_size < 40 || h->header_size > 0x10000) return false;
    h->width = static_cast<std::int32_t>(le32(info + 4));
    const long long height = static_cast<std::int32_t>(le32(info + 8));
    h->bottom_up = height > 0;
    h->height = height < 0 ? -height : height;
    h->bits = le16(info + 14);
    h->compression = le32(info + 16);
    h->colors_used = le32(info + 32);
    if (!image_size_ok(h->width, h->height)) return false;
    switch (h->compression) {
    case 0:
        if (h->bits != 1 && h->bits != 4 && h->bits != 8 && h->bits != 16 && h->bits != 24 && h->bits != 32)
            return false;
        break;
    case 1:
        if (h->bits != 8) return false;
        break;
    case 2:
        if (h->bits != 4) return false;
        break;
    case 3:
        if (h->bits != 16 && h->bits != 32) return false;
        break;
    default:  // embedded JPEG or PNG, and unknown schemes
        return false;
    }
    // bit fields: three masks right after the first 40 bytes, inside the
    // longer headers or after the short one
    if (h->compression == 3) {
        unsigned char m[12];
        if (!read_exact(src, m, 12)) return false;
        for (int i = 0; i < 3; ++i) h->masks[i] = le32(m + 4 * i);
    } else if (h->bits == 16) {
        h->masks[0] = 0x7C00, h->masks[1] = 0x3E0, h->masks[2] = 0x1F;
    } else {
        h->masks[0] = 0xFF0000, h->masks[1] = 0xFF00, h->masks[2] = 0xFF;
    }
    std::memset(h->palette, 0, sizeof h->palette);
    if (h->bits <= 8) {
        const std::uint32_t most = 1u << h->bits;
        const std::uint32_t count = h->colors_used != 0 && h->colors_used < most ? h->colors_used : most;
        if (!seek_to(src, 14LL + h->header_size) || !read_exact(src, h->palette, 4LL * count)) return false;
        for (auto& entry : h->palette) entry.alpha = 0;
    }
    return true;
}

// RLE8 (one byte a code) and RLE4 (two pixels a byte) into top-down rows of
// one byte a pixel. Runs and deltas that leave the image, and data that ends
// early, end the decoding; what was not written stays zero.
void decode_rle(const unsigned char* in, long long size, bool four, const bmp_header& h, unsigned char* out,
                long long pitch)
{
    long long at = 0, x = 0, y = 0;
    auto row = [&](long long file_row) { return out + (h.bottom_up ? h.height - 1 - file_row : file_row) * pitch; };
    while (at + 2 <= size && y < h.height) {
        const int n = in[at], v = in[at + 1];
        at += 2;
        if (n > 0) {
            const long long count = std::min<long long>(n, h.width - x);
            unsigned char* p = row(y) + x;
            for (long long i = 0; i < count; ++i) p[i] = four ? (i & 1 ? v & 15 : v >> 4) : v;
            x += count;
            if (count < n) return;
        } else if (v == 0) {
            x = 0, ++y;
        } else if (v == 1) {
            return;
        } else if (v == 2) {
            if (at + 2 > size) return;
            x += in[at], y += in[at + 1];
            at += 2;
            if (x > h.width || y > h.height || (y == h.height && x > 0)) return;
        } else {
            const long long bytes = four ? (v + 1) / 2 : v;
            const long long count = std::min<long long>({v, h.width - x, four ? 2 * (size - at) : size - at});
            unsigned char* p = row(y) + x;
            for (long long i = 0; i < count; ++i) p[i] = four ? (i & 1 ? in[at + i / 2] & 15 : in[at + i / 2] >> 4) : in[at + i];
            x += count;
            if (count < v) return;
            at += bytes + (bytes & 1);  // absolute runs are padded to an even length
        }
    }
}

// One channel of a bit-field pixel widened to 0..255: v x 255 / (2^w - 1)
// rounded to nearest for a contiguous mask; an empty mask gives 0.
struct channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint64_t top = 1;

    explicit channel(std::uint32_t m) : mask(m)
    {
        if (mask == 0) return;
        while (!(mask >> shift & 1)) ++shift;
        top = mask >> shift;
    }
    unsigned char operator()(std::uint32_t pixel) const
    {
        return static_cast<unsigned char>((((pixel & mask) >> shift) * 255 + top / 2) / top);
    }
};

}  // namespace

int LoadBmpImage(IMGSRC* src, IMGBUF* image)
{
    bmp_header h;
    if (!read_header(src, &h)) return -1;
    const long long w = h.width, height = h.height;
    const long long row_size = (h.bits * w + 31) / 32 * 4;
    if (!seek_to(src, h.data_offset)) return -1;
    const long long left = bytes_left(src);
    if (left < 0) return -1;

    PIXFMT format{};
    long long pitch;
    managed_block pixels;
    if (h.compression == 1 || h.compression == 2) {
        const bool four = h.compression == 2;
        pitch = four ? (w + 3) / 4 * 4 : row_size;
        // no sane encoding takes more than four bytes a pixel
        const long long take = std::min(left, 4 * w * height + 4 * height + 4096);
        managed_block data(take, false, "bmp.cpp", __LINE__);
        pixels = managed_block(pitch * height, true, "bmp.cpp", __LINE__);
        if (!data || !pixels || !read_exact(src, data.get(), take)) return -1;
        decode_rle(data.get(), take, four, h, pixels.get(), pitch);
    } else {
        // rows as stored (bottom-up or top-down); bytes past the data stay zero
        managed_block data(row_size * height, true, "bmp.cpp", __LINE__);
        if (!data || !read_exact(src, data.get(), std::min(left, row_size * height))) return -1;
        auto stored = [&](long long y) { return data.get() + (h.bottom_up ? height - 1 - y : y) * row_size; };
        if (h.bits == 8 || h.bits == 24) {
            pitch = row_size;
            if (h.bottom_up) {
                pixels = managed_block(pitch * height, false, "bmp.cpp", __LINE__);
                if (!pixels) return -1;
                for (long long y = 0; y < height; ++y) std::memcpy(pixels.get() + y * pitch, stored(y), row_size);
            } else {
                pixels.reset(data.release());  // the rows as read
            }
        } else if (h.bits == 4) {
            pitch = (w + 3) / 4 * 4;
            pixels = managed_block(pitch * height, true, "bmp.cpp", __LINE__);
            if (!pixels) return -1;
            for (long long y = 0; y < height; ++y)
                for (long long x = 0; x < w; ++x) {
                    const unsigned char b = stored(y)[x / 2];
                    pixels.get()[y * pitch + x] = x & 1 ? b & 15 : b >> 4;
                }
        } else {
            // 1, 16 and 32 bits and bit fields: top-down B, G, R rows
            pitch = (3 * w + 3) / 4 * 4;
            pixels = managed_block(pitch * height, true, "bmp.cpp", __LINE__);
            if (!pixels) {
                LogWrite("２４ビットカラー化したグラフィックを格納するメモリ領域の確保に失敗しました\n");
                return -1;
            }
            const channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]);
            for (long long y = 0; y < height; ++y) {
                const unsigned char* in = stored(y);
                unsigned char* out = pixels.get() + y * pitch;
                for (long long x = 0; x < w; ++x, out += 3) {
                    if (h.bits == 1) {
                        const COLORENTRY& c = h.palette[in[x / 8] >> (7 - x % 8) & 1];
                        out[0] = c.blue, out[1] = c.green, out[2] = c.red;
                        continue;
                    }
                    const std::uint32_t p = h.bits == 16 ? le16(in + 2 * x) : le32(in + 4 * x);
                    out[0] = blue(p), out[1] = green(p), out[2] = red(p);
                }
            }
        }
    }
    if (h.bits != 4 && h.bits != 8) {
        InitFullColorFormat(&format);
    } else {
        InitPaletteFormat(&format);
        std::memcpy(format.palette, h.palette, sizeof format.palette);
    }
    image->format = format;
    image->width = static_cast<int>(w);
    image->height = static_cast<int>(height);
    image->pitch = static_cast<int>(pitch);
    image->pixels = pixels.release();
    image->mipmaps = 0;
    return 0;
}
