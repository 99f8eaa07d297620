// Joysticks of the headless backend: the list a test sets, the device-input
// calls recorded and failed at the test's word, effects kept as records.
#include "platform/headless/headless.hpp"
#include "platform/headless/state.hpp"

#include <cstring>

namespace platform::headless {

namespace {

// Class not registered: what creating an object nobody provides gives.
constexpr std::uint32_t no_class = 0x80040154u;

bool same_device(const input_device& a, const input_device& b)
{
    return a.kind == b.kind && (a.kind != input_device_kind::joystick || a.joystick == b.joystick);
}

input_device_record& record_of(const input_device& device)
{
    for (input_device_record& r : state().input_devices)
        if (same_device(r.device, device))
            return r;
    state().input_devices.push_back(input_device_record{});
    state().input_devices.back().device = device;
    return state().input_devices.back();
}

effect_record* effect_of(int joystick, int effect)
{
    auto& all = state().effects;
    if (effect < 0 || effect >= static_cast<int>(all.size()) || all[effect].destroyed)
        return nullptr;
    const auto& sticks = state().sticks;
    if (joystick < 0 || joystick >= static_cast<int>(sticks.size()) || !sticks[joystick].open ||
        sticks[joystick].index != all[effect].joystick)
        return nullptr;
    return &all[effect];
}

}  // namespace

std::uint32_t input_call(input_op call, const input_device& device, int value)
{
    for (auto& f : state().input_faults) {
        if (f.count > 0 && f.call == call && f.device == device.kind) {
            --f.count;
            return f.result;
        }
    }
    switch (call) {
    case input_op::create_object:
        if (!state().device_input)
            return no_class;
        ++state().input_objects_created;
        break;
    case input_op::release_object:
        ++state().input_objects_released;
        break;
    case input_op::create_device: {
        input_device_record& r = record_of(device);
        ++r.created;
        r.released = false;
        r.cooperative_level = 0;
        r.acquired = false;
        break;
    }
    case input_op::cooperative_level:
        record_of(device).cooperative_level = value;
        break;
    case input_op::acquire:
        record_of(device).acquired = true;
        break;
    case input_op::unacquire:
        record_of(device).acquired = false;
        break;
    case input_op::release_device:
        record_of(device).released = true;
        record_of(device).acquired = false;
        break;
    default:
        break;
    }
    return 0;
}

int joysticks(std::vector<joystick_info>& out)
{
    for (const attached_joystick& j : state().joysticks)
        out.push_back(j);
    return 0;
}

int open_joystick(int index)
{
    const auto& attached = state().joysticks;
    if (index >= static_cast<int>(attached.size()) || attached[index].open_fails)
        return set_error("joystick open failed");
    state().sticks.push_back({index, true});
    return static_cast<int>(state().sticks.size()) - 1;
}

void close_joystick(int id)
{
    auto& sticks = state().sticks;
    if (id >= static_cast<int>(sticks.size()) || !sticks[id].open)
        return;
    for (std::size_t e = 0; e < state().effects.size(); ++e)
        if (effect_of(id, static_cast<int>(e)) != nullptr)
            state().effects[e].destroyed = true;
    sticks[id].open = false;
}

int create_effect(int joystick, const haptic_effect& effect)
{
    const auto& sticks = state().sticks;
    if (joystick >= static_cast<int>(sticks.size()) || !sticks[joystick].open)
        return set_error("joystick not open");
    const attached_joystick& j = state().joysticks[sticks[joystick].index];
    if ((j.effects & effect.kind) == 0)
        return set_error("effect not supported");
    effect_record r;
    r.joystick = sticks[joystick].index;
    r.effect = effect;
    state().effects.push_back(r);
    return static_cast<int>(state().effects.size()) - 1;
}

int run_effect(int joystick, int effect)
{
    effect_record* r = effect_of(joystick, effect);
    if (r == nullptr)
        return set_error("no such effect");
    ++r->starts;
    return 0;
}

int stop_effect(int joystick, int effect)
{
    effect_record* r = effect_of(joystick, effect);
    if (r == nullptr)
        return set_error("no such effect");
    ++r->stops;
    return 0;
}

void destroy_effect(int joystick, int effect)
{
    if (effect_record* r = effect_of(joystick, effect))
        r->destroyed = true;
}

int device_keys(std::uint8_t* keys)
{
    std::memcpy(keys, state().device_keys, 256);
    return 0;
}

int device_mouse_buttons(std::uint8_t* buttons)
{
    for (int i = 0; i < 8; ++i)
        buttons[i] = (state().device_buttons >> i) & 1 ? 0x80 : 0;
    return 0;
}

// ---- controls ----

void set_joysticks(const std::vector<attached_joystick>& attached)
{
    state().joysticks = attached;
}

void switch_device_input(bool on)
{
    state().device_input = on;
}

void fail_input_call(input_op call, input_device_kind device, int count, std::uint32_t result)
{
    state().input_faults.push_back({call, device, count, result});
}

const std::vector<input_device_record>& input_devices()
{
    return state().input_devices;
}

const input_device_record* input_device_state(input_device_kind kind, int joystick)
{
    for (const input_device_record& r : state().input_devices)
        if (same_device(r.device, input_device{kind, joystick}))
            return &r;
    return nullptr;
}

int input_objects_created()
{
    return state().input_objects_created;
}

int input_objects_released()
{
    return state().input_objects_released;
}

const std::vector<effect_record>& effects()
{
    return state().effects;
}

int open_joysticks()
{
    int n = 0;
    for (const auto& s : state().sticks)
        n += s.open ? 1 : 0;
    return n;
}

void set_device_key(int code, bool down)
{
    if (code >= 0 && code < 256)
        state().device_keys[code] = down ? 0x80 : 0;
}

void set_device_mouse_buttons(unsigned mask)
{
    state().device_buttons = mask & 0xFF;
}

}  // namespace platform::headless
