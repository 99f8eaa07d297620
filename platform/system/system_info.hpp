// What the machine is: physical memory and the kernel's name and release.
// Common to every backend: a headless run reports the real machine.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct memory_status {
    std::uint64_t total;      // bytes of physical memory
    std::uint64_t available;  // bytes programs can still obtain without swapping
};

// False (record untouched) when the kernel does not say.
bool read_memory_status(memory_status& status);

struct system_name {
    std::wstring name;     // "Linux"
    std::wstring release;  // the kernel's release text
};

bool read_system_name(system_name& out);

}  // namespace platform
