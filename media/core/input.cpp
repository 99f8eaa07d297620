// Input devices. Keyboard and mouse buttons come from the platform's key
// table, read once a millisecond at most, or from the devices of the
// device-input stand-in where the device path is taken; joypads are set up
// as devices with two effects each, or only counted when the stand-in is
// missing.
#include "media/core/input.hpp"

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "media/core/device_input.hpp"
#include "media/core/format.hpp"
#include "media/core/internal.hpp"
#include "media/core/log.hpp"
#include "media/core/pump.hpp"
#include "media/core/window_services.hpp"
#include "platform/platform.hpp"
#include "platform/text/codepage.hpp"

using media::core::input_state;
using media::core::JOYPAD;
namespace di = media::core::di;

namespace {

// The first system version code that reads the keyboard state through the
// platform even with the device-input interface.
constexpr int platform_keys_version = 264;

constexpr platform::input_device keyboard{platform::input_device_kind::keyboard, -1};
constexpr platform::input_device mouse{platform::input_device_kind::mouse, -1};

// Virtual key of the Japanese layout → device key code. Enter appears twice,
// as the main and the keypad Enter.
struct key_pair {
    std::uint8_t virtual_key;
    std::uint8_t code;
};

constexpr key_pair vk_to_dik[] = {
    {'A', 30}, {'B', 48}, {'C', 46}, {'D', 32}, {'E', 18}, {'F', 33}, {'G', 34}, {'H', 35}, {'I', 23},
    {'J', 36}, {'K', 37}, {'L', 38}, {'M', 50}, {'N', 49}, {'O', 24}, {'P', 25}, {'Q', 16}, {'R', 19},
    {'S', 31}, {'T', 20}, {'U', 22}, {'V', 47}, {'W', 17}, {'X', 45}, {'Y', 21}, {'Z', 44},
    {'0', 11}, {'1', 2}, {'2', 3}, {'3', 4}, {'4', 5}, {'5', 6}, {'6', 7}, {'7', 8}, {'8', 9}, {'9', 10},
    {37, 203}, {38, 200}, {39, 205}, {40, 208},
    {187, 39}, {186, 146}, {219, 26}, {221, 27}, {192, 145}, {226, 43}, {188, 51}, {189, 12}, {220, 125},
    {190, 52}, {191, 53},
    {46, 211}, {27, 1}, {32, 57}, {8, 14}, {9, 15}, {13, 28},
    {96, 82}, {97, 79}, {98, 80}, {99, 81}, {100, 75}, {101, 76}, {102, 77}, {103, 71}, {104, 72}, {105, 73},
    {106, 55}, {107, 78}, {109, 74}, {110, 83}, {111, 181},
    {13, 156},
    {160, 42}, {161, 54}, {162, 29}, {163, 157},
    {33, 201}, {34, 209}, {35, 207}, {36, 199}, {45, 210},
    {164, 56}, {165, 184},
    {145, 70}, {20, 58}, {19, 197},
    {112, 59}, {113, 60}, {114, 61}, {115, 62}, {116, 63}, {117, 64}, {118, 65}, {119, 66}, {120, 67},
    {121, 68}, {122, 87}, {123, 88},
};
static_assert(sizeof(vk_to_dik) / sizeof(vk_to_dik[0]) == 99, "99 pairs");

// The keys of pad 1 by input bit: down, left, right, up, then ten buttons.
void fill_pad_key_assign()
{
    for (auto& pad : media::core::pad_key_assign)
        for (auto& bit : pad)
            bit[0] = bit[1] = -1;
    auto& first = media::core::pad_key_assign[0];
    const int arrows[4][2] = {{80, 208}, {75, 203}, {77, 205}, {72, 200}};
    for (int i = 0; i < 4; ++i) {
        first[i][0] = arrows[i][0];
        first[i][1] = arrows[i][1];
    }
    const int buttons[10] = {44, 45, 46, 30, 31, 32, 16, 17, 1, 57};
    for (int i = 0; i < 10; ++i)
        first[4 + i][0] = buttons[i];
}

// A joystick's name in the code page, '?' for what it lacks, cut at a
// whole character to fit 260 bytes with its end.
void store_name(const std::string& utf8, char (&out)[260])
{
    const std::wstring wide = platform::text::from_utf8_text(utf8);
    std::size_t used = 0;
    for (wchar_t ch : wide) {
        const int code = platform::text::narrow_code(ch);
        const int bytes = code < 0 || code <= 0xFF ? 1 : 2;
        if (used + bytes > sizeof out - 1)
            break;
        if (code < 0) {
            out[used++] = platform::text::narrow_default_char;
        } else if (code <= 0xFF) {
            out[used++] = static_cast<char>(code);
        } else {
            out[used++] = static_cast<char>(code >> 8);
            out[used++] = static_cast<char>(code & 0xFF);
        }
    }
    out[used] = '\0';
}

void log_code(const char* format, unsigned code)
{
    char line[64];
    FormatString(line, sizeof line, format, code);
    LogWrite(line);
}

// Creates and initialises the object of one version, logging as it goes;
// true when it stands. The initialisation's lines sit one level in.
bool create_object(int version)
{
    const std::uint32_t created = di::create(version);
    if (created != di::ok) {
        LogWrite("取得に失敗。");
        if (version == 7) {
            LogWrite("\n");
            log_code("エラーコード 0x%x\n", created);
        }
        return false;
    }
    LogWrite("成功\n");
    LogIndentIn();
    LogWrite("引き続き初期化処理... ");
    const bool initialized = di::initialize(version * 0x100) == di::ok;
    if (initialized) {
        LogWrite("初期化成功\n");
    } else {
        LogWrite("初期化に失敗。");
        di::release();
    }
    LogIndentOut();
    return initialized;
}

// Steps 2 and 3 of the start: version 7, else 8; 0 when neither stands.
int find_device_input()
{
    LogWrite("DirectInput関係初期化処理\n");
    LogIndentIn();
    LogWrite("DirectInput7 の取得中... ");
    if (create_object(7))
        return 7;
    LogWrite("DirectInput8 の取得を試みます...");
    if (create_object(8)) {
        input_state.direct_input8 = 1;
        return 8;
    }
    LogWrite("DirectInput を使用しません。\n");
    input_state.no_direct_input = 1;
    return 0;
}

// The road without the device-input interface: joysticks only counted.
void count_joysticks()
{
    media::core::INPUTSTATE& in = input_state;
    std::vector<platform::joystick_info> sticks;
    if (platform::joysticks(sticks) < 0)
        sticks.clear();  // counted as none attached
    int found = 0;
    for (; found < media::core::MAX_JOYPADS && found < static_cast<int>(sticks.size()); ++found)
        in.joypads[found].two_axes = sticks[found].axes >= 4 ? 1 : 0;
    char line[64];
    FormatString(line, sizeof line, "パッドの数は %d 個です\n", found);
    LogWrite(line);
    LogIndentOut();
    in.started = -1;
    LogWrite("入力関連の初期化をしました\n");
    in.joypad_count = media::core::MAX_JOYPADS;
}

// The pad's effects and device released, its record cleared.
void release_pad(JOYPAD& pad)
{
    if (pad.device != 0) {
        di::unacquire(pad.device);
        di::set_event_notification(pad.device, false);
    }
    for (std::int32_t effect : {pad.constant_effect, pad.sine_effect}) {
        if (effect != 0) {
            di::stop_effect(effect);
            di::release_effect(effect);
        }
    }
    di::release_device(pad.device);
    pad = JOYPAD{};
}

int release_joypads()
{
    if (input_state.started <= 0)
        return -1;
    for (JOYPAD& pad : input_state.joypads)
        release_pad(pad);
    input_state.joypad_count = 0;
    return 0;
}

// The two effects of a pad: a sine swelling in over half a second and
// fading over one, and a constant force; both endless at full strength.
platform::haptic_effect sine_effect()
{
    platform::haptic_effect e;
    e.kind = platform::effect_sine;
    e.polar = true;
    e.period = 1500;
    e.attack_level = 0;
    e.attack_time = 500;
    e.fade_level = 0;
    e.fade_time = 1000;
    return e;
}

platform::haptic_effect constant_effect()
{
    platform::haptic_effect e;
    e.kind = platform::effect_constant;
    e.polar = false;
    return e;
}

// Sets up one enumerated joystick as the next pad; false ends the
// enumeration (sixteen pads known).
bool add_joypad(int index, const platform::joystick_info& info)
{
    media::core::INPUTSTATE& in = input_state;
    LogWrite("入力装置を見つけました\n");
    JOYPAD pad{};
    if (di::create_device({platform::input_device_kind::joystick, index}, pad.device) != di::ok) {
        LogWrite("入力装置の取得に失敗しました\n");
        return true;
    }
    store_name(info.name, pad.instance_name);
    store_name(info.name, pad.product_name);
    char line[320];
    FormatString(line, sizeof line, "デバイスの登録名:%s", pad.instance_name);
    LogWrite(line);
    FormatString(line, sizeof line, "デバイスの製品登録名:%s", pad.product_name);
    LogWrite(line);
    auto skip = [&pad](const char* message) {
        release_pad(pad);
        LogWrite(message);
        return true;
    };
    if (di::set_data_format(pad.device) != di::ok)
        return skip("ジョイパッドデバイスではありませんでした、又は設定に失敗しました\n");
    if (di::set_cooperative_level(pad.device, di::exclusive | di::foreground) != di::ok)
        LogWrite("ジョイパッドデバイスの協調レベルの設定に失敗しました\n");
    if (di::set_axis_range(pad.device, di::axis_x, -1000, 1000) != di::ok)
        return skip("ジョイパッドデバイスのＸ軸関係の設定に失敗しました\n");
    if (di::set_axis_range(pad.device, di::axis_y, -1000, 1000) != di::ok)
        return skip("ジョイパッドデバイスのＹ軸関係の設定に失敗しました\n");
    di::set_axis_range(pad.device, di::axis_z, -1000, 1000);
    di::set_axis_range(pad.device, di::axis_rz, -1000, 1000);
    if (di::set_dead_zone(pad.device, di::axis_x, 2500) != di::ok)
        return skip("ジョイパッドデバイスのＸ軸の無効ゾーンの設定に失敗しました\n");
    if (di::set_dead_zone(pad.device, di::axis_y, 2500) != di::ok)
        return skip("ジョイパッドデバイスのＹ軸の無効ゾーンの設定に失敗しました\n");
    di::set_dead_zone(pad.device, di::axis_z, 2500);
    di::set_dead_zone(pad.device, di::axis_rz, 2500);
    di::create_effect(pad.device, sine_effect(), pad.sine_effect);
    if (di::create_effect(pad.device, constant_effect(), pad.constant_effect) != di::ok)
        LogWrite("周期的エフェクトの作成に失敗しました。\n");
    pad.vibration_request = 0;
    pad.vibration_power = 10000;
    pad.constant_applied = pad.sine_applied = 0;
    pad.vibration_limit = -1;
    const std::uint32_t notified = di::set_event_notification(pad.device, true);
    if (notified != di::ok && notified != di::polled_device)
        return skip("ジョイパッドイベントのセットアップが失敗しました\n");
    pad.event = 1;
    di::acquire(pad.device);
    pad.dead_zone = 0.25;
    in.joypads[in.joypad_count++] = pad;
    LogWrite("ジョイパッドの追加は正常に終了しました\n");
    return in.joypad_count < media::core::MAX_JOYPADS;
}

void setup_joypads()
{
    release_joypads();
    LogWrite("ジョイパッドの初期化... \n");
    input_state.joypad_count = 0;
    std::vector<platform::joystick_info> attached;
    di::enum_joysticks(attached);
    for (int i = 0; i < static_cast<int>(attached.size()); ++i)
        if (!add_joypad(i, attached[i]))
            break;
    LogWrite("ジョイパッドの初期化は正常に終了しました\n");
}

// A device of the start that must exist: its creation, data format and
// cooperative level, each failure ending the process with its message.
std::int32_t required_device(const platform::input_device& which, const char* const (&messages)[3])
{
    std::int32_t device = 0;
    if (di::create_device(which, device) != di::ok)
        ExitWithLogMessage(messages[0]);
    if (di::set_data_format(device) != di::ok) {
        di::release_device(device);
        ExitWithLogMessage(messages[1]);
    }
    if (di::set_cooperative_level(device, di::non_exclusive | di::background) != di::ok) {
        di::release_device(device);
        ExitWithLogMessage(messages[2]);
    }
    return device;
}

// Steps 4 and 5: joypads, the mouse and the keyboard. -1 when the
// keyboard's event cannot be set up.
int start_devices()
{
    media::core::INPUTSTATE& in = input_state;
    if (GetMainWindow() != nullptr)
        ForceForegroundWindow(GetMainWindow(), 0);
    PumpWindowMessages();
    setup_joypads();

    LogWrite("マウスデバイスの初期化... ");
    static const char* const mouse_messages[3] = {"マウスデバイスの取得に失敗しました",
                                                  "マウスデバイスのデータ形式の設定に失敗しました",
                                                  "マウスデバイスの協調レベルの設定に失敗しました"};
    in.mouse_device = required_device(mouse, mouse_messages);
    LogWrite("初期化成功\n");
    in.last_refresh = platform::milliseconds();

    LogWrite("キーボードデバイスの初期化... ");
    static const char* const keyboard_messages[3] = {"キーボードデバイスの取得に失敗しました",
                                                     "キーボードデバイスのデータ形式の設定に失敗しました",
                                                     "キーボードデバイスの協調レベルの設定に失敗しました"};
    in.keyboard_device = required_device(keyboard, keyboard_messages);
    if (di::set_buffer_size(in.keyboard_device, 100) != di::ok)
        LogWrite("キーボードのプロパティ設定に失敗しました\n");
    const std::uint32_t notified = di::set_event_notification(in.keyboard_device, true);
    if (notified != di::ok && notified != di::polled_device) {
        LogWrite("キーボードイベントのセットアップが失敗しました\n");
        LogIndentOut();  // the start ends here: the log's indent back where it was
        return -1;
    }
    in.keyboard_event = 1;
    if (di::acquire(in.keyboard_device) != di::ok && di::acquire(in.keyboard_device) != di::ok)
        ExitWithLogMessage("キーボードデバイスの取得に失敗しました");
    LogWrite("初期化成功\n");
    in.last_refresh = platform::milliseconds();
    LogIndentOut();
    LogWrite("DirectInput 関連の初期化は正常に終了しました\n");
    return 0;
}

// Input has not started (and the window's close is not under way): the
// caller starts it instead of reading.
bool must_start()
{
    return input_state.started == 0 && IsClosePosted() == 0;
}

// Waits while the window is inactive, except inside the pump's key-input
// update: the pump returns at once there, so the wait could never end.
void wait_while_inactive()
{
    if (media::core::window_state.key_input_updating == 0)
        WaitWhileInactive();
}

// The device-input object stands.
bool device_input_ready()
{
    return input_state.started > 0;
}

// Keyboard and mouse are read from the devices: the object and the device
// exist, and either the device path is asked for everywhere or the system
// predates the platform's own key reads. A version code of 0 was never
// recorded (the layer records it before input starts) and counts as current.
bool device_path(std::int32_t device)
{
    const int version = media::core::platform_info.windows_version;
    return device_input_ready() && device != 0 &&
           (input_state.direct_input_everywhere != 0 || (version != 0 && version < platform_keys_version));
}

// Reads a device's state; a failed read re-acquires the device and reads
// once more. False when that fails too.
bool read_device(std::int32_t device, void* out, int size)
{
    if (di::get_state(device, out, size) == di::ok)
        return true;
    return di::acquire(device) == di::ok && di::get_state(device, out, size) == di::ok;
}

// The keyboard from its device (the device path of the refresh).
int refresh_from_device()
{
    media::core::INPUTSTATE& in = input_state;
    const std::uint32_t now = platform::milliseconds();
    const bool signalled = di::event_signalled(in.keyboard_device);
    if (now == in.last_refresh && !signalled)
        return 0;
    in.refreshing = 1;
    const int pumped = PumpWindowMessages();
    in.refreshing = 0;
    if (pumped != 0 || !device_input_ready() || in.keyboard_device == 0)
        return 0;
    std::uint8_t keys[256];
    if (!read_device(in.keyboard_device, keys, sizeof keys))
        return 0;  // the key state keeps its last values
    std::memcpy(in.key_state, keys, sizeof keys);
    in.last_refresh = now;
    // the right shift from the platform's key table
    in.key_state[54] = platform::keyboard_state()[161];
    return 1;
}

// Ends a pad's vibration: request off, power back to full, effects applied.
void end_vibration(int index)
{
    if (index < 0 || index >= input_state.joypad_count)
        return;
    JOYPAD& pad = input_state.joypads[index];
    if (pad.device == 0 || pad.constant_effect == 0 || pad.vibration_request == 0)
        return;
    pad.vibration_request = 0;
    pad.vibration_power = 10000;
    ApplyJoypadEffects();
}

}  // namespace

