// Copying a file or a folder tree to a free name, chunk by chunk on a worker
// thread: built under a hidden temporary name and named only when complete,
// undone on failure, kept as far as finished on a Cancel. The tree is walked
// through folder descriptors, so an entry swapped for a link or a pipe while
// the walk runs is never followed nor waited on.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
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
struct copy_faults {
    std::size_t write_armed_at = 0;  // 0 = off
    std::size_t writes = 0;
    std::uint64_t stop_at = 0;  // 0 = off
    std::uint64_t written = 0;
};

copy_faults& fault()
{
    static copy_faults f;
    return f;
}
#endif

// The error text of one failure, with the system's reason.
int fail(const std::string& what, int err)
{
    return set_error((what + ": " + std::strerror(err)).c_str());
}

// Hidden names of copies under way: prefix, process id, number.
constexpr const char* partial_prefix = ".zentil-partial-";

// Refuses a tree holding what cannot be copied as a file: -1 (error set) for
// a device, pipe or socket, or a folder that cannot be listed. Counts the
// bytes of its files and its entries other than folders. Links below the top
// are entries of their own.
int check_tree(int parent, const std::string& name, const std::string& path, bool top, std::uint64_t& bytes,
               std::uint64_t& files)
{
    struct stat st {};
    if (::fstatat(parent, name.c_str(), &st, top ? 0 : AT_SYMLINK_NOFOLLOW) != 0)
        return fail("cannot read the source", errno);
    if (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) {
        if (S_ISREG(st.st_mode)) bytes += static_cast<std::uint64_t>(st.st_size);
        ++files;
        return 0;
    }
    if (!S_ISDIR(st.st_mode)) return set_error("the source holds a device, pipe or socket");
    const descriptor folder(open_walked_folder(parent, name, path, top));
    std::vector<std::string> names;
    if (folder.fd < 0 || !list_folder(folder.fd, names)) return fail("cannot read a source folder", errno);
    for (const std::string& n : names)
        if (check_tree(folder.fd, n, path + "/" + n, false, bytes, files) != 0) return -1;
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
    bool stopped = false;       // the test switch's stand-in for a kill
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

// Moves at most limit bytes from in to out: the count, 0 at the end, -1
// (error set).
ssize_t copy_chunk(int in, int out, std::size_t limit, copy_state& state)
{
#if ZENTIL_TEST_HOOKS
    copy_faults& f = fault();
    if (f.write_armed_at != 0 && ++f.writes == f.write_armed_at) return fail("cannot write the copy", ENOSPC);
#endif
    while (!state.plain_io) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, limit, 0);
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
        const ssize_t got = ::read(in, state.buffer.data(), limit);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return fail("cannot read the source", errno);
        if (got > 0 && !write_all(out, state.buffer.data(), static_cast<std::size_t>(got)))
            return fail("cannot write the copy", errno);
        return got;
    }
}

// The bytes the next chunk may move: the chunk, or fewer so that the test
// switch stops the copy at its byte exactly.
std::size_t next_limit()
{
#if ZENTIL_TEST_HOOKS
    const copy_faults& f = fault();
    if (f.stop_at != 0 && f.stop_at - f.written < chunk_size) return static_cast<std::size_t>(f.stop_at - f.written);
#endif
    return chunk_size;
}

// True when the test switch says the copy dies here.
bool stop_here(std::uint64_t moved)
{
#if ZENTIL_TEST_HOOKS
    copy_faults& f = fault();
    f.written += moved;
    return f.stop_at != 0 && f.written >= f.stop_at;
#else
    (void)moved;
    return false;
#endif
}

