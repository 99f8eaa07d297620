// Screen modes and the restore of the display after it was lost.
#include "media/graphics/screen_mode.hpp"

#include "media/core/input.hpp"
#include "media/core/internal.hpp"
#include "media/core/log.hpp"
#include "media/core/pump.hpp"
#include "media/core/window_services.hpp"
#include "media/graphics/draw.hpp"
#include "media/graphics/font.hpp"
#include "media/graphics/graph_files.hpp"
#include "media/graphics/internal.hpp"
#include "media/graphics/settings.hpp"
#include "media/graphics/startup.hpp"

namespace {

bool media_layer_running()
{
    return media::core::window_state.started != 0;
}

bool window_mode()
{
    return media::core::window_state.settings.window_mode != 0;
}

// The default font's size and thickness outlive a restart: read before the
// graphics shut down (which deletes the default font), handed back after the
// start. The face is read too, but the setter keeps the face it has.
struct default_font_look {
    bool read = false;
    char face[256] = {};
    int size = 0;
    int thickness = 0;
};

default_font_look read_default_font_look()
{
    default_font_look look;
    const int handle = QueryDefaultFontHandle();
    if (IsFontHandleValid(handle) && QueryFontHandleInfo(look.face, &look.size, &look.thickness, handle) == 0)
        look.read = true;
    return look;
}

void hand_back_default_font_look(const default_font_look& look)
{
    if (!look.read)
        return;
    SetDefaultFontSizeThickness(look.face, look.size, look.thickness);
}

// One start of the graphics at the mode given; true when it ran.
bool start_at(const media::gfx::SCREENMODE& mode, int emulation)
{
    media::gfx::screen_mode = mode;
    media::gfx::settings.emulate_320x240 = emulation;
    return StartGraphics() == 0;
}

bool same_mode(const media::gfx::SCREENMODE& a, const media::gfx::SCREENMODE& b)
{
    return a.width == b.width && a.height == b.height && a.bits == b.bits && a.refresh == b.refresh;
}

}  // namespace

int SetScreenMode(int width, int height, int bits, int refresh)
{
    if (!media_layer_running()) {
        media::gfx::screen_mode = {width, height, bits, refresh};
        return 0;
    }
    if (width == 0 || height == 0 || (bits != 8 && bits != 16 && bits != 32))
        return -1;
    const media::gfx::SCREENMODE old = media::gfx::screen_mode;
    ChangeScreenMode(width, height, bits, 0, refresh);
    const media::gfx::SCREENMODE& now = media::gfx::screen_mode;
    const media::gfx::SCREENMODE asked{width != -1 ? width : old.width, height != -1 ? height : old.height, bits,
                                       refresh != -1 ? refresh : old.refresh};
    // a full-screen 320 x 240 runs as the emulation on 640 x 480
    const bool emulated_as_asked = asked.width == 320 && asked.height == 240 && now.width == 640 &&
                                   now.height == 480 && media::gfx::settings.emulate_320x240 != 0;
    if (now.bits == asked.bits && now.refresh == asked.refresh &&
        ((now.width == asked.width && now.height == asked.height) || emulated_as_asked))
        return 0;
    const media::gfx::SCREENMODE last_resort{640, 480, 16, 0};
    if (!same_mode(now, old) && same_mode(now, last_resort))
        return -2;
    return -1;
}

