// printf-style formatting into a caller's buffer of known size. Text that
// does not fit is cut at the last whole Shift-JIS character that does, and
// the buffer always ends in a NUL.
#pragma once

#include <cstdarg>

// Formats into buffer (size bytes with the NUL); returns 0, or -1 when the
// format fails or size <= 0 (buffer then "" where it has room).
int FormatString(char* buffer, int size, const char* format, ...) __attribute__((format(printf, 3, 4)));
// The same from an argument list; returns the bytes written before the NUL,
// or -1 as above.
int FormatStringV(char* buffer, int size, const char* format, std::va_list arguments)
    __attribute__((format(printf, 3, 0)));
