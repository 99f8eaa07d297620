// YUV to RGB for the movie decoder: the fixed-point tables, the per-pixel
// conversions of a decoded frame, and the copies into YUV surface layouts.
#include "media/sound/yuv.hpp"

#include <algorithm>
#include <cstring>

#include "media/sound/internal.hpp"

using media::snd::yuv_tables;

int BuildYuvToRgbTables()
{
    for (int i = media::snd::YUV_CLAMP_LOW; i <= media::snd::YUV_CLAMP_HIGH; ++i)
        yuv_tables.clamp[i - media::snd::YUV_CLAMP_LOW] = static_cast<std::uint8_t>(std::clamp(i, 0, 255));
    // each table starts at its index-0 value and steps by its coefficient
    std::int32_t y = -305120, cr_r = -3346944, cr_g = 1704960, cb_b = -4231936, cb_g = 819968;
    for (int i = 0; i < 256; ++i) {
        yuv_tables.y[i] = y;
        yuv_tables.cr_r[i] = cr_r;
        yuv_tables.cr_g[i] = cr_g;
        yuv_tables.cb_b[i] = cb_b;
        yuv_tables.cb_g[i] = cb_g;
        y += 19070;
        cr_r += 26148;
        cr_g += -13320;
        cb_b += 33062;
        cb_g += -6406;
    }
    return 0;
}

