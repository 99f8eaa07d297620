// The headless sound device opened on the mixer with capture on, and
// helpers that fill buffers and read the mixed frames.
#pragma once

#include "platform/audio/device.hpp"
#include "platform/headless/headless.hpp"
#include "platform/platform.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace audio_test {

namespace pa = platform::audio;

class HeadlessAudio : public ::testing::Test {
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
        pa::close_device();
        platform::headless::reset();
    }
};

inline std::vector<std::uint8_t> s16(const std::vector<int>& samples)
{
    std::vector<std::uint8_t> out;
    for (int s : samples) {
        out.push_back(static_cast<std::uint8_t>(s & 0xFF));
        out.push_back(static_cast<std::uint8_t>((s >> 8) & 0xFF));
    }
    return out;
}

inline std::vector<std::uint8_t> s24(const std::vector<int>& samples)
{
    std::vector<std::uint8_t> out;
    for (int s : samples) {
        for (int b = 0; b < 3; ++b) out.push_back(static_cast<std::uint8_t>((s >> (8 * b)) & 0xFF));
    }
    return out;
}

inline std::vector<std::uint8_t> s32(const std::vector<std::int64_t>& samples)
{
    std::vector<std::uint8_t> out;
    for (std::int64_t s : samples) {
        for (int b = 0; b < 4; ++b) out.push_back(static_cast<std::uint8_t>((s >> (8 * b)) & 0xFF));
    }
    return out;
}

// Writes bytes at offset through lock and unlock.
inline void write_bytes(pa::buffer& b, std::uint32_t offset, const std::vector<std::uint8_t>& bytes)
{
    void *p1 = nullptr, *p2 = nullptr;
    std::uint32_t n1 = 0, n2 = 0;
    ASSERT_EQ(b.lock(offset, static_cast<std::uint32_t>(bytes.size()), p1, n1, p2, n2), 0) << platform::error();
    std::memcpy(p1, bytes.data(), n1);
    if (n2) std::memcpy(p2, bytes.data() + n1, n2);
    ASSERT_EQ(b.unlock(p1, n1, p2, n2), 0) << platform::error();
}

// A buffer holding exactly bytes.
inline std::unique_ptr<pa::buffer> buffer_of(const pa::pcm_format& format, const std::vector<std::uint8_t>& bytes)
{
    auto b = pa::create_buffer(format, static_cast<std::uint32_t>(bytes.size()));
    EXPECT_NE(b, nullptr) << platform::error();
    if (b) write_bytes(*b, 0, bytes);
    return b;
}

inline std::uint32_t play_cursor(const pa::buffer& b)
{
    std::uint32_t play = 0, write = 0;
    EXPECT_EQ(b.position(play, write), 0);
    return play;
}

inline bool playing(const pa::buffer& b)
{
    std::uint32_t status = 0;
    EXPECT_EQ(b.status(status), 0);
    return (status & pa::status_playing) != 0;
}

}  // namespace audio_test
