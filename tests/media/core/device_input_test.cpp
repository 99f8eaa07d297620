// Input through the device-input stand-in: the start's log on the device
// road and its failures, joypads and their effects, the end, and the device
// path of the keyboard and the mouse.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "log_folder.hpp"
#include "media/core/input.hpp"
#include "platform/sdl/test_hooks.hpp"

namespace {

using media::core::input_state;
using media_test::headless_media;
using platform::input_device_kind;
using platform::input_op;
using platform::headless::attached_joystick;

constexpr unsigned both_effects = platform::effect_constant | platform::effect_sine;

attached_joystick stick(const std::string& name, int axes, unsigned effects = 0, bool open_fails = false)
{
    attached_joystick j;
    j.name = name;
    j.axes = axes;
    j.effects = effects;
    j.open_fails = open_fails;
    return j;
}

// Counts the appearances of text in log.
int count_of(const std::string& log, const std::string& text)
{
    int n = 0;
    for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + text.size()))
        ++n;
    return n;
}

class DeviceInput : public headless_media {
protected:
    void SetUp() override
    {
        headless_media::SetUp();
        create_window();
        platform::headless::switch_device_input(true);
        // as start-up records it: a current system
        media::core::platform_info.windows_version = 265;
        media::core::window_state.active = 1;
    }

    void TearDown() override
    {
        if (input_state.started > 0)
            ShutdownDirectInput();
        headless_media::TearDown();
    }

    // The log from the input start on, stamps and numbers masked.
    std::string input_lines() const
    {
        const std::string log = masked_log();
        const std::size_t from = log.find("#:DirectInput関係");
        return from == std::string::npos ? log : log.substr(from);
    }

    static const platform::headless::input_device_record& record(input_device_kind kind, int joystick = -1)
    {
        const auto* r = platform::headless::input_device_state(kind, joystick);
        static const platform::headless::input_device_record none{};
        EXPECT_NE(r, nullptr);
        return r != nullptr ? *r : none;
    }
};

TEST_F(DeviceInput, StartWithoutJoysticksLogsTheDeviceRoad)
{
    ASSERT_EQ(StartInput(), 0);
    EXPECT_EQ(input_lines(),
              "#:DirectInput関係初期化処理\r\n"
              "#:\tDirectInput# の取得中... 成功\r\n"
              "#:\t\t引き続き初期化処理... 初期化成功\r\n"
              "#:\tジョイパッドの初期化... \r\n"
              "#:\tジョイパッドの初期化は正常に終了しました\r\n"
              "#:\tマウスデバイスの初期化... 初期化成功\r\n"
              "#:\tキーボードデバイスの初期化... 初期化成功\r\n"
              "#:DirectInput 関連の初期化は正常に終了しました\r\n");
    EXPECT_EQ(input_state.started, 7);
    EXPECT_EQ(input_state.direct_input8, 0);
    EXPECT_EQ(input_state.joypad_count, 0);
    EXPECT_EQ(input_state.no_direct_input, 0);
    EXPECT_EQ(record(input_device_kind::mouse).cooperative_level, 10);
    EXPECT_EQ(record(input_device_kind::keyboard).cooperative_level, 10);
    EXPECT_TRUE(record(input_device_kind::keyboard).acquired);
    EXPECT_EQ(media::core::pad_key_assign[0][0][0], 80);
    // keys still come from the platform's key table on a current system
    platform::os_event e;
    e.kind = platform::event_kind::key_down;
    e.key_position = 0x04;
    push(e);
    platform::headless::advance_clock(1);
    EXPECT_EQ(IsKeyDown(30), 1);
    // a second start does nothing
    const std::string before = read();
    EXPECT_EQ(StartInput(), 0);
    EXPECT_EQ(read(), before);
}

