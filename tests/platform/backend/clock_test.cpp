// Counters, sleeps and timer periods of both backends.
#include "platform/headless/headless.hpp"
#include "platform/platform.hpp"

#include <gtest/gtest.h>

namespace {

class HeadlessClock : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(platform::select_backend("headless"), 0);
        platform::headless::reset();
    }
    void TearDown() override { platform::headless::reset(); }
};

TEST_F(HeadlessClock, CountersFollowTheVirtualClock)
{
    EXPECT_EQ(platform::performance_frequency(), 1000000000u);
    EXPECT_TRUE(platform::has_timestamp_counter());
    const std::uint64_t counter = platform::performance_counter();
    const std::uint64_t stamp = platform::timestamp_counter();
    platform::headless::advance_clock(100);
    EXPECT_EQ(platform::performance_counter() - counter, 100000000u);
    EXPECT_EQ(platform::timestamp_counter() - stamp, 100000000u);

    // setting the clock back past the wrap is time passing: counters go on
    platform::headless::set_clock(0xFFFFFFFFu);
    const std::uint64_t before_wrap = platform::performance_counter();
    platform::headless::set_clock(4);
    EXPECT_EQ(platform::performance_counter() - before_wrap, 5000000u);
}

TEST_F(HeadlessClock, SleepsPassAtOnce)
{
    platform::headless::set_clock(10);
    platform::sleep(3);
    EXPECT_EQ(platform::milliseconds(), 13u);
    platform::sleep(0);
    EXPECT_EQ(platform::milliseconds(), 13u);
}

TEST_F(HeadlessClock, StepMovesTheClockOnEveryRead)
{
    EXPECT_EQ(platform::milliseconds(), platform::milliseconds());
    platform::headless::set_clock_step(1);
    const std::uint32_t first = platform::milliseconds();
    EXPECT_EQ(platform::milliseconds() - first, 1u);
    // a busy wait of the start-up's kind ends
    const std::uint32_t start = platform::milliseconds();
    while (platform::milliseconds() - start < 100) {
    }
    platform::headless::reset();
    EXPECT_EQ(platform::milliseconds(), platform::milliseconds());
}

TEST(TimerPeriod, OneMillisecondOnEveryBackend)
{
    for (const char* name : {"headless", "sdl"}) {
        ASSERT_EQ(platform::select_backend(name), 0);
        EXPECT_EQ(platform::timer_minimum_period(), 1u);
        EXPECT_EQ(platform::begin_timer_period(1), 0);
        EXPECT_EQ(platform::end_timer_period(1), 0);
    }
}

TEST(SdlClock, CounterNeverGoesBack)
{
    ASSERT_EQ(platform::select_backend("sdl"), 0);
    EXPECT_EQ(platform::performance_frequency(), 1000000000u);
    std::uint64_t last = platform::performance_counter();
    for (int i = 0; i < 1000; ++i) {
        const std::uint64_t now = platform::performance_counter();
        ASSERT_GE(now, last);
        last = now;
    }
    platform::sleep(0);
#if defined(__x86_64__)
    EXPECT_TRUE(platform::has_timestamp_counter());
    const std::uint64_t stamp = platform::timestamp_counter();
    EXPECT_NE(platform::timestamp_counter(), stamp);
#else
    EXPECT_FALSE(platform::has_timestamp_counter());
#endif
    ASSERT_EQ(platform::select_backend("headless"), 0);
}

}  // namespace
