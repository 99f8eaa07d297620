// The sound system's start and shut-down: the logged sequence, the primary
// format, the failures, the stream thread's stop handshake, the fall-back of
// the music engine back end.
#include "sound_fixture.hpp"

#include <mutex>

#include "media/core/alloc.hpp"

namespace {

using media::snd::sound_system;
using sound_test::sound;

using SoundStart = sound;

// The device report's line for each output the audio layer lists.
std::string device_lines()
{
    std::vector<platform::audio_output> outputs;
    platform::audio::devices(outputs);
    std::string lines;
    for (const platform::audio_output& o : outputs) {
        char line[256];
        std::snprintf(line, sizeof line, "#:\t\tモジュール名:%15s  ドライバ記述:%s \r\n", o.module.c_str(),
                      o.description.c_str());
        lines += line;
    }
    return lines;
}

const std::string start_head = "#:DirectSound の初期化を行います\r\n"
                               "#:DirectSound インターフェースの取得を行います....  成功\r\n"
                               "#:引き続きインターフェースの初期化処理...  成功\r\n";

std::string report(const char* rates, const char* sixteen, const char* stereo)
{
    return std::string("#:\tDirectSound デバイスを列挙します\r\n") + device_lines() + "#:\t" + rates +
           " \r\n"
           "#:\t総サウンドメモリ領域:0.00KB 空きサウンドメモリ領域:0.00KB \r\n"
           "#:\t利用可能サンプリング精度\r\n"
           "#:\t プライマリ １６bit = " + sixteen + "  ８bit = OK \r\n"
           "#:\t セカンダリ １６bit = " + sixteen + "  ８bit = OK \r\n"
           "#:\t利用可能チャンネル\r\n"
           "#:\t プライマリ MONO = OK  STEREO = " + stereo + " \r\n"
           "#:\t セカンダリ MONO = OK  STEREO = " + stereo + " \r\n";
}

const std::string start_end = "#:DirectSound の初期化は正常に終了しました\r\n";

TEST_F(SoundStart, TheStartLogsItsStepsAndTheDeviceReport)
{
    restart_log();
    ASSERT_EQ(StartSoundSystem(), 0);
    EXPECT_EQ(stamped_log(),
              start_head + report("最大サンプリングレート:200.00KHz 最小サンプリングレート:0.10KHz", "OK", "OK") +
                  start_end);
    EXPECT_EQ(sound_system.thread_running, 1);
    EXPECT_EQ(sound_system.stop_word.load(), 0);
    EXPECT_EQ(GetSoundCreateType(), 0);
    EXPECT_EQ(sound_system.ogg_word_size, 2);
    EXPECT_TRUE(platform::headless::audio_open());

    // the silent buffer: 400 bytes of 16-bit stereo at 44100 Hz, looping
    ASSERT_NE(sound_system.silent, nullptr);
    EXPECT_EQ(sound_system.silent->size(), 400u);
    EXPECT_EQ(sound_system.silent->format().rate, 44100u);
    EXPECT_EQ(sound_system.silent->format().channels, 2);
    EXPECT_EQ(sound_system.silent->format().bits, 16);
    std::uint32_t status = 0;
    sound_system.silent->status(status);
    EXPECT_EQ(status, platform::audio::status_playing | platform::audio::status_looping);
    platform::headless::take_audio();
    platform::headless::advance_clock(20);
    const std::vector<float> out = platform::headless::take_audio();
    EXPECT_EQ(out.size(), 2u * 882);
    EXPECT_EQ(std::count(out.begin(), out.end(), 0.0f), static_cast<long>(out.size()));
}

TEST_F(SoundStart, ASecondStartAndAnEndBeforeAStartAreRefused)
{
    const std::string before = read();
    EXPECT_EQ(StartSoundSystem(), -1);
    EXPECT_EQ(read(), before);
    EXPECT_EQ(ShutdownSoundSystem(), 0);
    EXPECT_EQ(ShutdownSoundSystem(), -1);
    EXPECT_EQ(StartSoundSystem(), 0);
}

TEST_F(SoundStart, ThePrimaryFormatFollowsTheCaps)
{
    struct row {
        std::uint32_t max_rate;
        bool stereo, sixteen;
        std::uint32_t rate;
        int channels, bits;
    };
    const row rows[] = {
        {48000, true, true, 44100, 2, 16},
        {44100, true, true, 44100, 2, 16},
        {22050, true, true, 22050, 2, 16},
        {44100, false, true, 44100, 1, 16},
        {44100, true, false, 44100, 2, 8},
        {11025, false, false, 11025, 1, 8},
    };
    for (const row& r : rows) {
        ASSERT_EQ(ShutdownSoundSystem(), 0);
        platform::audio::test::set_caps(r.max_rate, r.stereo, r.sixteen);
        ASSERT_EQ(StartSoundSystem(), 0);
        const WAVEFORMATEX& f = sound_system.primary_format;
        EXPECT_EQ(f.wFormatTag, 1);
        EXPECT_EQ(f.nSamplesPerSec, r.rate) << r.max_rate;
        EXPECT_EQ(f.nChannels, r.channels) << r.max_rate;
        EXPECT_EQ(f.wBitsPerSample, r.bits) << r.max_rate;
        EXPECT_EQ(f.nBlockAlign, r.channels * r.bits / 8) << r.max_rate;
        EXPECT_EQ(f.nAvgBytesPerSec, r.rate * f.nBlockAlign) << r.max_rate;
        EXPECT_EQ(f.cbSize, 0);
        // recorded by the audio layer
        EXPECT_EQ(platform::audio::primary_format().rate, r.rate);
        EXPECT_EQ(platform::audio::primary_format().channels, r.channels);
        EXPECT_EQ(platform::audio::primary_format().bits, r.bits);
    }
}

TEST_F(SoundStart, TheReportShowsWhatTheCapsLack)
{
    restart_log();
    platform::audio::test::set_caps(22050, false, false);
    ASSERT_EQ(StartSoundSystem(), 0);
    EXPECT_EQ(stamped_log(),
              start_head + report("最大サンプリングレート:22.05KHz 最小サンプリングレート:0.10KHz", "NO", "NO") +
                  start_end);
}

TEST_F(SoundStart, ADeviceThatCannotOpenFailsTheStartAndLeavesNothing)
{
    restart_log();
    const int blocks = media::core::alloc_state.count;
    platform::headless::fail_next_audio_open();
    EXPECT_EQ(StartSoundSystem(), -1);
    EXPECT_EQ(stamped_log(), "#:DirectSound の初期化を行います\r\n"
                             "#:DirectSound インターフェースの取得を行います....  成功\r\n"
                             "#:引き続きインターフェースの初期化処理...  初期化に失敗しました\r\n");
    EXPECT_EQ(sound_system.device, 0);
    EXPECT_EQ(sound_system.thread_running, 0);
    EXPECT_EQ(sound_system.silent, nullptr);
    EXPECT_FALSE(platform::headless::audio_open());
    EXPECT_EQ(media::core::alloc_state.count, blocks);
    EXPECT_EQ(AddSoundData(-1), -1);
    EXPECT_EQ(ShutdownSoundSystem(), -1);
    EXPECT_EQ(StartSoundSystem(), 0);
    EXPECT_EQ(sound_system.thread_running, 1);
}

TEST_F(SoundStart, SilentBufferAndReportFailuresLetTheStartGoOn)
{
    struct row {
        const char* name;
        void (*fail)();
        const char* logged;
        bool silent;
    };
    const row rows[] = {
        {"silent buffer not made", [] { platform::audio::test::fail_next_buffers(1); },
         "#:無音バッファの作成に失敗しました\r\n", false},
        {"silent buffer not locked", [] { platform::audio::test::fail_next_locks(1); },
         "#:無音バッファのロックに失敗しました\r\n", false},
        {"device list fails", [] { platform::headless::fail_audio_listing(true); },
         "#:\tDirectSound デバイスを列挙します\r\n#:\t\tDSOUND.DLL のロードに失敗しました\r\n"
         "#:DirectSound の初期化は正常に終了しました\r\n",
         true},
    };
    for (const row& r : rows) {
        restart_log();
        r.fail();
        EXPECT_EQ(StartSoundSystem(), 0) << r.name;
        EXPECT_NE(stamped_log().find(r.logged), std::string::npos) << r.name << "\n" << read();
        EXPECT_NE(read().find("DirectSound の初期化は正常に終了しました\r\n"), std::string::npos) << r.name;
        EXPECT_EQ(sound_system.silent != nullptr, r.silent) << r.name;
        EXPECT_EQ(sound_system.thread_running, 1) << r.name;
        platform::headless::fail_audio_listing(false);
    }
}

TEST_F(SoundStart, TheShutDownStopsTheThreadDeletesEverySoundAndLogs)
{
    const int blocks = media::core::alloc_state.count;
    const int a = make_sound(sound_test::ramp(100), 3);
    const int b = make_sound(sound_test::ramp(100), 1);
    ASSERT_NE(a, -1);
    ASSERT_NE(b, -1);
    PlaySoundHandle(a, SOUNDPLAY_LOOP, 1);
    OpenLogFile();
    EXPECT_EQ(ShutdownSoundSystem(), 0);
    EXPECT_EQ(sound_system.stop_word.load(), 2);
    EXPECT_EQ(sound_system.thread_running, 0);
    EXPECT_EQ(media::snd::sounds.count(), 0);
    EXPECT_EQ(media::core::alloc_state.count, blocks);
    EXPECT_EQ(sound_system.device, 0);
    EXPECT_EQ(sound_system.silent, nullptr);
    EXPECT_FALSE(platform::headless::audio_open());
    EXPECT_EQ(stamped_log(), "#:DirectSound の終了処理は正常に終了しました\r\n");
}

TEST_F(SoundStart, TheShutDownWaitsForTheThreadWhenThePumpReportsQuitting)
{
    media::core::window_state.quit = 1;
    const std::uint32_t before = platform::milliseconds();
    EXPECT_EQ(ShutdownSoundSystem(), 0);
    // the thread answered: its pass falls due within 30 ms of virtual time
    EXPECT_EQ(sound_system.stop_word.load(), 2);
    EXPECT_LE(platform::milliseconds() - before, 32u);
    media::core::window_state.quit = 0;
}

TEST_F(SoundStart, TheShutDownEndsWhileTheCallerHoldsTheSoundLock)
{
    std::lock_guard<std::recursive_mutex> hold(media::snd::sound_lock);
    EXPECT_EQ(ShutdownSoundSystem(), 0);
    EXPECT_EQ(sound_system.stop_word.load(), 2);
}

TEST_F(SoundStart, APassDueWhileTheTestHoldsTheLockWaitsInVirtualTime)
{
    {
        std::lock_guard<std::recursive_mutex> hold(media::snd::sound_lock);
        platform::headless::advance_clock(100);  // the thread tries and sleeps
    }
    platform::headless::advance_clock(100);
    EXPECT_EQ(sound_system.stop_word.load(), 0);
    EXPECT_EQ(ShutdownSoundSystem(), 0);
    EXPECT_EQ(sound_system.stop_word.load(), 2);
}

TEST_F(SoundStart, TheMusicEngineBackEndFallsBackToTheDevice)
{
    restart_log();
    sound_system.back_end = 1;
    ASSERT_EQ(StartSoundSystem(), 0);
    EXPECT_EQ(sound_system.back_end, 0);
    EXPECT_EQ(stamped_log(),
              "#:DirectSound8 の初期化を行います\r\n"
              "#:DirectMusicLoader8 オブジェクトの作成に失敗しました\r\n"
              "#:前バージョンでの初期化処理に移ります\r\n" +
                  start_head + report("最大サンプリングレート:200.00KHz 最小サンプリングレート:0.10KHz", "OK", "OK") +
                  start_end);
    EXPECT_EQ(sound_system.thread_running, 1);
}

// The fatal road: a stream ring that cannot be made ends the process while
// the caller holds the sound lock, and the layer's end (with the sound
// system's shut-down) runs on that road; it must end, not hang.
using SoundStartDeathTest = SoundStart;

TEST_F(SoundStartDeathTest, AStreamRingThatCannotBeMadeEndsTheProcessUnderTheLock)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const int h = AddSoundData(-1);
    ASSERT_NE(h, -1);
    const WAVEFORMATEX f = sound_test::pcm16(2, 44100);
    EXPECT_EXIT(
        {
            std::lock_guard<std::recursive_mutex> hold(media::snd::sound_lock);
            platform::audio::test::fail_next_buffers(1);
            CreateSoundBuffers(-1, &f, 0, 1, 1, h);
        },
        ::testing::ExitedWithCode(255), "");
}

}  // namespace