// Copies one file. The source is opened without waiting (a pipe put in its
// place would block the open) and must still be a file once open.
int copy_file(int from_parent, const std::string& from_name, const std::string& path, bool top, int to_parent,
              const std::string& to_name, copy_state& state)
{
    before_open_hook(path);
    const descriptor in(::openat(from_parent, from_name.c_str(),
                                 O_RDONLY | O_NONBLOCK | O_CLOEXEC | (top ? 0 : O_NOFOLLOW)));
    if (in.fd < 0) return fail("cannot read the source", errno);
    struct stat st {};
    if (::fstat(in.fd, &st) != 0) return fail("cannot read the source", errno);
    if (!S_ISREG(st.st_mode)) return set_error("the source holds a device, pipe or socket");
    descriptor out(::openat(to_parent, to_name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (out.fd < 0) return fail("cannot create the copy", errno);
    state.created = true;
    state.report.begin(path);
    int result = 0;
    for (;;) {
        if (state.report.cancelled()) {
            state.cancelled = true;
            result = set_error("the copy was cancelled");
            break;
        }
        const ssize_t n = copy_chunk(in.fd, out.fd, next_limit(), state);
        if (n < 0) {
            result = -1;
            break;
        }
        if (n == 0) break;
        state.report.advance(static_cast<std::uint64_t>(n));
        if (stop_here(static_cast<std::uint64_t>(n))) {
            state.stopped = true;
            return set_error("the copy was stopped");
        }
    }
    if (result == 0 && ::fchmod(out.fd, st.st_mode & 0777) != 0) result = fail("cannot set the copy's permissions", errno);
    const int closed = ::close(out.fd);
    out.fd = -1;
    if (closed != 0 && result == 0) result = fail("cannot write the copy", errno);
    // a cancelled copy keeps what is finished, never the file being written
    if (state.cancelled) ::unlinkat(to_parent, to_name.c_str(), 0);
    if (result == 0) state.report.finish_file();
    return result;
}

// Path pieces between '/'.
std::vector<std::string> components(const std::string& path)
{
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < path.size()) {
        const std::size_t next = path.find('/', at);
        const std::size_t end = next == std::string::npos ? path.size() : next;
        if (end > at) out.push_back(path.substr(at, end - at));
        at = end + 1;
    }
    return out;
}

// The relative way from the real folder to to the real folder from: "..",
// as often as needed, then down.
std::string way_between(const std::string& to, const std::string& from)
{
    const std::vector<std::string> a = components(to), b = components(from);
    std::size_t common = 0;
    while (common < a.size() && common < b.size() && a[common] == b[common]) ++common;
    std::string way;
    for (std::size_t i = common; i < a.size(); ++i) way += way.empty() ? ".." : "/..";
    for (std::size_t i = common; i < b.size(); ++i) way += (way.empty() ? "" : "/") + b[i];
    return way.empty() ? "." : way;
}

// Where the walk stands: the real paths of the source folder and of the
// folder the copy goes into, for rebasing relative links.
struct places {
    std::string source_real, copy_real;
};

// Copies one entry of a checked tree. Below the top a link is made again
// naming the same place: a relative target is rebased from the copy's
// folder. The top is what it names.
int copy_tree(int from_parent, const std::string& from_name, const std::string& path, bool top, int to_parent,
              const std::string& to_name, const places& at, copy_state& state)
{
    struct stat st {};
    if (::fstatat(from_parent, from_name.c_str(), &st, top ? 0 : AT_SYMLINK_NOFOLLOW) != 0)
        return fail("cannot read the source", errno);
    if (S_ISLNK(st.st_mode)) {
        std::vector<char> buffer(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        const ssize_t n = ::readlinkat(from_parent, from_name.c_str(), buffer.data(), buffer.size());
        if (n < 0 || static_cast<std::size_t>(n) >= buffer.size()) return fail("cannot read a link", errno);
        std::string target(buffer.data(), static_cast<std::size_t>(n));
        if (!target.empty() && target[0] != '/') {
            const std::string way = way_between(at.copy_real, at.source_real);
            if (way != ".") target = way + "/" + target;
        }
        if (::symlinkat(target.c_str(), to_parent, to_name.c_str()) != 0) return fail("cannot create the copy", errno);
        state.created = true;
        state.report.begin(path);
        state.report.finish_file();
        return 0;
    }
    if (S_ISREG(st.st_mode)) return copy_file(from_parent, from_name, path, top, to_parent, to_name, state);
    if (!S_ISDIR(st.st_mode)) return set_error("the source holds a device, pipe or socket");
    const descriptor from(open_walked_folder(from_parent, from_name, path, top));
    if (from.fd < 0) return fail("cannot read a source folder", errno);
    if (::mkdirat(to_parent, to_name.c_str(), 0700) != 0) return fail("cannot create the copy", errno);
    state.created = true;
    const descriptor to(::openat(to_parent, to_name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (to.fd < 0) return fail("cannot create the copy", errno);
    const places inner{top ? at.source_real : at.source_real + "/" + from_name, at.copy_real + "/" + to_name};
    state.folder_modes.emplace_back(inner.copy_real, st.st_mode & 0777);
    std::vector<std::string> names;
    if (!list_folder(from.fd, names)) return fail("cannot read a source folder", errno);
    for (const std::string& n : names) {
        if (state.report.cancelled()) {
            state.cancelled = true;
            return set_error("the copy was cancelled");
        }
        if (copy_tree(from.fd, n, path + "/" + n, false, to.fd, n, inner, state) != 0) return -1;
    }
    return 0;
}

// The longest name the file systems take, in bytes.
constexpr std::size_t name_limit = 255;

// "stem (n).ext": the extension follows the last '.', unless that '.' starts
// the name; folders have none. A stem too long for the limit is cut at a
// character boundary (never inside a UTF-8 sequence).
std::string numbered(const std::string& name, bool folder, unsigned n)
{
    std::size_t dot = folder ? std::string::npos : name.rfind('.');
    if (dot == 0) dot = std::string::npos;
    const std::string suffix = " (" + std::to_string(n) + ")";
    std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
    // an extension that leaves no room for a stem counts as part of it
    if (ext.size() + suffix.size() >= name_limit) ext.clear();
    std::size_t stem = name.size() - ext.size();
    if (stem + suffix.size() + ext.size() > name_limit) {
        stem = name_limit - suffix.size() - ext.size();
        for (int back = 0; back < 3 && stem > 0 && (static_cast<unsigned char>(name[stem]) & 0xC0) == 0x80; ++back)
            --stem;
    }
    return name.substr(0, stem) + suffix + ext;
}

bool inside(const std::string& path, const std::string& folder)
{
    return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                              (folder.back() == '/' || path[folder.size()] == '/'));
}

// 1 when the folder holds name (a dangling link too), 0 when it is free, -1
// (error set) when that cannot be told.
int taken(int folder, const std::string& name)
{
    struct stat st {};
    if (::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) return 1;
    return errno == ENOENT ? 0 : fail("cannot look at the destination", errno);
}

// Removes a tree of our own making, read-only folders included.
void remove_partial(const std::string& path)
{
    std::error_code ec;
    for (auto it = sfs::recursive_directory_iterator(path, ec); !ec && it != sfs::recursive_directory_iterator();
         it.increment(ec))
        if (it->is_directory(ec) && !it->is_symlink(ec)) ::chmod(it->path().c_str(), 0700);
    sfs::remove_all(path, ec);
}

// Removes what copies into folder left when the program died under them: a
// partial name whose process is gone (or is this one, whose copies run one
// at a time and clean up after themselves).
void clear_leftovers(int folder, const std::string& folder_path)
{
    std::vector<std::string> names;
    if (!list_folder(folder, names)) return;
    const std::size_t prefix = std::strlen(partial_prefix);
    for (const std::string& n : names) {
        if (n.compare(0, prefix, partial_prefix) != 0) continue;
        const long pid = std::strtol(n.c_str() + prefix, nullptr, 10);
        if (pid > 0 && pid != ::getpid() && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM)) continue;
        remove_partial(folder_path + "/" + n);
    }
}

// Gives the finished copy its name without ever replacing an entry: the
// free name chosen before, or the next free number when one appeared since.
int give_name(int folder, const std::string& partial, const std::string& wanted, bool is_folder,
              std::string& name)
{
    for (unsigned n = 2;; ++n) {
        if (::renameat2(folder, partial.c_str(), folder, name.c_str(), RENAME_NOREPLACE) == 0) return 0;
        int err = errno;
        if (err == EINVAL || err == ENOSYS) {
            // a file system without the no-replace rename: a file is linked
            // (which never replaces), a folder renamed after a last look
            if (!is_folder) {
                if (::linkat(folder, partial.c_str(), folder, name.c_str(), 0) == 0) {
                    ::unlinkat(folder, partial.c_str(), 0);
                    return 0;
                }
                err = errno;
            } else {
                const int t = taken(folder, name);
                if (t < 0) return -1;
                if (t == 0 && ::renameat(folder, partial.c_str(), folder, name.c_str()) == 0) return 0;
                err = t == 0 ? errno : EEXIST;
            }
        }
        if (err != EEXIST && err != ENOTEMPTY) return fail("cannot name the copy", err);
        if (n > 100000) return set_error("no free name for the copy");
        name = numbered(wanted, is_folder, n);
    }
}

// Splits a path into its folder and last name ("/" names itself).
void split(const std::string& path, std::string& folder, std::string& name)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        folder = ".";
        name = path;
    } else {
        folder = slash == 0 ? "/" : path.substr(0, slash);
        name = path.substr(slash + 1);
    }
    if (name.empty()) name = ".";
}