int StartInput()
{
    media::core::INPUTSTATE& in = input_state;
    if (in.started != 0 || in.starting != 0)
        return 0;
    {
        const media::core::INPUTSTATE kept = in;
        in = media::core::INPUTSTATE{};
        in.no_direct_input = kept.no_direct_input;
        in.direct_input_everywhere = kept.direct_input_everywhere;
        in.message_1135 = kept.message_1135;
        in.message_1136 = kept.message_1136;
    }
    in.starting = 1;
    const int version = in.no_direct_input == 0 ? find_device_input() : 0;
    if (version != 0) {
        in.started = version;
        if (start_devices() < 0) {
            in.starting = 0;
            return -1;
        }
    } else {
        count_joysticks();
    }
    fill_pad_key_assign();
    in.starting = 0;
    return 0;
}

int ShutdownDirectInput()
{
    media::core::INPUTSTATE& in = input_state;
    if (device_input_ready()) {
        release_joypads();
        if (in.keyboard_device != 0) {
            di::unacquire(in.keyboard_device);
            di::set_event_notification(in.keyboard_device, false);
            in.keyboard_event = 0;
            di::release_device(in.keyboard_device);
            in.keyboard_device = 0;
        }
        di::release_device(in.mouse_device);
        in.mouse_device = 0;
        di::release();
        LogWrite("DirectInput 関連の終了処理... 完了\n");
    } else {
        LogWrite("入力関連の終了処理... 完了\n");
    }
    in.started = 0;
    return 0;
}

