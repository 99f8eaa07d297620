// The mixer: every playing buffer summed in float into stereo at the
// device's rate, under one lock that the buffers' state changes take too.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace platform::audio {

// What the device is opened with: stereo float at 44100 Hz, pulled in
// periods of 1024 frames (23 ms).
constexpr int device_rate = 44100;
constexpr int device_channels = 2;
constexpr int device_period = 1024;

// One buffer's playing state, read by the mixer under its lock.
struct voice {
    std::shared_ptr<std::vector<std::uint8_t>> bytes;  // shared with duplicates
    std::uint32_t frames = 0;  // whole frames in bytes
    std::uint16_t block = 0;
    int bits = 0, channels = 0;
    std::uint32_t rate = 0;       // the format's
    std::uint32_t frequency = 0;  // the rate it plays at
    std::uint64_t step = std::uint64_t{1} << 32;  // frames per output frame, 32.32
    std::uint64_t position = 0;   // 32.32 frames, below frames << 32
    int volume = 0, pan = 0;
    // amplitude of each side, with the sample scale and the channel fold in
    float gain_left = 0, gain_right = 0;
    bool playing = false, looping = false;
};

struct mixer_state {
    std::mutex lock;
    std::vector<voice*> playing;
};

// Made at first use and never destroyed: the device's thread may pull while
// the program's statics are destroyed.
mixer_state& mixer();

// Mixes frames output frames into out (interleaved stereo, clipped to
// [-1, 1]) and moves every playing voice on; with out null only moves them
// (the cursors end where mixing would leave them). Takes the mixer's lock.
void mix(float* out, int frames);

// Under the mixer's lock: put in or take out of the playing list, and work
// out the gains and step from volume, pan and frequency.
void start_voice(voice& v);
void stop_voice(voice& v);
void update_gains(voice& v);
void update_step(voice& v);

}  // namespace platform::audio
