// Instance locks over flock(2): the kernel drops the lock when the holder
// exits, however it exits, so no stale lock outlives a crash.
#include "platform/system/instance_lock.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>

#include "platform/platform.hpp"
#include "platform/text/codepage.hpp"

namespace platform {

namespace {

#if ZENTIL_TEST_HOOKS
struct lock_folder_setting {
    std::mutex lock;
    std::wstring folder;
};

lock_folder_setting& folder_setting()
{
    static lock_folder_setting s;
    return s;
}
#endif

std::string lock_folder()
{
#if ZENTIL_TEST_HOOKS
    {
        std::lock_guard<std::mutex> hold(folder_setting().lock);
        if (!folder_setting().folder.empty())
            return text::to_utf8(folder_setting().folder);
    }
#endif
    for (const char* variable : {"ZENTIL_LOCK_DIR", "XDG_RUNTIME_DIR", "TMPDIR"}) {
        const char* value = std::getenv(variable);
        if (value != nullptr && *value != '\0')
            return value;
    }
    return "/tmp";
}

}  // namespace

lock_result instance_lock::try_acquire(const std::wstring& name)
{
    release();
    if (name.find(L'\0') != std::wstring::npos) {
        set_error("zero character in a lock name");
        return lock_result::failed;
    }
    std::string file = text::to_utf8(name);
    for (char& c : file) {
        if (c == '/')
            c = '_';
    }
    const std::string path = lock_folder() + "/" + file + ".lock";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        set_error("lock file cannot be made");
        return lock_result::failed;
    }
    int result;
    do
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    while (result != 0 && errno == EINTR);
    if (result != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        if (held)
            return lock_result::held;
        set_error("lock file cannot be locked");
        return lock_result::failed;
    }
    fd_ = fd;
    return lock_result::acquired;
}

// The file stays: removing it would let a newcomer lock a fresh file while
// another waits on the old one.
void instance_lock::release()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

#if ZENTIL_TEST_HOOKS
void set_lock_folder(const std::wstring& folder)
{
    std::lock_guard<std::mutex> hold(folder_setting().lock);
    folder_setting().folder = folder;
}
#endif

}  // namespace platform
