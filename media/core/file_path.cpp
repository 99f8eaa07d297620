// Media-layer paths at the platform boundary.
#include "media/core/file_path.hpp"

#include <cstring>
#include <exception>

#include "platform/fs/file.hpp"
#include "platform/fs/filesystem.hpp"
#include "platform/text/codepage.hpp"

namespace media::core {

bool to_platform_path(const char* path, std::wstring& out)
{
    if (path == nullptr)
        return false;
    const std::size_t length = ::strnlen(path, path_buffer_size);
    if (length == 0 || length >= static_cast<std::size_t>(path_buffer_size))
        return false;
    std::wstring name;
    platform::text::append_wide(path, length, name);
    for (wchar_t& c : name) {
        if (c == L'\\')
            c = L'/';
    }
    out.swap(name);
    return true;
}

int to_media_path(const std::wstring& name, char* buffer, int capacity)
{
    std::string narrow;
    platform::text::append_narrow(name.data(), name.size(), narrow);
    if (capacity <= 0)
        return -1;
    if (narrow.size() >= static_cast<std::size_t>(capacity) || narrow.find('\0') != std::string::npos) {
        buffer[0] = '\0';
        return -1;
    }
    std::memcpy(buffer, narrow.c_str(), narrow.size() + 1);
    return static_cast<int>(narrow.size());
}

int get_current_folder(char* buffer, int capacity)
{
    std::wstring current;
    try {
        current = platform::fs::current_folder();
    } catch (const std::exception&) {
        if (capacity > 0)
            buffer[0] = '\0';
        return -1;  // the current folder is gone
    }
    return to_media_path(current, buffer, capacity) < 0 ? -1 : 0;
}

int set_current_folder(const char* path)
{
    std::wstring name;
    if (!to_platform_path(path, name))
        return -1;
    return platform::fs::set_current_folder(name) ? 0 : -1;
}

}  // namespace media::core
