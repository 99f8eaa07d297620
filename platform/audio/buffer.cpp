// Sound buffers: cursor, play state, gains and the two-region lock, each
// change made under the mixer's lock.
#include "platform/audio/buffer.hpp"

#include "platform/audio/device.hpp"
#include "platform/platform.hpp"

#include <cstring>
#include <utility>

namespace platform::audio {

namespace {

using guard = std::lock_guard<std::mutex>;

}  // namespace

buffer::buffer(const pcm_format& format, std::uint32_t size, std::shared_ptr<std::vector<std::uint8_t>> bytes)
    : format_(format), size_(size)
{
    voice_.bytes = std::move(bytes);
    voice_.block = format.block_align;
    voice_.frames = size / format.block_align;
    voice_.bits = format.bits;
    voice_.channels = format.channels;
    voice_.rate = format.rate;
    voice_.frequency = format.rate;
    update_step(voice_);
    update_gains(voice_);
}

buffer::~buffer()
{
    guard hold(mixer().lock);
    stop_voice(voice_);
}

int buffer::play(bool loop)
{
    guard hold(mixer().lock);
    voice_.looping = loop;
    start_voice(voice_);
    return 0;
}

int buffer::stop()
{
    guard hold(mixer().lock);
    stop_voice(voice_);
    return 0;
}

int buffer::status(std::uint32_t& out) const
{
    guard hold(mixer().lock);
    out = 0;
    if (voice_.playing)
        out = status_playing | (voice_.looping ? status_looping : 0);
    return 0;
}

int buffer::position(std::uint32_t& play, std::uint32_t& write) const
{
    guard hold(mixer().lock);
    const std::uint32_t frame = static_cast<std::uint32_t>(voice_.position >> 32);
    // the frames the next period reads, rounded up
    const std::uint64_t ahead = (static_cast<std::uint64_t>(device_period) * voice_.step + 0xFFFFFFFFu) >> 32;
    play = frame * voice_.block;
    write = static_cast<std::uint32_t>((frame + ahead) % voice_.frames) * voice_.block;
    return 0;
}

int buffer::set_position(std::uint32_t offset)
{
    if (offset >= size_)
        return set_error("position beyond the buffer's end");
    guard hold(mixer().lock);
    voice_.position = static_cast<std::uint64_t>(offset / voice_.block) << 32;
    return 0;
}

int buffer::lock(std::uint32_t offset, std::uint32_t bytes, void*& first, std::uint32_t& first_bytes, void*& second,
                 std::uint32_t& second_bytes)
{
    if (offset >= size_)
        return set_error("lock offset beyond the buffer's end");
    if (bytes > size_)
        return set_error("lock larger than the buffer");
    if (locked_)
        return set_error("buffer already locked");
    if (take_lock_failure())
        return set_error("lock failed (test switch)");
    const std::uint32_t to_end = size_ - offset;
    const std::uint32_t one = bytes < to_end ? bytes : to_end;
    const std::uint32_t two = bytes - one;
    if (staging_.size() < bytes)
        staging_.resize(bytes);
    {
        guard hold(mixer().lock);
        const std::uint8_t* data = voice_.bytes->data();
        std::memcpy(staging_.data(), data + offset, one);
        std::memcpy(staging_.data() + one, data, two);
    }
    locked_ = true;
    lock_offset_ = offset;
    lock_first_ = one;
    lock_second_ = two;
    first = staging_.data();
    first_bytes = one;
    second = two ? staging_.data() + one : nullptr;
    second_bytes = two;
    return 0;
}

int buffer::unlock(void* first, std::uint32_t first_bytes, void* second, std::uint32_t second_bytes)
{
    if (!locked_)
        return set_error("buffer not locked");
    if (first != staging_.data() || first_bytes > lock_first_)
        return set_error("first region is not the locked one");
    if (second_bytes != 0 && (second != staging_.data() + lock_first_ || second_bytes > lock_second_))
        return set_error("second region is not the locked one");
    {
        guard hold(mixer().lock);
        std::uint8_t* data = voice_.bytes->data();
        std::memcpy(data + lock_offset_, staging_.data(), first_bytes);
        std::memcpy(data, staging_.data() + lock_first_, second_bytes);
    }
    locked_ = false;
    return 0;
}

int buffer::set_volume(int volume)
{
    if (volume < volume_silent || volume > 0)
        return set_error("volume outside -10000 to 0");
    guard hold(mixer().lock);
    voice_.volume = volume;
    update_gains(voice_);
    return 0;
}

int buffer::set_pan(int pan)
{
    if (pan < pan_left || pan > pan_right)
        return set_error("pan outside -10000 to 10000");
    guard hold(mixer().lock);
    voice_.pan = pan;
    update_gains(voice_);
    return 0;
}

int buffer::set_frequency(std::uint32_t hz)
{
    if (hz != 0 && (hz < min_rate || hz > max_rate))
        return set_error("frequency outside 100 to 200000 Hz");
    guard hold(mixer().lock);
    voice_.frequency = hz == 0 ? voice_.rate : hz;
    update_step(voice_);
    return 0;
}

int buffer::volume() const
{
    guard hold(mixer().lock);
    return voice_.volume;
}

int buffer::pan() const
{
    guard hold(mixer().lock);
    return voice_.pan;
}

std::uint32_t buffer::frequency() const
{
    guard hold(mixer().lock);
    return voice_.frequency;
}

}  // namespace platform::audio