TEST_F(DeviceInput, TwoJoysticksAreAddedWithTheirNamesAndEffects)
{
    platform::headless::set_joysticks({stick("Pad A", 4, both_effects), stick("Pad B", 2)});
    ASSERT_EQ(StartInput(), 0);
    const std::string masked = input_lines();
    EXPECT_NE(masked.find("#:\t入力装置を見つけました\r\n"
                          "#:\tデバイスの登録名:Pad Aデバイスの製品登録名:Pad Aジョイパッドの追加は正常に終了しました\r\n"
                          "#:\t入力装置を見つけました\r\n"
                          "#:\tデバイスの登録名:Pad Bデバイスの製品登録名:Pad B周期的エフェクトの作成に失敗しました。\r\n"
                          "#:\tジョイパッドの追加は正常に終了しました\r\n"
                          "#:\tジョイパッドの初期化は正常に終了しました\r\n"),
              std::string::npos)
        << masked;
    ASSERT_EQ(input_state.joypad_count, 2);
    const char* names[2] = {"Pad A", "Pad B"};
    for (int i = 0; i < 2; ++i) {
        const media::core::JOYPAD& pad = input_state.joypads[i];
        EXPECT_STREQ(pad.instance_name, names[i]);
        EXPECT_STREQ(pad.product_name, names[i]);
        EXPECT_EQ(pad.dead_zone, 0.25);
        EXPECT_NE(pad.device, 0);
        EXPECT_EQ(pad.vibration_power, 10000);
        EXPECT_EQ(record(input_device_kind::joystick, i).cooperative_level, 5);
        EXPECT_TRUE(record(input_device_kind::joystick, i).acquired);
    }
    EXPECT_NE(input_state.joypads[0].sine_effect, 0);
    EXPECT_NE(input_state.joypads[0].constant_effect, 0);
    EXPECT_EQ(input_state.joypads[1].sine_effect, 0);
    EXPECT_EQ(input_state.joypads[1].constant_effect, 0);
    // the sine first, then the constant force, both endless at full strength
    const auto& effects = platform::headless::effects();
    ASSERT_EQ(effects.size(), 2u);
    const platform::haptic_effect& sine = effects[0].effect;
    EXPECT_EQ(sine.kind, unsigned{platform::effect_sine});
    EXPECT_TRUE(sine.polar);
    EXPECT_EQ(sine.direction, 0);
    EXPECT_EQ(sine.length, 0u);
    EXPECT_EQ(sine.magnitude, 10000);
    EXPECT_EQ(sine.gain, 10000);
    EXPECT_EQ(sine.period, 1500u);
    EXPECT_EQ(sine.attack_level, 0);
    EXPECT_EQ(sine.attack_time, 500u);
    EXPECT_EQ(sine.fade_level, 0);
    EXPECT_EQ(sine.fade_time, 1000u);
    const platform::haptic_effect& constant = effects[1].effect;
    EXPECT_EQ(constant.kind, unsigned{platform::effect_constant});
    EXPECT_FALSE(constant.polar);
    EXPECT_EQ(constant.length, 0u);
    EXPECT_EQ(constant.magnitude, 10000);
    EXPECT_EQ(constant.gain, 10000);
    for (const auto& e : effects) {
        EXPECT_EQ(e.joystick, 0);
        EXPECT_EQ(e.starts, 0);  // created, never started
    }
}

TEST_F(DeviceInput, JoysticksThatCannotServeAreSkipped)
{
    struct skip_case {
        const char* name;
        std::vector<attached_joystick> sticks;
        const char* line;
        int added;
    };
    const skip_case cases[] = {
        {"one axis", {stick("one", 1)}, "ジョイパッドデバイスのＹ軸関係の設定に失敗しました\r\n", 0},
        {"no axis", {stick("none", 0)}, "ジョイパッドデバイスのＸ軸関係の設定に失敗しました\r\n", 0},
        {"unplugged", {stick("gone", 4, 0, true), stick("next", 2)}, "入力装置の取得に失敗しました\r\n", 1},
        {"data format", {stick("odd", 4)}, "ジョイパッドデバイスではありませんでした、又は設定に失敗しました\r\n", 0},
        {"event", {stick("quiet", 4)}, "ジョイパッドイベントのセットアップが失敗しました\r\n", 0},
        {"level only logs", {stick("shy", 4)}, "ジョイパッドデバイスの協調レベルの設定に失敗しました\r\n", 1},
    };
    for (const skip_case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::headless::set_joysticks(c.sticks);
        const std::string name = c.name;
        if (name == "data format")
            platform::headless::fail_input_call(input_op::data_format, input_device_kind::joystick);
        if (name == "event")
            platform::headless::fail_input_call(input_op::event_notification, input_device_kind::joystick);
        if (name == "level only logs")
            platform::headless::fail_input_call(input_op::cooperative_level, input_device_kind::joystick);
        const std::string before = read();
        ASSERT_EQ(StartInput(), 0);
        const std::string log = read().substr(before.size());
        EXPECT_NE(log.find(c.line), std::string::npos) << log;
        EXPECT_EQ(input_state.joypad_count, c.added);
        // a skipped pad leaves nothing open
        EXPECT_EQ(platform::headless::open_joysticks(), c.added);
        ShutdownDirectInput();
        EXPECT_EQ(platform::headless::open_joysticks(), 0);
    }
}

