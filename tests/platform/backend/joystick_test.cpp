#include "platform/headless/headless.hpp"
#include "platform/platform.hpp"

#include <gtest/gtest.h>

#include <vector>

TEST(Joysticks, HeadlessGivesTheTestsListCutToSixteen)
{
    ASSERT_EQ(platform::select_backend("headless"), 0);
    platform::headless::reset();
    std::vector<platform::joystick_info> out(3);
    ASSERT_EQ(platform::joysticks(out), 0);
    EXPECT_TRUE(out.empty());

    platform::headless::set_joysticks({{false}, {true}});
    ASSERT_EQ(platform::joysticks(out), 0);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_FALSE(out[0].four_axes);
    EXPECT_TRUE(out[1].four_axes);

    std::vector<platform::joystick_info> many(20);
    many[15].four_axes = true;
    platform::headless::set_joysticks(many);
    ASSERT_EQ(platform::joysticks(out), 0);
    ASSERT_EQ(out.size(), 16u);
    EXPECT_TRUE(out[15].four_axes);
    platform::headless::reset();
}

// SDL starts its joystick subsystem on the first call; a machine without
// joysticks gives an empty list, never more than sixteen.
TEST(Joysticks, SdlCountsWhatIsAttached)
{
    ASSERT_EQ(platform::select_backend("sdl"), 0);
    std::vector<platform::joystick_info> out;
    ASSERT_EQ(platform::joysticks(out), 0) << platform::error();
    EXPECT_LE(out.size(), 16u);
    ASSERT_EQ(platform::joysticks(out), 0);  // started once, asked again
    EXPECT_LE(out.size(), 16u);
    ASSERT_EQ(platform::select_backend("headless"), 0);
}
