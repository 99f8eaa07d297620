// The step engine of the headless backend: steps become records pushed at
// frame boundaries (see steps.hpp).
#include "platform/headless/steps.hpp"

#include "platform/headless/headless.hpp"
#include "platform/headless/scenario.hpp"
#include "platform/headless/state.hpp"
#include "platform/text/codepage.hpp"

#include <array>
#include <utility>

namespace platform::headless {

namespace {

struct code_position {
    int code;
    int position;
};

// Device key code → key position, the keys the pump's key map carries.
constexpr code_position code_positions[] = {
    {1, 0x29},   {14, 0x2A},  {15, 0x2B},  {28, 0x28},  {57, 0x2C},  {12, 0x2D},  {145, 0x2F}, {26, 0x30},
    {27, 0x32},  {39, 0x33},  {146, 0x34}, {51, 0x36},  {52, 0x37},  {53, 0x38},  {58, 0x39},  {70, 0x47},
    {197, 0x48}, {210, 0x49}, {199, 0x4A}, {201, 0x4B}, {211, 0x4C}, {207, 0x4D}, {209, 0x4E}, {205, 0x4F},
    {203, 0x50}, {208, 0x51}, {200, 0x52}, {181, 0x54}, {55, 0x55},  {74, 0x56},  {78, 0x57},  {156, 0x58},
    {79, 0x59},  {80, 0x5A},  {81, 0x5B},  {75, 0x5C},  {76, 0x5D},  {77, 0x5E},  {71, 0x5F},  {72, 0x60},
    {73, 0x61},  {82, 0x62},  {83, 0x63},  {43, 0x87},  {125, 0x89}, {29, 0xE0},  {42, 0xE1},  {56, 0xE2},
    {157, 0xE4}, {54, 0xE5},  {184, 0xE6}, {87, 0x44},  {88, 0x45},
};

// The letters' device codes, A to Z.
constexpr int letter_codes[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                  49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};

std::array<int, 256> build_positions()
{
    std::array<int, 256> t{};
    for (int i = 0; i < 26; ++i) t[letter_codes[i]] = 0x04 + i;
    for (int i = 0; i < 9; ++i) t[2 + i] = 0x1E + i;  // 1 to 9
    t[11] = 0x27;                                      // 0
    for (int i = 0; i < 10; ++i) t[59 + i] = 0x3A + i;  // F1 to F10
    for (const code_position& p : code_positions) t[p.code] = p.position;
    return t;
}

constexpr int enter = 28, backspace = 14, del = 211, left_control = 29, key_v = 47;

os_event key_record(int code, bool down)
{
    os_event e;
    e.kind = down ? event_kind::key_down : event_kind::key_up;
    e.key_position = key_position_of(code);
    return e;
}

os_event pointer_record(event_kind kind, int x, int y, mouse_button button = mouse_button::none)
{
    os_event e;
    e.kind = kind;
    e.x = x;
    e.y = y;
    e.button = button;
    return e;
}

using action = headless_state::step_action;

std::vector<action> actions_of(const step& s)
{
    std::vector<action> out;
    auto next = [&out]() -> action& { return out.emplace_back(); };
    switch (s.kind) {
    case step_kind::press:
        next().records.push_back(key_record(s.key, true));
        next().records.push_back(key_record(s.key, false));
        break;
    case step_kind::hold:
        next().records.push_back(key_record(s.key, true));
        break;
    case step_kind::release:
        next().records.push_back(key_record(s.key, false));
        break;
    case step_kind::move:
        next().records.push_back(pointer_record(event_kind::mouse_move, s.x, s.y));
        break;
    case step_kind::click: {
        action& down = next();
        down.records.push_back(pointer_record(event_kind::mouse_move, s.x, s.y));
        down.records.push_back(pointer_record(event_kind::button_down, s.x, s.y, s.button));
        next().records.push_back(pointer_record(event_kind::button_up, s.x, s.y, s.button));
        break;
    }
    case step_kind::tap: {
        action& a = next();
        a.records.push_back(pointer_record(event_kind::mouse_move, s.x, s.y));
        a.records.push_back(pointer_record(event_kind::button_down, s.x, s.y, s.button));
        a.records.push_back(pointer_record(event_kind::button_up, s.x, s.y, s.button));
        break;
    }
    case step_kind::drag: {
        action& down = next();
        down.records.push_back(pointer_record(event_kind::mouse_move, s.x, s.y));
        down.records.push_back(pointer_record(event_kind::button_down, s.x, s.y, s.button));
        next().records.push_back(pointer_record(event_kind::mouse_move, s.to_x, s.to_y));
        next().records.push_back(pointer_record(event_kind::button_up, s.to_x, s.to_y, s.button));
        break;
    }
    case step_kind::wheel: {
        action& a = next();
        const int notches = s.count < 0 ? -s.count : s.count;
        for (int i = 0; i < notches; ++i) {
            os_event e;
            e.kind = event_kind::wheel;
            e.wheel_y = s.count < 0 ? -1 : 1;
            a.records.push_back(e);
        }
        break;
    }
    case step_kind::type: {
        action& a = next();
        for (const wchar_t c : s.text) {
            const int key = c == L'\n' || c == L'\r' ? enter : c == L'\b' ? backspace : c == 0x7F ? del : 0;
            if (key != 0) {
                a.records.push_back(key_record(key, true));
                a.records.push_back(key_record(key, false));
                continue;
            }
            os_event e;
            e.kind = event_kind::text;
            e.text = text::to_utf8_text(std::wstring(1, c));
            a.records.push_back(e);
        }
        break;
    }
    case step_kind::paste: {
        action& a = next();
        a.sets_clipboard = true;
        a.clipboard = text::to_utf8_text(s.text);
        a.records.push_back(key_record(left_control, true));
        a.records.push_back(key_record(key_v, true));
        a.records.push_back(key_record(key_v, false));
        a.records.push_back(key_record(left_control, false));
        break;
    }
    case step_kind::compose: {
        os_event e;
        e.kind = event_kind::text_editing;
        e.text = text::to_utf8_text(s.text);
        e.x = s.count;
        next().records.push_back(e);
        break;
    }
    case step_kind::drop: {
        os_event e;
        e.kind = event_kind::drop;
        for (const std::wstring& name : s.names) e.names.push_back(text::to_utf8(name));
        next().records.push_back(e);
        break;
    }
    case step_kind::frames:
        for (int i = 0; i < s.count; ++i) next();
        break;
    }
    return out;
}

}  // namespace

int key_position_of(int code)
{
    static const std::array<int, 256> positions = build_positions();
    if (code < 0 || code > 255) return 0;
    return positions[code];
}

int queue_step(const step& s)
{
    const bool keyed = s.kind == step_kind::press || s.kind == step_kind::hold || s.kind == step_kind::release;
    if (keyed && key_position_of(s.key) == 0) return set_error("no key carries this key code");
    if (s.kind == step_kind::frames && s.count < 0) return set_error("negative frame count");
    for (action& a : actions_of(s)) state().step_actions.push_back(std::move(a));
    return 0;
}

void queue_effect(std::function<void()> effect)
{
    action a;
    a.effect = std::move(effect);
    state().step_actions.push_back(std::move(a));
}

bool steps_done()
{
    return state().step_actions.empty() && state().events.empty();
}

void clear_steps()
{
    state().step_actions.clear();
}

int boundaries()
{
    return state().boundaries;
}

void step_boundary()
{
    headless_state& s = state();
    ++s.boundaries;
    if (s.clock == s.boundary_clock) advance_clock(1);
    s.boundary_clock = s.clock;
    scenario_frame_presented();
    // the records of the last boundary are still being taken
    if (s.events.empty() && !s.step_actions.empty()) {
        action a = std::move(s.step_actions.front());
        s.step_actions.pop_front();
        if (a.effect) a.effect();
        if (a.sets_clipboard) s.clipboard = a.clipboard;
        for (const os_event& e : a.records) push_event(e);
    }
    scenario_boundary_done();
}

}  // namespace platform::headless