TEST_F(DeviceInput, SeventeenJoysticksAddTheFirstSixteen)
{
    std::vector<attached_joystick> many;
    for (int i = 0; i < 17; ++i)
        many.push_back(stick("pad " + std::to_string(i), 4, both_effects));
    platform::headless::set_joysticks(many);
    ASSERT_EQ(StartInput(), 0);
    EXPECT_EQ(input_state.joypad_count, 16);
    EXPECT_STREQ(input_state.joypads[15].instance_name, "pad 15");
    EXPECT_EQ(count_of(read(), "入力装置を見つけました"), 16);
    EXPECT_EQ(count_of(read(), "ジョイパッドの追加は正常に終了しました"), 16);
}

// Names beyond the pad record or outside the code page are cut at a whole
// character or given '?', never past 260 bytes with the end.
TEST_F(DeviceInput, JoystickNamesFitTheRecord)
{
    std::string japanese;
    for (int i = 0; i < 200; ++i)
        japanese += "\xE3\x81\x82";  // a hiragana: two bytes in the code page
    struct name_case {
        std::string utf8;
        std::string stored;
    };
    const name_case cases[] = {
        {std::string(300, 'x'), std::string(259, 'x')},
        {"caf\xC3\xA9 \xF0\x9F\x8E\xAE", "caf? ?"},  // é and a game-pad sign have no character here
        {japanese, [] {
             std::string s;
             for (int i = 0; i < 129; ++i)
                 s += "\x82\xA0";
             return s;
         }()},
        {"", ""},
    };
    std::vector<attached_joystick> sticks;
    for (const name_case& c : cases)
        sticks.push_back(stick(c.utf8, 2));
    platform::headless::set_joysticks(sticks);
    ASSERT_EQ(StartInput(), 0);
    ASSERT_EQ(input_state.joypad_count, 4);
    for (int i = 0; i < 4; ++i) {
        const media::core::JOYPAD& pad = input_state.joypads[i];
        EXPECT_EQ(std::string(pad.instance_name), cases[i].stored) << i;
        EXPECT_EQ(std::string(pad.product_name), cases[i].stored) << i;
    }
}

