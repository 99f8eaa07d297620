#include "platform/headless/headless.hpp"
#include "platform/platform.hpp"
#include "platform/sdl/test_hooks.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

using platform::headless::attached_joystick;

attached_joystick stick(const std::string& name, int axes, unsigned effects, bool open_fails = false)
{
    attached_joystick j;
    j.name = name;
    j.axes = axes;
    j.effects = effects;
    j.open_fails = open_fails;
    return j;
}

class HeadlessJoysticks : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(platform::select_backend("headless"), 0);
        platform::headless::reset();
    }
    void TearDown() override { platform::headless::reset(); }
};

TEST_F(HeadlessJoysticks, TheTestsListCutToSixteen)
{
    std::vector<platform::joystick_info> out(3);
    ASSERT_EQ(platform::joysticks(out), 0);
    EXPECT_TRUE(out.empty());

    platform::headless::set_joysticks({stick("A", 2, 0), stick("B", 6, platform::effect_sine)});
    ASSERT_EQ(platform::joysticks(out), 0);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].name, "A");
    EXPECT_EQ(out[0].axes, 2);
    EXPECT_EQ(out[1].axes, 6);
    EXPECT_EQ(out[1].effects, unsigned{platform::effect_sine});

    std::vector<attached_joystick> many(20);
    many[15].name = "sixteenth";
    platform::headless::set_joysticks(many);
    ASSERT_EQ(platform::joysticks(out), 0);
    ASSERT_EQ(out.size(), 16u);
    EXPECT_EQ(out[15].name, "sixteenth");
}

// Opening by index, effects only of the kinds offered, the records of
// starts, stops and destruction.
TEST_F(HeadlessJoysticks, OpeningAndEffects)
{
    platform::headless::set_joysticks({stick("haptic", 4, platform::effect_constant | platform::effect_sine),
                                       stick("plain", 2, 0), stick("gone", 2, 0, true)});
    struct open_case {
        int index;
        bool opens;
    } opens[] = {{0, true}, {1, true}, {2, false}, {3, false}, {-1, false}, {16, false}};
    std::vector<int> ids;
    for (const open_case& c : opens) {
        const int id = platform::open_joystick(c.index);
        EXPECT_EQ(id >= 0, c.opens) << c.index;
        ids.push_back(id);
    }
    EXPECT_EQ(platform::headless::open_joysticks(), 2);

    platform::haptic_effect sine;
    sine.kind = platform::effect_sine;
    sine.period = 1500;
    platform::haptic_effect constant;
    EXPECT_LT(platform::create_effect(ids[1], constant), 0);  // no haptics
    const int s = platform::create_effect(ids[0], sine);
    const int c = platform::create_effect(ids[0], constant);
    ASSERT_GE(s, 0);
    ASSERT_GE(c, 0);
    platform::haptic_effect unknown;
    unknown.kind = 4;
    EXPECT_LT(platform::create_effect(ids[0], unknown), 0);

    EXPECT_EQ(platform::run_effect(ids[0], s), 0);
    EXPECT_EQ(platform::stop_effect(ids[0], s), 0);
    EXPECT_EQ(platform::run_effect(ids[0], c), 0);
    EXPECT_LT(platform::run_effect(ids[1], c), 0);  // another joystick's effect
    platform::destroy_effect(ids[0], s);
    EXPECT_LT(platform::run_effect(ids[0], s), 0);

    const auto& records = platform::headless::effects();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].effect.period, 1500u);
    EXPECT_EQ(records[0].starts, 1);
    EXPECT_EQ(records[0].stops, 1);
    EXPECT_TRUE(records[0].destroyed);
    EXPECT_EQ(records[1].starts, 1);
    EXPECT_FALSE(records[1].destroyed);
    // closing takes the joystick's effects with it
    platform::close_joystick(ids[0]);
    EXPECT_TRUE(records[1].destroyed);
    platform::close_joystick(ids[1]);
    EXPECT_EQ(platform::headless::open_joysticks(), 0);
}

TEST_F(HeadlessJoysticks, DeviceInputCallsAreRecordedAndFailOnRequest)
{
    using platform::input_device;
    using platform::input_device_kind;
    using platform::input_op;
    const input_device none{};
    const input_device keyboard{input_device_kind::keyboard, -1};
    // off: the object cannot be made
    EXPECT_EQ(platform::input_call(input_op::create_object, none, 7), 0x80040154u);
    platform::headless::switch_device_input(true);
    EXPECT_EQ(platform::input_call(input_op::create_object, none, 7), 0u);

    platform::headless::fail_input_call(input_op::acquire, input_device_kind::keyboard, 2);
    platform::headless::fail_input_call(input_op::event_notification, input_device_kind::keyboard, 1, 2);
    EXPECT_EQ(platform::input_call(input_op::create_device, keyboard), 0u);
    EXPECT_EQ(platform::input_call(input_op::cooperative_level, keyboard, 10), 0u);
    EXPECT_EQ(platform::input_call(input_op::acquire, {input_device_kind::mouse, -1}), 0u);  // another device
    EXPECT_EQ(platform::input_call(input_op::acquire, keyboard), 0x80004005u);
    EXPECT_EQ(platform::input_call(input_op::acquire, keyboard), 0x80004005u);
    EXPECT_EQ(platform::input_call(input_op::acquire, keyboard), 0u);
    EXPECT_EQ(platform::input_call(input_op::event_notification, keyboard), 2u);
    const auto* record = platform::headless::input_device_state(input_device_kind::keyboard);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->created, 1);
    EXPECT_EQ(record->cooperative_level, 10);
    EXPECT_TRUE(record->acquired);
    EXPECT_EQ(platform::input_call(input_op::release_device, keyboard), 0u);
    EXPECT_TRUE(record->released);
    EXPECT_FALSE(record->acquired);
    EXPECT_EQ(platform::headless::input_device_state(input_device_kind::joystick, 0), nullptr);
}

