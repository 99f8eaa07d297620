// The pieces the copy and delete walks share: descriptors closed at scope
// end, folder listings through a descriptor, and folders opened by name
// inside their parent without following a link put in their place.
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>

#include "platform/shell/internal.hpp"

namespace platform::shell {

descriptor::~descriptor()
{
    if (fd >= 0) ::close(fd);
}

bool list_folder(int folder, std::vector<std::string>& names)
{
    const int own = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (own < 0) return false;
    DIR* d = ::fdopendir(own);
    if (!d) {
        ::close(own);
        return false;
    }
    while (const dirent* e = ::readdir(d))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.emplace_back(e->d_name);
    ::closedir(d);
    return true;
}

int open_walked_folder(int parent, const std::string& name, const std::string& path, bool follow)
{
    before_open_hook(path);
    return ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW));
}

}  // namespace platform::shell