// The effects follow the request and the power while the window is
// active; deactivation stops what runs. Each row applies once more.
TEST_F(DeviceInput, EffectsFollowTheVibrationRequest)
{
    platform::headless::set_joysticks({stick("Pad A", 4, both_effects)});
    ASSERT_EQ(StartInput(), 0);
    ASSERT_EQ(input_state.joypad_count, 1);
    struct step {
        const char* name;
        int request, power, active;
        int sine_starts, sine_stops, constant_starts, constant_stops;
    };
    const step steps[] = {
        {"request at full power", 1, 10000, 1, 1, 0, 1, 0},
        {"unchanged: nothing twice", 1, 10000, 1, 1, 0, 1, 0},
        {"half power stops the sine only", 1, 5000, 1, 1, 1, 1, 0},
        {"no request stops the force", 0, 5000, 1, 1, 1, 1, 1},
        {"again at full power", 1, 10000, 1, 2, 1, 2, 1},
        {"inactive stops both", 1, 10000, 0, 2, 2, 2, 2},
        {"inactive again: nothing", 1, 10000, 0, 2, 2, 2, 2},
        {"active again starts both", 1, 10000, 1, 3, 2, 3, 2},
    };
    media::core::JOYPAD& pad = input_state.joypads[0];
    const auto& effects = platform::headless::effects();
    ASSERT_EQ(effects.size(), 2u);  // sine, constant
    for (const step& s : steps) {
        SCOPED_TRACE(s.name);
        pad.vibration_request = s.request;
        pad.vibration_power = s.power;
        media::core::window_state.active = s.active;
        EXPECT_EQ(ApplyJoypadEffects(), 0);
        EXPECT_EQ(effects[0].starts, s.sine_starts);
        EXPECT_EQ(effects[0].stops, s.sine_stops);
        EXPECT_EQ(effects[1].starts, s.constant_starts);
        EXPECT_EQ(effects[1].stops, s.constant_stops);
        if (s.active == 0) {
            EXPECT_EQ(pad.constant_applied, 0);
            EXPECT_EQ(pad.sine_applied, 0);
        }
    }
}

TEST_F(DeviceInput, VibrationEndsAtItsLimitOnTheVirtualClock)
{
    platform::headless::set_joysticks({stick("Pad A", 4, both_effects)});
    ASSERT_EQ(StartInput(), 0);
    media::core::JOYPAD& pad = input_state.joypads[0];
    const auto& effects = platform::headless::effects();
    auto vibrate = [&pad] {
        pad.vibration_request = 1;
        pad.vibration_power = 10000;
        pad.vibration_limit = 100;
        pad.vibration_elapsed = 0;
        pad.last_tick = static_cast<std::uint32_t>(GetTickMillis());
        ApplyJoypadEffects();
    };
    platform::headless::set_clock(1000);
    vibrate();
    EXPECT_EQ(effects[1].starts, 1);
    platform::headless::advance_clock(99);
    EXPECT_EQ(ProcessJoypadVibration(), 0);
    EXPECT_EQ(pad.vibration_request, 1);
    EXPECT_EQ(effects[1].stops, 0);
    platform::headless::advance_clock(1);
    EXPECT_EQ(ProcessJoypadVibration(), 0);
    EXPECT_EQ(pad.vibration_request, 0);
    EXPECT_EQ(pad.vibration_power, 10000);
    EXPECT_EQ(effects[1].stops, 1);
    EXPECT_EQ(effects[0].stops, 1);

    // a clock gone back counts on from where it went
    vibrate();
    platform::headless::advance_clock(60);
    ProcessJoypadVibration();
    EXPECT_EQ(pad.vibration_elapsed, 60);
    platform::headless::set_clock(500);
    ProcessJoypadVibration();
    EXPECT_EQ(pad.vibration_elapsed, 60);
    EXPECT_EQ(pad.last_tick, 500u);
    platform::headless::advance_clock(39);
    ProcessJoypadVibration();
    EXPECT_EQ(pad.vibration_request, 1);
    platform::headless::advance_clock(1);
    ProcessJoypadVibration();
    EXPECT_EQ(pad.vibration_request, 0);

    // without a limit it runs on
    vibrate();
    pad.vibration_limit = -1;
    platform::headless::advance_clock(10000);
    ProcessJoypadVibration();
    EXPECT_EQ(pad.vibration_request, 1);
}

TEST_F(DeviceInput, StopVibrationByPadNumber)
{
    platform::headless::set_joysticks({stick("Pad A", 4, both_effects)});
    ASSERT_EQ(StartInput(), 0);
    media::core::JOYPAD& pad = input_state.joypads[0];
    struct stop_case {
        int number;
        bool ends;
    };
    const stop_case cases[] = {{1, true}, {0x1001, true}, {0, false}, {17, false}, {2, false}, {-1, false}};
    for (const stop_case& c : cases) {
        pad.vibration_request = 1;
        pad.vibration_power = 7000;
        ApplyJoypadEffects();
        EXPECT_EQ(StopJoypadVibration(c.number), 0);
        EXPECT_EQ(pad.vibration_request, c.ends ? 0 : 1) << c.number;
        EXPECT_EQ(pad.vibration_power, c.ends ? 10000 : 7000) << c.number;
        EXPECT_EQ(pad.constant_applied, c.ends ? 0 : 1) << c.number;
    }
}

