// Input devices. There is no device-input interface on this platform: the
// keyboard and the mouse buttons come from the platform's key table, read
// once a millisecond at most, and joysticks are only counted.
#include "media/core/input.hpp"

#include <cstring>
#include <thread>
#include <vector>

#include "media/core/format.hpp"
#include "media/core/internal.hpp"
#include "media/core/log.hpp"
#include "media/core/pump.hpp"
#include "media/core/window_services.hpp"
#include "platform/platform.hpp"

using media::core::input_state;

namespace {

// What creating the device-input objects gives here: class not registered.
constexpr unsigned no_device_input_class = 0x80040154u;

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

// The device-input objects cannot be made here; the log tells as much.
void try_device_input()
{
    LogWrite("DirectInput関係初期化処理\n");
    LogIndentIn();
    LogWrite("DirectInput7 の取得中... ");
    LogWrite("取得に失敗。\n");
    char line[64];
    FormatString(line, sizeof line, "エラーコード 0x%x\n", no_device_input_class);
    LogWrite(line);
    LogWrite("DirectInput8 の取得を試みます...");
    LogWrite("取得に失敗。");
    LogWrite("DirectInput を使用しません。\n");
    input_state.no_direct_input = 1;
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

// The device path is never taken: there is no device-input interface.
bool device_input_ready()
{
    return input_state.started != 0 && input_state.started != -1;
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
    if (in.no_direct_input == 0)
        try_device_input();

    std::vector<platform::joystick_info> sticks;
    if (platform::joysticks(sticks) < 0)
        sticks.clear();  // counted as none attached
    int found = 0;
    for (; found < media::core::MAX_JOYPADS && found < static_cast<int>(sticks.size()); ++found)
        in.joypads[found].two_axes = sticks[found].four_axes ? 1 : 0;
    char line[64];
    FormatString(line, sizeof line, "パッドの数は %d 個です\n", found);
    LogWrite(line);
    LogIndentOut();
    in.started = -1;
    LogWrite("入力関連の初期化をしました\n");
    in.joypad_count = media::core::MAX_JOYPADS;

    fill_pad_key_assign();
    in.starting = 0;
    return 0;
}

int ShutdownDirectInput()
{
    media::core::INPUTSTATE& in = input_state;
    if (device_input_ready())
        LogWrite("DirectInput 関連の終了処理... 完了\n");
    else
        LogWrite("入力関連の終了処理... 完了\n");
    in.started = 0;
    return 0;
}

int RefreshKeyboardState()
{
    media::core::INPUTSTATE& in = input_state;
    const media::core::WINDOW_STATE& ws = media::core::window_state;
    if (in.refreshing != 0)
        return 0;
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

// Without a device-input interface there are no devices to take back, no
// effects to start or stop and no vibration to time.
int ReacquireInputDevices()
{
    return 0;
}

int ApplyJoypadEffects()
{
    return 0;
}

int ProcessJoypadVibration()
{
    return 0;
}

int StopJoypadVibration(int pad)
{
    wait_while_inactive();
    if (must_start())
        return StartInput();
    static_cast<void>(pad);  // no pad holds a device, so none vibrates
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
