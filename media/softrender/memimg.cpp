// Memory images: create, view, release, fill, copy and transfer, with the run
// table and the premultiplied copy.
#include "media/softrender/memimg.hpp"

#include <algorithm>
#include <climits>
#include <cstring>

#include "media/core/alloc.hpp"
#include "media/core/memory.hpp"
#include "media/graphics/convert.hpp"
#include "media/softrender/internal.hpp"

namespace {

// The largest block the allocator hands out.
constexpr long long max_block = INT_MAX - static_cast<long long>(ALLOC_HEADER_SIZE);

int bytes_per_pixel(int format_index, bool paletted, bool alpha)
{
    if (paletted) return 1;
    switch (format_index) {
    case 0: return alpha ? 4 : 2;
    case 1: return 4;
    case 2: return 1;
    default: return 2;
    }
}

// n when pitch = 2^n and 2^n is the smallest power of two not below row.
int pitch_shift(long long pitch, long long row)
{
    long long power = 1;
    int n = 0;
    while (power < row) power <<= 1, ++n;
    return power == pitch ? n : -1;
}

PIXFMT one_channel_format(int depth)
{
    PIXFMT f{};
    const std::uint32_t mask = depth == 8 ? 0xFF : 0xFFFF;
    f.color_bits = static_cast<std::uint16_t>(depth);
    f.pixel_bytes = static_cast<std::uint16_t>(depth / 8);
    f.red_width = f.green_width = f.blue_width = f.alpha_width = static_cast<std::uint8_t>(depth);
    f.red_mask = f.green_mask = f.blue_mask = f.alpha_mask = mask;
    return f;
}

PIXFMT masks_format(int depth, std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a)
{
    PIXFMT f{};
    InitFormatFromMasks(&f, depth, r, g, b, a);
    return f;
}

void free_blocks(MEMIMG_BASE* base)
{
    if (base->caller_buffer == 0) ManagedFree(base->pixel_block);
    ManagedFree(base->premultiplied);
    ManagedFree(base->runs);
    ManagedFree(base->palette);
    ManagedFree(base);
}

bool live(const MEMIMG* image) { return image != nullptr && image->valid == MEMIMG_VALID && image->base != nullptr; }

}  // namespace

const PIXFMT* GetMemImgPixelFormat(int format_index, int alpha, int paletted)
{
    // built on first use and shared by every image of the combination
    static const PIXFMT formats[8] = {
        masks_format(16, 0xF800, 0x07E0, 0x001F, 0),
        masks_format(8, 0xF800, 0x07E0, 0x001F, 0),
        masks_format(32, 0xF800, 0x07E0, 0x001F, 0xFF0000),
        masks_format(32, 0xFF0000, 0xFF00, 0xFF, 0),
        masks_format(8, 0xFF0000, 0xFF00, 0xFF, 0),
        masks_format(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000),
        one_channel_format(8),
        one_channel_format(16),
    };
    switch (format_index) {
    case 0:
    case 1: return &formats[format_index * 3 + (paletted ? 1 : alpha ? 2 : 0)];
    case 2: return &formats[6];
    case 3: return &formats[7];
    default: return nullptr;
    }
}