TEST_F(DeviceInput, ReacquireFollowsTheWindowsActivation)
{
    platform::headless::set_joysticks({stick("Pad A", 4), stick("Pad B", 2)});
    ASSERT_EQ(StartInput(), 0);
    const struct {
        int active;
        int level;
    } rows[] = {{0, 10}, {1, 5}};
    for (const auto& row : rows) {
        media::core::window_state.active = row.active;
        EXPECT_EQ(ReacquireInputDevices(), 0);
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(record(input_device_kind::joystick, i).cooperative_level, row.level) << row.active;
            EXPECT_TRUE(record(input_device_kind::joystick, i).acquired);
        }
        EXPECT_TRUE(record(input_device_kind::keyboard).acquired);
    }
}

TEST_F(DeviceInput, ShutdownReleasesEverythingAndTheNextReadStartsAgain)
{
    platform::headless::set_joysticks({stick("Pad A", 4, both_effects)});
    ASSERT_EQ(StartInput(), 0);
    EXPECT_EQ(ShutdownDirectInput(), 0);
    EXPECT_NE(read().find("DirectInput 関連の終了処理... 完了\r\n"), std::string::npos);
    EXPECT_EQ(input_state.started, 0);
    EXPECT_EQ(input_state.joypad_count, 0);
    for (const auto& r : platform::headless::input_devices())
        EXPECT_TRUE(r.released) << static_cast<int>(r.device.kind);
    EXPECT_EQ(platform::headless::input_devices().size(), 3u);
    for (const auto& e : platform::headless::effects())
        EXPECT_TRUE(e.destroyed);
    EXPECT_EQ(platform::headless::open_joysticks(), 0);
    EXPECT_EQ(platform::headless::input_objects_created(), 1);
    EXPECT_EQ(platform::headless::input_objects_released(), 1);

    const std::string before = read();
    char table[256];
    std::memset(table, 7, sizeof table);
    EXPECT_EQ(GetKeyStateTable(table), 0);
    EXPECT_EQ(table[0], 7);
    const std::string restart = read().substr(before.size());
    EXPECT_NE(restart.find("DirectInput関係初期化処理\r\n"), std::string::npos) << restart;
    EXPECT_NE(restart.find("DirectInput 関連の初期化は正常に終了しました\r\n"), std::string::npos) << restart;
    EXPECT_EQ(input_state.joypad_count, 1);
    // the indent is where it was before the first start
    EXPECT_NE(restart.find(":DirectInput 関連の初期化は正常に終了しました"), std::string::npos) << restart;
}

// The device path, asked for everywhere: keys from the keyboard device, the
// right shift from the platform's key table, buttons from the mouse device.
class DevicePath : public DeviceInput {
protected:
    void SetUp() override
    {
        DeviceInput::SetUp();
        input_state.direct_input_everywhere = 1;
        ASSERT_EQ(StartInput(), 0);
    }
};

