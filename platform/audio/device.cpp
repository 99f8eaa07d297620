// The sound device over the backend's output, its caps and buffer making.
#include "platform/audio/device.hpp"

#include "platform/audio/mixer.hpp"

#include <atomic>
#include <new>

namespace platform::audio {

namespace {

struct device_state {
    bool open = false;
    pcm_format primary = make_pcm_format(2, 22050, 8);
#if ZENTIL_TEST_HOOKS
    std::atomic<int> failing_buffers{0};
    std::atomic<int> failing_locks{0};
    bool caps_set = false;
    device_caps caps;
#endif
};

// Never destroyed, like the mixer it opens the output on.
device_state& device()
{
    static device_state* state = new device_state;
    return *state;
}

// Takes one from a test switch's count of failures still to give; false at 0.
[[maybe_unused]] bool take_one(std::atomic<int>& n)
{
    int left = n.load();
    while (left > 0) {
        if (n.compare_exchange_weak(left, left - 1))
            return true;
    }
    return false;
}

bool take_buffer_failure()
{
#if ZENTIL_TEST_HOOKS
    return take_one(device().failing_buffers);
#else
    return false;
#endif
}

std::unique_ptr<buffer> refuse(const char* text)
{
    set_error(text);
    return nullptr;
}

}  // namespace

bool take_lock_failure()
{
#if ZENTIL_TEST_HOOKS
    return take_one(device().failing_locks);
#else
    return false;
#endif
}

int open_device()
{
    device_state& d = device();
    if (d.open)
        return set_error("sound device already open");
    audio_device_spec spec;
    spec.rate = device_rate;
    spec.channels = device_channels;
    spec.period = device_period;
    spec.pull = mix;
    if (current_backend().open_audio(spec) != 0)
        return -1;
    d.open = true;
    return 0;
}

int close_device()
{
    device_state& d = device();
    if (!d.open)
        return 0;
    current_backend().close_audio();
    d.open = false;
    return 0;
}

bool device_is_open()
{
    return device().open;
}

int caps(device_caps& out)
{
    out = device_caps{};
#if ZENTIL_TEST_HOOKS
    if (device().caps_set)
        out = device().caps;
#endif
    return 0;
}

int set_primary_format(const pcm_format& format)
{
    if (check_format(format) != 0)
        return -1;
    device().primary = format;
    return 0;
}

const pcm_format& primary_format()
{
    return device().primary;
}

std::unique_ptr<buffer> create_buffer(const pcm_format& format, std::uint32_t size)
{
    if (check_format(format) != 0)
        return nullptr;
    if (size == 0)
        return refuse("buffer size is 0");
    if (size > max_buffer_bytes)
        return refuse("buffer size above 0x0FFFFFFF bytes");
    if (size % format.block_align != 0)
        return refuse("buffer size is not whole frames");
    if (take_buffer_failure())
        return refuse("buffer creation failed (test switch)");
    try {
        auto bytes = std::make_shared<std::vector<std::uint8_t>>(size, 0);
        return std::unique_ptr<buffer>(new buffer(format, size, std::move(bytes)));
    } catch (const std::bad_alloc&) {
        return refuse("out of memory for a buffer");
    }
}

std::unique_ptr<buffer> duplicate(const buffer& source)
{
    if (take_buffer_failure())
        return refuse("buffer duplication failed (test switch)");
    std::shared_ptr<std::vector<std::uint8_t>> bytes;
    {
        std::lock_guard<std::mutex> hold(mixer().lock);
        bytes = source.voice_.bytes;
    }
    try {
        return std::unique_ptr<buffer>(new buffer(source.format_, source.size_, std::move(bytes)));
    } catch (const std::bad_alloc&) {
        return refuse("out of memory for a buffer");
    }
}

int devices(std::vector<audio_output>& out)
{
    out.clear();
    return current_backend().audio_outputs(out);
}

#if ZENTIL_TEST_HOOKS
namespace test {

void fail_next_buffers(int count)
{
    device().failing_buffers = count;
}

void fail_next_locks(int count)
{
    device().failing_locks = count;
}

void set_caps(std::uint32_t max_rate, bool stereo, bool sixteen_bit)
{
    device_caps c;
    c.max_secondary_rate = max_rate;
    if (!stereo)
        c.flags &= ~(caps_primary_stereo | caps_secondary_stereo);
    if (!sixteen_bit)
        c.flags &= ~(caps_primary_16bit | caps_secondary_16bit);
    device().caps = c;
    device().caps_set = true;
}

void clear_test_switches()
{
    device_state& d = device();
    d.failing_buffers = 0;
    d.failing_locks = 0;
    d.caps_set = false;
}

}  // namespace test
#endif

}  // namespace platform::audio
