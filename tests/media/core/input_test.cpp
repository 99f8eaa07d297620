// Keyboard and mouse buttons from the platform's key table, joysticks
// counted, the start again after the end, the refresh at most once a
// millisecond.
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "log_folder.hpp"
#include "media/core/input.hpp"
#include "platform/sdl/test_hooks.hpp"

namespace {

using media::core::input_state;
using media_test::headless_media;
using platform::event_kind;

class Input : public headless_media {
protected:
    void SetUp() override
    {
        headless_media::SetUp();
        create_window();
    }

    static platform::os_event key(int position, bool down)
    {
        platform::os_event e;
        e.kind = down ? event_kind::key_down : event_kind::key_up;
        e.key_position = position;
        return e;
    }

    // The codes down in a fresh read of the key table, the clock moved on.
    static std::vector<int> codes_down()
    {
        platform::headless::advance_clock(1);
        char table[256];
        std::memset(table, 7, sizeof table);
        EXPECT_EQ(GetKeyStateTable(table), 0);
        std::vector<int> down;
        for (int i = 0; i < 256; ++i) {
            EXPECT_TRUE(table[i] == 0 || table[i] == 1) << i;
            if (table[i] != 0)
                down.push_back(i);
        }
        return down;
    }

    // The input lines of the log, stamps and numbers masked.
    std::string input_lines() const
    {
        const std::string log = masked_log();
        const std::size_t from = log.find("#:DirectInput関係");
        return from == std::string::npos ? log : log.substr(from);
    }
};

TEST_F(Input, StartTakesTheRoadWithoutDeviceInput)
{
    ASSERT_EQ(StartInput(), 0);
    EXPECT_EQ(input_lines(),
              "#:DirectInput関係初期化処理\r\n"
              "#:\tDirectInput# の取得中... 取得に失敗。\r\n"
              "#:\tエラーコード #x#\r\n"
              "#:\tDirectInput# の取得を試みます...取得に失敗。DirectInput を使用しません。\r\n"
              "#:\tパッドの数は # 個です\r\n"
              "#:入力関連の初期化をしました\r\n");
    EXPECT_NE(read().find("エラーコード 0x80040154\r\n"), std::string::npos);
    EXPECT_NE(read().find("パッドの数は 0 個です"), std::string::npos);
    EXPECT_EQ(input_state.joypad_count, 16);
    EXPECT_EQ(input_state.started, -1);
    EXPECT_EQ(input_state.no_direct_input, 1);
    // pad 1's keys, the others none
    const int first[14][2] = {{80, 208}, {75, 203}, {77, 205}, {72, 200}, {44, -1}, {45, -1}, {46, -1},
                              {30, -1},  {31, -1},  {32, -1},  {16, -1},  {17, -1}, {1, -1},  {57, -1}};
    for (int bit = 0; bit < 32; ++bit) {
        EXPECT_EQ(media::core::pad_key_assign[0][bit][0], bit < 14 ? first[bit][0] : -1) << bit;
        EXPECT_EQ(media::core::pad_key_assign[0][bit][1], bit < 14 ? first[bit][1] : -1) << bit;
    }
    EXPECT_EQ(media::core::pad_key_assign[1][0][0], -1);
    EXPECT_EQ(media::core::pad_key_assign[15][31][1], -1);
    // a second start does nothing
    const std::string before = read();
    EXPECT_EQ(StartInput(), 0);
    EXPECT_EQ(read(), before);
}

TEST_F(Input, JoysticksAreCountedWithTheirFurtherAxes)
{
    platform::headless::attached_joystick four, two;
    four.axes = 4;
    two.axes = 2;
    platform::headless::set_joysticks({four, two});
    ASSERT_EQ(StartInput(), 0);
    EXPECT_NE(read().find("パッドの数は 2 個です\r\n"), std::string::npos) << read();
    EXPECT_EQ(input_state.joypads[0].two_axes, 1);
    EXPECT_EQ(input_state.joypads[1].two_axes, 0);
    EXPECT_EQ(input_state.joypad_count, 16);

    // no more than 16 are counted
    ShutdownDirectInput();
    platform::headless::set_joysticks(std::vector<platform::headless::attached_joystick>(17, four));
    ASSERT_EQ(StartInput(), 0);
    EXPECT_NE(read().find("パッドの数は 16 個です\r\n"), std::string::npos) << read();
}

// Keys pushed as platform events, pumped by the read itself, looked up in
// the key table: the whole road.
TEST_F(Input, KeysMapToTheirDeviceCodes)
{
    struct mapping_case {
        const char* name;
        int position;  // the platform's key position
        std::vector<int> codes;
    };
    const mapping_case cases[] = {
        {"Enter", 0x28, {28, 156}},       {"keypad Enter", 0x58, {28, 156}},
        {"Up", 0x52, {200}},              {"Down", 0x51, {208}},
        {"Backspace", 0x2A, {14}},        {"Delete", 0x4C, {211}},
        {"E", 0x08, {18}},                {"Escape", 0x29, {1}},
        {"Space", 0x2C, {57}},            {"A", 0x04, {30}},
        {"digit 1", 0x1E, {2}},           {"keypad 0", 0x62, {82}},
        {"left shift", 0xE1, {42}},       {"right shift", 0xE5, {54}},
        {"; +", 0x33, {39}},              {": *", 0x34, {146}},
        {"@", 0x2F, {145}},               {"\\ _", 0x87, {43}},
        {"yen", 0x89, {125}},             {"F12", 0x45, {88}},
    };
    ASSERT_EQ(StartInput(), 0);
    EXPECT_TRUE(codes_down().empty());
    for (const mapping_case& c : cases) {
        push(key(c.position, true));
        EXPECT_EQ(codes_down(), c.codes) << c.name;
        push(key(c.position, false));
        EXPECT_TRUE(codes_down().empty()) << c.name;
    }
}

TEST_F(Input, TheTableIsReadAtMostOnceAMillisecond)
{
    ASSERT_EQ(StartInput(), 0);
    EXPECT_TRUE(codes_down().empty());
    // the clock stands still: a second read neither pumps nor reads again
    push(key(0x04, true));
    char table[256];
    ASSERT_EQ(GetKeyStateTable(table), 0);
    EXPECT_EQ(table[30], 0);
    EXPECT_EQ(RefreshKeyboardState(), 0);
    EXPECT_EQ(IsKeyDown(30), 0);
    platform::headless::advance_clock(1);
    EXPECT_EQ(IsKeyDown(30), 1);
    ASSERT_EQ(GetKeyStateTable(table), 0);
    EXPECT_EQ(table[30], 1);
}

TEST_F(Input, SingleKeysAndMouseButtons)
{
    ASSERT_EQ(StartInput(), 0);
    push(key(0xE1, true));
    platform::headless::advance_clock(1);
    EXPECT_EQ(IsKeyDown(42), 1);
    EXPECT_EQ(IsKeyDown(54), 0);
    // codes outside the table are up, never read past it
    for (int code : {-1, 256, 100000, -100000})
        EXPECT_EQ(IsKeyDown(code), 0) << code;
    push(key(0xE1, false));
    platform::headless::advance_clock(1);
    EXPECT_EQ(IsKeyDown(42), 0);

    EXPECT_EQ(GetMouseButtonMask(), 0);
    auto button = [](platform::mouse_button b, bool down) {
        platform::os_event e;
        e.kind = down ? event_kind::button_down : event_kind::button_up;
        e.button = b;
        return e;
    };
    const struct {
        platform::mouse_button button;
        int bit;
    } buttons[] = {{platform::mouse_button::left, 1}, {platform::mouse_button::right, 2},
                   {platform::mouse_button::middle, 4}};
    int mask = 0;
    for (const auto& b : buttons) {
        push(button(b.button, true));
        platform::headless::advance_clock(1);
        mask |= b.bit;
        EXPECT_EQ(GetMouseButtonMask(), mask);
    }
    push(button(platform::mouse_button::left, false));
    platform::headless::advance_clock(1);
    EXPECT_EQ(GetMouseButtonMask(), 6);
}

// A press and its release pumped between two reads, as a tap gives: the
// button reads down once, then up; a held button stays down. On both backends.
TEST_F(Input, AClickShorterThanAReadShowsDownOnceThenUp)
{
    using platform::mouse_button;
    struct backend_case {
        const char* name;
        void (*button)(mouse_button b, bool down);
    } cases[] = {
        {"headless",
         [](mouse_button b, bool down) {
             platform::os_event e;
             e.kind = down ? event_kind::button_down : event_kind::button_up;
             e.button = b;
             push(e);
         }},
        {"sdl",
         [](mouse_button b, bool down) {
             ASSERT_EQ(platform::sdl::test::push_button(b == mouse_button::left ? 1 : 3, down, 10, 10), 0);
         }},
    };
    // a read that refreshes the key table: a millisecond on for the virtual
    // clock, the last refresh a millisecond back for the real one
    auto read = [] {
        platform::headless::advance_clock(1);
        input_state.last_refresh -= 1;
        return GetMouseButtonMask();
    };
    for (const backend_case& c : cases) {
        SCOPED_TRACE(c.name);
        DestroyMainWindow();
        media::core::reset_state();
        ASSERT_EQ(platform::select_backend(c.name), 0);
        ::setenv("SDL_VIDEODRIVER", "dummy", 0);
        ASSERT_EQ(CreateMainWindow(), 0);
        ASSERT_EQ(StartInput(), 0);
        EXPECT_EQ(read(), 0);
        c.button(mouse_button::left, true);
        c.button(mouse_button::left, false);
        PumpWindowMessages();
        EXPECT_EQ(read(), 1);
        EXPECT_EQ(read(), 0);
        // held across reads: down until its release
        c.button(mouse_button::right, true);
        PumpWindowMessages();
        EXPECT_EQ(read(), 2);
        EXPECT_EQ(read(), 2);
        c.button(mouse_button::right, false);
        PumpWindowMessages();
        EXPECT_EQ(read(), 0);
        DestroyMainWindow();
    }
    ASSERT_EQ(platform::select_backend("headless"), 0);
}

TEST_F(Input, AReadAfterTheEndStartsInputAgain)
{
    ASSERT_EQ(StartInput(), 0);
    push(key(0x28, true));
    EXPECT_EQ(codes_down(), (std::vector<int>{28, 156}));
    EXPECT_EQ(ShutdownDirectInput(), 0);
    EXPECT_NE(read().find("入力関連の終了処理... 完了\r\n"), std::string::npos);
    EXPECT_EQ(input_state.started, 0);

    const std::string before = read();
    char table[256];
    std::memset(table, 7, sizeof table);
    platform::headless::advance_clock(1);
    EXPECT_EQ(GetKeyStateTable(table), 0);
    EXPECT_EQ(table[0], 7);  // the start's result, the buffer untouched
    EXPECT_EQ(table[255], 7);
    const std::string restart = read().substr(before.size());
    EXPECT_EQ(restart.find("DirectInput"), std::string::npos) << restart;
    EXPECT_NE(restart.find("パッドの数は 0 個です\r\n"), std::string::npos) << restart;
    EXPECT_NE(restart.find("入力関連の初期化をしました\r\n"), std::string::npos) << restart;
    EXPECT_EQ(input_state.joypad_count, 16);
    // the key still held shows in the read after
    EXPECT_EQ(codes_down(), (std::vector<int>{28, 156}));

    // a single key read and a vibration stop start input the same way
    ShutdownDirectInput();
    EXPECT_EQ(IsKeyDown(28), 0);
    EXPECT_EQ(input_state.started, -1);
    ShutdownDirectInput();
    EXPECT_EQ(StopJoypadVibration(1), 0);
    EXPECT_EQ(input_state.started, -1);
    EXPECT_EQ(StopJoypadVibration(1), 0);
    EXPECT_EQ(GetKeyStateTable(nullptr), -1);
}

TEST_F(Input, PrivateMessagesSetAndClearTheirFlags)
{
    struct flag_case {
        std::uint32_t message;
        WPARAM wParam;
        int flag_1135, flag_1136;
    };
    const flag_case cases[] = {
        {WM_INPUT_FLAG_1135, 1, 1, 0},
        {WM_INPUT_FLAG_1136, 1, 1, 1},
        {WM_INPUT_FLAG_1135, 0, 0, 1},
        {WM_INPUT_FLAG_1136, 2, 0, 0},
    };
    for (const flag_case& c : cases) {
        media::core::post_message(c.message, c.wParam);
        EXPECT_EQ(PumpWindowMessages(), 0);
        EXPECT_EQ(input_state.message_1135, c.flag_1135) << c.message << " " << c.wParam;
        EXPECT_EQ(input_state.message_1136, c.flag_1136) << c.message << " " << c.wParam;
    }
    // without devices these have nothing to do
    EXPECT_EQ(ReacquireInputDevices(), 0);
    EXPECT_EQ(ApplyJoypadEffects(), 0);
    EXPECT_EQ(ProcessJoypadVibration(), 0);
}

// The sdl backend under SDL's dummy driver: a key SDL reports, one pump,
// the key table.
TEST_F(Input, SdlKeyReachesTheTable)
{
    DestroyMainWindow();
    media::core::reset_state();
    ASSERT_EQ(platform::select_backend("sdl"), 0);
    ::setenv("SDL_VIDEODRIVER", "dummy", 0);
    ASSERT_EQ(CreateMainWindow(), 0);
    ASSERT_EQ(StartInput(), 0);
    ASSERT_EQ(platform::sdl::test::push_key(0x28, true), 0);
    // the first refresh since the start needs no tick of the clock: this
    // pump's refresh reads the key
    PumpWindowMessages();
    char table[256];
    ASSERT_EQ(GetKeyStateTable(table), 0);
    EXPECT_EQ(table[28], 1);
    EXPECT_EQ(table[156], 1);
    EXPECT_EQ(table[1], 0);
    DestroyMainWindow();
    ASSERT_EQ(platform::select_backend("headless"), 0);
}

}  // namespace
