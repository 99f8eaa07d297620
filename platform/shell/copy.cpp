// Copying a file or a folder tree to a free name, chunk by chunk on a worker
// thread: undone on failure, kept as far as finished on a Cancel.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "platform/platform.hpp"
#include "platform/shell/internal.hpp"
#include "platform/shell/progress.hpp"
#include "platform/shell/shell.hpp"
#include "platform/text/codepage.hpp"

namespace platform::shell {
namespace {

namespace sfs = std::filesystem;

#if ZENTIL_TEST_HOOKS
struct write_fault {
    std::size_t armed_at = 0;  // 0 = off
    std::size_t writes = 0;
};

write_fault& fault()
{
    static write_fault f;
    return f;
}
#endif

// The error text of one failure, with the system's reason.
int fail(const std::string& what, int err)
{
    return set_error((what + ": " + std::strerror(err)).c_str());
}

// 1 when path names an entry (a dangling link too), 0 when the name is
// free, -1 (error set) when that cannot be told.
int taken(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) return 1;
    return errno == ENOENT ? 0 : fail("cannot look at the destination", errno);
}

// Folder entries in the file system's order, without '.' and '..'.
bool list(const std::string& folder, std::vector<std::string>& names)
{
    DIR* d = ::opendir(folder.c_str());
    if (!d) return false;
    while (const dirent* e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        names.emplace_back(e->d_name);
    }
    ::closedir(d);
    return true;
}

// Refuses a tree holding what cannot be copied as a file: -1 (error set) for
// a device, pipe or socket, or a folder that cannot be listed. Counts the
// bytes of its files and its entries other than folders.
int check_tree(const std::string& path, std::uint64_t& bytes, std::uint64_t& files)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return fail("cannot read the source", errno);
    if (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) {
        if (S_ISREG(st.st_mode)) bytes += static_cast<std::uint64_t>(st.st_size);
        ++files;
        return 0;
    }
    if (!S_ISDIR(st.st_mode)) return set_error("the source holds a device, pipe or socket");
    std::vector<std::string> names;
    if (!list(path, names)) return fail("cannot read a source folder", errno);
    for (const std::string& n : names)
        if (check_tree(path + "/" + n, bytes, files) != 0) return -1;
    return 0;
}

// Pieces of a file move in chunks of this size, so a Cancel takes effect
// within one chunk even inside a large file.
constexpr std::size_t chunk_size = 1 << 20;

// What one copy made: whether its top entry exists, and the folders whose
// permission bits are set once everything is in them (a read-only folder
// could not be filled, nor removed again after a failure).
struct copy_state {
    explicit copy_state(progress& p) : report(p) {}
    progress& report;
    bool created = false;
    bool cancelled = false;
    std::vector<std::pair<std::string, mode_t>> folder_modes;
    bool plain_io = false;      // copy_file_range refused: read and write from then on
    std::vector<char> buffer;   // for read and write, made on first need
};

bool write_all(int fd, const char* p, std::size_t n)
{
    while (n > 0) {
        const ssize_t done = ::write(fd, p, n);
        if (done < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += done;
        n -= static_cast<std::size_t>(done);
    }
    return true;
}

// Moves one chunk from in to out: its size, 0 at the end, -1 (error set).
ssize_t copy_chunk(int in, int out, copy_state& state)
{
#if ZENTIL_TEST_HOOKS
    write_fault& f = fault();
    if (f.armed_at != 0 && ++f.writes == f.armed_at) return fail("cannot write the copy", ENOSPC);
#endif
    while (!state.plain_io) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, chunk_size, 0);
        if (n >= 0) return n;
        if (errno == EINTR) continue;
        // file systems and kernels that cannot copy in place: the offsets
        // moved with what was copied, so read and write go on from there
        if (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL) {
            state.plain_io = true;
            break;
        }
        return fail(errno == EIO ? "cannot read the source" : "cannot write the copy", errno);
    }
    if (state.buffer.empty()) state.buffer.resize(chunk_size);
    for (;;) {
        const ssize_t got = ::read(in, state.buffer.data(), state.buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return fail("cannot read the source", errno);
        if (got > 0 && !write_all(out, state.buffer.data(), static_cast<std::size_t>(got)))
            return fail("cannot write the copy", errno);
        return got;
    }
}

int copy_file(const std::string& from, const std::string& to, mode_t mode, copy_state& state)
{
    const int in = ::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (in < 0) return fail("cannot read the source", errno);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        const int err = errno;
        ::close(in);
        return fail("cannot create the copy", err);
    }
    state.created = true;
    state.report.begin(from);
    int result = 0;
    for (;;) {
        if (state.report.cancelled()) {
            state.cancelled = true;
            result = set_error("the copy was cancelled");
            break;
        }
        const ssize_t n = copy_chunk(in, out, state);
        if (n < 0) {
            result = -1;
            break;
        }
        if (n == 0) break;
        state.report.advance(static_cast<std::uint64_t>(n));
    }
    if (result == 0 && ::fchmod(out, mode & 0777) != 0) result = fail("cannot set the copy's permissions", errno);
    if (::close(out) != 0 && result == 0) result = fail("cannot write the copy", errno);
    ::close(in);
    // a cancelled copy keeps what is finished, never the file being written
    if (state.cancelled) ::unlink(to.c_str());
    if (result == 0) state.report.finish_file();
    return result;
}

