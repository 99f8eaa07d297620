// The graphics tests' fixture and small helpers for image buffers.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "media/core/alloc.hpp"
#include "media/core/internal.hpp"
#include "media/graphics/internal.hpp"
#include "media/graphics/pixfmt.hpp"
#include "platform/platform.hpp"

#include <gtest/gtest.h>

namespace graphics_test {

// Puts the media core and the graphics folder back to process start around
// each case, and checks that the case freed every block it took.
class fixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        media::core::reset_state();
        media::gfx::reset_state();
    }
    void TearDown() override
    {
        EXPECT_EQ(media::core::alloc_state.count, 0) << "blocks left allocated";
        EXPECT_EQ(platform::device::live_resources(), 0) << "device resources left alive";
        media::gfx::reset_state();
        media::core::reset_state();
    }
};

inline PIXFMT masks_format(int depth, std::uint32_t r, std::uint32_t g, std::uint32_t b, std::uint32_t a)
{
    PIXFMT f{};
    InitFormatFromMasks(&f, depth, r, g, b, a);
    return f;
}

// Little-endian pixel access on a byte vector.
inline std::uint32_t get(const std::vector<unsigned char>& v, std::size_t at, int bytes)
{
    std::uint32_t x = 0;
    for (int i = 0; i < bytes; ++i) x |= static_cast<std::uint32_t>(v[at + i]) << (8 * i);
    return x;
}
inline void put(std::vector<unsigned char>& v, std::size_t at, int bytes, std::uint32_t x)
{
    for (int i = 0; i < bytes; ++i) v[at + i] = static_cast<unsigned char>(x >> (8 * i));
}

inline void put_raw(unsigned char* p, int bytes, std::uint32_t x)
{
    for (int i = 0; i < bytes; ++i) p[i] = static_cast<unsigned char>(x >> (8 * i));
}

}  // namespace graphics_test
