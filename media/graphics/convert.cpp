// Pixel rectangle conversion: the case order and the general per-pixel rule.
#include "media/graphics/convert.hpp"

#include <cstdlib>
#include <cstring>

#include "media/graphics/convert_loops.hpp"
#include "media/graphics/internal.hpp"

using media::gfx::load_pixel;
using media::gfx::store_pixel;

namespace media::gfx {

void force_general_convert(int on)
{
    convert_state.force_general = on != 0;
    convert_state.env_read = 1;
}

}  // namespace media::gfx

namespace {

using media::gfx::convert_state;

struct channel {
    std::uint32_t mask;
    int shift, width;
    std::uint32_t raw(std::uint32_t pixel) const { return (pixel & mask) >> shift; }
};

channel red_of(const PIXFMT& f) { return {f.red_mask, f.red_shift, f.red_width}; }
channel green_of(const PIXFMT& f) { return {f.green_mask, f.green_shift, f.green_width}; }
channel blue_of(const PIXFMT& f) { return {f.blue_mask, f.blue_shift, f.blue_width}; }
channel alpha_of(const PIXFMT& f) { return {f.alpha_mask, f.alpha_shift, f.alpha_width}; }

std::uint64_t top(int width) { return (1ull << width) - 1; }

// A raw field brought from the source width to the destination width; a
// field of width 0 reads as 0 (there is nothing to scale).
std::uint64_t adapt(std::uint64_t value, int from, int to)
{
    if (from == 0) return 0;
    const int d = from - to;
    if (d > 0) return value >> d;
    if (d == 0) return value;
    return (value << -d) + value * top(-d) / top(from);
}

// A channel value 0..255 packed at a field width, as PackColor does.
std::uint32_t pack_channel(std::uint32_t v, int width)
{
    if (width == 0) return 0;
    if (width <= 8) return v >> (8 - width);
    return static_cast<std::uint32_t>(v * top(width) / 255);
}

// The value a source pixel stands for: its bytes, or for a paletted pixel
// the palette entry as 0x00RRGGBB.
std::uint32_t read_source(const PIXFMT& f, const unsigned char* p)
{
    if (f.pixel_bytes == 1 && media::gfx::is_paletted(f)) {
        const COLORENTRY& e = f.palette[*p];
        return static_cast<std::uint32_t>(e.red) << 16 | e.green << 8 | e.blue;
    }
    return load_pixel(p, f.pixel_bytes);
}

const int bayer[16] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};

struct request {
    unsigned char* dst;
    long dst_pitch;
    const PIXFMT* df;
    const unsigned char* src;  // the rectangle's first pixel
    long src_pitch;
    const PIXFMT* sf;
    const unsigned char* alpha;  // the alpha image's pixel under the rectangle's first, or null
    long alpha_pitch;
    const PIXFMT* af;
    int dst_x, dst_y, width, height;
    bool mirror, transparent_to_alpha, colorless, blend_image, skip, alpha_from_image;
    std::uint32_t transparent, skip_value;
    int dither;
};

unsigned char* dst_pixel(const request& r, int col, int row)
{
    const int x = r.mirror ? r.width - 1 - col : col;
    return r.dst + (r.dst_y + row) * r.dst_pitch + static_cast<long>(r.dst_x + x) * r.df->pixel_bytes;
}