TEST_F(HeadlessJoysticks, DeviceKeysAndButtons)
{
    std::uint8_t keys[256];
    std::uint8_t buttons[8];
    platform::headless::set_device_key(30, true);
    platform::headless::set_device_key(256, true);  // no such code: nothing
    platform::headless::set_device_mouse_buttons(0x105);
    ASSERT_EQ(platform::device_keys(keys), 0);
    ASSERT_EQ(platform::device_mouse_buttons(buttons), 0);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(keys[i], i == 30 ? 0x80 : 0) << i;
    const std::uint8_t expected[8] = {0x80, 0, 0x80, 0, 0, 0, 0, 0};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(buttons[i], expected[i]) << i;
}

// Every key of the device-input key codes reaches a key position whose
// virtual key is the one paired with that code.
TEST(DeviceKeys, EveryCodeOfThePairsHasAPosition)
{
    // (virtual key, device code), as the input layer pairs them
    const int pairs[][2] = {
        {'A', 30}, {'B', 48}, {'C', 46}, {'D', 32}, {'E', 18}, {'F', 33}, {'G', 34}, {'H', 35}, {'I', 23},
        {'J', 36}, {'K', 37}, {'L', 38}, {'M', 50}, {'N', 49}, {'O', 24}, {'P', 25}, {'Q', 16}, {'R', 19},
        {'S', 31}, {'T', 20}, {'U', 22}, {'V', 47}, {'W', 17}, {'X', 45}, {'Y', 21}, {'Z', 44},
        {'0', 11}, {'1', 2}, {'2', 3}, {'3', 4}, {'4', 5}, {'5', 6}, {'6', 7}, {'7', 8}, {'8', 9}, {'9', 10},
        {37, 203}, {38, 200}, {39, 205}, {40, 208}, {187, 39}, {186, 146}, {219, 26}, {221, 27}, {192, 145},
        {226, 43}, {188, 51}, {189, 12}, {220, 125}, {190, 52}, {191, 53}, {46, 211}, {27, 1}, {32, 57},
        {8, 14}, {9, 15}, {13, 28}, {96, 82}, {97, 79}, {98, 80}, {99, 81}, {100, 75}, {101, 76}, {102, 77},
        {103, 71}, {104, 72}, {105, 73}, {106, 55}, {107, 78}, {109, 74}, {110, 83}, {111, 181}, {13, 156},
        {160, 42}, {161, 54}, {162, 29}, {163, 157}, {33, 201}, {34, 209}, {35, 207}, {36, 199}, {45, 210},
        {164, 56}, {165, 184}, {145, 70}, {20, 58}, {19, 197}, {112, 59}, {113, 60}, {114, 61}, {115, 62},
        {116, 63}, {117, 64}, {118, 65}, {119, 66}, {120, 67}, {121, 68}, {122, 87}, {123, 88},
    };
    std::set<std::pair<int, int>> known;
    for (const auto& p : pairs)
        known.insert({p[0], p[1]});
    for (const auto& p : pairs) {
        bool found = false;
        for (int position = 0; position < 256 && !found; ++position)
            found = platform::device_key(position) == p[1];
        EXPECT_TRUE(found) << "code " << p[1];
    }
    // and every position with a code agrees with its virtual key
    for (int position = 0; position < 256; ++position) {
        const int code = platform::device_key(position);
        if (code != 0)
            EXPECT_EQ(known.count({platform::virtual_key(position), code}), 1u) << position;
    }
    EXPECT_EQ(platform::device_key(-1), 0);
    EXPECT_EQ(platform::device_key(256), 0);
}

// SDL starts its joystick subsystem on the first call; virtual joysticks
// show with their names and axes, and without haptics.
TEST(SdlJoysticks, VirtualJoysticksAreListed)
{
    ::setenv("SDL_VIDEODRIVER", "dummy", 0);
    ASSERT_EQ(platform::select_backend("sdl"), 0);
    std::vector<platform::joystick_info> out;
    ASSERT_EQ(platform::joysticks(out), 0) << platform::error();
    const std::size_t before = out.size();
    ASSERT_GE(platform::sdl::test::attach_virtual_joystick("pad 0", 6), 0) << platform::error();
    ASSERT_GE(platform::sdl::test::attach_virtual_joystick("pad 1", 1), 0) << platform::error();
    ASSERT_EQ(platform::joysticks(out), 0);
    ASSERT_EQ(out.size(), before + 2);
    EXPECT_EQ(out[before].name, "pad 0");
    EXPECT_EQ(out[before].axes, 6);
    EXPECT_EQ(out[before].effects, 0u);
    EXPECT_EQ(out[before + 1].axes, 1);

    // the object starts the haptic subsystem too; a joystick opens, its
    // effects cannot be made
    EXPECT_EQ(platform::input_call(platform::input_op::create_object, {}, 7), 0u) << platform::error();
    const int id = platform::open_joystick(static_cast<int>(before));
    ASSERT_GE(id, 0) << platform::error();
    EXPECT_LT(platform::create_effect(id, platform::haptic_effect{}), 0);
    EXPECT_LT(platform::open_joystick(static_cast<int>(before) + 2), 0);  // none there
    platform::close_joystick(id);
    platform::input_call(platform::input_op::release_object, {}, 0);

    platform::sdl::test::detach_virtual_joysticks();
    ASSERT_EQ(platform::joysticks(out), 0);
    EXPECT_EQ(out.size(), before);
    ASSERT_EQ(platform::select_backend("headless"), 0);
}

}  // namespace