namespace media::snd {

namespace {

// The sums stay within the clamp table for every input.
inline std::uint8_t clamp_fixed(std::int32_t sum)
{
    return yuv_tables.clamp[sum / 16384 - YUV_CLAMP_LOW];
}

// One pixel by the table rule with its block's chroma terms.
inline void put_table_pixel(std::uint8_t* out, int luma, std::int32_t r, std::int32_t g, std::int32_t b)
{
    const std::int32_t l = yuv_tables.y[luma];
    out[0] = clamp_fixed(l + b);
    out[1] = clamp_fixed(l + g);
    out[2] = clamp_fixed(l + r);
    out[3] = 255;
}

inline std::uint8_t clamp_float(float value)
{
    // truncation toward zero first, then the clamp, as the integer rule does
    const int v = static_cast<int>(std::clamp(value, -1024.0f, 1024.0f));
    return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

bool is_half_chroma(const THEORA_FRAMESLOT& slot)
{
    return slot.c_width * 2 == slot.y_width && slot.c_height * 2 == slot.y_height;
}

// Rows of the image's pixels, covering what both the image and the planes hold.
struct target_area {
    int width, height;
};

target_area area_of(const THEORA_FRAMESLOT& slot, const IMGBUF* image)
{
    if (!image->pixels || !slot.y || !slot.u || !slot.v)
        return {0, 0};
    return {std::max(0, std::min(image->width, slot.y_width)), std::max(0, std::min(image->height, slot.y_height))};
}

void convert_table(const THEORA_FRAMESLOT& slot, IMGBUF* image)
{
    const target_area area = area_of(slot, image);
    auto* pixels = static_cast<std::uint8_t*>(image->pixels);
    for (int row = 0; row < area.height; row += 2) {
        const bool pair = row + 1 < area.height;
        const std::uint8_t* y0 = slot.y + static_cast<std::ptrdiff_t>(row) * slot.y_stride;
        const std::uint8_t* y1 = y0 + slot.y_stride;
        const std::uint8_t* u = slot.u + static_cast<std::ptrdiff_t>(row / 2) * slot.c_stride;
        const std::uint8_t* v = slot.v + static_cast<std::ptrdiff_t>(row / 2) * slot.c_stride;
        std::uint8_t* out0 = pixels + static_cast<std::ptrdiff_t>(row) * image->pitch;
        std::uint8_t* out1 = out0 + image->pitch;
        int col = 0;
        // whole 2 x 2 blocks: the three chroma terms looked up once for four pixels
        for (; col + 1 < area.width; col += 2) {
            const int cu = u[col / 2], cv = v[col / 2];
            const std::int32_t r = yuv_tables.cr_r[cv];
            const std::int32_t g = yuv_tables.cb_g[cu] + yuv_tables.cr_g[cv];
            const std::int32_t b = yuv_tables.cb_b[cu];
            put_table_pixel(out0 + col * 4, y0[col], r, g, b);
            put_table_pixel(out0 + col * 4 + 4, y0[col + 1], r, g, b);
            if (pair) {
                put_table_pixel(out1 + col * 4, y1[col], r, g, b);
                put_table_pixel(out1 + col * 4 + 4, y1[col + 1], r, g, b);
            }
        }
        if (col < area.width) {
            const int cu = u[col / 2], cv = v[col / 2];
            const std::int32_t r = yuv_tables.cr_r[cv];
            const std::int32_t g = yuv_tables.cb_g[cu] + yuv_tables.cr_g[cv];
            const std::int32_t b = yuv_tables.cb_b[cu];
            put_table_pixel(out0 + col * 4, y0[col], r, g, b);
            if (pair)
                put_table_pixel(out1 + col * 4, y1[col], r, g, b);
        }
    }
}

}  // namespace

void convert_slot_to_rgb_float(const THEORA_FRAMESLOT& slot, IMGBUF* image)
{
    const target_area area = area_of(slot, image);
    if (slot.y_width <= 0 || slot.y_height <= 0)
        return;
    auto* pixels = static_cast<std::uint8_t*>(image->pixels);
    for (int row = 0; row < area.height; ++row) {
        // chroma addressed by the planes' own ratios, so 4:2:2 and 4:4:4
        // frames take the chroma of their own pixels
        const int c_row = static_cast<int>(static_cast<std::int64_t>(row) * slot.c_height / slot.y_height);
        const std::uint8_t* yrow = slot.y + static_cast<std::ptrdiff_t>(row) * slot.y_stride;
        const std::uint8_t* urow = slot.u + static_cast<std::ptrdiff_t>(c_row) * slot.c_stride;
        const std::uint8_t* vrow = slot.v + static_cast<std::ptrdiff_t>(c_row) * slot.c_stride;
        std::uint8_t* out = pixels + static_cast<std::ptrdiff_t>(row) * image->pitch;
        for (int col = 0; col < area.width; ++col) {
            const int c_col = static_cast<int>(static_cast<std::int64_t>(col) * slot.c_width / slot.y_width);
            const float y = static_cast<float>(yrow[col] - 16) * 1.164f;
            const float u = static_cast<float>(urow[c_col] - 128);
            const float v = static_cast<float>(vrow[c_col] - 128);
            out[col * 4 + 0] = clamp_float(y + 2.018f * u);
            out[col * 4 + 1] = clamp_float(y - 0.391f * u - 0.813f * v);
            out[col * 4 + 2] = clamp_float(y + 1.596f * v);
            out[col * 4 + 3] = 255;
        }
    }
}

void convert_slot_to_rgb(const THEORA_FRAMESLOT& slot, IMGBUF* image)
{
    if (is_half_chroma(slot))
        convert_table(slot, image);
    else
        convert_slot_to_rgb_float(slot, image);
}

int copy_slot_to_surface(const THEORA_FRAMESLOT& slot, std::uint32_t format, std::uint8_t* base, int pitch)
{
    if (!is_half_chroma(slot) || !base)
        return 0;
    const int yw = slot.y_width, yh = slot.y_height, cw = slot.c_width, ch = slot.c_height;
    switch (format) {
    case FOURCC_YV12: {
        for (int row = 0; row < yh; ++row)
            std::memcpy(base + static_cast<std::ptrdiff_t>(row) * pitch, slot.y + static_cast<std::ptrdiff_t>(row) * slot.y_stride, yw);
        const int half = pitch / 2;
        std::uint8_t* v_plane = base + static_cast<std::ptrdiff_t>(yh) * pitch;
        std::uint8_t* u_plane = v_plane + static_cast<std::ptrdiff_t>(ch) * half;
        for (int row = 0; row < ch; ++row) {
            std::memcpy(v_plane + static_cast<std::ptrdiff_t>(row) * half, slot.v + static_cast<std::ptrdiff_t>(row) * slot.c_stride, cw);
            std::memcpy(u_plane + static_cast<std::ptrdiff_t>(row) * half, slot.u + static_cast<std::ptrdiff_t>(row) * slot.c_stride, cw);
        }
        return 1;
    }
    case FOURCC_YUY2:
    case FOURCC_UYVY: {
        // byte positions of Y(left), U, Y(right), V inside each 4-byte pair
        const bool yuy2 = format == FOURCC_YUY2;
        const int yl = yuy2 ? 0 : 1, cu = yuy2 ? 1 : 0, yr = yuy2 ? 2 : 3, cv = yuy2 ? 3 : 2;
        for (int pair = 0; pair < ch; ++pair) {
            const std::uint8_t* u = slot.u + static_cast<std::ptrdiff_t>(pair) * slot.c_stride;
            const std::uint8_t* v = slot.v + static_cast<std::ptrdiff_t>(pair) * slot.c_stride;
            for (int half_row = 0; half_row < 2; ++half_row) {
                const std::uint8_t* y = slot.y + static_cast<std::ptrdiff_t>(pair * 2 + half_row) * slot.y_stride;
                std::uint8_t* out = base + static_cast<std::ptrdiff_t>(pair) * 2 * pitch + static_cast<std::ptrdiff_t>(half_row) * pitch;
                for (int col = 0; col < cw; ++col) {
                    out[col * 4 + yl] = y[col * 2];
                    out[col * 4 + cu] = u[col];
                    out[col * 4 + yr] = y[col * 2 + 1];
                    out[col * 4 + cv] = v[col];
                }
            }
        }
        return 1;
    }
    default:
        return 0;
    }
}

}  // namespace media::snd
