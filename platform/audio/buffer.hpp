// A sound buffer: a fixed number of bytes of PCM that the mixer plays from
// its own cursor, with its own volume, pan and frequency. Calls return 0, or
// -1 with the error set and nothing changed.
#pragma once

#include "platform/audio/format.hpp"
#include "platform/audio/mixer.hpp"

#include <cstdint>
#include <memory>
#include <vector>

namespace platform::audio {

constexpr std::uint32_t status_playing = 1;
constexpr std::uint32_t status_looping = 4;

constexpr int volume_silent = -10000;  // hundredths of a decibel
constexpr int pan_left = -10000, pan_right = 10000;

class buffer {
public:
    buffer(const buffer&) = delete;
    buffer& operator=(const buffer&) = delete;
    // Stops it; the bytes live on while a duplicate holds them.
    ~buffer();

    // From the cursor; a looping buffer goes on from 0 after its end, a
    // one-shot one stops there with its cursor back at 0.
    int play(bool loop);
    int stop();  // keeps the cursor
    int status(std::uint32_t& out) const;  // status_playing, status_looping
    // Play cursor: the mixer's read position in bytes, whole frames, below
    // size(); the write cursor one device period ahead of it.
    int position(std::uint32_t& play, std::uint32_t& write) const;
    int set_position(std::uint32_t offset);  // rounded down to a frame

    // Hands out bytes bytes from offset as one or two regions (to the end,
    // then from 0), copies of the current bytes that unlock puts back. One
    // lock at a time; unlock takes the regions lock gave, with sizes up to
    // theirs.
    int lock(std::uint32_t offset, std::uint32_t bytes, void*& first, std::uint32_t& first_bytes,
             void*& second, std::uint32_t& second_bytes);
    int unlock(void* first, std::uint32_t first_bytes, void* second, std::uint32_t second_bytes);

    int set_volume(int volume);  // -10000 (silent) to 0, hundredths of a decibel
    int set_pan(int pan);        // -10000 (left only) to 10000 (right only)
    // 0 restores the format's rate; else min_rate to max_rate
    int set_frequency(std::uint32_t hz);
    int volume() const;
    int pan() const;
    std::uint32_t frequency() const;

    std::uint32_t size() const { return size_; }
    const pcm_format& format() const { return format_; }

private:
    friend std::unique_ptr<buffer> create_buffer(const pcm_format&, std::uint32_t);
    friend std::unique_ptr<buffer> duplicate(const buffer&);
    buffer(const pcm_format& format, std::uint32_t size, std::shared_ptr<std::vector<std::uint8_t>> bytes);

    pcm_format format_;
    std::uint32_t size_;
    voice voice_;  // under the mixer's lock
    // the lock's copy of the bytes; only the locking thread touches it
    std::vector<std::uint8_t> staging_;
    bool locked_ = false;
    std::uint32_t lock_offset_ = 0, lock_first_ = 0, lock_second_ = 0;
};

}  // namespace platform::audio
