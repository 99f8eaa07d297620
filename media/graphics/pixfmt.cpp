// Pixel formats and image buffers.
#include "media/graphics/pixfmt.hpp"

#include <algorithm>
#include <climits>
#include <cstring>

#include "media/core/alloc.hpp"
#include "media/graphics/convert.hpp"
#include "media/graphics/internal.hpp"

using media::gfx::load_pixel;
using media::gfx::store_pixel;

namespace media::gfx {

bool is_paletted(const PIXFMT& format)
{
    return format.pixel_bytes == 1 && ((format.red_mask | format.green_mask | format.blue_mask) & ~0xFFu) != 0;
}

bool is_plain_format(const PIXFMT& format)
{
    const int depth = format.color_bits;
    if (depth != 8 && depth != 16 && depth != 24 && depth != 32) return false;
    if (format.pixel_bytes != depth / 8 || format.kind != 0) return false;
    const int widths[4] = {format.red_width, format.green_width, format.blue_width, format.alpha_width};
    const int shifts[4] = {format.red_shift, format.green_shift, format.blue_shift, format.alpha_shift};
    for (int c = 0; c < 4; ++c) {
        if (shifts[c] >= 32 || widths[c] > 32 || shifts[c] + widths[c] > 32) return false;
    }
    return true;
}

}  // namespace media::gfx

namespace {

using media::gfx::is_paletted;
using media::gfx::is_plain_format;

// Lowest set bit and the run of set bits from there; 0, 0 for no bits.
void mask_field(std::uint32_t mask, std::uint8_t* shift, std::uint8_t* width)
{
    int s = 0, w = 0;
    if (mask != 0) {
        while ((mask >> s & 1u) == 0) ++s;
        while (s + w < 32 && (mask >> (s + w) & 1u) != 0) ++w;
    }
    *shift = static_cast<std::uint8_t>(s);
    *width = static_cast<std::uint8_t>(w);
}

std::uint32_t depth_mask(int depth) { return depth >= 32 ? 0xFFFFFFFFu : (1u << depth) - 1; }

void set_channels(PIXFMT* f, int depth, std::uint32_t red, std::uint32_t green, std::uint32_t blue,
                  std::uint32_t alpha)
{
    f->color_bits = static_cast<std::uint16_t>(depth);
    f->pixel_bytes = static_cast<std::uint16_t>(depth / 8);
    f->red_mask = red;
    f->green_mask = green;
    f->blue_mask = blue;
    f->alpha_mask = alpha;
    mask_field(red, &f->red_shift, &f->red_width);
    mask_field(green, &f->green_shift, &f->green_width);
    mask_field(blue, &f->blue_shift, &f->blue_width);
    mask_field(alpha, &f->alpha_shift, &f->alpha_width);
    f->kind = 0;
}

// A channel value 0..255 at a field's width (wider fields scale up).
std::uint32_t narrow_channel(int value, int width)
{
    const std::uint32_t v = static_cast<std::uint32_t>(std::clamp(value, 0, 255));
    if (width <= 0) return 0;
    if (width <= 8) return v >> (8 - width);
    const std::uint64_t top = (width >= 32 ? 0xFFFFFFFFull : (1ull << width) - 1);
    return static_cast<std::uint32_t>(v * top / 255);
}

std::uint32_t widen_channel(std::uint32_t raw, int width)
{
    if (width <= 0) return 0;
    const std::uint64_t top = width >= 32 ? 0xFFFFFFFFull : (1ull << width) - 1;
    return static_cast<std::uint32_t>(raw * 255ull / top);
}

bool buffer_usable(const IMGBUF* b)
{
    return b != nullptr && b->pixels != nullptr && b->width > 0 && b->height > 0 && b->format.pixel_bytes >= 1 &&
           b->format.pixel_bytes <= 4;
}

unsigned char* pixel_at(const IMGBUF* b, int x, int y)
{
    return static_cast<unsigned char*>(b->pixels) + static_cast<long>(y) * b->pitch +
           static_cast<long>(x) * b->format.pixel_bytes;
}

// pitch x height or width x height x 4 as an int, or -1 when it is not one.
long long block_size(long long a, long long b, long long c)
{
    if (a <= 0 || b <= 0 || c <= 0) return -1;
    const long long size = a * b * c;  // each factor fits in 32 bits
    return size > INT_MAX ? -1 : size;
}

}  // namespace

