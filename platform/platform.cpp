// The backend table and the error slot.
#include "platform/platform.hpp"

#include <cstring>
#include <string>

namespace platform {

namespace sdl { extern const backend table; }
namespace headless { extern const backend table; }

namespace {

const backend* const backends[] = {&sdl::table, &headless::table};
const backend* selected = nullptr;
std::string last_error;

}  // namespace

int select_backend(const char* name)
{
    for (const backend* b : backends) {
        if (name && std::strcmp(b->name, name) == 0) {
            selected = b;
            return 0;
        }
    }
    return set_error("unknown backend");
}

const backend& current_backend()
{
    return selected ? *selected : sdl::table;
}

const char* error()
{
    return last_error.c_str();
}

int set_error(const char* text)
{
    last_error = text ? text : "";
    return -1;
}

std::uint32_t milliseconds()
{
    return current_backend().milliseconds();
}

local_time now()
{
    return current_backend().now();
}

}  // namespace platform