int CreateMemImg(MEMIMG* image, int width, int height, int pitch, std::uint32_t transparent, int format_index,
                 int paletted, int alpha, int extras, void* caller_pixels)
{
    if (image == nullptr || image->valid == MEMIMG_VALID) return -1;
    if (format_index < 0 || format_index > 3) return -1;
    if (format_index >= 2) paletted = alpha = 0;
    if (paletted) alpha = 0;
    const int bytes = bytes_per_pixel(format_index, paletted != 0, alpha != 0);
    // every size in 64 bits and checked before any block is asked for: a
    // product that wrapped in 32 bits would leave a small block that the
    // loaders and blits then overrun
    if (width <= 0 || height <= 0) return -1;
    const long long row = static_cast<long long>(bytes) * width;
    const long long used_pitch = pitch == -1 ? (row + 15) / 16 * 16 : pitch;
    if (used_pitch < row) return -1;
    const long long pixel_size = used_pitch * height;
    const long long run_size = (static_cast<long long>(width) + 5) * height;
    if (used_pitch > INT_MAX || pixel_size > max_block || run_size > max_block) return -1;

    auto* base = static_cast<MEMIMG_BASE*>(ManagedCalloc(sizeof(MEMIMG_BASE), "memimg.cpp", __LINE__));
    if (base == nullptr) return -1;
    base->ref_count = 1;
    base->width = width;
    base->height = height;
    base->transparent = transparent;
    base->format_index = format_index;
    base->paletted = paletted != 0;
    base->alpha = alpha != 0;
    base->pitch = static_cast<int>(used_pitch);
    base->pitch_shift = pitch_shift(used_pitch, pitch == -1 ? row : used_pitch);
    base->format = GetMemImgPixelFormat(format_index, base->alpha, base->paletted);
    bool failed = false;
    if (base->paletted) {
        base->palette = ManagedCalloc(2048, "memimg.cpp", __LINE__);
        failed = base->palette == nullptr;
        if (!failed) base->palette_copy = static_cast<unsigned char*>(base->palette) + 1024;
    }
    if (!failed) {
        if (caller_pixels != nullptr) {
            base->pixel_block = caller_pixels;
            base->caller_buffer = 1;
        } else {
            base->pixel_block = ManagedAlloc(static_cast<int>(pixel_size), "memimg.cpp", __LINE__);
            failed = base->pixel_block == nullptr;
        }
    }
    if (!failed && extras != 0) {
        if (base->alpha) {
            base->premultiplied = ManagedAlloc(static_cast<int>(pixel_size), "memimg.cpp", __LINE__);
            failed = base->premultiplied == nullptr;
        }
        if (!failed && format_index != 2) {
            base->runs = static_cast<unsigned char*>(ManagedAlloc(static_cast<int>(run_size), "memimg.cpp", __LINE__));
            failed = base->runs == nullptr;
        }
    }
    if (failed) {
        // the blocks already obtained go back
        free_blocks(base);
        return -1;
    }
    image->valid = MEMIMG_VALID;
    image->width = width;
    image->height = height;
    image->pixels = base->pixel_block;
    image->premultiplied = base->premultiplied;
    image->base = base;
    return 0;
}

void MakeSubMemImg(MEMIMG* view, MEMIMG* parent, int x, int y, int width, int height)
{
    if (view == nullptr || !live(parent)) return;
    // a negative size is outside like any other rectangle: the blits would
    // otherwise read before the view
    if (x < 0 || y < 0 || width < 0 || height < 0 || static_cast<long long>(x) + width > parent->width ||
        static_cast<long long>(y) + height > parent->height)
        return;
    MEMIMG_BASE* base = parent->base;
    const long offset = static_cast<long>(y) * base->pitch + static_cast<long>(x) * base->format->pixel_bytes;
    view->valid = MEMIMG_VALID;
    view->width = width;
    view->height = height;
    view->pixels = static_cast<unsigned char*>(parent->pixels) + offset;
    view->premultiplied =
        base->premultiplied != nullptr ? static_cast<unsigned char*>(parent->premultiplied) + offset : nullptr;
    view->base = base;
    ++base->ref_count;
}

void ReleaseMemImg(MEMIMG* image)
{
    if (image == nullptr || image->valid != MEMIMG_VALID) return;
    MEMIMG_BASE* base = image->base;
    if (base != nullptr && --base->ref_count == 0) free_blocks(base);
    image->base = nullptr;
    image->valid = 0;
}

int IsMemImgValid(const MEMIMG* image) { return live(image) ? 1 : 0; }

