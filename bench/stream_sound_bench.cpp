// One pass of the sound stream thread: 16 playing stream sounds of 16-bit
// stereo at 44100 Hz (each a PCM WAV image read through its converter),
// each refilled by an eighth of a second under the sound lock. The anchor is
// a plain loop that copies the same bytes from one PCM block into 16 rings.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "media/core/log.hpp"
#include "media/core/window_services.hpp"
#include "media/graphics/screen_mode.hpp"
#include "media/sound/convert.hpp"
#include "media/sound/internal.hpp"
#include "media/sound/sound_handle.hpp"
#include "media/sound/stream_sound.hpp"
#include "media/system/startup.hpp"
#include "media/system/window.hpp"
#include "platform/headless/headless.hpp"
#include "platform/platform.hpp"

namespace {

constexpr int sounds = 16;
constexpr int seconds = 10;  // of data per sound, repeated endlessly
constexpr std::uint32_t rate = 176400;
constexpr std::uint32_t eighth = 22048;

void put(std::string& out, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::string wave_image()
{
    std::string data(static_cast<std::size_t>(rate) * seconds, '\0');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 7);
    std::string out = "RIFF";
    put(out, static_cast<std::uint32_t>(36 + data.size()), 4);
    out += "WAVEfmt ";
    put(out, 16, 4);
    put(out, 1, 2);
    put(out, 2, 2);
    put(out, 44100, 4);
    put(out, rate, 4);
    put(out, 4, 2);
    put(out, 16, 2);
    out += "data";
    put(out, static_cast<std::uint32_t>(data.size()), 4);
    return out + data;
}

// The media layer on the headless backend; its clock stands, so the stream
// thread never runs a pass of its own and every ring cursor stays at 0.
std::vector<int> playing_sounds()
{
    static std::vector<int> handles;
    if (!handles.empty())
        return handles;
    platform::headless::set_clock_step(1);
    if (platform::select_backend("headless") < 0) {
        std::fputs("stream_sound_bench: no headless backend\n", stderr);
        std::exit(1);
    }
    SetRunWhenInactive(1);
    SetLogOutputEnabled(0);
    ChangeWindowMode(1);
    SetScreenMode(640, 480, 32, 60);
    if (InitMediaLayer() < 0) {
        std::fputs("stream_sound_bench: the media layer did not start\n", stderr);
        std::exit(1);
    }
    platform::headless::set_clock_step(0);
    const std::string image = wave_image();
    for (int i = 0; i < sounds; ++i) {
        const int h = AddSoundData(-1);
        if (h == -1 || AddStreamSoundFromImage(image.data(), static_cast<int>(image.size()), -1, h, 2, -1) != 0 ||
            PrimeStreamSound(h) != 0 || PlaySoundHandle(h, SOUNDPLAY_BACKGROUND, 1) != 0) {
            std::fputs("stream_sound_bench: a stream sound did not start\n", stderr);
            std::exit(1);
        }
        handles.push_back(h);
    }
    return handles;
}

// Half a second ahead of the cursor at 0: each refill adds an eighth. The
// source goes back to its start a second before its end (the cursor stands,
// so a loop jump would never be heard and later passes would write nothing).
void stand_half_a_second_ahead(SOUNDDATA* d)
{
    d->write_position = static_cast<std::int32_t>(rate / 2);
    d->window_start = static_cast<std::int32_t>(rate / 2 + rate - 132300);
    if (d->source_position > static_cast<std::int32_t>(rate) * (seconds - 1)) {
        SeekSoundConverter(&d->sources[0].conv, 0);
        d->source_position = 0;
    }
}

void BM_StreamPass(benchmark::State& state)
{
    const std::vector<int> handles = playing_sounds();
    std::vector<SOUNDDATA*> records;
    for (int h : handles)
        records.push_back(media::snd::sounds.find(h));
    for (auto _ : state) {
        state.PauseTiming();
        for (SOUNDDATA* d : records)
            stand_half_a_second_ahead(d);
        state.ResumeTiming();
        std::lock_guard<std::recursive_mutex> hold(media::snd::sound_lock);
        for (int h : handles)
            RefillStreamSound(h);
    }
    std::uint64_t written = 0;
    for (SOUNDDATA* d : records)
        written += static_cast<std::uint32_t>(d->write_position) - rate / 2;
    if (written != static_cast<std::uint64_t>(sounds) * eighth)
        state.SkipWithError("a refill did not add an eighth of a second");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * sounds * eighth);
}
BENCHMARK(BM_StreamPass)->Unit(benchmark::kMicrosecond);

// The anchor: the same bytes copied from one PCM block into 16 rings.
void BM_PlainCopyAnchor(benchmark::State& state)
{
    std::vector<std::uint8_t> pcm(static_cast<std::size_t>(rate) * seconds);
    for (std::size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<std::uint8_t>(i * 7);
    std::vector<std::vector<std::uint8_t>> rings(sounds, std::vector<std::uint8_t>(rate));
    std::size_t from = 0;
    for (auto _ : state) {
        for (auto& ring : rings) {
            std::memcpy(ring.data() + rate / 2, pcm.data() + from, eighth);
            benchmark::DoNotOptimize(ring.data());
        }
        from = (from + eighth) % (pcm.size() - eighth);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * sounds * eighth);
}
BENCHMARK(BM_PlainCopyAnchor)->Unit(benchmark::kMicrosecond);

}  // namespace
