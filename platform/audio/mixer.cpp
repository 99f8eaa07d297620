// The mixer's loops: one per sample size, channel layout and kind (same
// rate or resampled), generated from one frame reader and picked once per
// run of frames from a table.
#include "platform/audio/mixer.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace platform::audio {

namespace {

// One sample as a float of its integer value (8-bit: value - 128); the scale
// to [-1, 1) is in the voice's gains.
template <int Bits>
inline float read_sample(const std::uint8_t* p)
{
    if constexpr (Bits == 8) {
        return static_cast<float>(static_cast<int>(p[0]) - 128);
    } else if constexpr (Bits == 16) {
        std::int16_t s;
        std::memcpy(&s, p, 2);
        return static_cast<float>(s);
    } else if constexpr (Bits == 24) {
        const std::uint32_t u = p[0] | (p[1] << 8) | (static_cast<std::uint32_t>(p[2]) << 16);
        return static_cast<float>(static_cast<std::int32_t>(u << 8) >> 8);
    } else {
        std::int32_t s;
        std::memcpy(&s, p, 4);
        return static_cast<float>(s);
    }
}

// Layouts: 1 mono packed, 2 stereo packed, 0 any count and stride. Mono goes
// to both sides; more than two channels fold: the even ones to the left, the
// odd ones to the right, each side averaged (in the gains).
template <int Bits, int Layout>
inline void read_frame(const std::uint8_t* p, int channels, float& l, float& r)
{
    constexpr int bytes = Bits / 8;
    if constexpr (Layout == 1) {
        l = r = read_sample<Bits>(p);
    } else if constexpr (Layout == 2) {
        l = read_sample<Bits>(p);
        r = read_sample<Bits>(p + bytes);
    } else {
        if (channels == 1) {
            l = r = read_sample<Bits>(p);
            return;
        }
        l = r = 0;
        for (int c = 0; c < channels; c += 2) l += read_sample<Bits>(p + c * bytes);
        for (int c = 1; c < channels; c += 2) r += read_sample<Bits>(p + c * bytes);
    }
}

template <int Bits, int Layout>
inline int stride(const voice& v)
{
    if constexpr (Layout == 0)
        return v.block;
    else
        return Layout * Bits / 8;
}

// position's whole frames are the first frame; count frames stay inside the
// buffer.
template <int Bits, int Layout>
void mix_same_rate(const voice& v, float* out, std::uint64_t position, int count)
{
    const int step = stride<Bits, Layout>(v);
    const std::uint8_t* p = v.bytes->data() + static_cast<std::size_t>(position >> 32) * step;
    const float gl = v.gain_left, gr = v.gain_right;
    const int channels = v.channels;
    for (int j = 0; j < count; ++j, p += step) {
        float l, r;
        read_frame<Bits, Layout>(p, channels, l, r);
        out[2 * j] += l * gl;
        out[2 * j + 1] += r * gr;
    }
}

// Linear interpolation between the frame under the position and the next
// one (the first again when looping; past a one-shot end, the last held).
template <int Bits, int Layout>
void mix_resampled(const voice& v, float* out, std::uint64_t position, int count)
{
    const int step = stride<Bits, Layout>(v);
    const std::uint8_t* base = v.bytes->data();
    const float gl = v.gain_left, gr = v.gain_right;
    const int channels = v.channels;
    const std::uint32_t last = v.frames - 1;
    for (int j = 0; j < count; ++j, position += v.step) {
        const std::uint32_t i = static_cast<std::uint32_t>(position >> 32);
        const std::uint32_t next = i < last ? i + 1 : (v.looping ? 0 : i);
        const float f = static_cast<float>(static_cast<std::uint32_t>(position)) * (1.0f / 4294967296.0f);
        float l0, r0, l1, r1;
        read_frame<Bits, Layout>(base + static_cast<std::size_t>(i) * step, channels, l0, r0);
        read_frame<Bits, Layout>(base + static_cast<std::size_t>(next) * step, channels, l1, r1);
        out[2 * j] += (l0 + (l1 - l0) * f) * gl;
        out[2 * j + 1] += (r0 + (r1 - r0) * f) * gr;
    }
}

using loop_fn = void (*)(const voice&, float*, std::uint64_t, int);

template <int Bits>
constexpr loop_fn loops_of[3][2] = {
    {mix_same_rate<Bits, 0>, mix_resampled<Bits, 0>},
    {mix_same_rate<Bits, 1>, mix_resampled<Bits, 1>},
    {mix_same_rate<Bits, 2>, mix_resampled<Bits, 2>},
};

loop_fn pick_loop(const voice& v, bool resampled)
{
    const bool packed = v.channels <= 2 && v.block == v.channels * v.bits / 8;
    const int layout = packed ? v.channels : 0;
    switch (v.bits) {
    case 8: return loops_of<8>[layout][resampled];
    case 16: return loops_of<16>[layout][resampled];
    case 24: return loops_of<24>[layout][resampled];
    default: return loops_of<32>[layout][resampled];
    }
}

// Mixes (or only moves on, with out null) one voice for up to frames output
// frames; stops it at a one-shot end. Under the lock.
void render(voice& v, float* out, int frames)
{
    constexpr std::uint64_t one = std::uint64_t{1} << 32;
    const std::uint64_t end = static_cast<std::uint64_t>(v.frames) << 32;
    int done = 0;
    while (done < frames && v.playing) {
        const bool same_rate = v.step == one && (v.position & 0xFFFFFFFFu) == 0;
        // output frames before the position reaches the end
        const std::uint64_t left = (end - v.position + v.step - 1) / v.step;
        const int count = static_cast<int>(std::min<std::uint64_t>(left, static_cast<std::uint64_t>(frames - done)));
        if (out)
            pick_loop(v, !same_rate)(v, out + 2 * done, v.position, count);
        v.position += static_cast<std::uint64_t>(count) * v.step;
        done += count;
        if (v.position >= end) {
            if (v.looping) {
                v.position %= end;
            } else {
                v.playing = false;
                v.position = 0;
            }
        }
    }
}

double decibels_to_amplitude(int hundredths)
{
    return hundredths <= -10000 ? 0.0 : std::pow(10.0, hundredths / 2000.0);
}

}  // namespace