// The copy itself, on the worker: checks and counts the source, picks the
// free name, builds the copy under a hidden name, names it, and undoes a
// failure; after a Cancel what is finished stays. target: the path the
// copy went to.
int copy_to_free_name(const std::string& from, const std::string& to, std::string& target, progress& report)
{
    std::string from_folder, from_name, to_folder, wanted;
    split(from, from_folder, from_name);
    split(to, to_folder, wanted);
    const descriptor source_parent(::open(from_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (source_parent.fd < 0) return fail("cannot read the source", errno);
    struct stat st {};
    if (::fstatat(source_parent.fd, from_name.c_str(), &st, 0) != 0) return fail("cannot read the source", errno);
    const bool folder = S_ISDIR(st.st_mode);
    std::uint64_t bytes = 0, files = 0;
    if (check_tree(source_parent.fd, from_name, from, true, bytes, files) != 0) return -1;
    report.set_totals(bytes, files);

    const descriptor destination(::open(to_folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (destination.fd < 0) return fail("cannot create the copy", errno);
    clear_leftovers(destination.fd, to_folder);
    std::string name = wanted;
    for (unsigned n = 2;; ++n) {
        const int t = taken(destination.fd, name);
        if (t < 0) return -1;
        if (t == 0) break;
        if (n > 100000) return set_error("no free name for the copy");
        name = numbered(wanted, folder, n);
    }
    std::error_code ec;
    const sfs::path real_destination = sfs::canonical(to_folder, ec);
    if (ec) return fail("cannot resolve the destination", ec.value());
    places at;
    if (folder) {
        const sfs::path real_source = sfs::canonical(from, ec);
        if (ec) return fail("cannot resolve the source", ec.value());
        if (inside((real_destination / name).string(), real_source.string()))
            return set_error("the destination lies inside the source folder");
        at.source_real = real_source.string();
    }
    at.copy_real = real_destination.string();

    static std::atomic<unsigned> partial_count{0};
    const std::string partial =
        partial_prefix + std::to_string(::getpid()) + "-" + std::to_string(++partial_count);
    const std::string partial_path = to_folder + "/" + partial;
    copy_state state(report);
    int result = copy_tree(source_parent.fd, from_name, from, true, destination.fd, partial, at, state);
    // a kill leaves the hidden copy for the next copy into the folder to clear
    if (state.stopped) return -1;
    // deepest folders first: a folder's bits may take away the search right
    // its subfolders' paths need; the folders of a cancelled copy stay, so
    // they get theirs too
    for (auto it = state.folder_modes.rbegin(); (result == 0 || state.cancelled) && it != state.folder_modes.rend();
         ++it)
        if (::chmod(it->first.c_str(), it->second) != 0 && result == 0)
            result = fail("cannot set the copy's permissions", errno);
    const bool keep = result == 0 || (state.cancelled && folder && state.created);
    if (keep && give_name(destination.fd, partial, wanted, folder, name) != 0) {
        if (result == 0) result = -1;
        state.cancelled = false;
    } else if (keep) {
        target = to.substr(0, to.size() - wanted.size()) + name;
    }
    if (result != 0 && state.cancelled) return set_error("the copy was cancelled");
    if (result != 0) {
        if (state.created) remove_partial(partial_path);
        return -1;
    }
    return 0;
}

}  // namespace

int copy_entry(const std::wstring& source, const std::wstring& destination, std::wstring& renamed_to)
{
#if ZENTIL_TEST_HOOKS
    fault().writes = 0;
    fault().written = 0;
    struct disarm {
        ~disarm() { fault() = copy_faults{}; }
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
namespace {
std::function<void(const std::string&)>& open_hook()
{
    static std::function<void(const std::string&)> hook;
    return hook;
}
}  // namespace

void before_open(std::function<void(const std::string& path)> hook) { open_hook() = std::move(hook); }

void before_open_hook(const std::string& path)
{
    if (open_hook()) open_hook()(path);
}

void fail_copy_write(std::size_t n) { fault().write_armed_at = n; }
void stop_copy_at(std::uint64_t bytes) { fault().stop_at = bytes; }
#endif

}  // namespace platform::shell
