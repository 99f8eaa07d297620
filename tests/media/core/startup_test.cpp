// Start-up and end of the media layer: the logged sequence, a second start,
// the 24-bit refusals, the unwinding of a failed start, the fatal exit.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "log_folder.hpp"
#include "media/core/cpu.hpp"
#include "media/graphics/screen_log.hpp"
#include "media/sound/internal.hpp"
#include "media/system/startup.hpp"
#include "platform/audio/device.hpp"
#include "platform/sdl/test_hooks.hpp"
#include "platform/system/system_info.hpp"
#include "platform/text/codepage.hpp"

namespace {

using media::core::window_state;
using media_test::headless_media;

class StartUp : public headless_media {
protected:
    void SetUp() override
    {
        headless_media::SetUp();
        platform::headless::set_clock_step(1);
    }

    static std::string mask(const std::string& text)
    {
        static const std::regex number("[0-9]+(\\.[0-9]+)?");
        return std::regex_replace(text, number, "#");
    }

    // The system information as this machine gives it, masked.
    static std::string system_lines()
    {
        platform::system_name system{L"Linux", L""};
        platform::read_system_name(system);
        std::string name;
        const std::wstring wide = system.name + L" " + system.release;
        platform::text::append_narrow(wide.data(), wide.size(), name);
        CPUFEATURES cpu{};
        ReadCpuFeatures(&cpu);
        std::string lines = "#:システムの情報を出力します\r\n"
                            "#:\tMediaLayer Ver3.02e\r\n"
                            "#:\tＯＳ  " + name + " ( Build 0  )\r\n"
                            "#:\tＣＰＵ動作速度：大体#GHz\r\n"
                            "#:\tＭＭＸ命令を使用します\r\n"
                            "#:\tＳＳＥ命令が使用可能です\r\n"
                            "#:\tＳＳＥ２命令が使用可能です\r\n"
                            "#:\tＣＰＵベンダ：" + std::string(cpu.vendor, 12) + "\r\n";
        if (cpu.brand[0] != '\0')
            lines += "#:\tＣＰＵ名：" + std::string(cpu.brand) + "\r\n";
        return mask(lines);
    }
};

#if defined(__x86_64__)
TEST_F(StartUp, TheStepsAreLoggedInOrder)
{
    ASSERT_EQ(InitMediaLayer(), 0);
    EXPECT_EQ(window_state.started, 1);
    EXPECT_EQ(window_state.starting, 0);
    const std::string log = masked_log();
    const std::string info = system_lines();
    ASSERT_EQ(log.substr(0, info.size()), info) << read();
    std::string rest = log.substr(info.size());
    const std::string com = "#:ＣＯＭの初期化... 成功しました\r\n";
    ASSERT_EQ(rest.substr(0, com.size()), com) << read();
    rest = rest.substr(com.size());
    EXPECT_EQ(rest.substr(0, rest.find("\r\n") + 2), "#:メモリ総量:#MB  空きメモリ領域:#MB \r\n");
    const std::size_t window_line = rest.find("ウインドウスタイルをウインドウモード用に変更します... 完了\r\n");
    EXPECT_NE(window_line, std::string::npos);
    // input starts after the window
    const std::size_t input_line = rest.find("DirectInput関係初期化処理\r\n");
    EXPECT_NE(input_line, std::string::npos) << read();
    EXPECT_GT(input_line, window_line);
    const std::size_t input_done = rest.find("入力関連の初期化をしました\r\n", input_line);
    EXPECT_NE(input_done, std::string::npos) << read();
    // sound starts after input, with its device report, before graphics
    std::vector<platform::audio_output> outputs;
    platform::audio::devices(outputs);
    ASSERT_EQ(outputs.size(), 1u);
    const std::string sound = "#:DirectSound の初期化を行います\r\n"
                              "#:DirectSound インターフェースの取得を行います....  成功\r\n"
                              "#:引き続きインターフェースの初期化処理...  成功\r\n"
                              "#:\tDirectSound デバイスを列挙します\r\n"
                              "#:\t\tモジュール名:" + std::string(15 - outputs[0].module.size(), ' ') +
                              outputs[0].module + "  ドライバ記述:" + outputs[0].description + " \r\n"
                              "#:\t最大サンプリングレート:#KHz 最小サンプリングレート:#KHz \r\n"
                              "#:\t総サウンドメモリ領域:#KB 空きサウンドメモリ領域:#KB \r\n"
                              "#:\t利用可能サンプリング精度\r\n"
                              "#:\t プライマリ １６bit = OK  ８bit = OK \r\n"
                              "#:\t セカンダリ １６bit = OK  ８bit = OK \r\n"
                              "#:\t利用可能チャンネル\r\n"
                              "#:\t プライマリ MONO = OK  STEREO = OK \r\n"
                              "#:\t セカンダリ MONO = OK  STEREO = OK \r\n"
                              "#:DirectSound の初期化は正常に終了しました\r\n";
    const std::size_t sound_line = rest.find(sound);
    EXPECT_NE(sound_line, std::string::npos) << read();
    EXPECT_GT(sound_line, input_done);
    EXPECT_NE(media::snd::sound_system.device, 0);
    EXPECT_EQ(media::snd::sound_system.thread_running, 1);
    // the time-stamp counter runs at 1 GHz of virtual time
    EXPECT_NE(read().find("ＣＰＵ動作速度：大体1.0"), std::string::npos) << read();
    EXPECT_EQ(IsMmxEnabled(), 1);
    EXPECT_EQ(media::core::platform_info.windows_version, 265);
    EXPECT_EQ(media::core::platform_info.directx_version, 0x70000);
    EXPECT_NE(GetMainWindow(), nullptr);
    EXPECT_EQ(media::core::screen_log.line_height, 16);
    EXPECT_EQ(IsScreenLogShown(), 0);

    // a second start does nothing
    const std::string before = read();
    EXPECT_EQ(InitMediaLayer(), 0);
    EXPECT_EQ(read(), before);
    EXPECT_EQ(EndMediaLayer(), 0);
    // the end shuts the sound system down
    EXPECT_NE(read().find("DirectSound の終了処理は正常に終了しました\r\n"), std::string::npos);
    EXPECT_EQ(media::snd::sound_system.device, 0);
    EXPECT_EQ(media::snd::sound_system.stop_word.load(), 2);
}
#endif

TEST_F(StartUp, EndBeforeStartDoesNothing)
{
    const std::string before = read();
    EXPECT_EQ(EndMediaLayer(), 0);
    EXPECT_EQ(read(), before);
}

TEST_F(StartUp, TheEndUndoesTheStartAndReturnsToTheLogFolder)
{
    ASSERT_EQ(InitMediaLayer(), 0);
    dir_.folder("elsewhere");
    std::filesystem::current_path(dir_.at("elsewhere"));
    EXPECT_EQ(EndMediaLayer(), 0);
    EXPECT_EQ(window_state.started, 0);
    EXPECT_EQ(GetMainWindow(), nullptr);
    EXPECT_FALSE(platform::headless::window().exists);
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(dir_.path()));
    const std::string log = read();
    EXPECT_NE(log.find("ＣＯＭを終了... 完了\r\n"), std::string::npos);
    EXPECT_NE(log.find("ウインドウが破棄されようとしています\r\n"), std::string::npos);
    EXPECT_NE(log.find("入力関連の終了処理... 完了\r\n"), std::string::npos);
    // the started layer comes back
    EXPECT_EQ(InitMediaLayer(), 0);
    EXPECT_EQ(EndMediaLayer(), 0);
}

