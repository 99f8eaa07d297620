// What the blit, box and line tests share: a fixture that resets the state
// and builds the tables, owned memory images, pixel access and seeded fills.
#pragma once

#include "media/core/internal.hpp"
#include "media/graphics/internal.hpp"
#include "media/softrender/blend.hpp"
#include "media/softrender/loops.hpp"
#include "media/softrender/memimg.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace softrender_test {

// A memory image released with its owner.
struct image {
    MEMIMG m{};
    image(int width, int height, int format, int paletted = 0, int alpha = 0, std::uint32_t transparent = 0,
          int extras = 0)
    {
        EXPECT_EQ(CreateMemImg(&m, width, height, -1, transparent, format, paletted, alpha, extras, nullptr), 0);
        if (m.pixels != nullptr) std::memset(m.pixels, 0, static_cast<std::size_t>(m.base->pitch) * height);
    }
    ~image() { ReleaseMemImg(&m); }
    image(const image&) = delete;
    image& operator=(const image&) = delete;
    MEMIMG* operator&() { return &m; }
    int bytes() const { return m.base->format->pixel_bytes; }
    unsigned char* at(int x, int y) const
    {
        return static_cast<unsigned char*>(m.pixels) + static_cast<long>(y) * m.base->pitch + static_cast<long>(x) * bytes();
    }
    std::uint32_t get(int x, int y) const
    {
        std::uint32_t v = 0;
        std::memcpy(&v, at(x, y), static_cast<std::size_t>(bytes()));
        return v;
    }
    void set(int x, int y, std::uint32_t v) { std::memcpy(at(x, y), &v, static_cast<std::size_t>(bytes())); }
    // the rows' pixel bytes, without the pitch padding
    std::vector<unsigned char> snapshot() const
    {
        std::vector<unsigned char> out;
        for (int y = 0; y < m.height; ++y) out.insert(out.end(), at(0, y), at(0, y) + m.width * bytes());
        return out;
    }
    void restore(const std::vector<unsigned char>& in)
    {
        const std::size_t row = static_cast<std::size_t>(m.width * bytes());
        for (int y = 0; y < m.height; ++y) std::memcpy(at(0, y), in.data() + y * row, row);
    }
    void fill_random(std::mt19937& random)
    {
        for (int y = 0; y < m.height; ++y)
            for (int x = 0; x < m.width * bytes(); ++x) at(0, y)[x] = static_cast<unsigned char>(random());
        if (m.base->paletted) {
            auto* palette = static_cast<unsigned char*>(m.base->palette);
            for (int i = 0; i < 1024; ++i) palette[i] = static_cast<unsigned char>(random());
        }
    }
};

class Draw : public ::testing::Test {
protected:
    void SetUp() override
    {
        media::core::reset_state();
        media::gfx::reset_state();
        media::soft::reset_state();
        ASSERT_EQ(BuildMemImgBlendTables(), 0);
        state().area = {0, 0, 640, 480};
        state().blend_mode = 0;
        state().blend_param = 255;
        state().draw_bright = 0xFFFFFF;
    }
    void TearDown() override
    {
        media::soft::reset_state();
        media::gfx::reset_state();
        EXPECT_EQ(media::core::alloc_state.count, 0) << "blocks left allocated";
        media::core::reset_state();
    }
    static media::gfx::DRAWSTATE& state() { return media::gfx::draw_state; }
    static void blend(int mode, int p)
    {
        state().blend_mode = mode;
        state().blend_param = p;
    }
};

}  // namespace softrender_test
