// Start-up and end of the media layer: the fixed sequence of steps, the
// unwinding of a failed start, the system information, the fatal exit.
#include "media/system/startup.hpp"

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "media/core/archive.hpp"
#include "media/core/cpu.hpp"
#include "media/core/format.hpp"
#include "media/core/input.hpp"
#include "media/core/internal.hpp"
#include "media/core/key_input.hpp"
#include "media/core/log.hpp"
#include "media/core/network.hpp"
#include "media/core/pump.hpp"
#include "media/core/stream.hpp"
#include "media/core/text.hpp"
#include "media/core/window_services.hpp"
#include "media/graphics/draw.hpp"
#include "media/graphics/model.hpp"
#include "media/graphics/pixfmt.hpp"
#include "media/graphics/screen_log.hpp"
#include "media/graphics/screen_mode.hpp"
#include "media/graphics/startup.hpp"
#include "media/sound/device.hpp"
#include "media/sound/yuv.hpp"
#include "media/system/window.hpp"
#include "platform/platform.hpp"
#include "platform/system/system_info.hpp"
#include "platform/text/codepage.hpp"

using media::core::platform_info;
using media::core::window_state;

namespace {

// The newest system version code the layer knows: every version test takes
// the branch for current systems.
constexpr int current_system_version = 265;

// Step 2: full screen at a size no display mode has starts windowed, except
// 320 x 240 with the device renderer chosen, which runs as the emulation.
void check_full_screen_size()
{
    if (window_state.settings.window_mode != 0)
        return;
    int width, height;
    QueryScreenSize(&width, &height);
    if (width == 320 && height == 240 && IsDeviceRenderingChosen() != 0)
        return;
    std::vector<platform::display_mode> modes;
    platform::display_modes(modes);
    for (const platform::display_mode& m : modes) {
        if (m.width == width && m.height == height)
            return;
    }
    ChangeWindowMode(1);
}

// Step 4: nothing the layer draws has a 24-bit pixel.
bool refuses_24_bits()
{
    if (window_state.settings.no_window != 0)
        return false;
    platform::display_mode desktop{0, 0, 0, 0};
    platform::desktop_mode(desktop);
    return (desktop.bits == 24 && window_state.settings.window_mode != 0) || QueryColorBitDepth() == 24;
}

// Steps 2 to 7 of the end, shared with a failed start.
void end_sequence()
{
    media::core::WINDOW_STATE& ws = window_state;
    if (media::core::screen_log.started != 0)
        EndScreenLog();
    TerminateNetWork();
    StopAndDeleteMusic();
    TerminateModelSystem();
    ShutdownGraphics();
    ShutdownDirectInput();
    ShutdownSoundSystem();
    DestroyMainWindow();
    if (ws.com_initialised != 0) {
        LogWrite("ＣＯＭを終了... 完了\n");
        ws.com_initialised = 0;
    }
    DeleteAllSoftImages();
    ws.started = 0;
    if (ws.settings.no_window == 0) {
        // a window that is gone cannot bring the quit any more
        while (ws.quit == 0 && ws.destroyed == 0 && ws.main_window != nullptr && PumpWindowMessages() == 0) {
        }
    }
    media::core::restore_log_folder();
    CloseUnusedArchives();
    DumpManagedAllocs();
}

int fail_start()
{
    end_sequence();
    window_state.starting = 0;
    return -1;
}

// Ticks of the time-stamp counter over 100 ms of the millisecond clock; the
// wait sleeps in 1 ms steps, so a virtual clock moves through it.
std::uint64_t timestamp_ticks_in_100ms()
{
    const std::uint32_t start = platform::milliseconds();
    const std::uint64_t first = platform::timestamp_counter();
    while (platform::milliseconds() - start < 100)
        platform::sleep(1);
    return platform::timestamp_counter() - first;
}

}  // namespace

int InitMediaLayer()
{
    if (window_state.started != 0)
        return 0;
    AcquireCallGuard();
    const int result = StartMediaLayer();
    ReleaseCallGuard();
    return result;
}

