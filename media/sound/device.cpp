// The sound device: the start and shut-down of the sound system, the device
// report, the silent looping buffer and the stream thread.
#include "media/sound/device.hpp"

#include <pthread.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "media/core/handle.hpp"
#include "media/core/log.hpp"
#include "media/core/pump.hpp"
#include "media/sound/internal.hpp"
#include "media/sound/midi.hpp"
#include "media/sound/sound_handle.hpp"
#include "media/sound/stream_sound.hpp"
#include "platform/audio/buffer.hpp"
#include "platform/audio/device.hpp"
#include "platform/platform.hpp"
#include "platform/text/codepage.hpp"

using media::snd::sound_system;

namespace {

constexpr std::uint32_t silent_bytes = 400;
// the stream thread's period and its wait between tries of the lock
constexpr std::uint32_t stream_pass_ms = 30;
constexpr std::uint32_t lock_try_ms = 1;
// the shut-down's wait between looks at the stop word
constexpr std::uint32_t stop_look_ms = 2;

const char* ok(std::uint32_t flags, std::uint32_t bit)
{
    return (flags & bit) != 0 ? "OK" : "NO";
}

// Text the audio layer gives (UTF-8) in the log's code page.
std::string narrow(const std::string& utf8)
{
    const std::wstring wide = platform::text::from_utf8(utf8);
    std::string out;
    platform::text::append_narrow(wide.data(), wide.size(), out);
    return out;
}

// The primary format the caps allow: stereo and 16 bits when offered, at
// the highest secondary rate up to 44100.
WAVEFORMATEX primary_format_of(const platform::audio::device_caps& caps)
{
    WAVEFORMATEX f{};
    f.wFormatTag = 1;
    f.nChannels = (caps.flags & platform::audio::caps_primary_stereo) != 0 ? 2 : 1;
    const int bytes = (caps.flags & platform::audio::caps_primary_16bit) != 0 ? 2 : 1;
    f.wBitsPerSample = static_cast<std::uint16_t>(8 * bytes);
    f.nSamplesPerSec = caps.max_secondary_rate > 44100 ? 44100 : caps.max_secondary_rate;
    f.nBlockAlign = static_cast<std::uint16_t>(f.wBitsPerSample / 8 * f.nChannels);
    f.nAvgBytesPerSec = f.nBlockAlign * f.nSamplesPerSec;
    f.cbSize = 0;
    return f;
}

// Back end 0: the device object, its opening and the primary format.
int start_device()
{
    media::snd::SOUNDSYSTEM& s = sound_system;
    LogWrite("DirectSound の初期化を行います\n");
    LogWrite("DirectSound インターフェースの取得を行います....  ");
    // the object is only a record here: making it cannot fail
    s.device = 1;
    LogWrite("成功\n");
    LogWrite("引き続きインターフェースの初期化処理...  ");
    if (platform::audio::open_device() != 0) {
        s.device = 0;
        return LogWrite("初期化に失敗しました\n");
    }
    LogWrite("成功\n");
    // the cooperative level and the primary buffer always succeed on the
    // audio layer; the primary format is only recorded
    s.primary = 1;
    platform::audio::device_caps caps;
    platform::audio::caps(caps);
    s.primary_format = primary_format_of(caps);
    if (platform::audio::set_primary_format(media::snd::to_pcm_format(s.primary_format)) != 0)
        LogWrite("DirectSoundのプライマリサウンドバッファのフォーマット設定に失敗しました\n");
    return 0;
}

// Back end 1 has no stand-in here: its loader cannot be made, so the start
// falls back to back end 0.
int start_music_engine()
{
    LogWrite("DirectSound8 の初期化を行います\n");
    LogWrite("DirectMusicLoader8 オブジェクトの作成に失敗しました\n");
    LogWrite("前バージョンでの初期化処理に移ります\n");
    sound_system.back_end = 0;
    return StartSoundSystem();
}

// 400 bytes of silence kept playing in a loop; a failure is logged and the
// start goes on without it.
void start_silent_buffer()
{
    WAVEFORMATEX f{};
    f.wFormatTag = 1;
    f.nChannels = 2;
    f.nSamplesPerSec = 44100;
    f.nAvgBytesPerSec = 176400;
    f.nBlockAlign = 4;
    f.wBitsPerSample = 16;
    std::unique_ptr<platform::audio::buffer> b = platform::audio::create_buffer(media::snd::to_pcm_format(f), silent_bytes);
    if (b == nullptr) {
        LogPrintf("無音バッファの作成に失敗しました");
        return;
    }
    void *first, *second;
    std::uint32_t first_bytes, second_bytes;
    if (b->lock(0, silent_bytes, first, first_bytes, second, second_bytes) != 0) {
        LogPrintf("無音バッファのロックに失敗しました");
        return;  // released as b goes
    }
    std::memset(first, 0, first_bytes);
    if (second != nullptr)
        std::memset(second, 0, second_bytes);
    b->unlock(first, first_bytes, second, second_bytes);
    b->play(true);
    sound_system.silent = b.release();
}

// The device list and the caps, indented under the start's lines.
void log_device_report()
{
    LogIndentIn();
    platform::audio::device_caps caps;
    platform::audio::caps(caps);
    LogWrite("DirectSound デバイスを列挙します\n");
    LogIndentIn();
    std::vector<platform::audio_output> outputs;
    if (platform::audio::devices(outputs) != 0) {
        LogWrite("DSOUND.DLL のロードに失敗しました\n");
        LogIndentOut();
        LogIndentOut();
        return;
    }
    for (const platform::audio_output& o : outputs)
        LogPrintf("モジュール名:%15s  ドライバ記述:%s ", narrow(o.module).c_str(), narrow(o.description).c_str());
    LogIndentOut();
    LogPrintf("最大サンプリングレート:%.2fKHz 最小サンプリングレート:%.2fKHz ", caps.max_secondary_rate / 1000.0,
              caps.min_secondary_rate / 1000.0);
    char line[256];
    std::snprintf(line, sizeof line, "総サウンドメモリ領域:%.2fKB 空きサウンドメモリ領域:%.2fKB \n",
                  caps.hardware_memory / 1024.0, caps.hardware_memory / 1024.0);
    LogWrite(line);
    namespace a = platform::audio;
    LogWrite("利用可能サンプリング精度\n");
    std::snprintf(line, sizeof line, " プライマリ １６bit = %s  ８bit = %s \n", ok(caps.flags, a::caps_primary_16bit),
                  ok(caps.flags, a::caps_primary_8bit));
    LogWrite(line);
    std::snprintf(line, sizeof line, " セカンダリ １６bit = %s  ８bit = %s \n", ok(caps.flags, a::caps_secondary_16bit),
                  ok(caps.flags, a::caps_secondary_8bit));
    LogWrite(line);
    LogWrite("利用可能チャンネル\n");
    std::snprintf(line, sizeof line, " プライマリ MONO = %s  STEREO = %s \n", ok(caps.flags, a::caps_primary_mono),
                  ok(caps.flags, a::caps_primary_stereo));
    LogWrite(line);
    std::snprintf(line, sizeof line, " セカンダリ MONO = %s  STEREO = %s \n", ok(caps.flags, a::caps_secondary_mono),
                  ok(caps.flags, a::caps_secondary_stereo));
    LogWrite(line);
    LogIndentOut();
}

// Asks the stream thread to stop and waits for its answer, pumping the
// window's messages while the program is not quitting. The thread gives up
// at once when it finds the lock taken, so a caller that holds it does not
// wait forever; its answer is the last thing it does with the sound state.
void end_stream_thread(bool pump)
{
    media::snd::SOUNDSYSTEM& s = sound_system;
    if (s.thread_running == 0)
        return;
    s.stop_word = 1;
    bool quitting = !pump || PumpWindowMessages() != 0;
    while (s.stop_word.load() == 1) {
        platform::sleep(stop_look_ms);
        if (!quitting)
            quitting = PumpWindowMessages() != 0;
    }
    s.thread_running = 0;
}

// A forked child has no stream thread: its shut-down has no answer to wait
// for.
void forget_thread_after_fork()
{
    sound_system.thread_running = 0;
}

}  // namespace

