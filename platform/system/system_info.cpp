// Physical memory from /proc/meminfo (sysinfo where it is missing) and the
// kernel's name from uname.
#include "platform/system/system_info.hpp"

#include <sys/sysinfo.h>
#include <sys/utsname.h>

#include <cstdio>
#include <cstring>

#include "platform/text/codepage.hpp"

namespace platform {

namespace {

// The value of one "Name: <n> kB" line of /proc/meminfo in bytes; 0 when
// the line is missing.
std::uint64_t meminfo_bytes(const char* text, const char* name)
{
    const std::size_t length = std::strlen(name);
    const char* line = text;
    while (*line != '\0') {
        unsigned long long kib = 0;
        if (std::strncmp(line, name, length) == 0 && line[length] == ':' &&
            std::sscanf(line + length + 1, "%llu", &kib) == 1)
            return static_cast<std::uint64_t>(kib) * 1024;
        const char* end = std::strchr(line, '\n');
        if (end == nullptr)
            break;
        line = end + 1;
    }
    return 0;
}

}  // namespace

bool read_memory_status(memory_status& status)
{
    char text[8192] = {};
    if (std::FILE* f = std::fopen("/proc/meminfo", "re")) {
        const std::size_t n = std::fread(text, 1, sizeof text - 1, f);
        text[n] = '\0';
        std::fclose(f);
    }
    std::uint64_t total = meminfo_bytes(text, "MemTotal");
    // the kernel's estimate of what can be had without swapping; free memory
    // alone leaves out the page cache it would give back
    std::uint64_t available = meminfo_bytes(text, "MemAvailable");
    if (total == 0 || available == 0) {
        struct sysinfo info {};
        if (::sysinfo(&info) != 0)
            return false;
        total = static_cast<std::uint64_t>(info.totalram) * info.mem_unit;
        available = static_cast<std::uint64_t>(info.freeram + info.bufferram) * info.mem_unit;
    }
    if (total == 0)
        return false;
    status = {total, available};
    return true;
}

bool read_system_name(system_name& out)
{
    struct utsname names {};
    if (::uname(&names) != 0)
        return false;
    out.name = text::from_utf8(names.sysname);
    out.release = text::from_utf8(names.release);
    return true;
}

}  // namespace platform
