// Graphics start-up and shut-down: the device road with its fall-back to the
// software renderer, the screen images, the release of everything made.
#include "media/graphics/startup.hpp"

#include <cstring>

#include "media/core/alloc.hpp"
#include "media/core/internal.hpp"
#include "media/core/log.hpp"
#include "media/core/math.hpp"
#include "media/core/window_services.hpp"
#include "media/graphics/device.hpp"
#include "media/graphics/drawstate.hpp"
#include "media/graphics/font.hpp"
#include "media/graphics/internal.hpp"
#include "media/graphics/mask.hpp"
#include "media/graphics/model.hpp"
#include "media/graphics/settings.hpp"
#include "media/graphics/shader.hpp"
#include "media/graphics/state_cache.hpp"
#include "media/softrender/blend.hpp"
#include "media/softrender/internal.hpp"
#include "media/softrender/memimg.hpp"
#include "platform/platform.hpp"

using media::gfx::graphics;
using media::gfx::screen_mode;

namespace {

bool window_mode()
{
    return media::core::window_state.settings.window_mode != 0;
}

// Step 6 onwards of the device road on the software renderer in full screen.
int change_software_mode()
{
    LogPrintf("画面モードの変更処理を開始します %u x %u  %u bit ", static_cast<unsigned>(screen_mode.width),
              static_cast<unsigned>(screen_mode.height), static_cast<unsigned>(screen_mode.bits));
    LogIndentIn();
    if (screen_mode.bits != 16 && screen_mode.bits != 32) {
        LogIndentOut();
        return -1;
    }
    LogWrite("画面解像度を変更します... ");
    platform::display_mode mode{screen_mode.width, screen_mode.height, screen_mode.bits, screen_mode.refresh};
    bool done = platform::change_mode(mode, true) == 0;
    if (!done) {
        // without the refresh rate, as a change that is not only for now
        screen_mode.refresh = 0;
        mode.refresh = 0;
        done = platform::change_mode(mode, false) == 0;
    }
    if (!done && screen_mode.width == 320 && screen_mode.height == 240) {
        screen_mode.width = 640;
        screen_mode.height = 480;
        media::gfx::settings.emulate_320x240 = 1;
        mode.width = 640;
        mode.height = 480;
        done = platform::change_mode(mode, true) == 0;
        if (done)
            ApplyWindowStyle();
    }
    if (!done) {
        LogWrite("画面モードの変更に失敗しました\n");
        LogIndentOut();
        return -1;
    }
    graphics.mode_changed = 1;
    media::core::set_projection_screen_size(screen_mode.width, screen_mode.height);
    LogWrite("成功しました\n");
    LogIndentOut();
    return 0;
}

}  // namespace

int QueryScreenSize(int* width, int* height)
{
    if (width != nullptr)
        *width = screen_mode.width != 0 ? screen_mode.width : 640;
    if (height != nullptr)
        *height = screen_mode.height != 0 ? screen_mode.height : 480;
    return 0;
}

int QueryColorBitDepth()
{
    return screen_mode.bits != 0 ? screen_mode.bits : 16;
}

int IsFullScreen()
{
    return window_mode() ? 0 : 1;
}

int StartGraphics()
{
    if (graphics.started != 0)
        return 0;
    if (screen_mode.width == 0)
        screen_mode.width = 640;
    if (screen_mode.height == 0)
        screen_mode.height = 480;
    if (screen_mode.bits == 0)
        screen_mode.bits = 16;
    if (!window_mode() && screen_mode.width == 320 && screen_mode.height == 240) {
        media::gfx::settings.emulate_320x240 = 1;
        screen_mode.width = 640;
        screen_mode.height = 480;
    }
    media::core::set_projection_screen_size(screen_mode.width, screen_mode.height);

    if (SetUpDisplayDevice() < 0) {
        ShutdownGraphics();
        return -1;
    }
    graphics.started = 1;
    if (graphics.d3d_in_use != 0)
        InitDeviceDrawState();
    else
        CreateSoftwareScreenImages();
    // the blits follow the flag start-up took from the system information
    media::soft::set_mmx_enabled(IsMmxEnabled());
    ResetDrawStateDefaults();
    BuildMemImgBlendTables();
    StartFontSystem();
    return 0;
}