TEST_F(DevicePath, KeysComeFromTheKeyboardDevice)
{
    platform::headless::set_device_key(30, true);
    platform::headless::advance_clock(1);
    char table[256];
    ASSERT_EQ(GetKeyStateTable(table), 0);
    EXPECT_EQ(table[30], 1);
    EXPECT_EQ(table[31], 0);

    // same tick, nothing changed: no read; a change signals the event
    EXPECT_EQ(RefreshKeyboardState(), 0);
    platform::headless::set_device_key(31, true);
    EXPECT_EQ(RefreshKeyboardState(), 1);
    EXPECT_EQ(IsKeyDown(31), 1);
    EXPECT_EQ(RefreshKeyboardState(), 0);
    platform::headless::advance_clock(1);
    EXPECT_EQ(RefreshKeyboardState(), 1);

    struct failure_case {
        const char* name;
        int failing_reads;
        int result;
    };
    const failure_case failures[] = {{"one failed read re-acquires", 1, 1}, {"two give nothing", 2, 0}};
    for (const failure_case& f : failures) {
        platform::headless::fail_input_call(input_op::read_state, input_device_kind::keyboard, f.failing_reads);
        platform::headless::set_device_key(30, false);
        platform::headless::advance_clock(1);
        EXPECT_EQ(RefreshKeyboardState(), f.result) << f.name;
        // a read that failed keeps the last state
        EXPECT_EQ(input_state.key_state[30] >> 7, f.result == 1 ? 0 : 1) << f.name;
        platform::headless::set_device_key(30, true);
        platform::headless::advance_clock(1);
        EXPECT_EQ(RefreshKeyboardState(), 1) << f.name;
    }

    // key 54 follows the right shift of the platform's key table
    platform::headless::set_device_key(54, true);
    platform::headless::advance_clock(1);
    EXPECT_EQ(IsKeyDown(54), 0);
    platform::os_event e;
    e.kind = platform::event_kind::key_down;
    e.key_position = 0xE5;
    push(e);
    platform::headless::advance_clock(1);
    EXPECT_EQ(IsKeyDown(54), 1);
}

TEST_F(DevicePath, ButtonsComeFromTheMouseDevice)
{
    EXPECT_EQ(GetMouseButtonMask(), 0);
    for (unsigned mask : {0x1u, 0x2u, 0x4u, 0xA5u, 0xFFu, 0x100u}) {
        platform::headless::set_device_mouse_buttons(mask);
        EXPECT_EQ(GetMouseButtonMask(), static_cast<int>(mask & 0xFF)) << mask;
    }
    platform::headless::set_device_mouse_buttons(0x3);
    platform::headless::fail_input_call(input_op::read_state, input_device_kind::mouse, 1);
    EXPECT_EQ(GetMouseButtonMask(), 3);
    platform::headless::fail_input_call(input_op::read_state, input_device_kind::mouse, 2);
    EXPECT_EQ(GetMouseButtonMask(), 0);
    // a failed acquire between the reads gives nothing too
    platform::headless::fail_input_call(input_op::read_state, input_device_kind::mouse, 1);
    platform::headless::fail_input_call(input_op::acquire, input_device_kind::mouse, 1);
    EXPECT_EQ(GetMouseButtonMask(), 0);
    EXPECT_EQ(GetMouseButtonMask(), 3);
}

