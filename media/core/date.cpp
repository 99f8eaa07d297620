// Dates of the media layer.
#include "media/core/date.hpp"

#include "platform/fs/file.hpp"

int FileTimeToDateData(std::int64_t file_time, DATEDATA* date)
{
    const platform::local_time t = platform::fs::to_local_time(file_time);
    *date = {t.year, t.month, t.day, t.hour, t.minute, t.second};
    return 0;
}
