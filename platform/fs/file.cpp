// Open files over POSIX descriptors, the current folder, wildcard listings
// and temporary files, with UTF-8 names at the OS.
#include "platform/fs/file.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <mutex>

#include "platform/text/codepage.hpp"

namespace platform::fs {

namespace {

// The OS name of a wide path; false for names the OS cannot take whole.
bool os_name(const std::wstring& path, std::string& out)
{
    // refuses a zero character and any name no byte string spells
    return !path.empty() && text::os_name(path, out);
}

#if ZENTIL_TEST_HOOKS
struct read_fault {
    std::mutex lock;
    int countdown = 0;  // reads until the faulty one; 0 when disarmed
    std::int64_t keep = -1;
};

read_fault& next_read_fault()
{
    static read_fault fault;
    return fault;
}

// The most bytes the fault switch lets this read deliver; -1 fails it;
// size when no fault is due.
std::int64_t allowed_read(std::size_t size)
{
    read_fault& fault = next_read_fault();
    std::lock_guard<std::mutex> hold(fault.lock);
    if (fault.countdown <= 0 || --fault.countdown > 0)
        return static_cast<std::int64_t>(size);
    return fault.keep < 0 ? -1 : std::min<std::int64_t>(fault.keep, static_cast<std::int64_t>(size));
}
#endif

// Birth time where the file system records one, else the last write.
std::int64_t creation_time(const char* path, const struct stat& st)
{
    struct statx sx {};
    if (::statx(AT_FDCWD, path, 0, STATX_BTIME, &sx) == 0 && (sx.stx_mask & STATX_BTIME) != 0)
        return sx.stx_btime.tv_sec;
    return st.st_mtime;
}

}  // namespace

file& file::operator=(file&& other) noexcept
{
    if (this != &other) {
        close();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

bool file::open(const std::wstring& path, open_mode mode)
{
    close();
    std::string name;
    if (!os_name(path, name))
        return false;
    // O_NONBLOCK: opening a FIFO must not wait for a writer; cleared below
    // once the name proves to be a regular file.
    int flags = O_CLOEXEC | O_NONBLOCK;
    switch (mode) {
    case open_mode::read: flags |= O_RDONLY; break;
    case open_mode::create_new: flags |= O_WRONLY | O_CREAT | O_EXCL; break;
    case open_mode::open_always: flags |= O_WRONLY | O_CREAT; break;
    }
    int fd;
    do
        fd = ::open(name.c_str(), flags, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return false;
    struct stat st {};
    const bool usable = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size < file_size_limit &&
                        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0 &&
                        (mode != open_mode::open_always || ::lseek(fd, 0, SEEK_END) >= 0);
    if (!usable) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

std::int64_t file::read(void* buffer, std::size_t size)
{
    if (fd_ < 0)
        return -1;
#if ZENTIL_TEST_HOOKS
    const std::int64_t allowed = allowed_read(size);
    if (allowed < 0)
        return -1;
    size = static_cast<std::size_t>(allowed);
#endif
    char* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd_, out + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(done);
}

std::int64_t file::write(const void* bytes, std::size_t size)
{
    if (fd_ < 0)
        return -1;
    const off_t position = ::lseek(fd_, 0, SEEK_CUR);
    if (position < 0 || static_cast<std::uint64_t>(size) >= static_cast<std::uint64_t>(file_size_limit - position))
        return -1;
    const char* in = static_cast<const char*>(bytes);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd_, in + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return -1;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(done);
}

std::int64_t file::seek(std::int64_t offset, seek_origin origin)
{
    if (fd_ < 0)
        return -1;
    std::int64_t base = 0;
    if (origin == seek_origin::current)
        base = ::lseek(fd_, 0, SEEK_CUR);
    else if (origin == seek_origin::end)
        base = size();
    if (base < 0)
        return -1;
    // no overflow: base is below the limit, and offsets this large are refused
    if (offset >= file_size_limit || offset <= -file_size_limit)
        return -1;
    const std::int64_t target = base + offset;
    if (target < 0 || target >= file_size_limit)
        return -1;
    return ::lseek(fd_, static_cast<off_t>(target), SEEK_SET) < 0 ? -1 : target;
}

std::int64_t file::size() const
{
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0)
        return -1;
    return st.st_size;
}

bool file::close()
{
    if (fd_ < 0)
        return true;
    // the descriptor is gone whatever close reports, so never retried
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0;
}

#if ZENTIL_TEST_HOOKS
void fault_nth_read(int nth, std::int64_t keep)
{
    read_fault& fault = next_read_fault();
    std::lock_guard<std::mutex> hold(fault.lock);
    fault.countdown = nth > 0 ? nth : 0;
    fault.keep = keep;
}
#endif

bool set_current_folder(const std::wstring& path)
{
    std::string name;
    return os_name(path, name) && ::chdir(name.c_str()) == 0;
}

bool wildcard_match(const std::wstring& pattern, const std::wstring& name)
{
    std::size_t p = 0, n = 0;
    std::size_t star = std::wstring::npos, resume = 0;  // the last '*' and where its run ends
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == L'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == L'*') {
            star = p++;
            resume = n;
        } else if (star != std::wstring::npos) {
            p = star + 1;
            n = ++resume;  // the '*' takes one more character
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

bool find_entries(const std::wstring& pattern, std::vector<entry_info>& entries)
{
    entries.clear();
    if (pattern.empty() || pattern.find(L'\0') != std::wstring::npos)
        return false;
    const std::size_t slash = pattern.rfind(L'/');
    std::wstring folder = slash == std::wstring::npos ? L"." : pattern.substr(0, slash);
    if (folder.empty())
        folder = L"/";
    const std::wstring last = slash == std::wstring::npos ? pattern : pattern.substr(slash + 1);

    const std::string os_folder = text::to_utf8(folder);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(os_folder.c_str()), ::closedir);
    if (!dir)
        return false;
    const std::string prefix = os_folder == "/" ? "/" : os_folder + "/";
    while (const dirent* e = ::readdir(dir.get())) {
        const std::string os_entry = e->d_name;
        if (os_entry == "." || os_entry == "..")
            continue;
        std::wstring name = text::from_utf8(os_entry);
        if (!wildcard_match(last, name))
            continue;
        const std::string full = prefix + os_entry;
        struct stat st {};
        // a dangling symbolic link describes itself
        if (::stat(full.c_str(), &st) != 0 && ::lstat(full.c_str(), &st) != 0)
            continue;  // gone since the folder was read
        const bool is_folder = S_ISDIR(st.st_mode);
        entries.push_back({std::move(name), is_folder, is_folder ? 0 : static_cast<std::uint64_t>(st.st_size),
                           creation_time(full.c_str(), st), static_cast<std::int64_t>(st.st_mtime)});
    }
    std::sort(entries.begin(), entries.end(),
              [](const entry_info& a, const entry_info& b) { return a.name < b.name; });
    return true;
}

local_time to_local_time(std::int64_t seconds)
{
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (::localtime_r(&t, &tm) == nullptr)
        return {1970, 1, 1, 0, 0, 0};
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

bool create_temporary_file(file& out, std::wstring& path)
{
    const char* folder = std::getenv("TMPDIR");
    std::string name = folder != nullptr && *folder == '/' ? folder : "/tmp";
    if (name.size() > 1 && name.back() == '/')
        name.pop_back();
    name += "/tmpXXXXXX";
    // made and opened in one step, so no other process can take the name
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    out = file(fd);
    path = text::from_utf8(name);
    return true;
}

}  // namespace platform::fs
