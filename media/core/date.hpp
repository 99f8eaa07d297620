// Dates of the media layer: six 32-bit fields in local time.
#pragma once

#include <cstdint>

struct DATEDATA {
    std::int32_t year, month, day, hour, minute, second;
};

// A file time (seconds since 1970 UTC, as the platform's listings give it)
// in local time; returns 0.
int FileTimeToDateData(std::int64_t file_time, DATEDATA* date);
