// The software renderer's drawing adapters, the draw-screen lock, and the
// copies and fills of graph images.
#include "media/graphics/soft_draw.hpp"

#include <algorithm>

#include "media/core/number.hpp"
#include "media/graphics/drawstate.hpp"
#include "media/graphics/graph.hpp"
#include "media/graphics/internal.hpp"
#include "media/softrender/blit_same.hpp"
#include "media/softrender/blit_scaled.hpp"
#include "media/softrender/box.hpp"
#include "media/softrender/line.hpp"
#include "media/softrender/memimg.hpp"

using media::gfx::draw_state;

namespace {

MEMIMG* target()
{
    return draw_state.target_image;
}

// The rectangle lies in the draw target: 0 <= left < right <= width, and
// the same for top and bottom.
bool inside_target(const RECT& r)
{
    return r.left >= 0 && r.left < r.right && r.right <= draw_state.target_width && r.top >= 0 && r.top < r.bottom &&
           r.bottom <= draw_state.target_height;
}

}  // namespace

namespace media::gfx {

void quad_triangles(const std::int32_t corners[8], int width, int height, MEMIMG_VERTEX out[2][3])
{
    const MEMIMG_VERTEX p[4] = {{corners[0], corners[1], 0, 0},
                                {corners[2], corners[3], width, 0},
                                {corners[4], corners[5], 0, height},
                                {corners[6], corners[7], width, height}};
    out[0][0] = p[0];
    out[0][1] = p[1];
    out[0][2] = p[2];
    out[1][0] = p[1];
    out[1][1] = p[2];
    out[1][2] = p[3];
}

}  // namespace media::gfx

int SoftDrawGraph(int transparency, int y, int x, GRAPHREC* graph)
{
    BlitMemImg(target(), &graph->image, x, y, transparency, draw_state.blend_image);
    return 0;
}

int SoftDrawGraphStretched(int x1, int y1, int x2, int y2, GRAPHREC* graph, int transparency)
{
    const RECT r{x1, y1, x2, y2};
    BlitMemImgScaled(target(), &graph->image, &r, transparency, draw_state.blend_image);
    return 0;
}

int SoftDrawGraphQuad(GRAPHREC* graph, const std::int32_t corners[8], int transparency)
{
    MEMIMG_VERTEX t[2][3];
    media::gfx::quad_triangles(corners, graph->width, graph->height, t);
    DrawMemImgTriangle(target(), &graph->image, t[0], transparency, draw_state.blend_image, 0);
    DrawMemImgTriangle(target(), &graph->image, t[1], transparency, draw_state.blend_image, 0);
    return 0;
}

int SoftDrawGraphQuadF(const float corners[8], GRAPHREC* graph, int transparency)
{
    // top-left, top-right, bottom-right, bottom-left into the quad's order
    static constexpr int order[4] = {0, 1, 3, 2};
    std::int32_t c[8];
    for (int i = 0; i < 4; ++i) {
        c[2 * i] = FloatToInt(corners[2 * order[i]]);
        c[2 * i + 1] = FloatToInt(corners[2 * order[i] + 1]);
    }
    return SoftDrawGraphQuad(graph, c, transparency);
}

int SoftFillBox(int x1, int y1, int x2, int y2, std::uint32_t colour)
{
    const RECT r{x1, y1, x2, y2};
    DrawMemImgBox(target(), &r, colour);
    return 0;
}

int SoftDrawOutlineBox(int x1, int y1, int x2, int y2, std::uint32_t colour)
{
    // each line leaves out its end point, so the four cover the border once
    const std::int32_t p = draw_state.blend_param;
    const MEMIMG_LINE lines[4] = {{x1, y1, x2 - 1, y1, colour, p},
                                  {x2 - 1, y1, x2 - 1, y2 - 1, colour, p},
                                  {x2 - 1, y2 - 1, x1, y2 - 1, colour, p},
                                  {x1, y2 - 1, x1, y1, colour, p}};
    DrawMemImgLines(target(), lines, 4);
    return 0;
}

int SoftDrawQuadrangle(const std::int32_t corners[8], std::uint32_t colour, int fill)
{
    if (fill != 0) {
        MEMIMG_VERTEX t[2][3];
        media::gfx::quad_triangles(corners, 0, 0, t);
        DrawMemImgTriangle(target(), nullptr, t[0], 0, nullptr, colour);
        DrawMemImgTriangle(target(), nullptr, t[1], 0, nullptr, colour);
        return 0;
    }
    // around the edges: P0, P1, P3, P2
    const std::int32_t p = draw_state.blend_param;
    const std::int32_t* c = corners;
    const MEMIMG_LINE lines[4] = {{c[0], c[1], c[2], c[3], colour, p},
                                  {c[2], c[3], c[6], c[7], colour, p},
                                  {c[6], c[7], c[4], c[5], colour, p},
                                  {c[4], c[5], c[0], c[1], colour, p}};
    DrawMemImgLines(target(), lines, 4);
    return 0;
}

int LockDrawScreen(const RECT* rect, IMGBUF* description)
{
    MEMIMG* image = target();
    if (rect == nullptr || description == nullptr || !inside_target(*rect) || !IsMemImgValid(image))
        return -1;
    const MEMIMG_BASE& base = *image->base;
    *description = IMGBUF{};
    description->format = *base.format;
    description->width = rect->right - rect->left;
    description->height = rect->bottom - rect->top;
    description->pitch = base.pitch;
    description->pixels = static_cast<unsigned char*>(image->pixels) + static_cast<long>(rect->top) * base.pitch +
                          static_cast<long>(rect->left) * base.format->pixel_bytes;
    description->mipmaps = 0;
    media::gfx::screen_lock.locked = 1;
    return 0;
}

int UnlockDrawScreen()
{
    media::gfx::screen_lock.locked = 0;
    return 0;
}

int CopyScreenRectToGraph(int x1, int y1, int x2, int y2, int graph)
{
    GRAPHREC* record = GetGraphRecord(graph);
    if (record == nullptr)
        return -1;
    const RECT r{x1, y1, x2, y2};
    if (!inside_target(r) || record->width != x2 - x1 || record->height != y2 - y1)
        return -1;
    CopyMemImgRect(&record->image, target(), &r, 0, 0);
    return 0;
}

int FillGraphColor(int graph, int red, int green, int blue, int)
{
    GRAPHREC* record = GetGraphRecord(graph);
    if (record == nullptr)
        return -1;
    red = std::clamp(red, 0, 255);
    green = std::clamp(green, 0, 255);
    blue = std::clamp(blue, 0, 255);
    // packed for the graph's own depth: a 16-bit graph on a 32-bit screen
    // takes a 16-bit value
    const MEMIMG_BASE* base = record->image.base;
    if (base == nullptr)
        return -1;
    DrawMemImgBox(&record->image, nullptr, PackColor(GetMemImgPixelFormat(base->format_index, 0, 0), red, green, blue, 255));
    return 0;
}
