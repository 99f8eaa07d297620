// PCM formats the mixer plays: the wave-format record and its checks.
#pragma once

#include <cstdint>

namespace platform::audio {

constexpr std::uint16_t format_tag_pcm = 1;
constexpr std::uint16_t format_tag_extensible = 0xFFFE;

// The wave-format record, with the extensible form's tail (read only when
// tag is format_tag_extensible).
struct pcm_format {
    std::uint16_t tag = format_tag_pcm;
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;              // frames per second
    std::uint32_t bytes_per_second = 0;  // recorded, not used
    std::uint16_t block_align = 0;       // bytes per frame
    std::uint16_t bits = 0;              // per sample (the container's size)
    std::uint16_t valid_bits = 0;
    std::uint32_t channel_mask = 0;
    std::uint8_t sub_format[16] = {};
};

// The sub-format of extensible PCM.
extern const std::uint8_t pcm_sub_format[16];

// A PCM format with the fields filled from channels, rate and bits (tag 1).
pcm_format make_pcm_format(int channels, std::uint32_t rate, int bits);

// Frame rates buffers may play at, and the largest buffer in bytes.
constexpr std::uint32_t min_rate = 100;
constexpr std::uint32_t max_rate = 200000;
constexpr std::uint32_t max_buffer_bytes = 0x0FFFFFFF;

// 0 when the mixer plays the format: PCM (or extensible PCM) of 8-bit
// unsigned or 16, 24 or 32-bit signed samples, 1 to 8 channels, min_rate to
// max_rate, a block align of at least channels x bits / 8. Else -1 (error set).
int check_format(const pcm_format& format);

}  // namespace platform::audio
