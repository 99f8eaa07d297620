// The sound tests' fixture: the media layer started on the headless backend
// (so the sound system runs, with its stream thread) and the mixed output
// kept; helpers that make PCM sounds as the loaders do and read the output.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "../core/log_folder.hpp"
#include "media/core/internal.hpp"
#include "media/graphics/draw.hpp"
#include "media/sound/device.hpp"
#include "media/sound/internal.hpp"
#include "media/sound/sound_handle.hpp"
#include "media/system/startup.hpp"
#include "platform/audio/device.hpp"
#include "platform/headless/headless.hpp"

namespace sound_test {

// A PCM format of 16-bit samples.
inline WAVEFORMATEX pcm16(int channels, std::uint32_t rate)
{
    WAVEFORMATEX f{};
    f.wFormatTag = 1;
    f.nChannels = static_cast<std::uint16_t>(channels);
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = 16;
    f.nBlockAlign = static_cast<std::uint16_t>(2 * channels);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    return f;
}

// Stereo frames: left k + 1, right -(k + 1) for frame k, so every frame of
// the output tells where the cursor stood.
inline std::vector<std::int16_t> ramp(int frames)
{
    std::vector<std::int16_t> s(2 * static_cast<std::size_t>(frames));
    for (int k = 0; k < frames; ++k) {
        s[2 * k] = static_cast<std::int16_t>(k + 1);
        s[2 * k + 1] = static_cast<std::int16_t>(-(k + 1));
    }
    return s;
}

class sound : public media_test::headless_media {
protected:
    void SetUp() override
    {
        headless_media::SetUp();
        // as the application has it: the pump never waits for activation
        media::core::window_state.settings.run_when_inactive = 1;
        // start-up waits on the clock, which moves only when read
        platform::headless::set_clock_step(1);
        ASSERT_EQ(InitMediaLayer(), 0);
        platform::headless::set_clock_step(0);
        // the back screen, as the application draws: the front screen's
        // flip timer would move the clock inside the pump
        SelectDrawTarget(-2);
        settle();  // what the start queued is dispatched
        ASSERT_NE(media::snd::sound_system.device, 0);
        platform::headless::capture_audio(true);
        platform::headless::take_audio();
    }

    void TearDown() override
    {
        EndMediaLayer();
        headless_media::TearDown();
    }

    static SOUNDDATA* record(int handle) { return media::snd::sounds.find(handle); }

    // A sound as a loader makes one: the record, its format and size, count
    // buffers, the data copied into each slot not yet filled. -1 on failure.
    static int make_sound(const std::vector<std::int16_t>& samples, int count, WAVEFORMATEX format = pcm16(2, 44100))
    {
        const int h = AddSoundData(-1);
        if (h == -1)
            return -1;
        SOUNDDATA* d = record(h);
        const int bytes = static_cast<int>(samples.size() * 2);
        d->format = format;
        d->pcm_size = bytes;
        d->frequency = static_cast<std::int32_t>(format.nSamplesPerSec);
        if (CreateSoundBuffers(-1, &format, bytes, 0, count, h) != 0)
            return -1;
        for (int i = 0; i < d->buffer_count; ++i) {
            if (d->filled[i] == 1)
                continue;
            void *a, *b;
            std::uint32_t an, bn;
            if (LockSoundBufferRecord(&d->buffers[i], 0, static_cast<std::uint32_t>(bytes), &a, &an, &b, &bn) != 0)
                return -1;
            std::memcpy(a, samples.data(), an);
            UnlockSoundBufferRecord(&d->buffers[i], a, an, b, bn);
            d->filled[i] = 1;
        }
        return h;
    }

    // Moves the clock until the device has mixed a whole number of 10 ms
    // (441 frames), so that m ms from here mix exactly m x 44.1 frames when m
    // is a multiple of 10.
    static void align_clock()
    {
        for (int i = 0; i < 10 && platform::headless::audio_frames_mixed() % 441 != 0; ++i)
            platform::headless::advance_clock(1);
        platform::headless::take_audio();
    }

    // The output mixed over the next ms milliseconds as integer sample
    // values (left, right interleaved).
    static std::vector<int> play_for(std::uint32_t ms)
    {
        platform::headless::take_audio();
        platform::headless::advance_clock(ms);
        const std::vector<float> out = platform::headless::take_audio();
        std::vector<int> v(out.size());
        for (std::size_t i = 0; i < out.size(); ++i)
            v[i] = static_cast<int>(out[i] * 32768.0f);
        return v;
    }

    // The log with the stamps masked as "#".
    std::string stamped_log() const
    {
        static const std::regex stamp("(^|\n)[0-9]+:");
        return std::regex_replace(read(), stamp, "$1#:");
    }

    // A fresh log and the system stopped, for a start the test watches.
    void restart_log()
    {
        ASSERT_EQ(ShutdownSoundSystem(), 0);
        OpenLogFile();
    }
};

}  // namespace sound_test