void FillMemImgRect(MEMIMG* image, const RECT* rect, std::uint32_t value)
{
    if (!live(image)) return;
    RECT r = rect != nullptr ? *rect : RECT{0, 0, image->width, image->height};
    if (r.left > r.right) std::swap(r.left, r.right);
    if (r.top > r.bottom) std::swap(r.top, r.bottom);
    const RECT whole = {0, 0, image->width, image->height};
    ClipRectToRect(&r, &whole);
    const int bytes = image->base->format->pixel_bytes;
    const long count = r.right - r.left;
    if (count <= 0) return;
    for (int y = r.top; y < r.bottom; ++y) {
        unsigned char* p =
            static_cast<unsigned char*>(image->pixels) + static_cast<long>(y) * image->base->pitch + r.left * bytes;
        // the pixel size is chosen once per row, so each run is a plain loop the compiler widens
        switch (bytes) {
        case 1: std::memset(p, static_cast<unsigned char>(value), static_cast<std::size_t>(count)); break;
        case 2: {
            const auto v = static_cast<std::uint16_t>(value);
            for (long x = 0; x < count; ++x) std::memcpy(p + x * 2, &v, 2);
            break;
        }
        case 3:
            for (long x = 0; x < count; ++x) std::memcpy(p + x * 3, &value, 3);
            break;
        default:
            for (long x = 0; x < count; ++x) std::memcpy(p + x * 4, &value, 4);
            break;
        }
    }
}

int CopyMemImgRect(MEMIMG* dst, MEMIMG* src, const RECT* rect, int x, int y)
{
    if (!live(dst) || !live(src)) return -1;
    RECT r = rect != nullptr ? *rect : RECT{0, 0, src->width, src->height};
    // cut to the source, then to the destination at (x, y), moving the
    // position with the cut edges
    long long left = r.left, top = r.top, right = r.right, bottom = r.bottom, dx = x, dy = y;
    if (left < 0) dx -= left, left = 0;
    if (top < 0) dy -= top, top = 0;
    if (dx < 0) left -= dx, dx = 0;
    if (dy < 0) top -= dy, dy = 0;
    right = std::min({right, static_cast<long long>(src->width), left + dst->width - dx});
    bottom = std::min({bottom, static_cast<long long>(src->height), top + dst->height - dy});
    if (right <= left || bottom <= top) return -1;
    r = {static_cast<int>(left), static_cast<int>(top), static_cast<int>(right), static_cast<int>(bottom)};
    return ConvertPixelRect(dst->pixels, dst->base->pitch, dst->base->format, src->pixels, src->base->pitch,
                            src->base->format, nullptr, 0, nullptr, static_cast<int>(dx), static_cast<int>(dy), &r, 0, 0,
                            0, 0, 0, 0, 0, 0);
}

namespace {

bool inside(long long x, long long y, long long w, long long h, long long width, long long height)
{
    return x >= 0 && y >= 0 && w > 0 && h > 0 && x + w <= width && y + h <= height;
}

}  // namespace