// The general rule, pixel by pixel.
void convert_general(const request& r)
{
    const PIXFMT& sf = *r.sf;
    const PIXFMT& df = *r.df;
    const channel s[4] = {red_of(sf), green_of(sf), blue_of(sf), alpha_of(sf)};
    const channel d[4] = {red_of(df), green_of(df), blue_of(df), alpha_of(df)};
    const channel image_red = r.af != nullptr ? red_of(*r.af) : channel{};
    const bool src_alpha = sf.alpha_width != 0;
    // the transparent colour's red, green and blue fields in the source format
    const std::uint32_t key[3] = {pack_channel(r.transparent >> 16 & 0xFF, sf.red_width),
                                  pack_channel(r.transparent >> 8 & 0xFF, sf.green_width),
                                  pack_channel(r.transparent & 0xFF, sf.blue_width)};
    std::uint64_t remainder[4] = {0, 0, 0, 0};  // carried dither error, kept over the whole copy
    for (int row = 0; row < r.height; ++row) {
        const unsigned char* in = r.src + row * r.src_pitch;
        for (int col = 0; col < r.width; ++col, in += sf.pixel_bytes) {
            const std::uint32_t pixel = read_source(sf, in);
            if (r.skip && load_pixel(in, sf.pixel_bytes) == r.skip_value) continue;
            std::uint64_t raw[4], value[4];
            for (int c = 0; c < 4; ++c) raw[c] = s[c].raw(pixel);
            for (int c = 0; c < 3; ++c) value[c] = r.colorless ? 0 : adapt(raw[c], s[c].width, d[c].width);
            int alpha_from = s[3].width;  // the width the alpha value had before it was adapted
            if (r.alpha_from_image) {
                const unsigned char* a = r.alpha + row * r.alpha_pitch + static_cast<long>(col) * r.af->pixel_bytes;
                raw[3] = image_red.raw(read_source(*r.af, a));
                alpha_from = image_red.width;
                value[3] = adapt(raw[3], image_red.width, d[3].width);
            } else if (r.transparent_to_alpha) {
                const bool transparent = raw[0] == key[0] && raw[1] == key[1] && raw[2] == key[2];
                value[3] = transparent ? 0 : top(d[3].width);
                alpha_from = 0;
            } else if (!src_alpha) {
                value[3] = top(d[3].width);
                alpha_from = 0;
            } else {
                value[3] = d[3].width == 0 ? 0 : adapt(raw[3], s[3].width, d[3].width);
            }
            if (r.blend_image) {
                value[3] = raw[0];
                alpha_from = 0;
            }
            const int x = r.dst_x + (r.mirror ? r.width - 1 - col : col), y = r.dst_y + row;
            std::uint32_t out = 0;
            for (int c = 0; c < 4; ++c) {
                const int from = c < 3 ? (r.colorless ? 0 : s[c].width) : alpha_from;
                const int lost = from - d[c].width;  // bits the narrowing dropped
                if (r.dither != 0 && lost > 0 && lost < 64) {
                    const std::uint64_t source = c < 3 ? raw[c] : raw[3];
                    const std::uint64_t dropped = source & top(lost);
                    if (r.dither == 1) {
                        const std::uint64_t threshold = (static_cast<std::uint64_t>(bayer[(x & 3) + 4 * (y & 3)]) << lost) >> 4;
                        if (dropped > threshold) ++value[c];
                    } else if (r.dither == 2) {
                        remainder[c] += dropped;
                        if (remainder[c] > top(lost)) {
                            remainder[c] -= top(lost) + 1;
                            ++value[c];
                        }
                    }
                }
                if (value[c] > top(d[c].width)) value[c] = top(d[c].width);
                if (d[c].width != 0) out |= static_cast<std::uint32_t>(value[c] << d[c].shift) & d[c].mask;
            }
            if (df.pixel_bytes == 2 || df.pixel_bytes == 4) out |= df.unused_mask;
            store_pixel(dst_pixel(r, col, row), df.pixel_bytes, out);
        }
    }
}

bool same_masks(const PIXFMT& a, const PIXFMT& b)
{
    return a.red_mask == b.red_mask && a.green_mask == b.green_mask && a.blue_mask == b.blue_mask;
}

bool general_forced()
{
    if (!convert_state.env_read) {
        const char* value = std::getenv("ZENTIL_GENERAL_CONVERT");
        convert_state.force_general = value != nullptr && std::strcmp(value, "1") == 0;
        convert_state.env_read = 1;
    }
    return convert_state.force_general != 0;
}

}  // namespace

