// Whole-file replacement through a temporary file and a rename, so a failed
// or interrupted write never leaves a partial file behind.
#include "platform/fs/filesystem.hpp"

#include <fcntl.h>
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
  std::size_t budget = 0;
};

write_fault& next_write_fault() {
  static write_fault fault;
  return fault;
}
#endif

// Every byte out, short writes resumed; false at the first failed write.
// budget is the number of bytes the fault switch lets through.
bool write_all(int fd, const char* p, std::size_t n, std::size_t budget) {
  while (n > 0) {
    if (budget == 0) {
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

// A new file beside target that nobody else has opened; -1 when none can be
// made. Created with the usual 0666 less the umask.
int create_temporary(const std::string& target, std::string& name) {
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    name = target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// The file a write to path reaches: a symbolic link is followed, so the link
// stays and the file it names is replaced.
std::string write_target(const std::string& path) {
  std::error_code ec;
  if (!sfs::is_symlink(path, ec)) return path;
  const sfs::path resolved = sfs::weakly_canonical(path, ec);
  return ec ? path : resolved.string();
}

// Best effort: the rename itself reaches the disk with the folder's entry.
void flush_folder_of(const std::string& file) {
  std::string folder = sfs::path(file).parent_path().string();
  if (folder.empty()) folder = ".";
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

bool replace_file(const std::wstring& path, const std::string& bytes) {
  std::size_t budget = bytes.size();
#if ZENTIL_TEST_HOOKS
  write_fault& fault = next_write_fault();
  if (fault.armed) budget = std::min(budget, fault.budget);
  fault.armed = false;
#endif
  if (path.empty() || path.find(L'\0') != std::wstring::npos) return false;
  const std::string target = write_target(text::to_utf8(path));

  std::string temporary;
  const int fd = create_temporary(target, temporary);
  if (fd < 0) return false;

  struct stat old {};
  bool ok = (::stat(target.c_str(), &old) != 0 || ::fchmod(fd, old.st_mode & 07777) == 0) &&
            write_all(fd, bytes.data(), bytes.size(), budget) && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temporary.c_str());
    return false;
  }
  flush_folder_of(target);
  return true;
}

#if ZENTIL_TEST_HOOKS
void fail_next_replace_after(std::size_t bytes) { next_write_fault() = write_fault{true, bytes}; }
#endif

}  // namespace platform::fs
