// Frame clear, flip and present: the screen image handed to the platform's
// presenter, paced by the vertical blank, and the front screen's timer.
#include "media/graphics/present.hpp"

#include "media/core/internal.hpp"
#include "media/core/window_services.hpp"
#include "media/graphics/drawstate.hpp"
#include "media/graphics/graph.hpp"
#include "media/graphics/internal.hpp"
#include "media/graphics/screen_log.hpp"
#include "media/graphics/settings.hpp"
#include "media/graphics/startup.hpp"
#include "media/softrender/memimg.hpp"
#include "platform/platform.hpp"

using media::gfx::graphics;

int ClearDrawTarget()
{
    // the target graph's image when the target is a live graph, else the screen
    GRAPHREC* target = GetGraphRecord(media::gfx::draw_state.target);
    MEMIMG* image = target != nullptr ? &target->image : &graphics.screen_image;
    if (IsMemImgValid(image)) {
        const int* bg = graphics.background;
        FillMemImgRect(image, nullptr,
                       PackColor(GetMemImgPixelFormat(image->base->format_index, 0, 0), bg[0], bg[1], bg[2], 255));
    }
    return 0;
}

void WaitFlipTiming()
{
    if (graphics.min_flip_interval != 0 &&
        static_cast<std::uint32_t>(GetTickMillis()) - graphics.last_flip_time < graphics.min_flip_interval) {
        while (static_cast<std::uint32_t>(GetTickMillis()) - graphics.last_flip_time < graphics.min_flip_interval)
            platform::sleep(1);
        platform::wait_vblank_begin();
    } else {
        platform::sleep(0);
        if (!platform::in_vblank())
            platform::wait_vblank_begin();
    }
    graphics.last_flip_time = static_cast<std::uint32_t>(GetTickMillis());
}

int FlipDrawScreen()
{
    const media::core::WINDOW_STATE& ws = media::core::window_state;
    if (ws.started == 0 || ws.quit != 0)
        return -1;
    if (IsScreenLogShown() == 1)
        DrawScreenLog();
    int width = 0, height = 0;
    QueryScreenSize(&width, &height);
    platform::rect source{0, 0, width, height};
    const bool emulation = media::gfx::settings.emulate_320x240 != 0 && width == 640 && height == 480;
    if (emulation)
        source = {0, 0, 320, 240};
    platform::rect destination = source;
    if (emulation) {
        destination = {0, 0, 640, 480};
    } else if (ws.settings.window_mode != 0) {
        double scale_x = 1.0, scale_y = 1.0;
        GetWindowScale(&scale_x, &scale_y);
        // below the tool bar strip, which lies in the client area's top rows
        const int toolbar = GetToolBarHeight();
        destination = {0, toolbar, static_cast<int>(width * scale_x), toolbar + static_cast<int>(height * scale_y)};
    }

    const MEMIMG& screen = graphics.screen_image;
    if (!IsMemImgValid(&screen))
        return 0;
    // a repaint of the exposed window shows the last frame at once
    if (GetFlipWaitsForVBlank() != 0 && ws.in_paint == 0 && graphics.display_object != 0 && ws.main_window != nullptr)
        WaitFlipTiming();
    // without a window or its display object there is nothing to show on
    if (ws.main_window == nullptr || graphics.display_object == 0)
        return 0;
    const PIXFMT& f = *screen.base->format;
    platform::pixel_view view;
    view.pixels = screen.pixels;
    view.width = screen.width;
    view.height = screen.height;
    view.pitch = screen.base->pitch;
    view.bits = f.color_bits;
    view.red_mask = f.red_mask;
    view.green_mask = f.green_mask;
    view.blue_mask = f.blue_mask;
    platform::present(view, source, destination);
    return 0;
}

int PaintInactiveWindowPicture()
{
    return -1;
}

void FrontScreenTimerProc(HWINDOW, std::uint32_t, WPARAM, std::uint32_t)
{
    HWINDOW window = media::core::window_state.main_window;
    KillTimer(window, FRONT_SCREEN_TIMER);
    if (media::gfx::draw_state.target != -4)
        return;  // the timer stays off
    FlipDrawScreen();
    SetTimer(window, FRONT_SCREEN_TIMER, 32, FrontScreenTimerProc);
}
