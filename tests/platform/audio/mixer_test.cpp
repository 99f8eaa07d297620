// What the mixer puts out, compared sample for sample with values worked
// out by hand.
#include "audio_fixture.hpp"

#include <cmath>

namespace {

using namespace audio_test;
using HeadlessMixer = HeadlessAudio;

struct voice_in {
    pa::pcm_format format;
    std::vector<std::uint8_t> bytes;
    int volume = 0, pan = 0;
    std::uint32_t frequency = 0;
};

struct mix_row {
    const char* name;
    std::vector<voice_in> voices;
    std::vector<float> expected;  // interleaved stereo; silence after
    float tolerance = 0;
};

pa::pcm_format stereo16() { return pa::make_pcm_format(2, 44100, 16); }

TEST_F(HeadlessMixer, OutputSampleForSample)
{
    const float v600 = static_cast<float>(std::pow(10.0, -0.3));
    const mix_row rows[] = {
        {"16-bit stereo comes out exactly",
         {{stereo16(), s16({16384, -16384, 1, -32768, 32767, 0})}},
         {0.5f, -0.5f, 1.0f / 32768, -1.0f, 32767.0f / 32768, 0.0f}},
        {"two voices sum",
         {{stereo16(), s16({8192, 8192, -4096, 0})}, {stereo16(), s16({4096, -16384, -4096, 2})}},
         {0.375f, -0.25f, -0.25f, 2.0f / 32768}},
        {"two full-scale voices clip",
         {{stereo16(), s16({32767, -32768})}, {stereo16(), s16({32767, -32768})}},
         {1.0f, -1.0f}},
        {"8-bit unsigned, mono to both sides",
         {{pa::make_pcm_format(1, 44100, 8), {0, 128, 255}}},
         {-1.0f, -1.0f, 0.0f, 0.0f, 127.0f / 128, 127.0f / 128}},
        {"16-bit mono to both sides",
         {{pa::make_pcm_format(1, 44100, 16), s16({-8192})}},
         {-0.25f, -0.25f}},
        {"24-bit",
         {{pa::make_pcm_format(2, 44100, 24), s24({0x400000, -0x800000, 1, 0x7FFFFF})}},
         {0.5f, -1.0f, 1.0f / 8388608, 8388607.0f / 8388608}},
        {"32-bit",
         {{pa::make_pcm_format(2, 44100, 32), s32({0x40000000, -0x80000000LL})}},
         {0.5f, -1.0f}},
        {"four channels fold: even ones left, odd ones right, averaged",
         {{pa::make_pcm_format(4, 44100, 16), s16({16384, 8192, 8192, 0})}},
         {0.375f, 0.125f}},
        {"three channels fold",
         {{pa::make_pcm_format(3, 44100, 16), s16({16384, 8192, 0})}},
         {0.25f, 0.25f}},
        {"volume -10000 gives exact zeros",
         {{stereo16(), s16({16384, -32768}), -10000}},
         {0.0f, 0.0f}},
        {"pan 10000 silences the left and keeps the right",
         {{stereo16(), s16({16384, 16384}), 0, 10000}},
         {0.0f, 0.5f}},
        {"pan -10000 silences the right",
         {{stereo16(), s16({16384, 16384}), 0, -10000}},
         {0.5f, 0.0f}},
        {"volume -600 scales by 10^-0.3",
         {{stereo16(), s16({16384, -32768}), -600}},
         {0.5f * v600, -v600},
         1.2e-7f},
        {"twice the rate: output frame k is input frame 2k",
         {{pa::make_pcm_format(1, 44100, 16), s16({100, 200, 300, 400, 500, 600}), 0, 0, 88200}},
         {100.0f / 32768, 100.0f / 32768, 300.0f / 32768, 300.0f / 32768, 500.0f / 32768, 500.0f / 32768}},
        {"half the rate interpolates; the last frame is held at a one-shot end",
         {{pa::make_pcm_format(1, 22050, 16), s16({0, 16384})}},
         {0.0f, 0.0f, 0.25f, 0.25f, 0.5f, 0.5f, 0.5f, 0.5f}},
        {"a padded block: stereo 16-bit in 6-byte frames",
         {{[] { pa::pcm_format f = stereo16(); f.block_align = 6; return f; }(),
           s16({16384, -16384, 77, 8192, 4096, 77})}},
         {0.5f, -0.5f, 0.25f, 0.125f}},
    };
    for (const mix_row& row : rows) {
        SCOPED_TRACE(row.name);
        platform::headless::take_audio();
        std::vector<std::unique_ptr<pa::buffer>> buffers;
        for (const voice_in& v : row.voices) {
            buffers.push_back(buffer_of(v.format, v.bytes));
            ASSERT_NE(buffers.back(), nullptr);
            ASSERT_EQ(buffers.back()->set_volume(v.volume), 0);
            ASSERT_EQ(buffers.back()->set_pan(v.pan), 0);
            ASSERT_EQ(buffers.back()->set_frequency(v.frequency), 0);
        }
        for (auto& b : buffers) ASSERT_EQ(b->play(false), 0);
        platform::headless::advance_clock(1);
        const std::vector<float> out = platform::headless::take_audio();
        ASSERT_GE(out.size(), row.expected.size());
        for (std::size_t i = 0; i < out.size(); ++i) {
            const float want = i < row.expected.size() ? row.expected[i] : 0.0f;
            if (row.tolerance == 0)
                ASSERT_EQ(out[i], want) << "sample " << i;
            else
                ASSERT_NEAR(out[i], want, row.tolerance) << "sample " << i;
        }
        for (auto& b : buffers) EXPECT_FALSE(playing(*b));
    }
}

TEST_F(HeadlessMixer, LoopingVoiceWrapsAndCaptureOffKeepsTheCursors)
{
    // four frames looping: 0.25, 0.5, 0.75, 0, 0.25 ...
    auto b = buffer_of(stereo16(), s16({8192, 8192, 16384, 16384, 24576, 24576, 0, 0}));
    ASSERT_NE(b, nullptr);
    ASSERT_EQ(b->play(true), 0);
    platform::headless::advance_clock(1);
    const std::vector<float> out = platform::headless::take_audio();
    ASSERT_EQ(out.size(), 44u * 2);
    for (std::size_t k = 0; k < 44; ++k) EXPECT_EQ(out[2 * k], (k % 4 == 3) ? 0.0f : 0.25f * (k % 4 + 1)) << k;
    EXPECT_EQ(play_cursor(*b), (44u % 4) * 4);

    // without capture the voices move on the same way
    platform::headless::capture_audio(false);
    platform::headless::advance_clock(1);  // 44 more frames: 88 in 2 ms
    platform::headless::advance_clock(1);  // 45 more: 132 in 3 ms
    EXPECT_EQ(play_cursor(*b), (132u % 4) * 4);
    EXPECT_TRUE(platform::headless::take_audio().empty());
    EXPECT_EQ(platform::headless::audio_frames_mixed(), 132u);
    platform::headless::capture_audio(true);
    platform::headless::advance_clock(1);  // frames 132 to 176: 0.25 first
    const std::vector<float> after = platform::headless::take_audio();
    ASSERT_EQ(after.size(), 44u * 2);
    EXPECT_EQ(after[0], 0.25f);
    EXPECT_EQ(after[2], 0.5f);
}

}  // namespace