int StartSoundSystem()
{
    media::snd::SOUNDSYSTEM& s = sound_system;
    if (s.device != 0)
        return -1;
    // the sound lock is a static of the folder: its use starts here
    if (s.back_end == 1)
        return start_music_engine();
    if (start_device() != 0)
        return -1;

    start_silent_buffer();
    InitHandleChain(&s.stream_head, &s.stream_tail);
    s.create_type = 0;
    s.ogg_word_size = 2;
    log_device_report();
    DeleteAllSounds(0);

    s.stop_word = 0;
    static const int fork_handler = pthread_atfork(nullptr, nullptr, forget_thread_after_fork);
    (void)fork_handler;
    if (platform::start_timed_thread(media::snd::SoundStreamThread, "zentil-sound", platform::thread_priority::highest) ==
        0)
        s.thread_running = 1;
    LogWrite("DirectSound の初期化は正常に終了しました\n");
    return 0;
}

int ShutdownSoundSystem()
{
    media::snd::SOUNDSYSTEM& s = sound_system;
    if (s.device == 0)
        return -1;
    end_stream_thread(true);
    EndSoundCapture();
    DeleteAllSounds(0);
    DeleteAllMidi();
    media::snd::delete_midi_temp_file();
    // the sound lock's use ends here; the primary buffer is only a record
    s.primary = 0;
    if (s.silent != nullptr) {
        s.silent->stop();
        delete s.silent;
        s.silent = nullptr;
    }
    platform::audio::close_device();
    s.device = 0;
    LogWrite("DirectSound の終了処理は正常に終了しました\n");
    return 0;
}

namespace media::snd {

void SoundStreamThread()
{
    SOUNDSYSTEM& s = sound_system;
    for (;;) {
        // tried, not waited for: on headless a pass that falls due while the
        // test's thread holds the lock waits in virtual time
        for (;;) {
            if (s.stop_word.load() == 1) {
                s.stop_word = 2;
                return;
            }
            if (sound_lock.try_lock())
                break;
            platform::sleep(lock_try_ms);
        }
        bool held = false;
#if ZENTIL_TEST_HOOKS
        held = s.hold_stream_thread.load() != 0;
#endif
        for (HANDLENODE* n = s.stream_head.next; !held && n != nullptr && n != &s.stream_tail; n = n->next) {
            const SOUNDDATA* d = static_cast<const SOUNDDATA*>(n->data);
            if (d != nullptr && d->stream_active != 0)
                RefillStreamSound(n->handle);
        }
        sound_lock.unlock();
        platform::sleep(stream_pass_ms);
    }
}

void stop_stream_thread_for_reset()
{
    end_stream_thread(false);
}

}  // namespace media::snd
