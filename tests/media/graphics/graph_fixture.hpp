// The graph tests' fixture: the media layer started on the headless
// backend (800 x 600 x 32, software renderer, back screen selected), every
// graph deleted and every block given back at the end, and screen pixels.
#pragma once

#include <cstring>
#include <utility>
#include <vector>

#include "../core/log_folder.hpp"
#include "media/graphics/draw.hpp"
#include "media/graphics/drawstate.hpp"
#include "media/graphics/graph.hpp"
#include "media/graphics/internal.hpp"
#include "media/graphics/startup.hpp"
#include "media/softrender/internal.hpp"
#include "media/softrender/memimg.hpp"
#include "media/system/startup.hpp"

namespace graphics_test {

class graph_fixture : public media_test::headless_media {
protected:
    void SetUp() override
    {
        headless_media::SetUp();
        media::soft::reset_state();
        platform::headless::set_clock_step(1);
        ASSERT_EQ(InitMediaLayer(), 0);
        platform::headless::set_clock_step(0);
        settle();
        ASSERT_EQ(SelectDrawTarget(-2), 0);
        baseline_ = media::core::alloc_state.count;
    }
    void TearDown() override
    {
        DeleteAllGraphs(0);
        EXPECT_EQ(media::core::alloc_state.count, baseline_) << "blocks left allocated";
        EndMediaLayer();
        EXPECT_EQ(platform::device::live_resources(), 0) << "device resources left alive";
        EXPECT_EQ(platform::headless::device_leaks(), 0) << "a device was released with resources alive";
        media::soft::reset_state();
        headless_media::TearDown();
    }

    static std::uint32_t pixel(const MEMIMG& image, int x, int y)
    {
        std::uint32_t v = 0;
        const auto* row = static_cast<const unsigned char*>(image.pixels) + static_cast<long>(y) * image.base->pitch;
        std::memcpy(&v, row + x * image.base->format->pixel_bytes, image.base->format->pixel_bytes);
        return image.base->format->pixel_bytes == 4 ? v & 0xFFFFFF : v;
    }
    static std::uint32_t screen(int x, int y) { return pixel(media::gfx::graphics.screen_image, x, y); }
    static void fill_screen(std::uint32_t rgb) { FillMemImgRect(&media::gfx::graphics.screen_image, nullptr, rgb | 0xFF000000u); }

    // The pixels of the screen's rectangle that hold the colour.
    static std::vector<std::pair<int, int>> painted(std::uint32_t rgb, int x1 = 0, int y1 = 0, int x2 = 64,
                                                    int y2 = 64)
    {
        std::vector<std::pair<int, int>> out;
        for (int y = y1; y < y2; ++y)
            for (int x = x1; x < x2; ++x)
                if (screen(x, y) == rgb) out.emplace_back(x, y);
        return out;
    }

    // A graph of the size whose pixel (x, y) holds x + 16 * y in blue and
    // 0x40 in green.
    static int pattern_graph(int width, int height)
    {
        const int g = MakeGraphOfSize(width, height);
        if (g < 0) return g;
        MEMIMG& image = GetGraphRecord(g)->image;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const RECT r{x, y, x + 1, y + 1};
                FillMemImgRect(&image, &r, 0xFF004000u | static_cast<std::uint32_t>((x + 16 * y) & 0xFF));
            }
        return g;
    }

    int baseline_ = 0;
};

}  // namespace graphics_test
