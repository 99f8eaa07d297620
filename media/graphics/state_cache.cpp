// The render-state cache. The cache itself is not built yet: these are the
// places the device's start-up calls.
#include "media/graphics/state_cache.hpp"

int InitDeviceDrawState()
{
    return 0;
}

int ResetDeviceShaderCache()
{
    return 0;
}

int ResetDeviceMaterialSources()
{
    return 0;
}
