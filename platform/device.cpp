// The device group's common layer: the 3D device library and its object.
#include "platform/platform.hpp"

namespace platform {

int device_library()
{
    return current_backend().device_library();
}

int create_device_object()
{
    return current_backend().create_device_object();
}

}  // namespace platform
