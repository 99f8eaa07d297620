// Network connections: none can be opened yet, so there is nothing to pump.
#include "media/core/network.hpp"

int PumpNetworkMessages(int)
{
    return 0;
}

LRESULT HandleSocketMessage(LPARAM, WPARAM)
{
    return 0;
}

int TerminateNetWork()
{
    return 0;
}
