// The default audio renderer on the headless sound device: what Render ends
// a PCM path in, and what it plays into the mixer while the graph runs.
#include "support/graph_filters.hpp"

#include "platform/audio/device.hpp"
#include "platform/audio/mixer.hpp"
#include "platform/headless/headless.hpp"
#include "platform/platform.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using namespace platform::filter;
using namespace support::filters;
namespace pa = platform::audio;

constexpr std::uint32_t frames_per_sample = 441;  // 10 ms

class AudioRenderer : public filter_test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(platform::select_backend("headless"), 0);
        platform::headless::reset();
        ASSERT_EQ(pa::open_device(), 0) << platform::error();
        platform::headless::capture_audio(true);
    }
    void TearDown() override
    {
        control.reset();
        graph.reset();
        source.reset();
        pa::close_device();
        platform::headless::reset();
    }

    void build(std::uint32_t samples)
    {
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                   graph.put_void()),
                  S_OK);
        source = com_ptr<pcm_source>::share(new pcm_source(samples, frames_per_sample));
        ASSERT_EQ(graph->AddFilter(source.get(), L"Source"), S_OK);
        ASSERT_EQ(graph->Render(find_pin(source.get(), PINDIR_OUTPUT).get()), S_OK);
        std::vector<com_ptr<IBaseFilter>> filters = filters_in(graph.get());
        ASSERT_EQ(filters.size(), 2u);
        EXPECT_EQ(name_of(filters[1].get()), L"Default Audio Renderer");
        renderer = dynamic_cast<CBaseRenderer*>(filters[1].get());
        ASSERT_NE(renderer, nullptr);
        control = graph.as<IMediaControl>(IID_IMediaControl);
        last_start = REFERENCE_TIME(samples - 1) * frames_per_sample * 10'000'000 / 44100;
    }
    // Waits (real time, bounded) until the renderer has taken every sample.
    bool all_taken()
    {
        auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        REFERENCE_TIME at = -1;
        while (!(renderer->RenderedPosition(&at) && at == last_start)) {
            if (std::chrono::steady_clock::now() > until)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }
    // The next `ms` of the device's output, checked against the source's
    // frames from `first` on (or silence when first is negative), then silence
    // after `frames` of them.
    void expect_output(std::uint32_t ms, long first, std::uint32_t frames, const char* what)
    {
        platform::headless::advance_clock(ms);
        std::vector<float> out = platform::headless::take_audio();
        ASSERT_EQ(out.size(), std::size_t(ms) * 44100 / 1000 * 2) << what;
        int wrong = 0;
        for (std::size_t f = 0; f < out.size() / 2; ++f) {
            float expected = 0;
            if (first >= 0 && f < frames)
                expected = float(pcm_source::pcm_value(std::uint32_t(first + long(f)))) / 32768.0f;
            if (out[2 * f] != expected || out[2 * f + 1] != expected)
                ++wrong;
        }
        EXPECT_EQ(wrong, 0) << what;
    }
    std::size_t voices_playing()
    {
        std::lock_guard<std::mutex> hold(pa::mixer().lock);
        return pa::mixer().playing.size();
    }

    com_ptr<IGraphBuilder> graph;
    com_ptr<pcm_source> source;
    com_ptr<IMediaControl> control;
    CBaseRenderer* renderer = nullptr;
    REFERENCE_TIME last_start = 0;
};

TEST_F(AudioRenderer, PlaysWhatItReceivesOnlyWhileRunning)
{
    build(10);
    ASSERT_EQ(control->Pause(), S_OK);
    expect_output(50, -1, 0, "paused: the first sample is held, nothing plays");
    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_TRUE(all_taken());
    expect_output(150, 0, 4410, "running: mono 16-bit on both sides of the device's float");
    auto events = graph.as<IMediaEvent>(IID_IMediaEvent);
    LONG code = 0;
    EXPECT_EQ(events->WaitForCompletion(5000, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    EXPECT_EQ(voices_playing(), 1u);
    ASSERT_EQ(control->Stop(), S_OK);
    EXPECT_EQ(voices_playing(), 0u);
}

TEST_F(AudioRenderer, PauseSilencesAndRunGoesOnWhereItWasStopTakesTheVoice)
{
    build(50);
    ASSERT_EQ(control->Run(), S_OK);
    ASSERT_TRUE(all_taken());
    expect_output(100, 0, 4410, "running");
    ASSERT_EQ(control->Pause(), S_OK);
    expect_output(100, -1, 0, "paused");
    ASSERT_EQ(control->Run(), S_OK);
    expect_output(100, 4410, 4410, "running again");
    ASSERT_EQ(control->Stop(), S_OK);
    EXPECT_EQ(voices_playing(), 0u);
    expect_output(100, -1, 0, "stopped");
}

TEST_F(AudioRenderer, RefusesWhatIsNotPlainPcm)
{
    com_ptr<IBaseFilter> audio;
    ASSERT_EQ(CoCreateInstance(CLSID_AudioRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, audio.put_void()),
              S_OK);
    com_ptr<IPin> in = find_pin(audio.get(), PINDIR_INPUT);
    auto wave = [](std::uint16_t tag, std::uint16_t channels, std::uint16_t block, std::uint16_t bits) {
        WAVEFORMATEX w{tag, channels, 44100, 44100u * block, block, bits, 0};
        std::vector<BYTE> bytes(sizeof w);
        std::memcpy(bytes.data(), &w, sizeof w);
        return bytes;
    };
    struct row {
        const char* what;
        CMediaType type;
        HRESULT expected;
    };
    const row rows[] = {
        {"16-bit stereo PCM", make_type(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, wave(1, 2, 4, 16)),
         S_OK},
        {"video", make_type(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_WaveFormatEx, wave(1, 2, 4, 16)),
         VFW_E_TYPE_NOT_ACCEPTED},
        {"no format block", make_type(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx), VFW_E_TYPE_NOT_ACCEPTED},
        {"a short format block",
         make_type(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, std::vector<BYTE>(10, 1)),
         VFW_E_TYPE_NOT_ACCEPTED},
        {"a compressed tag", make_type(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, wave(0x55, 2, 4, 16)),
         VFW_E_TYPE_NOT_ACCEPTED},
        {"no channels", make_type(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, wave(1, 0, 0, 16)),
         VFW_E_TYPE_NOT_ACCEPTED},
        {"a block that does not fit", make_type(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, wave(1, 2, 3, 16)),
         VFW_E_TYPE_NOT_ACCEPTED},
    };
    for (const row& r : rows)
        EXPECT_EQ(in->QueryAccept(&r.type) == S_OK ? S_OK : VFW_E_TYPE_NOT_ACCEPTED, r.expected) << r.what;
}

}  // namespace
