// The contract between the media layer and the operating system: each backend
// fills one table of hooks; the media layer validates and keeps state, a
// backend only talks to the OS. Failures are 0/-1 with one set_error call.
#pragma once

#include <cstdint>

namespace platform {

struct local_time {
    int year, month, day, hour, minute, second;
};

// One backend's hooks, grouped by area.
struct backend {
    const char* name;

    // clock
    std::uint32_t (*milliseconds)();  // a 32-bit millisecond counter that wraps
    local_time (*now)();              // the local date and time
};

// Selects a backend by name ("sdl" or "headless"): 0, or -1 (error set) for an
// unknown name. Until a selection is made the "sdl" backend is current.
int select_backend(const char* name);
const backend& current_backend();

// The last failure's text; set_error stores it and returns -1.
const char* error();
int set_error(const char* text);

// Shorthands over the current backend.
std::uint32_t milliseconds();
local_time now();

}  // namespace platform