int ShutdownGraphics()
{
    ResetFontSystem();
    EndFontSystem();
    if (graphics.started != 0) {
        DeleteAllGraphs(0);
        TerminateMaskScreen();
        DeleteAllMaskHandles();
        DeleteAllLights();
        DeleteLightHandle(media::gfx::light_state.default_light);
        media::gfx::light_state.default_light = -1;
    }
    // also after a failed start, which may have left the library and the
    // display object behind
    ReleaseGraphicsDevice();
    ReleaseMemImg(&graphics.screen_image);
    ReleaseMemImg(&graphics.work_image);
    ReleaseMemImg(&graphics.work_alpha_image);
    media::gfx::draw_state.target_image = nullptr;
    media::gfx::draw_state.blend_image = nullptr;
    graphics.started = 0;
    return 0;
}

int SetUpDisplayDevice()
{
    if (platform::device_library() < 0)
        return LogWrite("d3d9.dll の読み込みに失敗しました\n");
    graphics.library_loaded = 1;
    if (CreateDirectDrawObject() < 0) {
        graphics.library_loaded = 0;
        return -1;
    }
    graphics.d3d_in_use = 0;
    if (graphics.software_chosen == 0 && CreateDirect3DObject() == 0 && CreateD3DDevice() == 0 &&
        CreateZBuffer() == 0) {
        graphics.d3d_in_use = 1;
        SetUpShaders();
        if (media::gfx::shader_state.in_use != 0)
            CreateShaderVertexDeclarations();
    }
    if (graphics.d3d_in_use == 0) {
        // the software renderer takes over; the display object stays for the
        // flip. Everything the device holds goes with it, the back buffer and
        // swap chain of a device made before the failure too.
        media::gfx::release_device_objects();
    }
    if (graphics.d3d_in_use != 0 || window_mode())
        return 0;
    return change_software_mode();
}

int CreateDirectDrawObject()
{
    if (graphics.display_object != 0) {
        platform::close_display();
        graphics.display_object = 0;
    }
    LogWrite("DirectDraw オブジェクトの取得を行います....  ");
    if (platform::open_display() < 0)
        return LogWrite("オブジェクトの取得に失敗しました\n");
    graphics.display_object = 1;
    LogWrite("成功\n");
    LogWrite("引き続き初期化処理... ");
    LogWrite("初期化に成功しました\n");
    return 0;
}

int CreateSoftwareScreenImages()
{
    if (CreateScreenMemImg(&graphics.screen_image, screen_mode.width, screen_mode.height, -1) < 0)
        ExitWithLogMessage("プライマリサーフェス用の MEMIMG の作成に失敗しました\n");
    const int format = graphics.screen_image.base->format_index;
    std::memset(&graphics.work_image, 0, sizeof graphics.work_image);
    std::memset(&graphics.work_alpha_image, 0, sizeof graphics.work_alpha_image);
    CreateMemImg(&graphics.work_image, screen_mode.width, screen_mode.height, -1, 0, format, 0, 0, 0, nullptr);
    CreateMemImg(&graphics.work_alpha_image, screen_mode.width, screen_mode.height, -1, 0, format, 0, 1, 0, nullptr);
    FillMemImgRect(&graphics.screen_image, nullptr,
                   PackScreenColor(graphics.background[0], graphics.background[1], graphics.background[2]));
    media::gfx::draw_state.target_image = &graphics.screen_image;
    return 0;
}

int ReleaseGraphicsDevice()
{
    ReleaseAllModelDeviceObjects();
    ReleaseVertexDeclarations();
    ReleaseShaderObjects();
    // the software renderer gives the desktop's mode back whenever it had the
    // display (the presenter does nothing when no mode change holds)
    if (graphics.d3d_in_use == 0 && (graphics.mode_changed != 0 || graphics.display_object != 0))
        platform::restore_desktop_mode();
    graphics.mode_changed = 0;
    media::gfx::release_device_objects();
    if (graphics.display_object != 0) {
        platform::close_display();
        graphics.display_object = 0;
    }
    graphics.library_loaded = 0;
    graphics.d3d_in_use = 0;
    if (graphics.modes != nullptr) {
        ManagedFree(graphics.modes);
        graphics.modes = nullptr;
    }
    graphics.mode_count = 0;
    return 0;
}

int ChooseDeviceRendering(int flag)
{
    if (media::core::window_state.started != 0)
        return -1;
    graphics.software_chosen = flag == 0 ? 1 : 0;
    return 0;
}

int IsDeviceRenderingChosen()
{
    return graphics.software_chosen == 0 ? 1 : 0;
}

int IsDeviceInUse()
{
    return graphics.d3d_in_use;
}

int CreateScreenMemImg(MEMIMG* image, int width, int height, int format_index)
{
    if (image == nullptr)
        return -1;
    std::memset(image, 0, sizeof *image);
    if (format_index == -1)
        format_index = QueryColorBitDepth() == 16 ? 0 : 1;
    return CreateMemImg(image, width, height, -1, 0, format_index, 0, 0, 0, nullptr);
}
