// Network connections.
#pragma once

#include "media/core/window.hpp"

// Processes the connections' pending socket notices; 0.
int PumpNetworkMessages(int all);
// The window procedure's handler of a socket notice (message 1285); 0.
LRESULT HandleSocketMessage(LPARAM lParam, WPARAM wParam);
// Closes every connection; 0.
int TerminateNetWork();
