// The milestone scene, drawn through the media layer's public calls only.
#include "scene.hpp"

#include <cstdio>

#include "media/core/input.hpp"
#include "media/core/log.hpp"
#include "media/core/pump.hpp"
#include "media/core/window_services.hpp"
#include "media/graphics/draw.hpp"
#include "media/graphics/drawstate.hpp"
#include "media/graphics/startup.hpp"
#include "media/graphics/font.hpp"
#include "media/graphics/graph.hpp"
#include "media/graphics/graph_files.hpp"
#include "media/graphics/present.hpp"
#include "media/graphics/screen_mode.hpp"
#include "media/graphics/string_draw.hpp"
#include "media/system/startup.hpp"
#include "media/system/window.hpp"

namespace milestone {

const char* const latin_text = "zentil";
const char* const japanese_text = "日本語のテキスト";
const char* const sprite_file = "sprite.png";
const char* const tiles_file = "tiles.png";
const char* const photo_file = "photo.jpg";

namespace {

std::uint32_t pack(const rgb& c) { return PackScreenColor(c.r, c.g, c.b); }

int load_one(const std::string& folder, const char* name)
{
    const std::string path = folder + "/" + name;
    const int graph = LoadGraphFile(path.c_str(), 0);
    if (graph < 0) std::fprintf(stderr, "milestone: cannot load the picture %s\n", path.c_str());
    return graph;
}

}  // namespace

int start(const char* caption, int full_screen_width, int full_screen_height)
{
    const bool full_screen = full_screen_width > 0 && full_screen_height > 0;
    SetRunWhenInactive(1);
    EnableFpuPreserve(1);
    SetLogOutputEnabled(0);
    ChangeWindowMode(full_screen ? 0 : 1);
    if (full_screen)
        SetScreenMode(full_screen_width, full_screen_height, 32, 60);
    else
        SetScreenMode(screen_width, screen_height, 32, 60);
    SetWindowCaption(caption);
    // the device road draws nothing yet: the software renderer draws every frame
    ChooseDeviceRendering(0);
    if (InitMediaLayer() < 0) return -1;
    if (SelectDrawTarget(-2) < 0) return -1;
    // the default font as the wrapper leaves it
    SetDefaultFontType(2);
    SetDefaultFontSize(20);
    SetDefaultFontThickness(9);
    SetDefaultFontFace("meiryo", 1);
    return 0;
}

int load(const std::string& folder, pictures& out)
{
    out.sprite = load_one(folder, sprite_file);
    if (out.sprite < 0) return -1;
    out.tiles = load_one(folder, tiles_file);
    if (out.tiles < 0) return -1;
    out.photo = load_one(folder, photo_file);
    return out.photo < 0 ? -1 : 0;
}

void draw_frame_box(const box& r, int colour)
{
    const std::uint32_t c = static_cast<std::uint32_t>(colour);
    DrawLineSegment(r.l, r.t + 1, r.l, r.b - 1, c, 1);
    DrawLineSegment(r.r - 1, r.t + 1, r.r - 1, r.b - 1, c, 1);
    DrawLineSegment(r.l + 1, r.t, r.r - 1, r.t, c, 1);
    DrawLineSegment(r.l + 1, r.b - 1, r.r - 1, r.b - 1, c, 1);
    DrawLineSegment(r.l, r.t + 2, r.l, r.b - 2, c, 1);
    DrawLineSegment(r.r - 1, r.t + 2, r.r - 1, r.b - 2, c, 1);
    DrawLineSegment(r.l + 2, r.t, r.r - 2, r.t, c, 1);
    DrawLineSegment(r.l + 2, r.b - 1, r.r - 2, r.b - 1, c, 1);
    // half the current opacity: the scene draws at mode 0, full strength
    SetBlendModeParam(1, 255 / 2);
    DrawRectangle(r.l + 1, r.t + 1, r.r - 1, r.b - 1, c, 1);
    SetBlendModeParam(0, 255);
}

void draw(const pictures& p)
{
    ClearDrawTarget();
    DrawFilledBox(sprite_backing.l, sprite_backing.t, sprite_backing.r, sprite_backing.b, pack(backing_grey));
    DrawFilledBox(tiles_backing.l, tiles_backing.t, tiles_backing.r, tiles_backing.b, pack(backing_green));
    DrawGraphStretched(sprite_at.l, sprite_at.t, sprite_at.r, sprite_at.b, p.sprite, 1);
    DrawGraphStretched(tiles_at.l, tiles_at.t, tiles_at.r, tiles_at.b, p.tiles, 1);
    DrawGraphStretched(photo_at.l, photo_at.t, photo_at.r, photo_at.b, p.photo, 1);

    DrawFilledBox(solid_box.l, solid_box.t, solid_box.r, solid_box.b, pack(solid_red));
    SetBlendModeParam(1, blended_param);
    DrawFilledBox(blended_box.l, blended_box.t, blended_box.r, blended_box.b, pack(blended_blue));
    SetBlendModeParam(0, 255);
    DrawOutlineBox(outline_box.l, outline_box.t, outline_box.r, outline_box.b, pack(outline_yellow));
    DrawLineSegment(line_x1, line_y, line_x2, line_y, pack(line_green), 1);
    DrawLineSegment(column_x, column_y1, column_x, column_y2, pack(line_green), 1);
    draw_frame_box(frame_box, static_cast<int>(pack(frame_lilac)));

    const std::uint32_t white = PackScreenColor(255, 255, 255);
    DrawStringDefaultFont(latin_x, latin_y, latin_text, white, 0);
    DrawStringDefaultFont(japanese_x, japanese_y, japanese_text, white, 0);
}

int frame(const pictures& p)
{
    if (PumpWindowMessagesGuarded() != 0) return 0;
    char keys[256] = {};
    GetKeyStateTable(keys);
    if (keys[1] != 0) return 0;  // Escape
    draw(p);
    FlipDrawScreen();
    return 1;
}

}  // namespace milestone