int RefreshKeyboardState()
{
    media::core::INPUTSTATE& in = input_state;
    const media::core::WINDOW_STATE& ws = media::core::window_state;
    // nor while input starts: the start's own pump pass reads nothing yet
    if (in.refreshing != 0 || in.starting != 0)
        return 0;
    if (device_path(in.keyboard_device))
        return refresh_from_device();
    if (ws.main_window == nullptr || std::this_thread::get_id() != ws.main_thread)
        return 0;
    const std::uint32_t now = platform::milliseconds();
    // the first refresh needs no change of the clock
    if (in.mouse_valid != 0 && now == in.last_refresh)
        return 0;
    in.refreshing = 1;
    const int pumped = PumpWindowMessages();
    in.refreshing = 0;
    if (pumped != 0)
        return 0;
    const std::uint8_t* keys = platform::keyboard_state();
    std::memset(in.key_state, 0, sizeof in.key_state);
    for (const key_pair& pair : vk_to_dik)
        in.key_state[pair.code] = keys[pair.virtual_key];
    in.mouse_left = keys[1];
    in.mouse_right = keys[2];
    in.mouse_middle = keys[4];
    in.mouse_valid = 1;
    in.last_refresh = now;
    return 1;
}

int GetKeyStateTable(char* buffer)
{
    wait_while_inactive();
    if (must_start())
        return StartInput();
    if (buffer == nullptr)
        return -1;
    RefreshKeyboardState();
    for (int i = 0; i < 256; ++i)
        buffer[i] = static_cast<char>(input_state.key_state[i] >> 7);
    return 0;
}

