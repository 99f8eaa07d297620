// The device tests' fixture: the headless backend with an 800 x 600 window,
// the recording device made (X8R8G8B8, windowed, lockable back buffer), and
// at the end every handle given back, no leak and no fault.
#pragma once

#include "platform/headless/headless.hpp"
#include "platform/platform.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace device_test {

namespace dev = platform::device;
namespace hl = platform::headless;
using dev::resource;

class recording_device : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(platform::select_backend("headless"), 0);
        hl::reset();
        ASSERT_EQ(platform::video_start(), 0);
        platform::window_spec spec;
        spec.width = 800;
        spec.height = 600;
        ASSERT_EQ(platform::create_window(spec), 0);
        hl::set_device_mode(hl::device_mode::recording);
        ASSERT_EQ(dev::create_object(), 0);
        dev::present_params p;
        p.width = 800;
        p.height = 600;
        p.back_buffer_format = dev::X8R8G8B8;
        p.lockable_back_buffer = true;
        ASSERT_EQ(dev::create_device(p, dev::create_software_vertex_processing), 0) << platform::error();
    }
    void TearDown() override
    {
        for (resource r : made_) dev::release(r);
        if (dev::device_exists()) dev::release_device();
        if (dev::object_exists()) dev::release_object();
        EXPECT_EQ(dev::live_resources(), 0);
        EXPECT_EQ(hl::device_leaks(), 0) << "a device was released with resources alive";
        EXPECT_TRUE(hl::device_faults().empty()) << hl::device_faults().front();
        hl::reset();
    }

    // A resource released at teardown (unless the test released it).
    resource keep(resource r)
    {
        made_.push_back(r);
        return r;
    }
    void release_all()
    {
        for (resource r : made_) dev::release(r);
        made_.clear();
    }
    void forget(resource r) { made_.erase(std::remove(made_.begin(), made_.end(), r), made_.end()); }

    resource texture(int w, int h, dev::format f, dev::pool p, std::uint32_t usage = 0, int levels = 1)
    {
        resource r = resource::none;
        EXPECT_EQ(dev::create_texture(w, h, levels, usage, f, p, r), 0) << platform::error();
        return keep(r);
    }
    resource level(resource tex, int n = 0)
    {
        resource r = resource::none;
        EXPECT_EQ(dev::get_surface_level(tex, n, r), 0) << platform::error();
        return keep(r);
    }
    resource target(int w, int h, dev::format f, bool lockable = true)
    {
        resource r = resource::none;
        EXPECT_EQ(dev::create_render_target(w, h, f, lockable, r), 0) << platform::error();
        return keep(r);
    }
    resource plain(int w, int h, dev::format f, dev::pool p = dev::pool_system_memory)
    {
        resource r = resource::none;
        EXPECT_EQ(dev::create_offscreen_plain_surface(w, h, f, p, r), 0) << platform::error();
        return keep(r);
    }
    resource back_buffer()
    {
        resource r = resource::none;
        EXPECT_EQ(dev::get_back_buffer(r), 0) << platform::error();
        return keep(r);
    }

    // Pixels of a lockable surface, read or written through a lock.
    static std::uint32_t get(resource s, int x, int y)
    {
        const int bytes = dev::format_bytes(dev::describe(s)->fmt);
        dev::locked_rect l;
        const platform::rect one{x, y, x + 1, y + 1};
        EXPECT_EQ(dev::lock_surface(s, &one, dev::lock_readonly, l), 0) << platform::error();
        std::uint32_t v = 0;
        if (l.bits) std::memcpy(&v, l.bits, static_cast<std::size_t>(bytes));
        dev::unlock_surface(s);
        return v;
    }
    // Every pixel of the surface set to f(x, y).
    template <class F>
    static void paint(resource s, F f)
    {
        const dev::resource_desc d = *dev::describe(s);
        const int bytes = dev::format_bytes(d.fmt);
        dev::locked_rect l;
        ASSERT_EQ(dev::lock_surface(s, nullptr, 0, l), 0) << platform::error();
        for (int y = 0; y < d.height; ++y)
            for (int x = 0; x < d.width; ++x) {
                const std::uint32_t v = f(x, y);
                std::memcpy(static_cast<std::uint8_t*>(l.bits) + static_cast<std::size_t>(y) * l.pitch +
                                static_cast<std::size_t>(x) * bytes,
                            &v, static_cast<std::size_t>(bytes));
            }
        ASSERT_EQ(dev::unlock_surface(s), 0);
    }

    std::vector<resource> made_;
};

}  // namespace device_test
