// The model system: it serves the device renderer only, which this platform
// does not have, so there is nothing to prepare.
#include "media/graphics/model.hpp"

int InitModelSystem()
{
    return 0;
}

int TerminateModelSystem()
{
    return 0;
}

int ReleaseAllModelDeviceObjects()
{
    return 0;
}
