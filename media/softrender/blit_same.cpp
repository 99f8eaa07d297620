// The same-size blit's prologue: refusals, clipping, the path, the scratch
// palette, and the choice of a loop from the table by exact key.
#include "media/softrender/blit_same.hpp"

#include "media/graphics/internal.hpp"
#include "media/softrender/loops.hpp"

#include <algorithm>
#include <climits>

namespace media::soft {

bool drawable(const MEMIMG* image)
{
    return image != nullptr && image->valid == MEMIMG_VALID && image->base != nullptr && image->pixels != nullptr &&
           image->base->format != nullptr && image->width > 0 && image->height > 0;
}

bool check_blit(const MEMIMG* dst, const MEMIMG* src, const MEMIMG* blend, blit_setup& out)
{
    if (!drawable(dst) || !drawable(src)) return false;
    const MEMIMG_BASE& db = *dst->base;
    const MEMIMG_BASE& sb = *src->base;
    if (sb.format_index != db.format_index || db.paletted || db.alpha || sb.format_index > 1) return false;
    const int bits = sb.format_index == 1 ? 32 : 16;
    const int kind = sb.paletted ? kind_paletted : sb.alpha ? kind_alpha : kind_direct;
    if (sb.format->pixel_bytes != source_bytes(bits, kind) || db.format->pixel_bytes != bits / 8) return false;
    int mode = media::gfx::draw_state.blend_mode;
    const int p = media::gfx::draw_state.blend_param;
    if (!drawing_mode(mode, p)) return false;
    // the blend image is read in source coordinates, so it must cover the source
    if (blend != nullptr && (!drawable(blend) || blend->width < src->width || blend->height < src->height))
        return false;
    out = blit_setup{bits, kind, mode, p};
    return true;
}

bool source_palette_and_setup(const MEMIMG_BASE& sb, const blit_setup& s, const unsigned char*& palette,
                              blend_setup& setup)
{
    if (s.kind == kind_paletted) {
        // all 256 entries: an index at or above the colour count reads the
        // source's own entry rather than what an earlier blit left
        if (sb.palette == nullptr) return false;
        std::memcpy(blend_tables.palette, sb.palette, s.bits == 32 ? 1024 : 512);
        palette = &blend_tables.palette[0][0];
    }
    std::uint32_t transparent = sb.transparent;
    if (s.kind == kind_direct && s.bits == 16) transparent &= 0xFFFF;
    setup = current_blend_setup(transparent);
    return true;
}

bool destination_area(const MEMIMG& dst, RECT* area)
{
    // the draw area is kept inside the draw target; a destination that is
    // not the target may be smaller, and is never written outside
    const RECT& a = media::gfx::draw_state.area;
    *area = {std::max(a.left, 0), std::max(a.top, 0), std::min(a.right, dst.width), std::min(a.bottom, dst.height)};
    return area->left < area->right && area->top < area->bottom;
}

}  // namespace media::soft

namespace {

using namespace media::soft;

int clamp_int(long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

}  // namespace

void BlitMemImg(MEMIMG* dst, MEMIMG* src, int x, int y, int transparency, MEMIMG* blend)
{
    blit_setup setup;
    if (!check_blit(dst, src, blend, setup)) return;
    const MEMIMG_BASE& db = *dst->base;
    const MEMIMG_BASE& sb = *src->base;
    const int bits = setup.bits, kind = setup.kind, mode = setup.mode, p = setup.p;
    const auto& state = media::gfx::draw_state;

    RECT area;
    if (!destination_area(*dst, &area)) return;
    RECT r{x, y, clamp_int(static_cast<long long>(x) + src->width), clamp_int(static_cast<long long>(y) + src->height)};
    ClipRectToRect(&r, &area);
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return;
    const int sx = r.left - x, sy = r.top - y;

    same_job job{};
    job.dst = static_cast<unsigned char*>(dst->pixels) + static_cast<long>(r.top) * db.pitch +
              static_cast<long>(r.left) * db.format->pixel_bytes;
    job.dst_pitch = db.pitch;
    job.src = static_cast<const unsigned char*>(src->pixels) + static_cast<long>(sy) * sb.pitch +
              static_cast<long>(sx) * sb.format->pixel_bytes;
    job.src_pitch = sb.pitch;
    if (blend != nullptr) {
        job.blend = static_cast<const unsigned char*>(blend->pixels) + static_cast<long>(sy) * blend->base->pitch + sx;
        job.blend_pitch = blend->base->pitch;
    }
    job.width = width;
    job.height = height;
    // the run table describes the whole body: a view of part of it, or a
    // clipped picture, takes the plain path
    const bool whole_body = src->width == sb.width && src->height == sb.height && src->pixels == sb.pixel_block;
    const bool runs = transparency != 0 && sb.runs_valid && sb.runs != nullptr && whole_body && width == src->width &&
                      height == src->height;
    if (runs) job.runs = sb.runs;
    if (!source_palette_and_setup(sb, setup, job.palette, job.setup)) return;
    job.setup.param = p;

    const blit_key key{bits, kind, mode, blend != nullptr, (state.draw_bright & 0xFFFFFF) != 0xFFFFFF,
                       transparency != 0, runs};
    same_loop loop = nullptr;
    if (!generic_loops_forced()) {
        const int index = key.index();
        if (runs)
            loop = bits == 32 ? find_same_run_loop_32(index) : find_same_run_loop_16(index);
        else
            loop = bits == 32 ? find_same_loop_32(index) : find_same_loop_16(index);
    }
    if (loop != nullptr)
        loop(job);
    else
        generic_blit_same(job, key);
}