// Copies one entry of a checked tree; links stay links.
int copy_tree(const std::string& from, const std::string& to, copy_state& state)
{
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0) return fail("cannot read the source", errno);
    if (S_ISLNK(st.st_mode)) {
        std::vector<char> target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        const ssize_t n = ::readlink(from.c_str(), target.data(), target.size());
        if (n < 0 || static_cast<std::size_t>(n) >= target.size()) return fail("cannot read a link", errno);
        if (::symlink(std::string(target.data(), static_cast<std::size_t>(n)).c_str(), to.c_str()) != 0)
            return fail("cannot create the copy", errno);
        state.created = true;
        state.report.begin(from);
        state.report.finish_file();
        return 0;
    }
    if (S_ISREG(st.st_mode)) return copy_file(from, to, st.st_mode, state);
    if (!S_ISDIR(st.st_mode)) return set_error("the source holds a device, pipe or socket");
    if (::mkdir(to.c_str(), 0700) != 0) return fail("cannot create the copy", errno);
    state.created = true;
    state.folder_modes.emplace_back(to, st.st_mode & 0777);
    std::vector<std::string> names;
    if (!list(from, names)) return fail("cannot read a source folder", errno);
    for (const std::string& n : names) {
        if (state.report.cancelled()) {
            state.cancelled = true;
            return set_error("the copy was cancelled");
        }
        if (copy_tree(from + "/" + n, to + "/" + n, state) != 0) return -1;
    }
    return 0;
}

// "stem (n).ext": the extension follows the last '.', unless that '.' starts
// the name; folders have none.
std::string numbered(const std::string& path, bool folder, unsigned n)
{
    const std::size_t slash = path.rfind('/');
    const std::size_t name_at = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = folder ? std::string::npos : path.rfind('.');
    if (dot != std::string::npos && dot <= name_at) dot = std::string::npos;
    const std::string suffix = " (" + std::to_string(n) + ")";
    if (dot == std::string::npos) return path + suffix;
    return path.substr(0, dot) + suffix + path.substr(dot);
}

bool inside(const std::string& path, const std::string& folder)
{
    return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                              (folder.back() == '/' || path[folder.size()] == '/'));
}

// The copy itself, on the worker: checks and counts the source, picks the
// free name, copies, and undoes a failure; after a Cancel what is finished
// stays. target: the name the copy went to.
int copy_to_free_name(const std::string& from, const std::string& to, std::string& target, progress& report)
{
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0) return fail("cannot read the source", errno);
    const bool folder = S_ISDIR(st.st_mode);
    std::uint64_t bytes = 0, files = 0;
    if (check_tree(from, bytes, files) != 0) return -1;
    report.set_totals(bytes, files);

    target = to;
    for (unsigned n = 2;; ++n) {
        const int t = taken(target);
        if (t < 0) return -1;
        if (t == 0) break;
        if (n > 100000) return set_error("no free name for the copy");
        target = numbered(to, folder, n);
    }
    if (folder) {
        std::error_code ec;
        const sfs::path real_source = sfs::canonical(from, ec);
        const sfs::path real_target = ec ? sfs::path() : sfs::weakly_canonical(target, ec);
        if (ec) return fail("cannot resolve the destination", ec.value());
        if (inside(real_target.string(), real_source.string()))
            return set_error("the destination lies inside the source folder");
    }
    copy_state state(report);
    int result = copy_tree(from, target, state);
    // deepest folders first: a folder's bits may take away the search right
    // its subfolders' paths need; the folders of a cancelled copy stay, so
    // they get theirs too
    for (auto it = state.folder_modes.rbegin(); (result == 0 || state.cancelled) && it != state.folder_modes.rend();
         ++it)
        if (::chmod(it->first.c_str(), it->second) != 0 && result == 0)
            result = fail("cannot set the copy's permissions", errno);
    if (result != 0 && state.cancelled) return set_error("the copy was cancelled");
    if (result != 0) {
        if (state.created) {
            // make every folder writable again so the partial copy can go
            for (const auto& [folder, mode] : state.folder_modes) ::chmod(folder.c_str(), 0700);
            std::error_code ec;
            sfs::remove_all(target, ec);
        }
        return -1;
    }
    return 0;
}

}  // namespace

int copy_entry(const std::wstring& source, const std::wstring& destination, std::wstring& renamed_to)
{
#if ZENTIL_TEST_HOOKS
    fault().writes = 0;
    struct disarm {
        ~disarm() { fault().armed_at = 0; }
    } disarm_after_this_copy;
#endif
    renamed_to.clear();
    if (source.empty() || destination.empty()) return set_error("no source or destination");
    if (source.find(L'\0') != std::wstring::npos || destination.find(L'\0') != std::wstring::npos)
        return set_error("zero character in a file name");
    std::string from = text::to_utf8(source), to = text::to_utf8(destination);
    while (from.size() > 1 && from.back() == '/') from.pop_back();
    while (to.size() > 1 && to.back() == '/') to.pop_back();

    std::string target;
    if (run_with_progress("Copying", "files",
                          [&](progress& report) { return copy_to_free_name(from, to, target, report); }) != 0)
        return -1;
    if (target != to) renamed_to = text::from_utf8(target);
    return 0;
}

#if ZENTIL_TEST_HOOKS
void fail_copy_write(std::size_t n) { fault() = write_fault{n, 0}; }
#endif

}  // namespace platform::shell