int ChangeScreenMode(int width, int height, int bits, int window_switch, int refresh)
{
    const media::gfx::SCREENMODE old = media::gfx::screen_mode;
    const int old_emulation = media::gfx::settings.emulate_320x240;
    media::gfx::SCREENMODE next{width != -1 ? width : old.width, height != -1 ? height : old.height,
                                bits != -1 ? bits : old.bits, refresh != -1 ? refresh : old.refresh};
    int emulation = old_emulation;
    if (!window_mode()) {
        if (next.width == 320 && next.height == 240) {
            emulation = 1;
            next.width = 640;
            next.height = 480;
        } else if (width != -1 || height != -1) {
            emulation = 0;
        }
    } else {
        emulation = 0;
        if (window_switch == 1 && old_emulation != 0 && next.width == 640 && next.height == 480) {
            next.width = 320;
            next.height = 240;
        }
    }
    if (same_mode(next, old) && window_switch == 0)
        return 0;

    LogWrite("画面モード変更処理を開始します\n");
    LogIndentIn();
    default_font_look font;
    if (media::gfx::graphics.started != 0)
        font = read_default_font_look();
    const media::core::WINDOW_STATE& ws = media::core::window_state;
    if (ws.starting == 0 && ws.started == 0) {
        // nothing is applied; the indent raised above comes down again
        LogIndentOut();
        return 0;
    }

    const int target = media::gfx::draw_state.target;
    if (media::gfx::graphics.started != 0)
        ShutdownGraphics();
    bool started = start_at(next, emulation);
    if (!started && next.width == 320 && next.height == 240)
        started = start_at({640, 480, next.bits, next.refresh}, 1);
    if (!started)
        started = start_at(old, old_emulation);
    if (!started)
        started = start_at({640, 480, 16, 0}, 0);
    if (!started)
        ExitWithLogMessage("予期せぬ画面モード変更不能現象が起きました2\n");

    if (window_mode())
        ApplyWindowStyle();
    hand_back_default_font_look(font);
    LogIndentOut();
    LogWrite("画面モード変更処理は正常に終了しました\n");
    PumpWindowMessages();
    SelectDrawTarget(target);
    return 0;
}

int RestoreGraphicsDevice()
{
    return RecreateGraphicsDevice(0, -1, -1, -1, -1);
}

// The software road: the display object and the full-screen mode are set
// up again; the device's resources come back with the device road.
int RecreateGraphicsDevice(int mode_flag, int width, int height, int bits, int refresh)
{
    // after the graphics' end (a focus event pumped by the layer's end finds
    // nothing to restore): opening the display again would leave it open,
    // and change the mode, after everything was given back
    if (media::gfx::graphics.started == 0)
        return 0;
    if (mode_flag == 1) {
        media::gfx::SCREENMODE& mode = media::gfx::screen_mode;
        if (width != -1)
            mode.width = width;
        if (height != -1)
            mode.height = height;
        if (bits != -1)
            mode.bits = bits;
        if (refresh != -1)
            mode.refresh = refresh;
    } else {
        ShutdownDirectInput();
    }
    SetUpDisplayDevice();
    return 0;
}

int GetLogicalScreenState(int* width, int* height, int* bits)
{
    int w = 0, h = 0;
    QueryScreenSize(&w, &h);
    if (media::gfx::settings.emulate_320x240 != 0) {
        w = 320;
        h = 240;
    }
    if (width != nullptr)
        *width = w;
    if (height != nullptr)
        *height = h;
    if (bits != nullptr)
        *bits = QueryColorBitDepth();
    return 0;
}

int SetGraphicsRestoreCallback(void (*callback)())
{
    media::gfx::settings.restore_callback = callback != nullptr ? callback : ReloadGraphsFromFiles;
    return 0;
}

int HasGraphicsRestoreCallback()
{
    return media::gfx::settings.restore_callback != nullptr ? 1 : 0;
}

namespace {

// The list, enumerated when none is held.
void ensure_display_modes()
{
    if (media::gfx::graphics.modes == nullptr)
        EnumerateDisplayModes(nullptr, nullptr);
}

}  // namespace

int CountDisplayModes()
{
    ensure_display_modes();
    return media::gfx::graphics.mode_count;
}

int QueryDisplayMode(DISPLAYMODEDATA* out, int index)
{
    ensure_display_modes();
    const media::gfx::GRAPHICSSTATE& g = media::gfx::graphics;
    const bool listed = index >= 0 && index < g.mode_count;
    if (out != nullptr) {
        if (listed) {
            const std::int32_t* e = g.modes + index * 4;
            *out = {e[0], e[1], e[2], e[3]};
        } else {
            *out = {-1, -1, -1, -1};
        }
    }
    return listed ? 0 : -1;
}

int IsDisplayModeListed(int width, int height, int bits)
{
    ensure_display_modes();
    const media::gfx::GRAPHICSSTATE& g = media::gfx::graphics;
    for (int i = 0; i < g.mode_count; ++i) {
        const std::int32_t* e = g.modes + i * 4;
        if (e[0] == width && e[1] == height && e[2] == bits)
            return 1;
    }
    return 0;
}
