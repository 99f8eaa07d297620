// The drawing state's setters: blend mode and parameter, draw bright, blend
// graph, draw area, filter, matrices and fog; the screen colour packing.
#include "media/graphics/drawstate.hpp"

#include <algorithm>

#include "media/core/internal.hpp"
#include "media/core/pump.hpp"
#include "media/graphics/graph.hpp"
#include "media/graphics/internal.hpp"
#include "media/graphics/settings.hpp"
#include "media/graphics/startup.hpp"
#include "media/softrender/blend.hpp"
#include "media/softrender/memimg.hpp"

using media::gfx::draw_state;

namespace {

int clamp_byte(int v)
{
    return std::clamp(v, 0, 255);
}

// The inactive wait of the pump; nothing to wait for before the layer runs.
void wait_while_inactive()
{
    if (media::core::window_state.started != 0)
        WaitWhileInactive();
}

// The descriptor of the screen format on the software renderer.
const PIXFMT& screen_format()
{
    return *GetMemImgPixelFormat(QueryColorBitDepth() == 16 ? 0 : 1, 0, 0);
}

std::uint32_t pack_channel(int value, int width, int shift)
{
    return (static_cast<std::uint32_t>(value & 0xFF) >> (8 - width)) << shift;
}

int unpack_channel(std::uint32_t value, std::uint32_t mask, int width, int shift)
{
    if (width == 0)
        return 0;
    return static_cast<int>(((value & mask) >> shift) * 255 / ((1u << width) - 1));
}

void matrices_changed()
{
    media::gfx::settings.combined_valid = 0;
    UpdateCombinedMatrices();
}

}  // namespace

int SetBlendModeParam(int mode, int param)
{
    if (draw_state.locked != 0)
        return 0;
    // the mode indexes the blend tables: one outside them is refused
    if (mode < 0 || mode > 12)
        return -1;
    if (mode == draw_state.blend_mode && param == draw_state.blend_param)
        return 0;
    wait_while_inactive();
    draw_state.blend_mode = mode;
    draw_state.blend_param = clamp_byte(param);
    return 0;
}

int SetDrawBright(int red, int green, int blue)
{
    if (draw_state.locked != 0)
        return 0;
    const std::uint32_t bright = static_cast<std::uint32_t>(clamp_byte(red)) << 16 |
                                 static_cast<std::uint32_t>(clamp_byte(green)) << 8 |
                                 static_cast<std::uint32_t>(clamp_byte(blue));
    draw_state.draw_bright = bright;
    return 0;
}

int SetDrawBrightPacked(std::uint32_t rgb)
{
    return SetDrawBright(rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF);
}

std::uint32_t ComputeBatchDiffuse()
{
    const std::uint32_t alpha = draw_state.blend_mode != 0 ? static_cast<std::uint32_t>(draw_state.blend_param) : 255;
    return alpha << 24 | (draw_state.draw_bright & 0xFFFFFF);
}

int SetBlendGraph(int graph, int border, int range)
{
    if (draw_state.locked != 0)
        return 0;
    if (graph == draw_state.blend_graph && border == draw_state.blend_border && range == draw_state.blend_range)
        return 0;
    GRAPHREC* record = nullptr;
    if (graph != -1) {
        record = GetGraphRecord(graph);
        if (record == nullptr || record->body == nullptr)
            return -1;
    }
    wait_while_inactive();
    draw_state.blend_graph = graph;
    draw_state.blend_border = clamp_byte(border);
    draw_state.blend_range = clamp_byte(range);
    // the graph's body image: the blits weigh from its top-left pixel
    draw_state.blend_image = record != nullptr ? &record->body->image : nullptr;
    BuildBlendImageWeightTable(draw_state.blend_border, draw_state.blend_range);
    return 0;
}

int CheckBlendGraphCovers(const GRAPHREC* graph)
{
    const GRAPHREC* blend = GetGraphRecord(draw_state.blend_graph);
    if (blend == nullptr || graph == nullptr || blend->width < graph->width || blend->height < graph->height)
        return -1;
    return 0;
}

