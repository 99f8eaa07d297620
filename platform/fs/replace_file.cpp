// Whole-file replacement through a temporary file and a rename, so a failed
// or interrupted write never leaves a partial file behind.
#include "platform/fs/filesystem.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/text/codepage.hpp"

namespace platform::fs {
namespace {

namespace sfs = std::filesystem;

#if ZENTIL_TEST_HOOKS
struct write_fault {
  bool armed = false;
  bool kill = false;  // the process dies where the write would fail
  std::size_t budget = 0;
};

write_fault& next_write_fault() {
  static write_fault fault;
  return fault;
}
#endif

// Every byte out, short writes resumed; false at the first failed write.
// budget is the number of bytes the fault switch lets through; with die the
// process is killed when it runs out, as an interrupted save would be.
bool write_all(int fd, const char* p, std::size_t n, std::size_t budget, bool die) {
  while (n > 0) {
    if (budget == 0) {
      if (die) ::kill(::getpid(), SIGKILL);
      errno = ENOSPC;
      return false;
    }
    const ssize_t done = ::write(fd, p, std::min(n, budget));
    if (done < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += done;
    n -= std::size_t(done);
    budget -= std::size_t(done);
  }
  return true;
}

// The name of the attempt-th temporary beside target.
std::string temporary_name(const std::string& target, unsigned attempt) {
  return target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
}

constexpr unsigned temporary_attempts = 100;

// A new named file beside target that nobody else has opened; -1 when none
// can be made. Created with the usual 0666 less the umask.
int create_temporary(const std::string& target, std::string& name) {
  for (unsigned attempt = 0; attempt < temporary_attempts; ++attempt) {
    name = temporary_name(target, attempt);
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

std::string folder_of(const std::string& file) {
  std::string folder = sfs::path(file).parent_path().string();
  return folder.empty() ? "." : folder;
}

// A file without a name in target's folder (O_TMPFILE): nothing of it is
// seen in the folder until it is linked, and it vanishes with the process.
// -1 where the file system cannot make one.
int create_anonymous(const std::string& target) {
#ifdef O_TMPFILE
  return ::open(folder_of(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
#else
  (void)target;
  errno = EOPNOTSUPP;
  return -1;
#endif
}

// Gives the complete anonymous file fd a temporary name beside target, for
// the rename; false when it cannot be linked (no /proc and no right to link
// by descriptor).
bool link_anonymous(int fd, const std::string& target, std::string& name) {
  const std::string self = "/proc/self/fd/" + std::to_string(fd);
  for (unsigned attempt = 0; attempt < temporary_attempts; ++attempt) {
    name = temporary_name(target, attempt);
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    if (errno == EEXIST) continue;
#ifdef AT_EMPTY_PATH
    if (::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) return true;
    if (errno == EEXIST) continue;
#endif
    return false;
  }
  return false;
}

// The file a write to path reaches: a symbolic link is followed, so the link
// stays and the file it names is replaced.
std::string write_target(const std::string& path) {
  std::error_code ec;
  if (!sfs::is_symlink(path, ec)) return path;
  const sfs::path resolved = sfs::weakly_canonical(path, ec);
  return ec ? path : resolved.string();
}

// A file that cannot be opened for writing is not written. The
// rename needs only the folder's permission, so the file's own is asked
// (with the effective ids, as an open would be).
bool writable_or_new(const std::string& target) {
  return ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) == 0 || errno == ENOENT;
}

// Best effort: the rename itself reaches the disk with the folder's entry.
void flush_folder_of(const std::string& file) {
  const int fd = ::open(folder_of(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// The new file's contents: the old file's permission bits, the bytes, and
// the data on disk.
bool fill(int fd, const struct stat* old, const std::string& bytes, std::size_t budget, bool die) {
  return (old == nullptr || ::fchmod(fd, old->st_mode & 07777) == 0) &&
         write_all(fd, bytes.data(), bytes.size(), budget, die) && ::fsync(fd) == 0;
}

// Whether name is one of replace_file's temporaries for a file named leaf
// ("<leaf>.tmp<pid>-<n>"), and the process id in it.
bool temporary_of(const std::string& name, const std::string& leaf, long& pid) {
  const std::string prefix = leaf + ".tmp";
  if (name.compare(0, prefix.size(), prefix) != 0) return false;
  // Decimal digits as std::to_string writes them: no sign, no leading zero.
  auto number = [&](std::size_t& i, long& value) {
    const std::size_t start = i;
    value = 0;
    while (i < name.size() && name[i] >= '0' && name[i] <= '9' && i - start < 10)
      value = value * 10 + (name[i++] - '0');
    return i > start && !(name[start] == '0' && i - start > 1);
  };
  std::size_t i = prefix.size();
  long attempt;
  if (!number(i, pid) || i >= name.size() || name[i++] != '-' || !number(i, attempt)) return false;
  return i == name.size() && pid > 0 && attempt < long(temporary_attempts);
}

}  // namespace

bool replace_file(const std::wstring& path, const std::string& bytes) {
  std::size_t budget = bytes.size();
  bool die = false;
#if ZENTIL_TEST_HOOKS
  write_fault& fault = next_write_fault();
  if (fault.armed) {
    budget = std::min(budget, fault.budget);
    die = fault.kill;
  }
  fault = write_fault{};
#endif
  std::string name;
  if (path.empty() || !text::os_name(path, name)) return false;
  const std::string target = write_target(name);
  if (!writable_or_new(target)) return false;

  struct stat old_status {};
  const struct stat* old = ::stat(target.c_str(), &old_status) == 0 ? &old_status : nullptr;
  std::string temporary;
  bool ok;
  int fd = create_anonymous(target);
  if (fd >= 0) {
    ok = fill(fd, old, bytes, budget, die);
    if (ok && !link_anonymous(fd, target, temporary)) {
      // Complete but with no way to a name: written again as a named file.
      ::close(fd);
      fd = -1;
    } else if (!ok) {
      ::close(fd);  // the file goes with its descriptor
      return false;
    }
  }
  if (fd < 0) {
    fd = create_temporary(target, temporary);
    if (fd < 0) return false;
    ok = fill(fd, old, bytes, budget, die);
  }
  ok = (::close(fd) == 0) && ok;
  ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temporary.c_str());
    return false;
  }
  flush_folder_of(target);
  return true;
}

void remove_stale_temporaries(const std::wstring& path) {
  try {
    std::string name;
    if (path.empty() || !text::os_name(path, name)) return;
    const sfs::path target = write_target(name);
    const std::string leaf = target.filename().string();
    const long self = long(::getpid());
    std::error_code ec;
    for (sfs::directory_iterator it(folder_of(target.string()), ec), end; !ec && it != end; it.increment(ec)) {
      long pid;
      if (!temporary_of(it->path().filename().string(), leaf, pid) || pid == self) continue;
      // Only a process that no longer runs has stopped writing it.
      if (::kill(pid_t(pid), 0) == 0 || errno != ESRCH) continue;
      std::error_code kind;
      if (!sfs::is_regular_file(it->symlink_status(kind))) continue;
      ::unlink(it->path().c_str());
    }
  } catch (...) {
    // best effort: a folder that cannot be read keeps what it holds
  }
}

#if ZENTIL_TEST_HOOKS
void fail_next_replace_after(std::size_t bytes) { next_write_fault() = write_fault{true, false, bytes}; }
void kill_next_replace_after(std::size_t bytes) { next_write_fault() = write_fault{true, true, bytes}; }
#endif

}  // namespace platform::fs
