// Start-up and end of the media layer (the exit for conditions it cannot
// survive is the log's, media/core/log.hpp).
#pragma once

#include "media/core/log.hpp"

// 0 when already started; otherwise StartMediaLayer inside the call guard.
int InitMediaLayer();
// File access, log, system information, COM, window, input, sound, graphics
// and the key-input system, in that order: 0, or -1 with everything started
// so far ended again.
int StartMediaLayer();
// Ends everything in order and returns to the log folder; 0 (also when not
// started).
int EndMediaLayer();
// Records the system, the timer period and the processor's features in the
// platform information and logs them.
void LogSystemInfo();
