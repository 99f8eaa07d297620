// Device of the headless backend: present and made unless a test switches
// the library to missing or the object's creation to failing.
#include "platform/headless/headless.hpp"
#include "platform/headless/state.hpp"

namespace platform::headless {

int device_library()
{
    if (state().device_library_missing) return set_error("device library missing");
    return 0;
}

int create_device_object()
{
    if (state().device_object_fails) return set_error("device object creation failed");
    return 0;
}

void set_device_library_missing(bool missing)
{
    state().device_library_missing = missing;
}

void set_device_object_fails(bool fails)
{
    state().device_object_fails = fails;
}

}  // namespace platform::headless
