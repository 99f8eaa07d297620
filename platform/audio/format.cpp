// Checks of the PCM formats the mixer plays.
#include "platform/audio/format.hpp"

#include "platform/platform.hpp"

#include <cstring>

namespace platform::audio {

// {00000001-0000-0010-8000-00AA00389B71} in its byte order on disk
const std::uint8_t pcm_sub_format[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                         0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

pcm_format make_pcm_format(int channels, std::uint32_t rate, int bits)
{
    pcm_format f;
    f.channels = static_cast<std::uint16_t>(channels);
    f.rate = rate;
    f.bits = static_cast<std::uint16_t>(bits);
    f.block_align = static_cast<std::uint16_t>(channels * bits / 8);
    f.bytes_per_second = rate * f.block_align;
    return f;
}

int check_format(const pcm_format& f)
{
    if (f.tag == format_tag_extensible) {
        if (std::memcmp(f.sub_format, pcm_sub_format, sizeof pcm_sub_format) != 0)
            return set_error("extensible format is not PCM");
        if (f.valid_bits > f.bits)
            return set_error("valid bits exceed the sample size");
    } else if (f.tag != format_tag_pcm) {
        return set_error("format tag is not PCM");
    }
    if (f.bits != 8 && f.bits != 16 && f.bits != 24 && f.bits != 32)
        return set_error("sample size is not 8, 16, 24 or 32 bits");
    if (f.channels < 1 || f.channels > 8)
        return set_error("channel count is not 1 to 8");
    if (f.rate < min_rate || f.rate > max_rate)
        return set_error("sample rate is not 100 to 200000 Hz");
    if (f.block_align < f.channels * f.bits / 8)
        return set_error("block align is smaller than a frame");
    return 0;
}

}  // namespace platform::audio
