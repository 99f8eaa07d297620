// The DDS loader: "DDS " and its 124-byte header, then DXT1 to DXT5 blocks
// or plain pixels described by masks or a Direct3D format code, with their
// mipmap levels.
#include <algorithm>
#include <climits>
#include <cstring>

#include "media/graphics/loaders/reader.hpp"

using namespace media::gfx;

namespace {

constexpr std::uint32_t DDSD_PITCH = 0x8, DDSD_MIPMAPCOUNT = 0x20000;
constexpr std::uint32_t DDPF_ALPHAPIXELS = 0x1, DDPF_FOURCC = 0x4, DDPF_RGB = 0x40;
constexpr std::uint32_t DDSCAPS_COMPLEX_MIPMAP = 0x400008;

constexpr std::uint32_t fourcc(const char* s)
{
    return static_cast<std::uint32_t>(static_cast<unsigned char>(s[0])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s[3])) << 24;
}

// Levels in a full chain down to 1 x 1.
int chain_length(long long w, long long h)
{
    int n = 1;
    while (w > 1 || h > 1) w >>= 1, h >>= 1, ++n;
    return n;
}

}  // namespace

int LoadDdsImage(IMGSRC* src, IMGBUF* image)
{
    unsigned char magic[4], h[124];
    if (!read_exact(src, magic, 4) || std::memcmp(magic, "DDS", 3) != 0) return -1;
    if (!read_exact(src, h, 124)) return -1;
    const std::uint32_t flags = le32(h + 4);
    const long long height = le32(h + 8), w = le32(h + 12);
    const std::uint32_t pitch_field = le32(h + 16), mip_field = le32(h + 24);
    const std::uint32_t pf_flags = le32(h + 76), code = le32(h + 80), bit_count = le32(h + 84);
    const std::uint32_t caps = le32(h + 104);
    if (!image_size_ok(w, height)) return -1;

    PIXFMT format{};
    int block = 0;  // bytes of a DXT block; 0 for plain pixels
    if (pf_flags & DDPF_FOURCC) {
        const DDSFORMAT* row = pf_flags == DDPF_FOURCC ? FindDdsFormat(static_cast<std::int32_t>(code)) : nullptr;
        int kind = 0;
        for (int k = 1; k <= 5; ++k)
            if (code == fourcc("DXT1") + (static_cast<std::uint32_t>(k - 1) << 24)) kind = k;
        if (kind != 0) {
            InitFormatFromMasks(&format, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
            format.kind = static_cast<std::uint32_t>(kind);
            format.color_bits = kind == 1 ? 4 : 8;
            block = kind == 1 ? 8 : 16;
        } else if (row != nullptr) {
            InitFormatFromMasks(&format, row->depth, row->red, row->green, row->blue, row->alpha);
        } else {
            return -1;
        }
    } else {
        if ((pf_flags & DDPF_RGB) && !(pf_flags & DDPF_ALPHAPIXELS)) return -1;
        if (bit_count != 8 && bit_count != 16 && bit_count != 24 && bit_count != 32) return -1;
        const std::uint32_t all = bit_count == 32 ? 0xFFFFFFFFu : (1u << bit_count) - 1;
        std::uint32_t masks[4];
        for (int i = 0; i < 4; ++i) masks[i] = le32(h + 88 + 4 * i);
        for (std::uint32_t m : masks)
            if (m & ~all) return -1;
        InitFormatFromMasks(&format, static_cast<int>(bit_count), masks[0], masks[1], masks[2], masks[3]);
    }

    long long mipmaps = 0;
    if ((flags & DDSD_MIPMAPCOUNT) && (caps & DDSCAPS_COMPLEX_MIPMAP) == DDSCAPS_COMPLEX_MIPMAP) mipmaps = mip_field;
    if (mipmaps > chain_length(w, height)) return -1;
    const long long levels = mipmaps > 1 ? mipmaps : 1;

    long long pitch = 0, size = 0;
    if (block != 0) {
        // whole blocks, at least one a level
        for (long long i = 0; i < levels; ++i)
            size += block * std::max(1LL, (w >> i) / 4) * std::max(1LL, (height >> i) / 4);
    } else {
        const long long row = w * format.pixel_bytes;
        pitch = (flags & DDSD_PITCH) ? pitch_field : row;
        if (pitch < row || pitch > INT_MAX) return -1;
        long long level = pitch * height;
        for (long long i = 0; i < levels; ++i, level /= 4) size += level;
    }
    const long long left = bytes_left(src);
    if (left < size) return -1;
    managed_block pixels(size, false, "dds.cpp", __LINE__);
    if (!pixels || !read_exact(src, pixels.get(), size)) return -1;
    image->format = format;
    image->width = static_cast<int>(w);
    image->height = static_cast<int>(height);
    image->pitch = static_cast<int>(pitch);
    image->pixels = pixels.release();
    image->mipmaps = static_cast<int>(mipmaps);
    return 0;
}
