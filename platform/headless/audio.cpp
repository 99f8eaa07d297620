// The headless audio device: no thread of its own; the clock's moves pull
// the mixer up to each new time, and tests may keep what was mixed.
#include "platform/audio/device.hpp"
#include "platform/headless/headless.hpp"
#include "platform/headless/state.hpp"

#include <algorithm>

namespace platform::headless {

namespace {

struct audio_record {
    bool open = false;
    audio_device_spec spec;
    std::uint64_t moved_ms = 0;  // the clock's moves since the device opened
    std::uint64_t mixed = 0;     // frames pulled since then
    bool capture = false;
    std::vector<float> captured;
    bool fail_open = false;
    bool fail_listing = false;
};

// Outside headless_state: reset() leaves an open device alone.
audio_record& audio()
{
    static audio_record* r = new audio_record;
    return *r;
}

}  // namespace

void mix_for(std::uint32_t ms)
{
    audio_record& a = audio();
    if (!a.open)
        return;
    a.moved_ms += ms;
    const std::uint64_t target = a.moved_ms * static_cast<std::uint64_t>(a.spec.rate) / 1000;
    const std::size_t channels = static_cast<std::size_t>(a.spec.channels);
    while (a.mixed < target) {
        // large pulls when nothing is kept: the voices only move on
        const std::uint64_t most = a.capture ? 65536 : (1u << 30);
        const int n = static_cast<int>(std::min<std::uint64_t>(target - a.mixed, most));
        if (a.capture) {
            const std::size_t at = a.captured.size();
            a.captured.resize(at + static_cast<std::size_t>(n) * channels);
            a.spec.pull(a.captured.data() + at, n);
        } else {
            a.spec.pull(nullptr, n);
        }
        a.mixed += static_cast<std::uint64_t>(n);
    }
}

void reset_audio()
{
    audio_record& a = audio();
    a.capture = false;
    a.captured.clear();
    a.captured.shrink_to_fit();
    a.fail_open = false;
    a.fail_listing = false;
#if ZENTIL_TEST_HOOKS
    platform::audio::test::clear_test_switches();
#endif
}

int open_audio(const audio_device_spec& spec)
{
    audio_record& a = audio();
    if (a.fail_open) {
        a.fail_open = false;
        return set_error("audio device open failed (test switch)");
    }
    if (a.open)
        return set_error("audio device already open");
    if (spec.pull == nullptr || spec.rate <= 0 || spec.channels <= 0)
        return set_error("audio device spec without pull, rate or channels");
    a.open = true;
    a.spec = spec;
    a.moved_ms = 0;
    a.mixed = 0;
    return 0;
}

void close_audio()
{
    audio().open = false;
}

int audio_outputs(std::vector<audio_output>& out)
{
    if (audio().fail_listing)
        return set_error("audio device listing failed (test switch)");
    out.push_back({"headless", "Virtual output"});
    return 0;
}

void capture_audio(bool on)
{
    audio().capture = on;
}

std::vector<float> take_audio()
{
    std::vector<float> out;
    out.swap(audio().captured);
    return out;
}

std::uint64_t audio_frames_mixed()
{
    return audio().open ? audio().mixed : 0;
}

bool audio_open()
{
    return audio().open;
}

void fail_next_audio_open()
{
    audio().fail_open = true;
}

void fail_audio_listing(bool fails)
{
    audio().fail_listing = fails;
}

}  // namespace platform::headless
