// Selects a backend by name for a window test: headless from its reset, sdl
// under SDL's dummy video driver unless SDL_VIDEODRIVER names another.
#pragma once

#include "platform/headless/headless.hpp"
#include "platform/platform.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace support {

inline void select_window_backend(const std::string& name)
{
    ASSERT_EQ(platform::select_backend(name.c_str()), 0);
    if (name == "headless")
        platform::headless::reset();
    else
        ::setenv("SDL_VIDEODRIVER", "dummy", 0);
}

inline bool under_x11()
{
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    return driver && std::string(driver) == "x11";
}

// Takes every record waiting (what the window's creation announced).
inline void drain_events()
{
    platform::event e;
    while (platform::pump_event(e) == 1) {
    }
}

}  // namespace support
