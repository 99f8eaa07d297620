// The scaled blit's prologue: ordering, limits, hand-over, refusals, steps,
// clipping and the walk's start values, and the choice of a loop by exact key.
#include "media/softrender/blit_scaled.hpp"

#include "media/graphics/internal.hpp"
#include "media/softrender/blit_same.hpp"
#include "media/softrender/loops.hpp"

#include <utility>

namespace {

// Coordinates, sides and source sizes within these keep a side x 65536 and
// a clip offset x 65536 inside 32 bits, so every step is at least 2.
constexpr int coordinate_limit = 32767;
constexpr int size_limit = 32768;

}  // namespace

void BlitMemImgScaled(MEMIMG* dst, MEMIMG* src, const RECT* rect, int transparency, MEMIMG* blend)
{
    using namespace media::soft;
    if (rect == nullptr || !drawable(dst) || !drawable(src)) return;
    int x1 = rect->left, y1 = rect->top, x2 = rect->right, y2 = rect->bottom;
    for (int v : {x1, y1, x2, y2})
        if (v < -coordinate_limit || v > coordinate_limit) return;
    const bool mirror_x = x1 > x2, mirror_y = y1 > y2;
    if (mirror_x) std::swap(x1, x2);
    if (mirror_y) std::swap(y1, y2);
    const int width = x2 - x1, height = y2 - y1;
    if (width == 0 || height == 0) return;
    if (width >= size_limit || height >= size_limit || src->width >= size_limit || src->height >= size_limit) return;
    if (width == src->width && height == src->height && !mirror_x && !mirror_y) {
        BlitMemImg(dst, src, x1, y1, transparency, blend);
        return;
    }

    blit_setup setup;
    if (!check_blit(dst, src, blend, setup)) return;
    const MEMIMG_BASE& db = *dst->base;
    const MEMIMG_BASE& sb = *src->base;
    const int bits = setup.bits, kind = setup.kind, mode = setup.mode;
    const auto& state = media::gfx::draw_state;

    const auto x_step = static_cast<std::int32_t>(static_cast<std::uint32_t>(width) * 65536u /
                                                  static_cast<std::uint32_t>(src->width));
    const auto y_step = static_cast<std::int32_t>(static_cast<std::uint32_t>(height) * 65536u /
                                                  static_cast<std::uint32_t>(src->height));
    if (x_step <= 0 || y_step <= 0) return;

    RECT area;
    if (!destination_area(*dst, &area)) return;
    RECT r{x1, y1, x2, y2};
    ClipRectToRect(&r, &area);
    const int clipped_width = r.right - r.left, clipped_height = r.bottom - r.top;
    if (clipped_width <= 0 || clipped_height <= 0) return;
    const int dx = r.left - x1, dy = r.top - y1;
    if (dx >= size_limit || dy >= size_limit) return;
    const std::int32_t qx = dx * 65536 / x_step, rx = dx * 65536 - qx * x_step;
    const std::int32_t qy = dy * 65536 / y_step, ry = dy * 65536 - qy * y_step;
    if (qx >= src->width || qy >= src->height) return;

    scaled_job job{};
    job.dst = static_cast<unsigned char*>(dst->pixels) + static_cast<long>(r.top) * db.pitch +
              static_cast<long>(r.left) * db.format->pixel_bytes;
    job.dst_pitch = db.pitch;
    job.src = static_cast<const unsigned char*>(src->pixels);
    job.src_pitch = sb.pitch;
    if (blend != nullptr) {
        job.blend = static_cast<const unsigned char*>(blend->pixels);
        job.blend_pitch = blend->base->pitch;
    }
    job.width = clipped_width;
    job.height = clipped_height;
    job.column = mirror_x ? src->width - 1 - qx : qx;
    job.row = mirror_y ? src->height - 1 - qy : qy;
    job.column_step = mirror_x ? -1 : 1;
    job.row_step = mirror_y ? -1 : 1;
    job.x_step = x_step;
    job.y_step = y_step;
    job.x_start = x_step - rx;
    job.y_start = y_step - ry;
    if (!source_palette_and_setup(sb, setup, job.palette, job.setup)) return;

    const blit_key key{bits, kind, mode, blend != nullptr, (state.draw_bright & 0xFFFFFF) != 0xFFFFFF,
                       transparency != 0, false};
    scaled_loop loop = nullptr;
    if (!generic_loops_forced()) loop = bits == 32 ? find_scaled_loop_32(key.index()) : find_scaled_loop_16(key.index());
    if (loop != nullptr)
        loop(job);
    else
        generic_blit_scaled(job, key);
}