int TransferBaseImageToMemImg(const IMGBUF* src, const IMGBUF* alpha, MEMIMG* dst, int src_x, int src_y, int width,
                              int height, int dst_x, int dst_y, int transparent_option)
{
    if (src == nullptr || src->pixels == nullptr || !live(dst)) return -1;
    // sizes come from files: the rectangle must lie inside every image it touches
    if (!inside(src_x, src_y, width, height, src->width, src->height) ||
        !inside(dst_x, dst_y, width, height, dst->width, dst->height))
        return -1;
    if (alpha != nullptr && (alpha->pixels == nullptr || !inside(src_x, src_y, width, height, alpha->width, alpha->height)))
        return -1;
    MEMIMG_BASE* base = dst->base;
    const RECT rect = {src_x, src_y, src_x + width, src_y + height};
    if (base->format_index >= 2) {
        // one channel: the source's red is the written value
        ConvertPixelRect(dst->pixels, base->pitch, base->format, src->pixels, src->pitch, &src->format, nullptr, 0,
                         nullptr, dst_x, dst_y, &rect, 0, 0, 0, 0, 1, 1, 0, 0);
    } else {
        const int result =
            ConvertPixelRect(dst->pixels, base->pitch, base->format, src->pixels, src->pitch, &src->format,
                             alpha != nullptr ? alpha->pixels : nullptr, alpha != nullptr ? alpha->pitch : 0,
                             alpha != nullptr ? &alpha->format : nullptr, dst_x, dst_y, &rect, 0, transparent_option,
                             base->transparent, 0, 0, 0, 0, 0);
        if (result < 0) return result;
        if (alpha == nullptr && base->paletted) base->palette_count = result + 1;
        if (base->paletted) {
            const COLORENTRY* entries = src->format.palette;
            if (base->format_index == 1) {
                auto* out = static_cast<std::uint32_t*>(base->palette);
                for (int i = 0; i < 256; ++i)
                    out[i] = entries[i].blue | entries[i].green << 8 | static_cast<std::uint32_t>(entries[i].red) << 16;
                MemCopy(base->palette_copy, base->palette, 1024);
            } else {
                auto* out = static_cast<std::uint16_t*>(base->palette);
                for (int i = 0; i < 256; ++i)
                    out[i] = static_cast<std::uint16_t>((entries[i].red >> 3) << 11 | (entries[i].green >> 2) << 5 |
                                                        entries[i].blue >> 3);
                MemCopy(base->palette_copy, base->palette, 512);
            }
        }
    }
    base->premultiplied_valid = 0;
    base->runs_valid = 0;
    if (width == base->width && height == base->height && base->format_index <= 1 && base->runs != nullptr) {
        base->runs_valid = 1;
        if (base->alpha && base->premultiplied != nullptr) {
            base->premultiplied_valid = 1;
            media::soft::build_premultiplied(base);
        }
        media::soft::build_run_table(base);
    }
    return 0;
}

namespace media::soft {

void build_run_table(MEMIMG_BASE* base)
{
    if (base->runs == nullptr || base->format_index > 1) return;
    const int bytes = base->format->pixel_bytes;
    unsigned char* out = base->runs;
    for (int y = 0; y < base->height; ++y) {
        const unsigned char* p = static_cast<const unsigned char*>(base->pixel_block) + static_cast<long>(y) * base->pitch;
        auto kind = [&](int x) -> int {
            const unsigned char* px = p + x * bytes;
            if (base->paletted) return *px == base->transparent ? 0 : 1;
            if (base->alpha) {
                const int a = px[base->format_index == 1 ? 3 : 2];
                return a == 0 ? 0 : a == 255 ? 1 : 2;
            }
            std::uint32_t v = 0;
            std::memcpy(&v, px, static_cast<std::size_t>(bytes));
            return v == base->transparent ? 0 : 1;
        };
        int x = 0;
        while (x < base->width) {
            const int k = kind(x);
            int length = 1;
            while (length < 64 && x + length < base->width && kind(x + length) == k) ++length;
            *out++ = static_cast<unsigned char>(k << 6 | (length - 1));
            x += length;
        }
        *out++ = 0xC0;
    }
}

void build_premultiplied(MEMIMG_BASE* base)
{
    if (base->premultiplied == nullptr || !base->alpha) return;
    for (int y = 0; y < base->height; ++y) {
        const long row = static_cast<long>(y) * base->pitch;
        const unsigned char* in = static_cast<const unsigned char*>(base->pixel_block) + row;
        unsigned char* out = static_cast<unsigned char*>(base->premultiplied) + row;
        for (int x = 0; x < base->width; ++x, in += 4, out += 4) {
            if (base->format_index == 1) {
                const unsigned a = in[3];
                for (int c = 0; c < 3; ++c) out[c] = static_cast<unsigned char>(in[c] * a >> 8);
                out[3] = in[3];
            } else {
                const unsigned a = in[2];
                const unsigned word = in[0] | in[1] << 8;
                const unsigned r = ((word >> 11) * a >> 8) << 11, g = ((word >> 5 & 63) * a >> 8) << 5,
                               b = (word & 31) * a >> 8;
                const unsigned premultiplied = r | g | b;
                out[0] = static_cast<unsigned char>(premultiplied);
                out[1] = static_cast<unsigned char>(premultiplied >> 8);
                out[2] = in[2];
                out[3] = 0;
            }
        }
    }
}

}  // namespace media::soft