TEST_F(StartUp, AnUnreadableCurrentFolderGivesNoLogAndTheEndStaysPut)
{
    const std::string before = read();
    dir_.folder("gone");
    std::filesystem::current_path(dir_.at("gone"));
    std::filesystem::remove(dir_.at("gone"));
    ASSERT_EQ(InitMediaLayer(), 0);
    EXPECT_EQ(media::core::log_state.folder[0], '\0');
    EXPECT_EQ(EndMediaLayer(), 0);
    EXPECT_EQ(media::core::restore_log_folder(), -1);
    EXPECT_EQ(read(), before);  // nothing reached the old log
}

struct depth_case {
    const char* name;
    int desktop_bits;
    int window_mode;
    int screen_bits;
    int result;
};

TEST_F(StartUp, TwentyFourBitColourIsRefused)
{
    const depth_case cases[] = {
        {"24-bit desktop, windowed", 24, 1, 32, -1},
        {"24 bits asked", 32, 1, 24, -1},
        {"24-bit desktop, full screen", 24, 0, 32, 0},
        {"32 bits", 32, 1, 32, 0},
    };
    for (const depth_case& c : cases) {
        media::snd::reset_state();
        media::core::reset_state();
        media::gfx::reset_state();
        platform::headless::reset();
        platform::headless::set_clock_step(1);
        platform::headless::set_desktop({800, 600, c.desktop_bits, 60});
        platform::headless::set_display_modes({{800, 600, 32, 60}});
        SetScreenMode(800, 600, c.screen_bits, 60);
        window_state.settings.window_mode = c.window_mode;
        EXPECT_EQ(InitMediaLayer(), c.result) << c.name;
        if (c.result == -1) {
            EXPECT_NE(read().find("２４ビットカラーモードには対応していません\r\n"), std::string::npos) << c.name;
            EXPECT_FALSE(platform::headless::window().exists) << c.name;
            EXPECT_EQ(window_state.starting, 0) << c.name;
            EXPECT_EQ(window_state.started, 0) << c.name;
        }
        EndMediaLayer();
    }
}

