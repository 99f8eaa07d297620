// Start-up and end of the media layer, and the exit for conditions it
// cannot survive.
#pragma once

// 0 when already started; otherwise StartMediaLayer inside the call guard.
int InitMediaLayer();
// File access, log, system information, COM, window, input, sound, graphics
// and the key-input system, in that order: 0, or -1 with everything started
// so far ended again.
int StartMediaLayer();
// Ends everything in order and returns to the log folder; 0 (also when not
// started).
int EndMediaLayer();
// Logs the message and a line break, ends the layer and the process with
// status 255 at once.
[[noreturn]] void ExitWithLogMessage(const char* message);
// The same with a printf-style message cut to 1023 bytes.
[[noreturn]] void ExitWithLogPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Records the system, the timer period and the processor's features in the
// platform information and logs them.
void LogSystemInfo();
