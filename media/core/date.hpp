// Dates of the media layer: six 32-bit fields in local time.
#pragma once

#include <cstdint>

struct DATEDATA {
    std::int32_t year, month, day, hour, minute, second;
};

// A file time of the system the layer's files come from: 100 ns units since
// 1601-01-01 UTC, as two 32-bit words.
struct FILETIME {
    std::uint32_t low, high;
};

// A file time (seconds since 1970 UTC, as the platform's listings give it)
// in local time; returns 0.
int FileTimeToDateData(std::int64_t file_time, DATEDATA* date);
// The same from a FILETIME; returns 0 (-1 for a null pointer).
int FileTimeToDateData(const FILETIME* file_time, DATEDATA* date);