// ---- builders ----

void InitPaletteFormat(PIXFMT* f)
{
    set_channels(f, 8, 0xFF0000, 0xFF00, 0xFF, 0);
    f->unused_mask = 0xFF000000;
}

void InitGrayFormat(PIXFMT* f)
{
    InitPaletteFormat(f);
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<std::uint8_t>(i);
        f->palette[i] = {v, v, v, 0};
    }
}

void InitXRGB8Format(PIXFMT* f)
{
    set_channels(f, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    f->unused_mask = 0xFF000000;
    f->unused_shift = 24;
    f->unused_width = 8;
}

void InitARGB8Format(PIXFMT* f)
{
    set_channels(f, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);
    f->unused_mask = 0;
}

void InitFullColorFormat(PIXFMT* f)
{
    set_channels(f, 24, 0xFF0000, 0xFF00, 0xFF, 0);
    f->unused_mask = 0;
}

void InitFormatFromMasks(PIXFMT* f, int depth, std::uint32_t red, std::uint32_t green, std::uint32_t blue,
                         std::uint32_t alpha)
{
    set_channels(f, depth, red, green, blue, alpha);
    f->unused_mask = depth_mask(depth) & ~(red | green | blue | alpha);
    mask_field(f->unused_mask, &f->unused_shift, &f->unused_width);
}

void RecomputeUnusedBits(PIXFMT* f)
{
    const int sum = f->red_width + f->green_width + f->blue_width + f->alpha_width;
    if (sum == f->color_bits)
        f->unused_mask = 0;
    else
        f->unused_mask = depth_mask(f->color_bits) & ~(f->red_mask | f->green_mask | f->blue_mask | f->alpha_mask);
}

// ---- buffers ----

int CreateImageBuffer(int width, int height, const PIXFMT* format, IMGBUF* buffer)
{
    if (format == nullptr || buffer == nullptr || format->pixel_bytes == 0) return -1;
    const long long row = static_cast<long long>(format->pixel_bytes) * std::max(width, 0);
    const long long pitch = (row + 3) / 4 * 4;
    const long long size = block_size(pitch, height, 1);
    if (width <= 0 || size < 0) return -1;
    void* pixels = ManagedAlloc(static_cast<int>(size), "pixfmt.cpp", __LINE__);
    if (pixels == nullptr) return -1;
    buffer->format = *format;
    buffer->width = width;
    buffer->height = height;
    buffer->pitch = static_cast<int>(pitch);
    buffer->pixels = pixels;
    buffer->mipmaps = 0;
    return 0;
}

int CreateARGB8ImageBuffer(int width, int height, IMGBUF* buffer)
{
    if (buffer == nullptr) return -1;
    // the rest of the format (the palette) is left as the caller had it
    PIXFMT format = buffer->format;
    InitARGB8Format(&format);
    return CreateImageBuffer(width, height, &format, buffer);
}

int CreateXRGB8ImageBuffer(int width, int height, IMGBUF* buffer)
{
    PIXFMT format{};
    InitXRGB8Format(&format);
    return CreateImageBuffer(width, height, &format, buffer);
}

int ReleaseImageBuffer(IMGBUF* buffer)
{
    if (buffer == nullptr) return 0;
    ManagedFree(buffer->pixels);
    std::memset(buffer, 0, sizeof *buffer);
    return 0;
}

int ClearImageBufferRect(IMGBUF* buffer, int x, int y, int width, int height)
{
    if (!buffer_usable(buffer) || buffer->format.kind != 0) return 0;
    // cut to the buffer, so a glyph box past the edge writes nothing outside
    const long long left = std::max(x, 0), top = std::max(y, 0);
    const long long right = std::min<long long>(static_cast<long long>(x) + width, buffer->width);
    const long long bottom = std::min<long long>(static_cast<long long>(y) + height, buffer->height);
    if (right <= left || bottom <= top) return 0;
    for (long long row = top; row < bottom; ++row)
        std::memset(pixel_at(buffer, static_cast<int>(left), static_cast<int>(row)), 0,
                    static_cast<std::size_t>((right - left) * buffer->format.pixel_bytes));
    return 0;
}

// ---- colours ----

std::uint32_t PackColor(const PIXFMT* f, int red, int green, int blue, int alpha)
{
    if (is_paletted(*f)) {
        int best = 0;
        // the conversion passes raw field values of any width here: each
        // square stays below 2^63 and their sum below 2^64 when unsigned
        unsigned long long best_distance = ULLONG_MAX;
        auto square = [](long long d) {
            const unsigned long long m = static_cast<unsigned long long>(d < 0 ? -d : d);
            return m * m;
        };
        for (int i = 0; i < 256; ++i) {
            const unsigned long long distance = square(static_cast<long long>(f->palette[i].red) - red) +
                                                square(static_cast<long long>(f->palette[i].green) - green) +
                                                square(static_cast<long long>(f->palette[i].blue) - blue);
            if (distance < best_distance) {
                best_distance = distance;
                best = i;
            }
        }
        return static_cast<std::uint32_t>(best);
    }
    auto field = [](int v, int width, int shift, std::uint32_t mask) {
        return shift >= 32 ? 0u : (narrow_channel(v, width) << shift) & mask;
    };
    std::uint32_t pixel = field(red, f->red_width, f->red_shift, f->red_mask) |
                          field(green, f->green_width, f->green_shift, f->green_mask) |
                          field(blue, f->blue_width, f->blue_shift, f->blue_mask) | f->unused_mask;
    if (f->alpha_width != 0) pixel |= field(alpha, f->alpha_width, f->alpha_shift, f->alpha_mask);
    return pixel;
}

void UnpackColor(const PIXFMT* f, std::uint32_t pixel, int* red, int* green, int* blue, int* alpha)
{
    auto channel = [pixel](std::uint32_t mask, int shift, int width) {
        return shift >= 32 ? 0 : static_cast<int>(widen_channel((pixel & mask) >> shift, width));
    };
    if (red != nullptr) *red = channel(f->red_mask, f->red_shift, f->red_width);
    if (green != nullptr) *green = channel(f->green_mask, f->green_shift, f->green_width);
    if (blue != nullptr) *blue = channel(f->blue_mask, f->blue_shift, f->blue_width);
    if (alpha != nullptr) *alpha = f->alpha_width == 0 ? 0 : channel(f->alpha_mask, f->alpha_shift, f->alpha_width);
}

// ---- single pixels ----

int GetImagePixel(IMGBUF* buffer, int x, int y, int* red, int* green, int* blue, int* alpha)
{
    if (buffer == nullptr || DecodeDxtImage(buffer) < 0 || !buffer_usable(buffer)) return -1;
    if (static_cast<unsigned>(x) >= static_cast<unsigned>(buffer->width) ||
        static_cast<unsigned>(y) >= static_cast<unsigned>(buffer->height))
        return -1;
    const unsigned char* p = pixel_at(buffer, x, y);
    if (buffer->format.pixel_bytes == 1 && is_paletted(buffer->format)) {
        const COLORENTRY& e = buffer->format.palette[*p];
        if (red != nullptr) *red = e.red;
        if (green != nullptr) *green = e.green;
        if (blue != nullptr) *blue = e.blue;
        if (alpha != nullptr) *alpha = e.alpha;
        return 0;
    }
    UnpackColor(&buffer->format, load_pixel(p, buffer->format.pixel_bytes), red, green, blue, alpha);
    return 0;
}

int SetImagePixel(IMGBUF* buffer, int x, int y, int red, int green, int blue, int alpha)
{
    if (buffer == nullptr || DecodeDxtImage(buffer) < 0 || !buffer_usable(buffer)) return -1;
    if (static_cast<unsigned>(x) >= static_cast<unsigned>(buffer->width) ||
        static_cast<unsigned>(y) >= static_cast<unsigned>(buffer->height))
        return -1;
    store_pixel(pixel_at(buffer, x, y), buffer->format.pixel_bytes, PackColor(&buffer->format, red, green, blue, alpha));
    return 0;
}

std::uint32_t GetImagePixelCode(const IMGBUF* buffer, int x, int y)
{
    if (!buffer_usable(buffer) || buffer->format.kind != 0 || buffer->format.pixel_bytes < 2) return 0;
    if (static_cast<unsigned>(x) >= static_cast<unsigned>(buffer->width) ||
        static_cast<unsigned>(y) >= static_cast<unsigned>(buffer->height))
        return 0;
    const PIXFMT& f = buffer->format;
    const std::uint32_t pixel = load_pixel(pixel_at(buffer, x, y), f.pixel_bytes);
    // the raw field moved so that its top bit lands on bit top - 1
    auto place = [pixel](std::uint32_t mask, int shift, int width, int top) -> std::uint32_t {
        if (width == 0 || width > 32 || shift >= 32) return 0;
        const std::uint32_t raw = (pixel & mask) >> shift;
        const int at = top - width;
        return at >= 0 ? (raw << at) & ((1ull << top) - 1) : (raw >> -at) << (top - 8);
    };
    return place(f.blue_mask, f.blue_shift, f.blue_width, 8) | place(f.green_mask, f.green_shift, f.green_width, 16) |
           place(f.red_mask, f.red_shift, f.red_width, 24) | place(f.alpha_mask, f.alpha_shift, f.alpha_width, 32);
}

// ---- whole buffers ----

int MirrorImageBuffer(IMGBUF* buffer)
{
    if (!buffer_usable(buffer) || buffer->format.kind != 0) return -1;
    const int bytes = buffer->format.pixel_bytes;
    for (int y = 0; y < buffer->height; ++y) {
        unsigned char* left = pixel_at(buffer, 0, y);
        unsigned char* right = pixel_at(buffer, buffer->width - 1, y);
        for (; left < right; left += bytes, right -= bytes) std::swap_ranges(left, left + bytes, right);
    }
    return 0;
}

namespace {

// One 4 x 4 colour block into 16 ARGB texels; the explicit or interpolated
// alpha, when the kind has one, is laid over afterwards.
void decode_color_block(const unsigned char* block, bool dxt1, std::uint32_t texels[16])
{
    const unsigned c0 = block[0] | block[1] << 8, c1 = block[2] | block[3] << 8;
    struct rgb {
        unsigned r, g, b;
    };
    auto expand = [](unsigned c) {
        return rgb{(c >> 11 & 31) * 255 / 31, (c >> 5 & 63) * 255 / 63, (c & 31) * 255 / 31};
    };
    const rgb e0 = expand(c0), e1 = expand(c1);
    rgb colors[4] = {e0, e1, {}, {}};
    unsigned alpha3 = 255;
    if (!dxt1 || c0 > c1) {
        colors[2] = {(2 * e0.r + e1.r) / 3, (2 * e0.g + e1.g) / 3, (2 * e0.b + e1.b) / 3};
        colors[3] = {(e0.r + 2 * e1.r) / 3, (e0.g + 2 * e1.g) / 3, (e0.b + 2 * e1.b) / 3};
    } else {
        colors[2] = {(e0.r + e1.r) / 2, (e0.g + e1.g) / 2, (e0.b + e1.b) / 2};
        colors[3] = colors[2];  // colour 3 keeps colour 2's red, green and blue, transparent
        alpha3 = 0;
    }
    const std::uint32_t indices = load_pixel(block + 4, 4);
    for (int t = 0; t < 16; ++t) {
        const unsigned i = indices >> (2 * t) & 3;
        const unsigned a = i == 3 ? alpha3 : 255;
        texels[t] = a << 24 | colors[i].r << 16 | colors[i].g << 8 | colors[i].b;
    }
}

void lay_alpha(std::uint32_t texels[16], const unsigned a[16])
{
    for (int t = 0; t < 16; ++t) texels[t] = (texels[t] & 0xFFFFFF) | a[t] << 24;
}

}  // namespace

int DecodeDxtImage(IMGBUF* buffer)
{
    if (buffer == nullptr || buffer->format.kind == 0) return 0;
    const unsigned kind = buffer->format.kind;
    const long long size = block_size(buffer->width, buffer->height, 4);
    if (kind > 5 || size < 0 || buffer->pixels == nullptr) return -1;
    // texels past the last whole block stay transparent black
    auto* out = static_cast<unsigned char*>(ManagedCalloc(static_cast<int>(size), "pixfmt.cpp", __LINE__));
    if (out == nullptr) return -1;
    const int block_bytes = kind == 1 ? 8 : 16;
    const auto* in = static_cast<const unsigned char*>(buffer->pixels);
    const int blocks_x = buffer->width / 4, blocks_y = buffer->height / 4;
    for (int by = 0; by < blocks_y; ++by) {
        for (int bx = 0; bx < blocks_x; ++bx, in += block_bytes) {
            std::uint32_t texels[16];
            unsigned alpha[16];
            if (kind == 1) {
                decode_color_block(in, true, texels);
            } else {
                decode_color_block(in + 8, false, texels);
                if (kind <= 3) {
                    for (int t = 0; t < 16; ++t) alpha[t] = (in[t / 2] >> (4 * (t & 1)) & 15) * 255 / 15;
                } else {
                    const unsigned a0 = in[0], a1 = in[1];
                    unsigned values[8] = {a0, a1};
                    if (a0 > a1) {
                        for (int k = 1; k <= 6; ++k) values[k + 1] = ((7 - k) * a0 + k * a1) / 7;
                    } else {
                        for (int k = 1; k <= 4; ++k) values[k + 1] = ((5 - k) * a0 + k * a1) / 5;
                        values[6] = 0;
                        values[7] = 255;
                    }
                    std::uint64_t bits = 0;
                    for (int i = 0; i < 6; ++i) bits |= static_cast<std::uint64_t>(in[2 + i]) << (8 * i);
                    for (int t = 0; t < 16; ++t) alpha[t] = values[bits >> (3 * t) & 7];
                }
                lay_alpha(texels, alpha);
            }
            for (int t = 0; t < 16; ++t) {
                const long x = bx * 4 + t % 4, y = by * 4 + t / 4;
                store_pixel(out + (y * buffer->width + x) * 4, 4, texels[t]);
            }
        }
    }
    ManagedFree(buffer->pixels);
    buffer->pixels = out;
    buffer->pitch = buffer->width * 4;
    InitARGB8Format(&buffer->format);
    // the new block holds one level; a count kept from the blocks would send a
    // walk over the levels past its end
    buffer->mipmaps = 0;
    return 0;
}

int HalfScaleImage(const PIXFMT* f, void* dst, int dst_pitch, const void* src, int src_pitch, int dst_x, int,
                   int src_x, int src_y, int width, int height)
{
    if (f == nullptr || dst == nullptr || src == nullptr) return -1;
    if ((f->color_bits != 16 && f->color_bits != 32) || f->pixel_bytes != f->color_bits / 8) return -1;
    if (width <= 0 || height <= 0 || (width % 2 != 0 && width != 1) || (height % 2 != 0 && height != 1)) return -1;
    const int bytes = f->pixel_bytes;
    const std::uint32_t masks[4] = {f->red_mask, f->green_mask, f->blue_mask, f->alpha_mask};
    const int shifts[4] = {f->red_shift, f->green_shift, f->blue_shift, f->alpha_shift};
    for (int shift : shifts)
        if (shift >= 32) return -1;
    auto* out_base = static_cast<unsigned char*>(dst) + static_cast<long>(dst_x) * bytes;
    const auto* in_base =
        static_cast<const unsigned char*>(src) + static_cast<long>(src_y) * src_pitch + static_cast<long>(src_x) * bytes;
    auto at = [&](int x, int y) { return load_pixel(in_base + static_cast<long>(y) * src_pitch + static_cast<long>(x) * bytes, bytes); };
    // the per-channel average of n pixels (n 1, 2 or 4), unused bits dropped
    auto average = [&](const std::uint32_t* p, int n, int log2n) {
        std::uint32_t out = 0;
        for (int c = 0; c < 4; ++c) {
            std::uint64_t sum = 0;
            for (int i = 0; i < n; ++i) sum += (p[i] & masks[c]) >> shifts[c];
            out |= static_cast<std::uint32_t>((sum >> log2n) << shifts[c]) & masks[c];
        }
        return out;
    };
    const int out_w = width == 1 ? 1 : width / 2, out_h = height == 1 ? 1 : height / 2;
    for (int y = 0; y < out_h; ++y) {
        unsigned char* out = out_base + static_cast<long>(y) * dst_pitch;
        for (int x = 0; x < out_w; ++x, out += bytes) {
            std::uint32_t p[4];
            std::uint32_t value;
            if (width == 1 && height == 1) {
                value = at(0, 0);
            } else if (width == 1) {
                p[0] = at(0, 2 * y);
                p[1] = at(0, 2 * y + 1);
                value = average(p, 2, 1);
            } else if (height == 1) {
                p[0] = at(2 * x, 0);
                p[1] = at(2 * x + 1, 0);
                value = average(p, 2, 1);
            } else {
                p[0] = at(2 * x, 2 * y);
                p[1] = at(2 * x + 1, 2 * y);
                p[2] = at(2 * x, 2 * y + 1);
                p[3] = at(2 * x + 1, 2 * y + 1);
                value = average(p, 4, 2);
            }
            store_pixel(out, bytes, value);
        }
    }
    return 0;
}

int BlitImageBuffer(int src_x, int src_y, int width, int height, int dst_x, int dst_y, IMGBUF* src, IMGBUF* dst)
{
    if (src == nullptr || dst == nullptr) return -1;
    if (DecodeDxtImage(src) < 0 || DecodeDxtImage(dst) < 0) return -1;
    if (!buffer_usable(src) || !buffer_usable(dst)) return -1;
    long long sx = src_x, sy = src_y, dx = dst_x, dy = dst_y, w = width, h = height;
    if (sx < 0) { dx -= sx; w += sx; sx = 0; }
    if (sy < 0) { dy -= sy; h += sy; sy = 0; }
    if (dx < 0) { sx -= dx; w += dx; dx = 0; }
    if (dy < 0) { sy -= dy; h += dy; dy = 0; }
    w = std::min({w, src->width - sx, dst->width - dx});
    h = std::min({h, src->height - sy, dst->height - dy});
    if (w <= 0 || h <= 0) return 0;
    const RECT rect = {static_cast<int>(sx), static_cast<int>(sy), static_cast<int>(sx + w), static_cast<int>(sy + h)};
    const int result = ConvertPixelRect(dst->pixels, dst->pitch, &dst->format, src->pixels, src->pitch, &src->format,
                                        nullptr, 0, nullptr, static_cast<int>(dx), static_cast<int>(dy), &rect, 0, 0,
                                        0, 0, 0, 0, 0, 1);
    return result < 0 ? -1 : 0;
}

int ScaleBlitImageBuffer(int src_left, int src_top, int src_right, int src_bottom, IMGBUF* src, int dst_left,
                         int dst_top, int dst_right, int dst_bottom, IMGBUF* dst, int bilinear)
{
    if (src == nullptr || dst == nullptr) return -1;
    if (DecodeDxtImage(src) < 0 || DecodeDxtImage(dst) < 0 || !buffer_usable(src) || !buffer_usable(dst)) return -1;
    auto inside = [](int l, int t, int r, int b, const IMGBUF* i) {
        return l >= 0 && t >= 0 && l < r && t < b && r <= i->width && b <= i->height;
    };
    if (!inside(src_left, src_top, src_right, src_bottom, src) || !inside(dst_left, dst_top, dst_right, dst_bottom, dst))
        return -1;
    const long long sw = src_right - src_left, sh = src_bottom - src_top;
    const long long dw = dst_right - dst_left, dh = dst_bottom - dst_top;
    if (sw == dw && sh == dh)
        return BlitImageBuffer(src_left, src_top, static_cast<int>(sw), static_cast<int>(sh), dst_left, dst_top, src,
                               dst);
    const long long step_x = sw * 65536 / dw, step_y = sh * 65536 / dh;
    long long y = static_cast<long long>(src_top) << 16;
    for (int oy = dst_top; oy < dst_bottom; ++oy, y += step_y) {
        long long x = static_cast<long long>(src_left) << 16;
        for (int ox = dst_left; ox < dst_right; ++ox, x += step_x) {
            const int px = static_cast<int>(x >> 16), py = static_cast<int>(y >> 16);
            int c[4] = {0, 0, 0, 0};
            if (bilinear != 1) {
                GetImagePixel(src, px, py, &c[0], &c[1], &c[2], &c[3]);
            } else {
                // a second sample past the right or bottom edge takes the last column or row
                const int px1 = std::min(px + 1, src->width - 1), py1 = std::min(py + 1, src->height - 1);
                const long long fx = x & 0xFFFF, fy = y & 0xFFFF;
                const long long weight[4] = {(0xFFFF - fx) * (0xFFFF - fy) >> 16, fx * (0xFFFF - fy) >> 16,
                                             (0xFFFF - fx) * fy >> 16, fx * fy >> 16};
                const int sx[4] = {px, px1, px, px1}, sy[4] = {py, py, py1, py1};
                long long sum[4] = {0, 0, 0, 0};
                for (int k = 0; k < 4; ++k) {
                    int s[4] = {0, 0, 0, 0};
                    GetImagePixel(src, sx[k], sy[k], &s[0], &s[1], &s[2], &s[3]);
                    for (int ch = 0; ch < 4; ++ch) sum[ch] += s[ch] * weight[k];
                }
                for (int ch = 0; ch < 4; ++ch) c[ch] = static_cast<int>(sum[ch] >> 16);
            }
            SetImagePixel(dst, ox, oy, c[0], c[1], c[2], c[3]);
        }
    }
    return 0;
}

int ImageToDib(IMGBUF* buffer, DIBINFO* info, void** bits, int copy, int)
{
    if (!buffer_usable(buffer) || info == nullptr || bits == nullptr || buffer->format.kind != 0) return -1;
    const PIXFMT& f = buffer->format;
    const bool eight = f.color_bits == 8;
    const long long row = ((eight ? 1LL : 3LL) * buffer->width + 3) / 4 * 4;
    const long long size = block_size(row, buffer->height, 1);
    if (size < 0) return -1;
    std::memset(info, 0, sizeof *info);
    info->header.size = 40;
    info->header.width = buffer->width;
    info->header.height = -buffer->height;
    info->header.planes = 1;
    info->header.bit_count = eight ? 8 : 24;
    info->header.image_size = static_cast<std::uint32_t>(size);
    if (eight) std::memcpy(info->colors, f.palette, sizeof info->colors);
    const bool full_color = f.color_bits == 24 && f.red_mask == 0xFF0000 && f.green_mask == 0xFF00 && f.blue_mask == 0xFF;
    if ((eight || full_color) && buffer->pitch == row && copy != 1) {
        *bits = buffer->pixels;
        return 0;
    }
    auto* out = static_cast<unsigned char*>(ManagedAlloc(static_cast<int>(size), "pixfmt.cpp", __LINE__));
    if (out == nullptr) return -1;
    if (eight || full_color) {
        for (int y = 0; y < buffer->height; ++y)
            std::memcpy(out + y * row, pixel_at(buffer, 0, y), static_cast<std::size_t>(buffer->width) * (eight ? 1 : 3));
    } else {
        PIXFMT full{};
        InitFullColorFormat(&full);
        const RECT rect = {0, 0, buffer->width, buffer->height};
        if (ConvertPixelRect(out, static_cast<int>(row), &full, buffer->pixels, buffer->pitch, &f, nullptr, 0, nullptr,
                             0, 0, &rect, 0, 0, 0, 0, 0, 0, 0, 0) < 0) {
            ManagedFree(out);
            return -1;
        }
    }
    *bits = out;
    return 1;
}

// ---- soft images ----

int DeleteSoftImageHandle(MEDIA_HANDLE handle)
{
    SOFTIMAGE* record = media::gfx::soft_images.remove(handle);
    if (record == nullptr) return -1;
    ReleaseImageBuffer(&record->image);
    ManagedFree(record);
    return 0;
}

int DeleteAllSoftImages()
{
    auto& table = media::gfx::soft_images;
    for (int slot = table.high_water() - 1; slot >= 0; --slot) {
        const MEDIA_HANDLE handle = table.handle_at(slot);
        if (handle != -1) DeleteSoftImageHandle(handle);
    }
    return 0;
}

int TerminateSoftImages() { return DeleteAllSoftImages(); }
