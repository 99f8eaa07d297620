// The device-input stand-in: the object, its devices and the joysticks'
// effects, kept in the device-input record; the platform's joystick group is
// told of each call (and may refuse it) before the call takes effect.
#include "media/core/device_input.hpp"

#include <cstring>

#include "media/core/internal.hpp"

using media::core::device_input;

namespace media::core::di {

namespace {

INPUTDEVICE* device_of(std::int32_t device)
{
    if (device_input.version == 0 || device < 1 || device > MAX_INPUT_DEVICES)
        return nullptr;
    INPUTDEVICE& d = device_input.devices[device - 1];
    return d.used != 0 ? &d : nullptr;
}

INPUTEFFECT* effect_of(std::int32_t effect)
{
    if (effect < 1 || effect > MAX_INPUT_EFFECTS)
        return nullptr;
    INPUTEFFECT& e = device_input.effects[effect - 1];
    return e.used != 0 ? &e : nullptr;
}

std::uint32_t tell(platform::input_op call, const INPUTDEVICE* d, int value = 0)
{
    return platform::input_call(call, d != nullptr ? d->which : platform::input_device{}, value);
}

bool is_joystick(const INPUTDEVICE& d)
{
    return d.which.kind == platform::input_device_kind::joystick;
}

}  // namespace

std::uint32_t create(int version)
{
    if (version != 7 && version != 8)
        return class_not_registered;
    if (device_input.version != 0)
        release();
    const std::uint32_t result = tell(platform::input_op::create_object, nullptr, version);
    if (result != ok)
        return result;
    device_input = DEVICEINPUT{};
    device_input.version = version;
    return ok;
}

std::uint32_t initialize(int version)
{
    if (device_input.version == 0 || version != device_input.version * 0x100)
        return invalid_param;
    const std::uint32_t result = tell(platform::input_op::initialize, nullptr, version);
    if (result != ok)
        return result;
    device_input.initialized = 1;
    return ok;
}

void release()
{
    if (device_input.version == 0)
        return;
    for (std::int32_t e = 1; e <= MAX_INPUT_EFFECTS; ++e)
        release_effect(e);
    for (std::int32_t d = 1; d <= MAX_INPUT_DEVICES; ++d)
        release_device(d);
    tell(platform::input_op::release_object, nullptr);
    device_input = DEVICEINPUT{};
}

std::uint32_t enum_joysticks(std::vector<platform::joystick_info>& out)
{
    out.clear();
    if (device_input.initialized == 0)
        return not_initialized;
    if (platform::joysticks(out) < 0)
        out.clear();  // none attached, as far as anyone can tell
    return ok;
}

std::uint32_t create_device(const platform::input_device& which, std::int32_t& out)
{
    out = 0;
    if (device_input.initialized == 0)
        return not_initialized;
    int slot = 0;
    while (slot < MAX_INPUT_DEVICES && device_input.devices[slot].used != 0)
        ++slot;
    if (slot == MAX_INPUT_DEVICES)
        return failed;
    INPUTDEVICE d{};
    d.which = which;
    d.joystick = -1;
    if (which.kind == platform::input_device_kind::joystick) {
        std::vector<platform::joystick_info> attached;
        if (platform::joysticks(attached) < 0 || which.joystick < 0 ||
            which.joystick >= static_cast<int>(attached.size()))
            return object_not_found;
        d.axes = attached[which.joystick].axes;
    } else if (which.kind == platform::input_device_kind::none) {
        return invalid_param;
    }
    const std::uint32_t result = tell(platform::input_op::create_device, &d);
    if (result != ok)
        return result;
    if (which.kind == platform::input_device_kind::joystick) {
        d.joystick = platform::open_joystick(which.joystick);
        if (d.joystick < 0) {
            tell(platform::input_op::release_device, &d);
            return object_not_found;
        }
    }
    d.used = 1;
    device_input.devices[slot] = d;
    out = slot + 1;
    return ok;
}

void release_device(std::int32_t device)
{
    INPUTDEVICE* d = device_of(device);
    if (d == nullptr)
        return;
    for (std::int32_t e = 1; e <= MAX_INPUT_EFFECTS; ++e) {
        const INPUTEFFECT* effect = effect_of(e);
        if (effect != nullptr && effect->device == device)
            release_effect(e);
    }
    if (d->acquired != 0)
        unacquire(device);
    platform::close_joystick(d->joystick);
    tell(platform::input_op::release_device, d);
    *d = INPUTDEVICE{};
}

std::uint32_t set_data_format(std::int32_t device)
{
    INPUTDEVICE* d = device_of(device);
    if (d == nullptr)
        return invalid_param;
    const std::uint32_t result = tell(platform::input_op::data_format, d);
    if (result != ok)
        return result;
    d->format_set = 1;
    return ok;
}

std::uint32_t set_cooperative_level(std::int32_t device, int level)
{
    INPUTDEVICE* d = device_of(device);
    // exactly one of each pair
    const bool one_kind = ((level & exclusive) != 0) != ((level & non_exclusive) != 0);
    const bool one_time = ((level & foreground) != 0) != ((level & background) != 0);
    if (d == nullptr || !one_kind || !one_time)
        return invalid_param;
    const std::uint32_t result = tell(platform::input_op::cooperative_level, d, level);
    if (result != ok)
        return result;
    d->cooperative_level = level;
    return ok;
}

std::uint32_t set_buffer_size(std::int32_t device, int size)
{
    INPUTDEVICE* d = device_of(device);
    if (d == nullptr || size < 0)
        return invalid_param;
    const std::uint32_t result = tell(platform::input_op::buffer_size, d, size);
    if (result != ok)
        return result;
    d->buffer_size = size;
    return ok;
}

std::uint32_t set_axis_range(std::int32_t device, axis a, int minimum, int maximum)
{
    INPUTDEVICE* d = device_of(device);
    if (d == nullptr || !is_joystick(*d) || minimum >= maximum)
        return invalid_param;
    if (a >= d->axes)
        return object_not_found;
    d->range[a][0] = minimum;
    d->range[a][1] = maximum;
    return ok;
}

std::uint32_t set_dead_zone(std::int32_t device, axis a, int value)
{
    INPUTDEVICE* d = device_of(device);
    if (d == nullptr || !is_joystick(*d) || value < 0 || value > 10000)
        return invalid_param;
    if (a >= d->axes)
        return object_not_found;
    d->dead_zone[a] = value;
    return ok;
}

std::uint32_t set_event_notification(std::int32_t device, bool on)
{
    INPUTDEVICE* d = device_of(device);
    if (d == nullptr)
        return invalid_param;
    const std::uint32_t result = tell(platform::input_op::event_notification, d, on ? 1 : 0);
    if (result != ok && result != polled_device)
        return result;
    d->event_set = on ? 1 : 0;
    return result;
}

std::uint32_t acquire(std::int32_t device)
{
    INPUTDEVICE* d = device_of(device);
    if (d == nullptr || d->format_set == 0)
        return invalid_param;
    const std::uint32_t result = tell(platform::input_op::acquire, d);
    if (result != ok)
        return result;
    d->acquired = 1;
    return ok;
}

std::uint32_t unacquire(std::int32_t device)
{
    INPUTDEVICE* d = device_of(device);
    if (d == nullptr)
        return invalid_param;
    tell(platform::input_op::unacquire, d);
    d->acquired = 0;
    return ok;
}

std::uint32_t get_state(std::int32_t device, void* out, int size)
{
    INPUTDEVICE* d = device_of(device);
    if (d == nullptr || out == nullptr)
        return invalid_param;
    const platform::input_device_kind kind = d->which.kind;
    const int expected = kind == platform::input_device_kind::keyboard ? 256
                         : kind == platform::input_device_kind::mouse  ? 20
                                                                      : 80;
    if (size != expected)
        return invalid_param;
    if (d->acquired == 0)
        return not_acquired;
    const std::uint32_t result = tell(platform::input_op::read_state, d);
    if (result != ok)
        return result;
    auto* bytes = static_cast<std::uint8_t*>(out);
    std::memset(bytes, 0, static_cast<std::size_t>(size));
    if (kind == platform::input_device_kind::keyboard) {
        if (platform::device_keys(bytes) < 0)
            return failed;
        std::memcpy(d->keys_given, bytes, sizeof d->keys_given);
    } else if (kind == platform::input_device_kind::mouse) {
        // the motions stay 0: nothing reads them
        if (platform::device_mouse_buttons(bytes + 12) < 0)
            return failed;
    }
    return ok;
}

bool event_signalled(std::int32_t device)
{
    INPUTDEVICE* d = device_of(device);
    if (d == nullptr || d->event_set == 0 || d->acquired == 0 ||
        d->which.kind != platform::input_device_kind::keyboard)
        return false;
    std::uint8_t now[256];
    if (platform::device_keys(now) < 0)
        return false;
    return std::memcmp(now, d->keys_given, sizeof now) != 0;
}

std::uint32_t create_effect(std::int32_t device, const platform::haptic_effect& effect, std::int32_t& out)
{
    out = 0;
    INPUTDEVICE* d = device_of(device);
    if (d == nullptr || !is_joystick(*d))
        return invalid_param;
    int slot = 0;
    while (slot < MAX_INPUT_EFFECTS && device_input.effects[slot].used != 0)
        ++slot;
    if (slot == MAX_INPUT_EFFECTS)
        return failed;
    const int id = platform::create_effect(d->joystick, effect);
    if (id < 0)
        return unsupported;
    device_input.effects[slot] = INPUTEFFECT{1, device, id, 0};
    out = slot + 1;
    return ok;
}

std::uint32_t start_effect(std::int32_t effect)
{
    INPUTEFFECT* e = effect_of(effect);
    INPUTDEVICE* d = e != nullptr ? device_of(e->device) : nullptr;
    if (d == nullptr)
        return invalid_param;
    if (platform::run_effect(d->joystick, e->platform) < 0)
        return failed;
    e->playing = 1;
    return ok;
}

std::uint32_t stop_effect(std::int32_t effect)
{
    INPUTEFFECT* e = effect_of(effect);
    INPUTDEVICE* d = e != nullptr ? device_of(e->device) : nullptr;
    if (d == nullptr)
        return invalid_param;
    if (platform::stop_effect(d->joystick, e->platform) < 0)
        return failed;
    e->playing = 0;
    return ok;
}

void release_effect(std::int32_t effect)
{
    INPUTEFFECT* e = effect_of(effect);
    if (e == nullptr)
        return;
    if (const INPUTDEVICE* d = device_of(e->device))
        platform::destroy_effect(d->joystick, e->platform);
    *e = INPUTEFFECT{};
}

}  // namespace media::core::di
