// The mixer: one second of output from 32 looping voices of 16-bit stereo
// with gains, at the device's rate and at half of it (resampled), against a
// loop of SDL_MixAudioFormat over the same 16-bit voices.
#include "platform/audio/device.hpp"
#include "platform/audio/mixer.hpp"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace {

namespace pa = platform::audio;

constexpr int voices = 32;
constexpr int second = pa::device_rate;  // output frames

// One second of noise per voice, 16-bit stereo.
std::vector<std::vector<std::int16_t>> voice_samples(std::uint32_t rate)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> sample(-32768, 32767);
    std::vector<std::vector<std::int16_t>> out(voices);
    for (auto& v : out) {
        v.resize(static_cast<std::size_t>(rate) * 2);
        for (auto& s : v) s = static_cast<std::int16_t>(sample(random));
    }
    return out;
}

void mix_voices(benchmark::State& state, std::uint32_t rate)
{
    const auto samples = voice_samples(rate);
    std::vector<std::unique_ptr<pa::buffer>> buffers;
    for (int i = 0; i < voices; ++i) {
        auto b = pa::create_buffer(pa::make_pcm_format(2, rate, 16), rate * 4);
        void *p1, *p2;
        std::uint32_t n1, n2;
        b->lock(0, b->size(), p1, n1, p2, n2);
        std::memcpy(p1, samples[i].data(), n1);
        b->unlock(p1, n1, p2, n2);
        b->set_volume(-100 * i);
        b->set_pan((i - 16) * 500);
        b->play(true);
        buffers.push_back(std::move(b));
    }
    std::vector<float> out(2 * pa::device_period);
    for (auto _ : state) {
        for (int done = 0; done < second; done += pa::device_period) {
            pa::mix(out.data(), std::min(pa::device_period, second - done));
            benchmark::DoNotOptimize(out.data());
        }
    }
    state.counters["x_real_time"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                       benchmark::Counter::kIsRate);
}

void BM_MixSameRate(benchmark::State& state)
{
    mix_voices(state, 44100);
}
BENCHMARK(BM_MixSameRate)->Unit(benchmark::kMillisecond);

void BM_MixResampled(benchmark::State& state)
{
    mix_voices(state, 22050);
}
BENCHMARK(BM_MixResampled)->Unit(benchmark::kMillisecond);

// The anchor: SDL's own mixing of the same voices into 16-bit output, with
// a volume per voice, period by period.
void BM_SdlMixAudioFormat(benchmark::State& state)
{
    const auto samples = voice_samples(44100);
    std::vector<std::int16_t> out(2 * pa::device_period);
    std::uint32_t position = 0;  // frames, the same for every voice
    for (auto _ : state) {
        for (int done = 0; done < second; done += pa::device_period) {
            const int frames = std::min(pa::device_period, second - done);
            std::memset(out.data(), 0, out.size() * sizeof out[0]);
            for (int i = 0; i < voices; ++i) {
                SDL_MixAudioFormat(reinterpret_cast<Uint8*>(out.data()),
                                   reinterpret_cast<const Uint8*>(samples[i].data() + 2 * position), AUDIO_S16SYS,
                                   static_cast<Uint32>(frames * 4), SDL_MIX_MAXVOLUME - i * 3);
            }
            position = (position + frames) % 44100;
            if (position + pa::device_period > 44100) position = 0;
            benchmark::DoNotOptimize(out.data());
        }
    }
    state.counters["x_real_time"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                       benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SdlMixAudioFormat)->Unit(benchmark::kMillisecond);

}  // namespace
