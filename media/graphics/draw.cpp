// Drawing operations and the draw target: one entry sequence for every
// graph, box and line operation, then the software renderer's adapters.
#include "media/graphics/draw.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "media/core/internal.hpp"
#include "media/core/number.hpp"
#include "media/core/pump.hpp"
#include "media/core/window.hpp"
#include "media/graphics/drawstate.hpp"
#include "media/graphics/graph.hpp"
#include "media/graphics/internal.hpp"
#include "media/graphics/mask.hpp"
#include "media/graphics/present.hpp"
#include "media/graphics/settings.hpp"
#include "media/graphics/soft_draw.hpp"
#include "media/graphics/startup.hpp"
#include "media/softrender/line.hpp"
#include "media/sound/movie.hpp"

using media::gfx::draw_state;

namespace {

// The inactive wait of the pump (which returns at once inside a repaint);
// nothing to wait for before the window exists.
void wait_while_inactive()
{
    if (media::core::window_state.started != 0)
        WaitWhileInactive();
}

// What the entry sequence decided: draw, or return result at once.
struct entry {
    bool draw;
    int result;
    GRAPHREC* graph;
};

// The entry sequence of the graph, box and line operations: the drawing lock
// or an empty area give 0; a bad graph, or a blend graph that does not cover
// it, -1; then the inactive wait and the movie's current frame. graph -1:
// an operation without a graph.
entry enter(int graph, bool with_graph)
{
    if (draw_state.locked != 0 || draw_state.area_empty != 0)
        return {false, 0, nullptr};
    GRAPHREC* record = nullptr;
    if (with_graph) {
        record = GetGraphRecord(graph);
        if (record == nullptr || record->body == nullptr)
            return {false, -1, nullptr};
        if (draw_state.blend_graph != -1 && CheckBlendGraphCovers(record) != 0)
            return {false, -1, nullptr};
    }
    wait_while_inactive();
    if (record != nullptr && record->movie != -1)
        UpdateMovieFrame(record->movie, 0);
    return {true, 0, record};
}

// The draw between the mask's begin and end (both nothing while the mask is off).
template <class Draw>
int masked(const RECT& rect, Draw&& draw)
{
    const bool mask = media::gfx::mask_state.active != 0;
    if (mask)
        BeginMaskedDraw(&rect);
    const int result = draw();
    if (mask)
        EndMaskedDraw(&rect);
    return result;
}

RECT ordered(int x1, int y1, int x2, int y2)
{
    return {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

}  // namespace

namespace media::gfx {

bool thick_line_corners(int x1, int y1, int x2, int y2, int thickness, std::int32_t out[8])
{
    const float dx = static_cast<float>(x2 - x1), dy = static_cast<float>(y2 - y1);
    const float length = std::sqrt(dx * dx + dy * dy);
    if (!(length > 0.0f))
        return false;
    const float scale = static_cast<float>(thickness) * 0.5f / length;
    const float nx = dy * scale, ny = -dx * scale;
    const float fx1 = static_cast<float>(x1), fy1 = static_cast<float>(y1);
    const float fx2 = static_cast<float>(x2), fy2 = static_cast<float>(y2);
    const float c[8] = {fx1 + nx, fy1 + ny, fx2 + nx, fy2 + ny, fx1 - nx, fy1 - ny, fx2 - nx, fy2 - ny};
    for (int i = 0; i < 8; ++i)
        out[i] = FloatToInt(c[i]);
    return true;
}

}  // namespace media::gfx

int DrawGraphAt(int x, int y, int graph, int transparency)
{
    if (media::core::window_state.started == 0)
        return -1;
    const entry e = enter(graph, true);
    if (!e.draw)
        return e.result;
    const RECT r{x, y, x + e.graph->width, y + e.graph->height};
    return masked(r, [&] { return SoftDrawGraph(transparency, y, x, e.graph); });
}

int DrawGraphStretched(int x1, int y1, int x2, int y2, int graph, int transparency)
{
    const entry e = enter(graph, true);
    if (!e.draw)
        return e.result;
    const RECT r{x1, y1, x2, y2};
    return masked(r, [&] { return SoftDrawGraphStretched(x1, y1, x2, y2, e.graph, transparency); });
}

int DrawGraphStretchedF(float x1, float y1, float x2, float y2, int graph, int transparency)
{
    const entry e = enter(graph, true);
    if (!e.draw)
        return e.result;
    const int ix1 = FloatToInt(x1), iy1 = FloatToInt(y1), ix2 = FloatToInt(x2), iy2 = FloatToInt(y2);
    const RECT r{ix1, iy1, ix2, iy2};
    return masked(r, [&] { return SoftDrawGraphStretched(ix1, iy1, ix2, iy2, e.graph, transparency); });
}

int DrawGraphOnQuadrangle(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4, int graph,
                          int transparency)
{
    const entry e = enter(graph, true);
    if (!e.draw)
        return e.result;
    const float c[8] = {x1, y1, x2, y2, x3, y3, x4, y4};
    // the bounding box, clamped to 0..0xFFFFFF
    float lo_x = x1, hi_x = x1, lo_y = y1, hi_y = y1;
    for (int i = 1; i < 4; ++i) {
        lo_x = std::min(lo_x, c[2 * i]);
        hi_x = std::max(hi_x, c[2 * i]);
        lo_y = std::min(lo_y, c[2 * i + 1]);
        hi_y = std::max(hi_y, c[2 * i + 1]);
    }
    auto clamp = [](float v) { return FloatToInt(std::min(std::max(v, 0.0f), 16777215.0f)); };
    const RECT r{clamp(lo_x), clamp(lo_y), clamp(hi_x), clamp(hi_y)};
    return masked(r, [&] { return SoftDrawGraphQuadF(c, e.graph, transparency); });
}

int DrawGraphMirrored(int x, int y, int graph, int transparency)
{
    const GRAPHREC* record = GetGraphRecord(graph);
    if (record == nullptr)
        return -1;
    return DrawGraphStretched(x + record->width, y, x, y + record->height, graph, transparency);
}

int DrawGraphPart(int x, int y, int sx, int sy, int width, int height, int graph, int transparency, int mirror)
{
    const RECT kept = draw_state.area;
    float kept_f[4];
    std::copy(std::begin(draw_state.area_f), std::end(draw_state.area_f), kept_f);
    RECT narrowed{x, y, x + width, y + height};
    ClipRectToRect(&narrowed, &kept);
    draw_state.area = narrowed;
    draw_state.area_f[0] = static_cast<float>(narrowed.left);
    draw_state.area_f[1] = static_cast<float>(narrowed.top);
    draw_state.area_f[2] = static_cast<float>(narrowed.right);
    draw_state.area_f[3] = static_cast<float>(narrowed.bottom);
    int result;
    if (mirror == 0) {
        result = DrawGraphAt(x - sx, y - sy, graph, transparency);
    } else {
        const GRAPHREC* record = GetGraphRecord(graph);
        result = record == nullptr ? -1
                                   : DrawGraphMirrored(x + sx + width - record->width, y - sy, graph, transparency);
    }
    draw_state.area = kept;
    std::copy(std::begin(kept_f), std::end(kept_f), draw_state.area_f);
    return result;
}

int DrawPrimitiveVertices(const PRIMVERTEX*, int, int, int graph, int, int)
{
    if (draw_state.locked != 0 || draw_state.area_empty != 0)
        return 0;
    GRAPHREC* record = nullptr;
    if (graph != -5) {
        record = GetGraphRecord(graph);
        if (record == nullptr)
            return -1;
    }
    wait_while_inactive();
    if (record != nullptr && record->movie != -1)
        UpdateMovieFrame(record->movie, 0);
    // the software renderer draws no caller-built vertices
    return 0;
}

int DrawFilledBox(int x1, int y1, int x2, int y2, std::uint32_t colour)
{
    const entry e = enter(-1, false);
    if (!e.draw)
        return e.result;
    return masked(ordered(x1, y1, x2, y2), [&] { return SoftFillBox(x1, y1, x2, y2, colour); });
}

int DrawOutlineBox(int x1, int y1, int x2, int y2, std::uint32_t colour)
{
    const entry e = enter(-1, false);
    if (!e.draw)
        return e.result;
    return masked(ordered(x1, y1, x2, y2), [&] { return SoftDrawOutlineBox(x1, y1, x2, y2, colour); });
}

int DrawRectangle(int x1, int y1, int x2, int y2, std::uint32_t colour, int fill)
{
    return fill != 0 ? DrawFilledBox(x1, y1, x2, y2, colour) : DrawOutlineBox(x1, y1, x2, y2, colour);
}

int DrawLineSegment(int x1, int y1, int x2, int y2, std::uint32_t colour, int thickness)
{
    if (thickness > 1)
        return DrawThickLine(x1, y1, x2, y2, colour, thickness);
    const entry e = enter(-1, false);
    if (!e.draw)
        return e.result;
    RECT r = ordered(x1, y1, x2, y2);
    ++r.right;
    ++r.bottom;
    return masked(r, [&] {
        DrawMemImgLine(draw_state.target_image, x1, y1, x2, y2, colour);
        return 0;
    });
}

int DrawThickLine(int x1, int y1, int x2, int y2, std::uint32_t colour, int thickness)
{
    std::int32_t corners[8];
    // a point has no direction to widen across: nothing to draw
    if (!media::gfx::thick_line_corners(x1, y1, x2, y2, thickness, corners))
        return 0;
    const entry e = enter(-1, false);
    if (!e.draw)
        return e.result;
    RECT r{corners[0], corners[1], corners[0], corners[1]};
    for (int i = 1; i < 4; ++i) {
        r.left = std::min(r.left, corners[2 * i]);
        r.right = std::max(r.right, corners[2 * i] + 1);
        r.top = std::min(r.top, corners[2 * i + 1]);
        r.bottom = std::max(r.bottom, corners[2 * i + 1] + 1);
    }
    return masked(r, [&] { return SoftDrawQuadrangle(corners, colour, 1); });
}

int SelectDrawTarget(int target)
{
    if (media::gfx::graphics.started == 0)
        return -1;
    wait_while_inactive();
    const int mask_wanted = GetMaskEnabled();
    GRAPHREC* graph = GetGraphRecord(target);
    if (graph != nullptr && (graph->body == nullptr || graph->body->drawable == 0))
        return -1;
    SetMaskEnabled(0);
    if (graph == nullptr && target != -2 && target != -3 && target != -4 && target != -5)
        return -1;
    draw_state.target_image = graph != nullptr ? &graph->image : &media::gfx::graphics.screen_image;
    draw_state.target = target;
    if (target == -4)
        SetTimer(media::core::window_state.main_window, FRONT_SCREEN_TIMER, 32, FrontScreenTimerProc);

    // -3 and -5 take the screen's size, as -2
    int width = 0, height = 0;
    if (graph != nullptr)
        QueryGraphSize(target, &width, &height);
    else
        QueryScreenSize(&width, &height);
    if (width != draw_state.target_width || height != draw_state.target_height) {
        draw_state.target_width = width;
        draw_state.target_height = height;
        SetDrawClipArea(0, 0, width, height);
    } else {
        SetDrawClipArea(draw_state.requested_area[0], draw_state.requested_area[1], draw_state.requested_area[2],
                        draw_state.requested_area[3]);
    }

    MATRIX44 m;
    BuildIdentityMatrix(&m);
    SetWorldMatrix(&m);
    BuildViewportMatrix(&m, width / 2.0f, height / 2.0f, static_cast<float>(width), static_cast<float>(height));
    SetScreenTransformMatrix(&m);
    InvertMatrix(&draw_state.viewport_inverse, &m);
    // the default camera sees the target's pixels at depth 0
    const float d = static_cast<float>(height / 2) / 0.57735026f;
    const VECTOR3F eye{width / 2.0f, height / 2.0f, -d};
    const VECTOR3F at{width / 2.0f, height / 2.0f, -d + 1.0f};
    const VECTOR3F up{0.0f, 1.0f, 0.0f};
    BuildLookAtMatrix(&m, &eye, &at, &up);
    SetViewMatrix(&m);
    SetCameraFieldOfView(1.0471976f);
    SetCameraNearFar(d * 0.1f, d + 20000.0f);

    SetMaskEnabled(mask_wanted);
    return 0;
}