int IsKeyDown(int code)
{
    wait_while_inactive();
    if (must_start()) {
        StartInput();
        return 0;
    }
    RefreshKeyboardState();
    if (code < 0 || code > 255)
        return 0;
    return input_state.key_state[code] >> 7;
}

int GetMouseButtonMask()
{
    if (device_path(input_state.mouse_device)) {
        std::uint8_t state[20];
        if (!read_device(input_state.mouse_device, state, sizeof state))
            return 0;
        int mask = 0;
        for (int i = 0; i < 8; ++i)
            mask |= (state[12 + i] >> 7) << i;
        return mask;
    }
    RefreshKeyboardState();
    const media::core::INPUTSTATE& in = input_state;
    std::uint8_t left = in.mouse_left, right = in.mouse_right, middle = in.mouse_middle;
    if (in.mouse_valid == 0) {
        const std::uint8_t* keys = platform::keyboard_state();
        left = keys[1];
        right = keys[2];
        middle = keys[4];
    }
    // a press released before this read still shows, once
    const unsigned pressed = platform::take_pressed_buttons();
    return static_cast<int>(((left >> 7) | ((right >> 7) << 1) | ((middle >> 7) << 2)) | pressed);
}

int ReacquireInputDevices()
{
    media::core::INPUTSTATE& in = input_state;
    if (!device_input_ready())
        return 0;
    const int level = IsWindowActive() != 0 ? di::exclusive | di::foreground : di::non_exclusive | di::background;
    for (int i = 0; i < in.joypad_count; ++i) {
        const std::int32_t device = in.joypads[i].device;
        if (device == 0)
            continue;
        di::unacquire(device);
        di::set_cooperative_level(device, level);
        di::acquire(device);
    }
    if (in.keyboard_device != 0) {
        di::unacquire(in.keyboard_device);
        di::acquire(in.keyboard_device);
    }
    return 0;
}

