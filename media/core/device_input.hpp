// The device-input stand-in: objects of the device-input interface the input
// devices are set up through, over the platform's joystick group. Calls give
// the interface's result codes: 0 for success, a code with bit 31 set for a
// failure; devices and effects are numbered from 1, 0 is none.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.hpp"

namespace media::core::di {

constexpr std::uint32_t ok = 0;
constexpr std::uint32_t polled_device = 2;          // event notification on a polled device: success
constexpr std::uint32_t class_not_registered = 0x80040154u;
constexpr std::uint32_t unsupported = 0x80004001u;
constexpr std::uint32_t failed = 0x80004005u;
constexpr std::uint32_t not_initialized = 0x80070015u;
constexpr std::uint32_t object_not_found = 0x80070002u;
constexpr std::uint32_t invalid_param = 0x80070057u;
constexpr std::uint32_t not_acquired = 0x8007000Cu;

inline bool succeeded(std::uint32_t result)
{
    return (result & 0x80000000u) == 0;
}

// Cooperative levels, as bits.
constexpr int exclusive = 1, non_exclusive = 2, foreground = 4, background = 8;
// Axes of a joystick, by offset in its state.
enum axis { axis_x, axis_y, axis_z, axis_rz };

// The object: creation of version 7 or 8, then its initialisation with
// 0x0700 or 0x0800. Releasing it releases every device and effect left.
std::uint32_t create(int version);
std::uint32_t initialize(int version);
void release();

// The attached game controllers, in the platform's order.
std::uint32_t enum_joysticks(std::vector<platform::joystick_info>& out);

// Devices: the keyboard, the mouse, or a joystick by its enumeration index.
std::uint32_t create_device(const platform::input_device& which, std::int32_t& out);
void release_device(std::int32_t device);
std::uint32_t set_data_format(std::int32_t device);
std::uint32_t set_cooperative_level(std::int32_t device, int level);
std::uint32_t set_buffer_size(std::int32_t device, int size);
// A joystick's axis: a range, or a dead zone on a scale of 10000.
std::uint32_t set_axis_range(std::int32_t device, axis a, int minimum, int maximum);
std::uint32_t set_dead_zone(std::int32_t device, axis a, int value);
// Sets (on) or clears the device's event: 0, polled_device, or a failure.
std::uint32_t set_event_notification(std::int32_t device, bool on);
std::uint32_t acquire(std::int32_t device);
std::uint32_t unacquire(std::int32_t device);
// The state: 256 bytes of keys, the 20-byte extended mouse state (three
// 32-bit motions, eight button bytes) or the 80-byte joystick state. Needs
// the device acquired.
std::uint32_t get_state(std::int32_t device, void* out, int size);
// Whether the keyboard's event is signalled: a key changed since its last
// read.
bool event_signalled(std::int32_t device);

// Effects of a joystick, made with the parameters given; start plays once.
std::uint32_t create_effect(std::int32_t device, const platform::haptic_effect& effect, std::int32_t& out);
std::uint32_t start_effect(std::int32_t effect);
std::uint32_t stop_effect(std::int32_t effect);
void release_effect(std::int32_t effect);

}  // namespace media::core::di