// One switched failure of the stand-in a row: what the start logs, which
// version stands, and the start's result.
TEST_F(DeviceInput, StartSurvivesTheFailuresItMay)
{
    struct failure_row {
        const char* name;
        input_op call;
        input_device_kind device;
        int count;
        std::uint32_t result;
        const char* expected;  // in the masked input lines
        int started, result_of_start;
    };
    const failure_row rows[] = {
        {"version 7 cannot be made", input_op::create_object, input_device_kind::none, 1, 0x80040154u,
         "#:\tDirectInput# の取得中... 取得に失敗。\r\n"
         "#:\tエラーコード #x#\r\n"
         "#:\tDirectInput# の取得を試みます...成功\r\n"
         "#:\t\t引き続き初期化処理... 初期化成功\r\n"
         "#:\tジョイパッドの初期化... \r\n",
         8, 0},
        {"version 7 does not initialise", input_op::initialize, input_device_kind::none, 1, 0x80004005u,
         "#:\tDirectInput# の取得中... 成功\r\n"
         "#:\t\t引き続き初期化処理... 初期化に失敗。DirectInput# の取得を試みます...成功\r\n"
         "#:\t\t引き続き初期化処理... 初期化成功\r\n"
         "#:\tジョイパッドの初期化... \r\n",
         8, 0},
        {"neither stands", input_op::create_object, input_device_kind::none, 2, 0x80040154u,
         "#:\tDirectInput# の取得を試みます...取得に失敗。DirectInput を使用しません。\r\n"
         "#:\tパッドの数は # 個です\r\n"
         "#:入力関連の初期化をしました\r\n",
         -1, 0},
        {"buffer size", input_op::buffer_size, input_device_kind::keyboard, 1, 0x80004005u,
         "#:\tキーボードデバイスの初期化... キーボードのプロパティ設定に失敗しました\r\n"
         "#:\t初期化成功\r\n",
         7, 0},
        {"polled keyboard", input_op::event_notification, input_device_kind::keyboard, 1, 2u,
         "#:\tキーボードデバイスの初期化... 初期化成功\r\n", 7, 0},
        {"keyboard event", input_op::event_notification, input_device_kind::keyboard, 1, 0x80004005u,
         "#:\tキーボードデバイスの初期化... キーボードイベントのセットアップが失敗しました\r\n", 7, -1},
        {"the log's indent is back after the failed start", input_op::acquire, input_device_kind::keyboard, 1,
         0x80004005u, "#:DirectInput関係初期化処理\r\n", 7, 0},
        {"one keyboard acquire", input_op::acquire, input_device_kind::keyboard, 1, 0x80004005u,
         "#:\tキーボードデバイスの初期化... 初期化成功\r\n", 7, 0},
    };
    for (const failure_row& row : rows) {
        SCOPED_TRACE(row.name);
        if (input_state.started != 0)
            ShutdownDirectInput();
        input_state.no_direct_input = 0;
        platform::headless::fail_input_call(row.call, row.device, row.count, row.result);
        const std::size_t before = read().size();
        EXPECT_EQ(StartInput(), row.result_of_start);
        const std::string lines = std::regex_replace(read().substr(before), std::regex("[0-9]+(\\.[0-9]+)?"), "#");
        EXPECT_NE(lines.find(row.expected), std::string::npos) << lines;
        EXPECT_EQ(input_state.started, row.started);
        EXPECT_EQ(input_state.direct_input8, row.started == 8 ? 1 : 0);
        EXPECT_EQ(input_state.no_direct_input, row.started == -1 ? 1 : 0);
        EXPECT_EQ(input_state.starting, 0);
    }
    EXPECT_NE(read().find("エラーコード 0x80040154\r\n"), std::string::npos);
}

// A mouse or keyboard device that cannot be set up ends the process with
// its message.
TEST_F(DeviceInput, MissingDevicesEndTheProcess)
{
    struct death_row {
        input_op call;
        input_device_kind device;
        int count;
        const char* message;
    };
    const death_row rows[] = {
        {input_op::create_device, input_device_kind::mouse, 1, "マウスデバイスの取得に失敗しました"},
        {input_op::data_format, input_device_kind::mouse, 1, "マウスデバイスのデータ形式の設定に失敗しました"},
        {input_op::cooperative_level, input_device_kind::mouse, 1, "マウスデバイスの協調レベルの設定に失敗しました"},
        {input_op::create_device, input_device_kind::keyboard, 1, "キーボードデバイスの取得に失敗しました"},
        {input_op::data_format, input_device_kind::keyboard, 1, "キーボードデバイスのデータ形式の設定に失敗しました"},
        {input_op::cooperative_level, input_device_kind::keyboard, 1,
         "キーボードデバイスの協調レベルの設定に失敗しました"},
        {input_op::acquire, input_device_kind::keyboard, 2, "キーボードデバイスの取得に失敗しました"},
    };
    for (const death_row& row : rows) {
        SCOPED_TRACE(row.message);
        const std::size_t before = read().size();
        EXPECT_EXIT(
            {
                platform::headless::fail_input_call(row.call, row.device, row.count);
                StartInput();
            },
            ::testing::ExitedWithCode(255), "");
        // the child wrote its message to the log before it ended
        EXPECT_NE(read().substr(before).find(std::string(row.message) + "\r\n"), std::string::npos);
    }
}

