#include "platform/headless/headless.hpp"
#include "platform/platform.hpp"

#include <gtest/gtest.h>

#include <string>

TEST(Backend, SelectsByNameAndRefusesUnknownNames)
{
    EXPECT_EQ(platform::select_backend("nonesuch"), -1);
    EXPECT_EQ(std::string(platform::error()), "unknown backend");
    ASSERT_EQ(platform::select_backend("headless"), 0);
    EXPECT_EQ(std::string(platform::current_backend().name), "headless");
    ASSERT_EQ(platform::select_backend("sdl"), 0);
    EXPECT_EQ(std::string(platform::current_backend().name), "sdl");
}

TEST(Backend, HeadlessClockMovesOnlyWhenTold)
{
    ASSERT_EQ(platform::select_backend("headless"), 0);
    platform::headless::reset();
    EXPECT_EQ(platform::milliseconds(), 0u);
    platform::headless::advance_clock(250);
    EXPECT_EQ(platform::milliseconds(), 250u);
    platform::headless::set_clock(0xFFFFFFFFu);
    platform::headless::advance_clock(2);  // wraps like the 32-bit counter
    EXPECT_EQ(platform::milliseconds(), 1u);
    platform::headless::set_local_time({2010, 7, 11, 13, 5, 9});
    EXPECT_EQ(platform::now().year, 2010);
    EXPECT_EQ(platform::now().second, 9);
    platform::headless::reset();
    EXPECT_EQ(platform::now().year, 2000);
}
