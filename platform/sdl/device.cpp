// Device of the desktop backend: the library is always there and its object
// is always made; the device itself is refused later by the media layer.
#include "platform/platform.hpp"

namespace platform::sdl {

int device_library()
{
    return 0;
}

int create_device_object()
{
    return 0;
}

}  // namespace platform::sdl