// Starts or stops an effect when what is applied differs from what is
// wanted.
static void apply_effect(std::int32_t effect, std::int32_t& applied, std::int32_t wanted)
{
    if (effect == 0 || applied == wanted)
        return;
    if (wanted != 0)
        di::start_effect(effect);
    else
        di::stop_effect(effect);
    applied = wanted;
}

int ApplyJoypadEffects()
{
    media::core::INPUTSTATE& in = input_state;
    if (!device_input_ready())
        return 0;
    const bool active = IsWindowActive() != 0;
    for (int i = 0; i < in.joypad_count; ++i) {
        JOYPAD& pad = in.joypads[i];
        if (pad.device == 0)
            continue;
        if (active) {
            const std::int32_t request = pad.vibration_request != 0 ? 1 : 0;
            apply_effect(pad.constant_effect, pad.constant_applied, request);
            apply_effect(pad.sine_effect, pad.sine_applied, request != 0 && pad.vibration_power > 5000 ? 1 : 0);
        } else {
            if (pad.constant_effect != 0 && pad.constant_applied != 0)
                di::stop_effect(pad.constant_effect);
            if (pad.sine_effect != 0 && pad.sine_applied != 0)
                di::stop_effect(pad.sine_effect);
            pad.constant_applied = pad.sine_applied = 0;
        }
    }
    return 0;
}