mixer_state& mixer()
{
    static mixer_state* state = new mixer_state;
    return *state;
}

void mix(float* out, int frames)
{
    mixer_state& m = mixer();
    std::lock_guard<std::mutex> hold(m.lock);
    if (frames <= 0)
        return;
    if (out)
        std::fill(out, out + 2 * static_cast<std::size_t>(frames), 0.0f);
    for (std::size_t i = 0; i < m.playing.size();) {
        voice& v = *m.playing[i];
        render(v, out, frames);
        if (v.playing) {
            ++i;
        } else {  // a one-shot end: out of the list, order of the rest kept
            m.playing.erase(m.playing.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    if (out) {
        for (std::size_t i = 0; i < 2 * static_cast<std::size_t>(frames); ++i)
            out[i] = std::min(1.0f, std::max(-1.0f, out[i]));
    }
}

void start_voice(voice& v)
{
    mixer_state& m = mixer();
    v.playing = true;
    if (std::find(m.playing.begin(), m.playing.end(), &v) == m.playing.end())
        m.playing.push_back(&v);
}

void stop_voice(voice& v)
{
    mixer_state& m = mixer();
    v.playing = false;
    m.playing.erase(std::remove(m.playing.begin(), m.playing.end(), &v), m.playing.end());
}

void update_gains(voice& v)
{
    const double amplitude = decibels_to_amplitude(v.volume);
    const double left = v.pan > 0 ? decibels_to_amplitude(-v.pan) : 1.0;
    const double right = v.pan < 0 ? decibels_to_amplitude(v.pan) : 1.0;
    // integer sample values to [-1, 1): a power of two, so exact
    const double scale = v.bits == 8 ? 1.0 / 128 : v.bits == 16 ? 1.0 / 32768 : v.bits == 24 ? 1.0 / 8388608 : 1.0 / 2147483648.0;
    const int left_channels = v.channels <= 2 ? 1 : (v.channels + 1) / 2;
    const int right_channels = v.channels <= 2 ? 1 : v.channels / 2;
    // the amplitude rounded to float first, so that a gain is the float the
    // volume names, scaled by a power of two
    v.gain_left = static_cast<float>(static_cast<float>(amplitude * left) * scale / left_channels);
    v.gain_right = static_cast<float>(static_cast<float>(amplitude * right) * scale / right_channels);
}

void update_step(voice& v)
{
    v.step = (static_cast<std::uint64_t>(v.frequency) << 32) / device_rate;
}

}  // namespace platform::audio
