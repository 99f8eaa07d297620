// The on-screen log's record, its font and its drawing over the picture.
#include "media/graphics/screen_log.hpp"

#include "media/core/internal.hpp"
#include "media/graphics/drawstate.hpp"
#include "media/graphics/font.hpp"
#include "media/graphics/internal.hpp"
#include "media/graphics/startup.hpp"
#include "media/graphics/string_draw.hpp"

using media::core::screen_log;

int StartScreenLog()
{
    screen_log = media::core::SCREENLOG{};
    screen_log.started = 1;
    screen_log.line_height = 16;
    screen_log.font = -1;
    return 0;
}

int IsScreenLogShown()
{
    return screen_log.shown;
}

int CreateScreenLogFont()
{
    if (screen_log.font != -1 && screen_log.font_lost == 0)
        return screen_log.font;
    screen_log.font = CreateFontToHandle(nullptr, 16, 4, -1, -1, -1, 0);
    if (screen_log.font != -1)
        SetFontLostFlagPointer(screen_log.font, &screen_log.font_lost);
    return screen_log.font;
}

int DrawScreenLog()
{
    const int font = CreateScreenLogFont();
    if (font == -1)
        return -1;
    int width = 0, height = 0;
    QueryScreenSize(&width, &height);
    const int line_height = screen_log.line_height > 0 ? screen_log.line_height : 16;
    int lines = height / line_height;
    if (lines > media::core::SCREEN_LOG_LINES)
        lines = media::core::SCREEN_LOG_LINES;

    media::gfx::DRAWSTATE& ds = media::gfx::draw_state;
    const RECT area = ds.area;
    const int mode = ds.blend_mode, param = ds.blend_param;
    const std::uint32_t bright = ds.draw_bright;
    SetDrawClipArea(0, 0, width, height);
    SetBlendModeParam(0, 0);
    SetDrawBright(255, 255, 255);
    const std::uint32_t white = PackScreenColor(255, 255, 255), black = PackScreenColor(0, 0, 0);
    for (int k = 0; k < lines; ++k) {
        screen_log.lines[k][sizeof screen_log.lines[k] - 1] = '\0';  // a line never runs past its buffer
        DrawStringWithFont(0, k * line_height, screen_log.lines[k], white, font, black, 0);
    }
    SetDrawClipArea(area.left, area.top, area.right, area.bottom);
    SetBlendModeParam(mode, param);
    SetDrawBrightPacked(bright);
    return 0;
}

int EndScreenLog()
{
    if (screen_log.font != -1 && screen_log.font_lost == 0)
        DeleteFontHandle(screen_log.font);
    screen_log.font = -1;
    screen_log.started = 0;
    return 0;
}