// The sdl backend under the dummy drivers: virtual joysticks attached before
// the start are added with their names; they have no haptics.
TEST_F(DeviceInput, SdlVirtualJoysticksBecomePads)
{
    DestroyMainWindow();
    media::core::reset_state();
    ASSERT_EQ(media::core::store_log_folder(), 0);
    OpenLogFile();
    ASSERT_EQ(platform::select_backend("sdl"), 0);
    ::setenv("SDL_VIDEODRIVER", "dummy", 0);
    ASSERT_EQ(CreateMainWindow(), 0);
    namespace sdl = platform::sdl::test;
    struct sdl_case {
        const char* name;
        std::vector<std::pair<std::string, int>> sticks;
        int added;
        const char* line;
    };
    std::vector<std::pair<std::string, int>> seventeen;
    for (int i = 0; i < 17; ++i)
        seventeen.push_back({"pad " + std::to_string(i), 2});
    const sdl_case cases[] = {
        {"two", {{"pad 0", 6}, {"pad 1", 6}}, 2, "デバイスの登録名:pad 1デバイスの製品登録名:pad 1周期的エフェクトの作成に失敗しました。\r\n"},
        {"one axis", {{"thin", 1}}, 0, "ジョイパッドデバイスのＹ軸関係の設定に失敗しました\r\n"},
        {"seventeen", seventeen, 16, "デバイスの登録名:pad 15"},
    };
    std::vector<platform::joystick_info> present;
    ASSERT_EQ(platform::joysticks(present), 0);
    ASSERT_TRUE(present.empty()) << "a real joystick is attached";
    for (const sdl_case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& s : c.sticks)
            ASSERT_GE(sdl::attach_virtual_joystick(s.first, s.second), 0) << platform::error();
        const std::size_t before = read().size();
        ASSERT_EQ(StartInput(), 0);
        const std::string log = read().substr(before);
        EXPECT_NE(log.find("成功\r\n"), std::string::npos) << log;
        EXPECT_EQ(input_state.started, 7);
        EXPECT_EQ(input_state.joypad_count, c.added);
        EXPECT_NE(log.find(c.line), std::string::npos) << log;
        if (c.added == 2) {
            EXPECT_STREQ(input_state.joypads[0].instance_name, "pad 0");
            EXPECT_STREQ(input_state.joypads[1].product_name, "pad 1");
        }
        EXPECT_EQ(ShutdownDirectInput(), 0);
        sdl::detach_virtual_joysticks();
    }
    DestroyMainWindow();
    ASSERT_EQ(platform::select_backend("headless"), 0);
}

// On a real X server: a key and a mouse button pressed through the X test
// extension read down through the device path, and up once released.
TEST_F(DeviceInput, XServerKeyAndButtonThroughTheDevicePath)
{
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (driver == nullptr || std::string(driver) != "x11")
        GTEST_SKIP() << "needs an X server: its ctest entry runs it under Xvfb";
    DestroyMainWindow();
    media::core::reset_state();
    ASSERT_EQ(platform::select_backend("sdl"), 0);
    SetWindowCaption("device path");
    ASSERT_EQ(CreateMainWindow(), 0);
    media::core::platform_info.windows_version = 265;
    input_state.direct_input_everywhere = 1;
    ASSERT_EQ(StartInput(), 0);
    ASSERT_EQ(input_state.started, 7);
    auto x = [](const std::string& commands) {
        const std::string script = "id=$(xdotool search --sync --onlyvisible --name '^device path$' | head -n 1) && "
                                   "[ -n \"$id\" ] && xdotool windowfocus --sync \"$id\" && " + commands;
        return std::system(script.c_str());
    };
    // the X server answers at once; SDL sees it once pumped
    auto settle = [](bool (*done)()) {
        for (int i = 0; i < 300 && !done(); ++i) {
            PumpWindowMessages();
            platform::sleep(10);
        }
        return done();
    };
    ASSERT_EQ(x("xdotool mousemove --window \"$id\" 40 40 keydown a mousedown 1"), 0);
    EXPECT_TRUE(settle([] { return IsKeyDown(30) == 1; }));
    EXPECT_TRUE(settle([] { return (GetMouseButtonMask() & 1) == 1; }));
    ASSERT_EQ(x("xdotool keyup a mouseup 1"), 0);
    EXPECT_TRUE(settle([] { return IsKeyDown(30) == 0; }));
    EXPECT_TRUE(settle([] { return GetMouseButtonMask() == 0; }));
    ShutdownDirectInput();
    DestroyMainWindow();
    ASSERT_EQ(platform::select_backend("headless"), 0);
}

}  // namespace
