// Dates of the media layer.
#include "media/core/date.hpp"

#include "platform/fs/file.hpp"

int FileTimeToDateData(std::int64_t file_time, DATEDATA* date)
{
    const platform::local_time t = platform::fs::to_local_time(file_time);
    *date = {t.year, t.month, t.day, t.hour, t.minute, t.second};
    return 0;
}

int FileTimeToDateData(const FILETIME* file_time, DATEDATA* date)
{
    if (file_time == nullptr || date == nullptr)
        return -1;
    const std::uint64_t units = (static_cast<std::uint64_t>(file_time->high) << 32) | file_time->low;
    // 1601-01-01 to 1970-01-01 in seconds
    constexpr std::int64_t epoch_gap = 11644473600;
    return FileTimeToDateData(static_cast<std::int64_t>(units / 10000000) - epoch_gap, date);
}