int ProcessJoypadVibration()
{
    media::core::INPUTSTATE& in = input_state;
    if (!device_input_ready())
        return 0;
    const std::uint32_t now = static_cast<std::uint32_t>(GetTickMillis());
    for (int i = 0; i < in.joypad_count; ++i) {
        JOYPAD& pad = in.joypads[i];
        if (pad.device == 0 || pad.vibration_request == 0 || pad.vibration_limit < 0 || now == pad.last_tick)
            continue;
        // a clock gone back counts on from now
        if (static_cast<std::int32_t>(now - pad.last_tick) < 0)
            pad.last_tick = now;
        pad.vibration_elapsed += static_cast<std::int32_t>(now - pad.last_tick);
        pad.last_tick = now;
        // stopped here without the inactive wait: this runs inside the pump
        if (pad.vibration_elapsed >= pad.vibration_limit)
            end_vibration(i);
    }
    ApplyJoypadEffects();
    return 0;
}

int StopJoypadVibration(int pad)
{
    wait_while_inactive();
    if (must_start())
        return StartInput();
    end_vibration((pad & ~0x1000) - 1);
    return 0;
}

void SetMessageFlag1135()
{
    input_state.message_1135 = 1;
}

void ClearMessageFlag1135()
{
    input_state.message_1135 = 0;
}

void SetMessageFlag1136()
{
    input_state.message_1136 = 1;
}

void ClearMessageFlag1136()
{
    input_state.message_1136 = 0;
}