int StartMediaLayer()
{
    media::core::WINDOW_STATE& ws = window_state;
    if (ws.started != 0)
        return 0;
    ws.starting = 1;

    check_full_screen_size();

    BuildYuvToRgbTables();
    CloseUnusedArchives();
    SelectFileAccessOps(nullptr);
    media::core::store_log_folder();
    OpenLogFile();

    if (refuses_24_bits()) {
        LogWrite("２４ビットカラーモードには対応していません\n");
        ws.starting = 0;
        return -1;
    }

    ws.perf_frequency = platform::performance_frequency();
    ws.perf_counter_usable = ws.perf_frequency != 0 ? 1 : 0;

    LogSystemInfo();

    // the stream tables are constant; the graphs' restore is the default one
    SetGraphicsRestoreCallback(nullptr);

    // COM needs nothing on this platform
    if (ws.com_initialised == 0) {
        LogWrite("ＣＯＭの初期化... ");
        LogWrite("成功しました\n");
        ws.com_initialised = 1;
    }

    if (CreateMainWindow() < 0)
        return fail_start();
    if (ws.settings.no_input == 0 && StartInput() == -1)
        return fail_start();
    if (ws.settings.no_sound == 0)
        StartSoundSystem();  // the layer runs without sound after a failure
    if (ws.settings.no_graphics == 0 && StartGraphics() < 0)
        return fail_start();

    StartKeyInputSystem();
    ws.started = 1;
    if (ws.settings.window_mode == 0 && ws.settings.user_window == 0)
        ForceForegroundWindow(ws.main_window, 1);
    StartScreenLog();
    SelectDrawTarget(-2);
    SelectDrawTarget(-4);
    if (ws.settings.no_graphics == 0)
        InitModelSystem();
    ws.starting = 0;
    return 0;
}

int EndMediaLayer()
{
    if (window_state.started == 0)
        return 0;
    window_state.ending = 1;
    end_sequence();
    return 0;
}

void LogSystemInfo()
{
    media::core::PLATFORM_INFO& info = platform_info;
    LogWrite("システムの情報を出力します\n");
    LogIndentIn();

    LogWrite("MediaLayer Ver3.02e\n");

    platform::system_name system{L"Linux", L""};
    platform::read_system_name(system);
    std::string name;
    const std::wstring wide_name = system.name + L" " + system.release;
    platform::text::append_narrow(wide_name.data(), wide_name.size(), name);
    FormatString(info.os_text, sizeof info.os_text, "%s ( Build %d %s )", name.c_str(), 0, "");
    info.windows_version = current_system_version;
    LogWrite("ＯＳ  ");
    LogWrite(info.os_text);
    LogWrite("\n");

    window_state.timer_period = platform::timer_minimum_period();
    platform::begin_timer_period(window_state.timer_period);
    info.directx_version = 0x70000;

    CPUFEATURES cpu{};
    ReadCpuFeatures(&cpu);
    info.cpuid = cpu.cpuid;
    info.tsc = platform::has_timestamp_counter() ? 1 : 0;
    int level = 0;
    if (cpu.cpuid != 0) {
        level = 1;
        if (cpu.mmx != 0) {
            level = 3;
            if (cpu.sse != 0)
                level = cpu.sse2 != 0 ? 5 : 4;
        }
    }

    if (info.tsc != 0) {
        const std::uint64_t ticks = timestamp_ticks_in_100ms();
        info.cpu_mhz = static_cast<std::int32_t>(ticks / 100000);
        info.tsc_per_second = ticks * 10;
        LogPrintf("ＣＰＵ動作速度：大体%.2fGHz", info.cpu_mhz / 1000.0);
    }

    switch (level) {
    case 0:
        LogWrite("ＣＰＵＩＤ命令は使えません\n");
        break;
    case 1:
        LogWrite("ＭＭＸは使えません\n");
        break;
    default:
        LogWrite("ＭＭＸ命令を使用します\n");
        info.mmx = 1;
        if (level >= 4) {
            LogWrite("ＳＳＥ命令が使用可能です\n");
            info.sse = 1;
        }
        if (level >= 5) {
            LogWrite("ＳＳＥ２命令が使用可能です\n");
            info.sse2 = 1;
        }
        break;
    }

    if (level >= 1) {
        std::memcpy(info.vendor, cpu.vendor, sizeof info.vendor);
        info.vendor[12] = '\0';
        LogWrite("ＣＰＵベンダ：");
        LogWrite(info.vendor);
        LogWrite("\n");
        if (cpu.brand[0] != '\0') {
            std::memcpy(info.brand, cpu.brand, sizeof info.brand);
            info.brand[48] = '\0';
            LogPrintf("ＣＰＵ名：%s", info.brand);
        }
    }
    LogIndentOut();
    // the version is fixed at 7.0, so the check for an older one never stops
    // the program
}
