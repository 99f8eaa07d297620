// The media layer's log file "Log.txt" in the log folder: one line per
// message, stamped with the milliseconds since the log was opened and
// indented by a nesting depth. Text is Shift-JIS.
#pragma once

// 0 turns the log file off, anything else on; returns 0. Made before start-up.
int SetLogOutputEnabled(int enabled);
// Deletes and makes anew the (empty) log file in the log folder, starts the
// clock of the stamps and the indent at 0. Nothing when output is off or the
// log folder is not known. Returns 1.
int OpenLogFile();
// Appends text; a line feed without a carriage return before it becomes CR
// LF. The first text of a line gets the stamp "%d:" and the indent's tabs.
// Always returns -1, so a failure path can log and fail in one step.
int LogWrite(const char* text);
// Formats printf-style (1022 bytes at most, cut at a whole character), adds
// a line feed and writes it; returns -1.
int LogPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Indent depth + 1; returns 0.
int LogIndentIn();
// Indent depth - 1, never below 0; returns 0.
int LogIndentOut();
// Logs the message and a line break, ends the layer (through the end that
// start-up registered with the window) and the process with status 255 at once.
[[noreturn]] void ExitWithLogMessage(const char* message);
// The same with a printf-style message cut to 1023 bytes.
[[noreturn]] void ExitWithLogPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