int ConvertPixelRect(void* dst, int dst_pitch, const PIXFMT* dst_format, const void* src, int src_pitch,
                     const PIXFMT* src_format, const void* alpha, int alpha_pitch, const PIXFMT* alpha_format,
                     int dst_x, int dst_y, const RECT* src_rect, int mirror, int transparent_to_alpha,
                     std::uint32_t transparent_color, int dither, int colorless, int blend_image,
                     int skip_transparent, int palette_remap)
{
    using media::gfx::is_paletted;
    using media::gfx::is_plain_format;
    if (dst == nullptr || src == nullptr || dst_format == nullptr || src_format == nullptr || src_rect == nullptr)
        return -1;
    if (!is_plain_format(*dst_format) || !is_plain_format(*src_format)) return -1;
    if (alpha != nullptr && (alpha_format == nullptr || !is_plain_format(*alpha_format))) return -1;
    const long long width = static_cast<long long>(src_rect->right) - src_rect->left;
    const long long height = static_cast<long long>(src_rect->bottom) - src_rect->top;
    if (width <= 0 || height <= 0) return -1;

    const PIXFMT& sf = *src_format;
    const PIXFMT& df = *dst_format;
    request r{};
    r.dst = static_cast<unsigned char*>(dst);
    r.dst_pitch = dst_pitch;
    r.df = dst_format;
    r.src = static_cast<const unsigned char*>(src) + static_cast<long>(src_rect->top) * src_pitch +
            static_cast<long>(src_rect->left) * sf.pixel_bytes;
    r.src_pitch = src_pitch;
    r.sf = src_format;
    r.dst_x = dst_x;
    r.dst_y = dst_y;
    r.width = static_cast<int>(width);
    r.height = static_cast<int>(height);
    r.dither = dither;
    r.transparent = transparent_color;

    const bool dst_alpha = df.alpha_width != 0, src_alpha = sf.alpha_width != 0, image = alpha != nullptr;
    const bool copy_alpha = dst_alpha && (image || src_alpha);
    r.alpha_from_image = dst_alpha && image && !src_alpha;
    if (r.alpha_from_image) {
        r.alpha = static_cast<const unsigned char*>(alpha) + static_cast<long>(src_rect->top) * alpha_pitch +
                  static_cast<long>(src_rect->left) * alpha_format->pixel_bytes;
        r.alpha_pitch = alpha_pitch;
        r.af = alpha_format;
    }
    r.transparent_to_alpha = transparent_to_alpha != 0 && !copy_alpha && dst_alpha && blend_image == 0;
    r.mirror = mirror != 0;
    r.skip = skip_transparent != 0 && !r.mirror;
    r.colorless = colorless != 0;
    r.blend_image = blend_image != 0;
    if (r.transparent_to_alpha) {
        r.skip_value = transparent_color;
    } else {
        const int depth = sf.color_bits >= 24 ? 24 : sf.color_bits;
        r.skip_value = transparent_color & static_cast<std::uint32_t>(top(depth));
    }
    const int sb = sf.pixel_bytes, db = df.pixel_bytes;

    // 1. palette remap between differing palettes: each index to the nearest
    // destination entry
    if (palette_remap != 0 && sb == 1 && db == 1 && std::memcmp(sf.palette, df.palette, sizeof sf.palette) != 0) {
        for (int row = 0; row < r.height; ++row)
            for (int col = 0; col < r.width; ++col) {
                const COLORENTRY& e = sf.palette[r.src[row * r.src_pitch + col]];
                r.dst[(dst_y + row) * r.dst_pitch + dst_x + col] =
                    static_cast<unsigned char>(PackColor(dst_format, e.red, e.green, e.blue, 0));
            }
        return 0;
    }

    // 2. into a paletted destination
    if (df.color_bits == 8 && is_paletted(df)) {
        if (sb > 1) {
            const channel s[4] = {red_of(sf), green_of(sf), blue_of(sf), alpha_of(sf)};
            for (int row = 0; row < r.height; ++row)
                for (int col = 0; col < r.width; ++col) {
                    const std::uint32_t pixel = load_pixel(r.src + row * r.src_pitch + col * sb, sb);
                    // the raw field values, not scaled to 8 bits
                    r.dst[(dst_y + row) * r.dst_pitch + dst_x + col] = static_cast<unsigned char>(
                        PackColor(dst_format, static_cast<int>(s[0].raw(pixel)), static_cast<int>(s[1].raw(pixel)),
                                  static_cast<int>(s[2].raw(pixel)), static_cast<int>(s[3].raw(pixel))));
                }
            return 0;
        }
        if (!r.colorless && !r.skip) {
            int highest = 0;
            for (int row = 0; row < r.height; ++row)
                for (int col = 0; col < r.width; ++col) {
                    const unsigned char index = r.src[row * r.src_pitch + col];
                    if (index > highest) highest = index;
                    r.dst[(dst_y + row) * r.dst_pitch + dst_x + col] = index;
                }
            return highest;
        }
    }

    // 3. the same format: rows as they are
    if (!r.transparent_to_alpha && !r.alpha_from_image && !r.colorless && !r.blend_image &&
        sf.color_bits == df.color_bits && same_masks(sf, df) && sf.alpha_mask == df.alpha_mask) {
        for (int row = 0; row < r.height; ++row) {
            const unsigned char* in = r.src + row * r.src_pitch;
            if (!r.mirror && !r.skip) {
                std::memcpy(dst_pixel(r, 0, row), in, static_cast<std::size_t>(r.width) * db);
                continue;
            }
            for (int col = 0; col < r.width; ++col, in += sb) {
                if (r.skip && load_pixel(in, sb) == r.skip_value) continue;
                std::memcpy(dst_pixel(r, col, row), in, static_cast<std::size_t>(sb));
            }
        }
        return 0;
    }

    // 4. the transparent colour into alpha between formats of the same colour
    // layout: one comparison per pixel with every bit outside the colour set
    if (r.transparent_to_alpha && !r.colorless && sf.color_bits == df.color_bits && same_masks(sf, df)) {
        const std::uint32_t key = PackColor(dst_format, transparent_color >> 16 & 0xFF, transparent_color >> 8 & 0xFF,
                                            transparent_color & 0xFF, 255);
        const std::uint32_t outside =
            static_cast<std::uint32_t>(top(sf.color_bits)) & ~(sf.red_mask | sf.green_mask | sf.blue_mask);
        for (int row = 0; row < r.height; ++row) {
            const unsigned char* in = r.src + row * r.src_pitch;
            for (int col = 0; col < r.width; ++col, in += sb) {
                const std::uint32_t raw = load_pixel(in, sb);
                if (r.skip && raw == r.skip_value) continue;
                const std::uint32_t pixel = raw | outside;
                store_pixel(dst_pixel(r, col, row), db, pixel == key ? pixel & ~df.alpha_mask : pixel | df.alpha_mask);
            }
        }
        return 0;
    }

    // 5. a specialised loop for a common pair without options
    if (!r.mirror && !image && dither == 0 && !r.transparent_to_alpha && !r.colorless && !r.blend_image && !r.skip &&
        !general_forced()) {
        if (const media::gfx::convert_loop loop = media::gfx::find_convert_loop(sf, df)) {
            loop(r.dst + dst_y * r.dst_pitch + static_cast<long>(dst_x) * db, r.dst_pitch, r.src, r.src_pitch, sf,
                 r.width, r.height);
            return 0;
        }
    }

    // the same with the transparent colour into alpha
    if (!r.mirror && !image && dither == 0 && r.transparent_to_alpha && !r.colorless && !r.blend_image && !r.skip &&
        !general_forced()) {
        std::uint32_t key = 0;
        if (const media::gfx::keyed_convert_loop loop = media::gfx::find_keyed_convert_loop(sf, df, transparent_color, key)) {
            loop(r.dst + dst_y * r.dst_pitch + static_cast<long>(dst_x) * db, r.dst_pitch, r.src, r.src_pitch, sf,
                 r.width, r.height, key);
            return 0;
        }
    }

    // 6. the general rule
    convert_general(r);
    return 0;
}
