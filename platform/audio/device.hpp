// The sound device: the backend's output opened on the mixer, the caps it
// reports, and the buffers it makes. Calls return 0 (or a buffer), else -1
// (or null) with the error set and nothing changed.
#pragma once

#include "platform/audio/buffer.hpp"
#include "platform/audio/format.hpp"
#include "platform/platform.hpp"

#include <cstdint>
#include <memory>
#include <vector>

namespace platform::audio {

// Format flags of the caps.
constexpr std::uint32_t caps_primary_mono = 0x1;
constexpr std::uint32_t caps_primary_stereo = 0x2;
constexpr std::uint32_t caps_primary_8bit = 0x4;
constexpr std::uint32_t caps_primary_16bit = 0x8;
constexpr std::uint32_t caps_secondary_mono = 0x10;
constexpr std::uint32_t caps_secondary_stereo = 0x20;
constexpr std::uint32_t caps_secondary_8bit = 0x40;
constexpr std::uint32_t caps_secondary_16bit = 0x80;
constexpr std::uint32_t caps_all_formats = 0xFF;

struct device_caps {
    std::uint32_t flags = caps_all_formats;
    std::uint32_t min_secondary_rate = min_rate;
    std::uint32_t max_secondary_rate = max_rate;
    std::uint32_t hardware_memory = 0;
};

// Opens the backend's output on the mixer: stereo float, device_rate,
// periods of device_period frames. -1 when one is open already.
int open_device();
int close_device();  // 0 also when none is open
bool device_is_open();

int caps(device_caps& out);
// Only recorded: the mixer's output stays stereo float at device_rate.
int set_primary_format(const pcm_format& format);
const pcm_format& primary_format();

// A buffer of size bytes of zeros in format; null (error set) for a size of
// 0, above max_buffer_bytes or not whole frames, or a format check_format
// refuses.
std::unique_ptr<buffer> create_buffer(const pcm_format& format, std::uint32_t size);
// A buffer over source's bytes with its own cursor, state and gains (those
// of a new buffer); it may outlive source.
std::unique_ptr<buffer> duplicate(const buffer& source);

// The output devices, for the log.
int devices(std::vector<audio_output>& out);

// Test switches; they hold until clear_test_switches (headless::reset
// calls it).
#if ZENTIL_TEST_HOOKS
namespace test {
void fail_next_buffers(int count);  // creations and duplicates
void fail_next_locks(int count);
// The caps' maximum secondary rate, stereo and 16-bit flags (primary and
// secondary alike).
void set_caps(std::uint32_t max_rate, bool stereo, bool sixteen_bit);
void clear_test_switches();
}  // namespace test
#endif

// Whether the next lock fails (a test switch; false in other builds).
bool take_lock_failure();

}  // namespace platform::audio
