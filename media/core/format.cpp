// printf-style formatting over vsnprintf.
#include "media/core/format.hpp"

#include <cstdio>

#include "media/core/text.hpp"

int FormatString(char* buffer, int size, const char* format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    const int written = FormatStringV(buffer, size, format, arguments);
    va_end(arguments);
    return written < 0 ? -1 : 0;
}

int FormatStringV(char* buffer, int size, const char* format, std::va_list arguments)
{
    if (size <= 0)
        return -1;
    const int full = std::vsnprintf(buffer, static_cast<std::size_t>(size), format, arguments);
    if (full < 0) {
        buffer[0] = '\0';
        return -1;
    }
    if (full < size)
        return full;
    // Cut: vsnprintf kept size - 1 bytes, which may end in the lead byte of a
    // character whose trail did not fit. Characters are found from the start,
    // since a trail byte can look like a lead byte.
    const int kept = size - 1;
    int end = 0;
    while (end < kept) {
        const int bytes = media::core::is_lead_byte(static_cast<unsigned char>(buffer[end])) ? 2 : 1;
        if (end + bytes > kept)
            break;
        end += bytes;
    }
    buffer[end] = '\0';
    return end;
}