TEST_F(StartUp, AFailedWindowUnwindsAndALaterStartSucceeds)
{
    platform::headless::fail_next_window_creation();
    EXPECT_EQ(InitMediaLayer(), -1);
    EXPECT_EQ(window_state.started, 0);
    EXPECT_EQ(window_state.starting, 0);
    EXPECT_EQ(window_state.com_initialised, 0);
    const std::string log = read();
    EXPECT_NE(log.find("ウインドウの作成に失敗しました\r\n"), std::string::npos);
    EXPECT_NE(log.find("ＣＯＭを終了... 完了\r\n"), std::string::npos);
    EXPECT_EQ(InitMediaLayer(), 0);
    EXPECT_EQ(window_state.started, 1);
    EXPECT_EQ(EndMediaLayer(), 0);
}

TEST_F(StartUp, SkipOptionsSkipTheirSteps)
{
    window_state.settings.no_window = 1;
    window_state.settings.no_graphics = 1;
    window_state.settings.no_sound = 1;
    window_state.settings.no_input = 1;
    ASSERT_EQ(InitMediaLayer(), 0);
    EXPECT_FALSE(platform::headless::window().exists);
    EXPECT_EQ(read().find("ソフトの二重起動検査"), std::string::npos);
    EXPECT_TRUE(platform::headless::screen_saver_inhibited());
    EXPECT_EQ(EndMediaLayer(), 0);
    EXPECT_FALSE(platform::headless::screen_saver_inhibited());
}

TEST_F(StartUp, FullScreenAtASizeNoModeHasStartsWindowed)
{
    window_state.settings.window_mode = 0;
    platform::headless::set_display_modes({{1024, 768, 32, 60}, {640, 480, 32, 60}});
    ASSERT_EQ(InitMediaLayer(), 0);
    EXPECT_EQ(IsWindowMode(), 1);
    EXPECT_NE(read().find("ウインドウモード起動用のウインドウを作成します\r\n"), std::string::npos);
    EndMediaLayer();
}

using StartUpDeathTest = StartUp;

TEST_F(StartUpDeathTest, AFatalMessageEndsTheProcessWith255)
{
    ASSERT_EQ(InitMediaLayer(), 0);
    EXPECT_EXIT(ExitWithLogMessage("x"), ::testing::ExitedWithCode(255), "");
    const std::string log = read();
    EXPECT_NE(log.find(":x\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("ＣＯＭを終了... 完了\r\n"), std::string::npos);
    EndMediaLayer();
}

TEST_F(StartUpDeathTest, AFormattedFatalMessageIsCutToItsBuffer)
{
    const std::string text(2000, 'a');
    EXPECT_EXIT(ExitWithLogPrintf("%s", text.c_str()), ::testing::ExitedWithCode(255), "");
    const std::string log = read();
    EXPECT_NE(log.find(std::string(1023, 'a') + "\r\n"), std::string::npos);
    EXPECT_EQ(log.find(std::string(1024, 'a')), std::string::npos);
}

// One start and end on the sdl backend under SDL's dummy driver, on the real clock.
TEST_F(StartUp, SdlStartAndEnd)
{
    platform::headless::set_clock_step(0);
    ASSERT_EQ(platform::select_backend("sdl"), 0);
    ::setenv("SDL_VIDEODRIVER", "dummy", 0);
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);  // never the machine's sound card
    EXPECT_EQ(InitMediaLayer(), 0);
    EXPECT_TRUE(platform::has_window());
    // sound runs, its stream thread on real time
    EXPECT_NE(media::snd::sound_system.device, 0);
    EXPECT_EQ(media::snd::sound_system.thread_running, 1);
    EXPECT_EQ(EndMediaLayer(), 0);
    EXPECT_EQ(media::snd::sound_system.stop_word.load(), 2);
    EXPECT_FALSE(platform::has_window());
    ASSERT_EQ(platform::select_backend("headless"), 0);
}

}  // namespace