int SetDrawClipArea(int x1, int y1, int x2, int y2)
{
    if (draw_state.locked != 0)
        return 0;
    draw_state.requested_area[0] = x1;
    draw_state.requested_area[1] = y1;
    draw_state.requested_area[2] = x2;
    draw_state.requested_area[3] = y2;
    int width = 0, height = 0;
    switch (draw_state.target) {
    case -2:
    case -3:
    case -4:
    case -5:
        QueryScreenSize(&width, &height);
        break;
    default: {
        const GRAPHREC* record = GetGraphRecord(draw_state.target);
        if (record == nullptr)
            return -1;
        width = record->width;
        height = record->height;
        break;
    }
    }
    if (x1 > x2)
        std::swap(x1, x2);
    if (y1 > y2)
        std::swap(y1, y2);
    x1 = std::clamp(x1, 0, width);
    x2 = std::clamp(x2, 0, width);
    y1 = std::clamp(y1, 0, height);
    y2 = std::clamp(y2, 0, height);
    draw_state.area = {x1, y1, x2, y2};
    draw_state.area_f[0] = static_cast<float>(x1);
    draw_state.area_f[1] = static_cast<float>(y1);
    draw_state.area_f[2] = static_cast<float>(x2);
    draw_state.area_f[3] = static_cast<float>(y2);
    draw_state.area_empty = x1 == x2 || y1 == y2 ? 1 : 0;
    return 0;
}

int SetDrawTextureFilter(int mode)
{
    if (draw_state.locked != 0)
        return 0;
    draw_state.texture_filter = mode;
    return 0;
}

int SetWorldMatrix(const MATRIX44* matrix)
{
    if (matrix == nullptr)
        return -1;
    draw_state.world = *matrix;
    matrices_changed();
    return 0;
}

int SetViewMatrix(const MATRIX44* matrix)
{
    if (matrix == nullptr)
        return -1;
    draw_state.view = *matrix;
    matrices_changed();
    return 0;
}

int SetProjectionMatrix(const MATRIX44* matrix)
{
    if (matrix == nullptr)
        return -1;
    draw_state.projection = *matrix;
    matrices_changed();
    return 0;
}

int SetScreenTransformMatrix(const MATRIX44* matrix)
{
    if (matrix == nullptr)
        return -1;
    draw_state.screen_transform = *matrix;
    matrices_changed();
    return 0;
}

int SetFogMode(int mode)
{
    draw_state.fog_mode = mode;
    return 0;
}

int SetFogColor(int red, int green, int blue)
{
    draw_state.fog_color = 0xFF000000u | static_cast<std::uint32_t>(red & 0xFF) << 16 |
                           static_cast<std::uint32_t>(green & 0xFF) << 8 | static_cast<std::uint32_t>(blue & 0xFF);
    return 0;
}

int SetFogRange(float start, float end)
{
    draw_state.fog_start = start;
    draw_state.fog_end = end;
    return 0;
}

std::uint32_t PackScreenColor(int red, int green, int blue)
{
    const PIXFMT& f = screen_format();
    return pack_channel(red, f.red_width, f.red_shift) + pack_channel(green, f.green_width, f.green_shift) +
           pack_channel(blue, f.blue_width, f.blue_shift) + f.unused_mask;
}

int UnpackScreenColor(std::uint32_t value, int* red, int* green, int* blue)
{
    const PIXFMT& f = screen_format();
    if (red != nullptr)
        *red = unpack_channel(value, f.red_mask, f.red_width, f.red_shift);
    if (green != nullptr)
        *green = unpack_channel(value, f.green_mask, f.green_width, f.green_shift);
    if (blue != nullptr)
        *blue = unpack_channel(value, f.blue_mask, f.blue_width, f.blue_shift);
    return 0;
}

COLOR_F* MakeColorF(COLOR_F* out, float red, float green, float blue, float alpha)
{
    if (out != nullptr)
        *out = {red, green, blue, alpha};
    return out;
}
