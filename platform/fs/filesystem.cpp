// The file system over std::filesystem, with byte-exact UTF-8 names.
#include "platform/fs/filesystem.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>
#include <utility>

#include "platform/text/codepage.hpp"

namespace platform::fs {
namespace {

namespace sfs = std::filesystem;

// The path's bytes at the OS. A name that no byte string spells (a zero
// character, which the OS would cut there, or a code point with no byte
// form) is refused, so it never reaches the OS as some other name.
sfs::path native(const std::wstring& path) {
  std::string bytes;
  if (!text::os_name(path, bytes))
    throw sfs::filesystem_error("platform::fs: a path name no byte string spells",
                                std::make_error_code(std::errc::invalid_argument));
  return sfs::path(std::move(bytes));
}

// For the calls that never throw: whether native(path) succeeds.
bool spelled(const std::wstring& path) {
  std::string bytes;
  return text::os_name(path, bytes);
}

}  // namespace

entry_kind status(const std::wstring& path) {
  sfs::file_status s = sfs::status(native(path));
  if (!sfs::exists(s)) return entry_kind::missing;
  return sfs::is_directory(s) ? entry_kind::folder : entry_kind::other;
}

entry_kind status(const std::wstring& path, std::error_code& ec) noexcept {
  ec.clear();
  std::string bytes;
  try {
    if (!text::os_name(path, bytes)) {
      ec = std::make_error_code(std::errc::invalid_argument);
      return entry_kind::missing;
    }
    // "no such entry" (also a file on the way) is an answer, not an error
    struct stat st;
    if (::stat(bytes.c_str(), &st) != 0) {
      if (errno != ENOENT && errno != ENOTDIR) ec.assign(errno, std::generic_category());
      return entry_kind::missing;
    }
    return S_ISDIR(st.st_mode) ? entry_kind::folder : entry_kind::other;
  } catch (const std::bad_alloc&) {
    ec = std::make_error_code(std::errc::not_enough_memory);
    return entry_kind::missing;
  }
}

std::wstring current_folder() { return text::from_utf8(sfs::current_path().string()); }

#if ZENTIL_TEST_HOOKS
namespace {
bool& listing_fault() {
  static bool armed = false;
  return armed;
}
}  // namespace

void fail_next_listing() { listing_fault() = true; }
#endif

std::vector<std::wstring> entry_names(const std::wstring& folder) {
#if ZENTIL_TEST_HOOKS
  if (std::exchange(listing_fault(), false))
    throw sfs::filesystem_error("directory iterator cannot open directory", native(folder),
                                std::make_error_code(std::errc::permission_denied));
#endif
  std::vector<std::wstring> names;
  for (const sfs::directory_entry& e : sfs::directory_iterator(native(folder)))
    names.push_back(text::from_utf8(e.path().filename().string()));
  return names;
}

std::vector<listed_entry> list_entries(const std::wstring& folder, const std::wstring& prefix) {
#if ZENTIL_TEST_HOOKS
  if (std::exchange(listing_fault(), false))
    throw sfs::filesystem_error("directory iterator cannot open directory", native(folder),
                                std::make_error_code(std::errc::permission_denied));
#endif
  const sfs::path where = native(folder);
  DIR* dir = ::opendir(where.c_str());
  if (!dir)
    throw sfs::filesystem_error("directory iterator cannot open directory", where,
                                std::error_code(errno, std::generic_category()));
  std::unique_ptr<DIR, int (*)(DIR*)> closer(dir, ::closedir);
  std::vector<listed_entry> entries;
  for (;;) {
    errno = 0;
    const dirent* e = ::readdir(dir);
    if (!e) {
      if (errno != 0)
        throw sfs::filesystem_error("directory iterator cannot advance", where,
                                    std::error_code(errno, std::generic_category()));
      break;
    }
    if (e->d_name[0] == '.' && (e->d_name[1] == 0 || (e->d_name[1] == '.' && e->d_name[2] == 0))) continue;
    entry_kind kind = entry_kind::other;
    switch (e->d_type) {
      case DT_DIR:
        kind = entry_kind::folder;
        break;
      case DT_LNK:
      case DT_UNKNOWN: {
        // what the entry names, following links; one that cannot be asked
        // about counts as missing, as status(path, ec) answers
        struct stat st;
        if (::fstatat(::dirfd(dir), e->d_name, &st, 0) != 0)
          kind = entry_kind::missing;
        else
          kind = S_ISDIR(st.st_mode) ? entry_kind::folder : entry_kind::other;
        break;
      }
      default:
        break;
    }
    const std::size_t length = std::strlen(e->d_name);
    std::wstring name;
    name.reserve(prefix.size() + length);
    name += prefix;
    text::append_from_utf8(e->d_name, length, name);
    entries.push_back({std::move(name), kind});
  }
  return entries;
}

bool create_folder(const std::wstring& path) { return sfs::create_directory(native(path)); }

bool read_file(const std::wstring& path, std::string& bytes) {
  std::string name;
  if (!text::os_name(path, name)) return false;
  // not blocking: a pipe of that name must not hang the open
  const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct closer {
    int fd;
    ~closer() { ::close(fd); }
  } close_at_end{fd};
  // Only regular files count (a folder opens too). The size the file has
  // now is read at once into room made for it; a file that grows meanwhile
  // is read on to its end.
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  std::string data(static_cast<std::size_t>(st.st_size) + 1, '\0');
  std::size_t used = 0;
  for (;;) {
    if (used == data.size()) data.resize(data.size() * 2);
    const ssize_t n = ::read(fd, data.data() + used, data.size() - used);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) break;
    used += static_cast<std::size_t>(n);
  }
  data.resize(used);
  bytes.swap(data);
  return true;
}

bool remove_file(const std::wstring& path) {
  if (!spelled(path)) return false;
  const sfs::path p = native(path);
  std::error_code ec;
  if (sfs::is_directory(sfs::symlink_status(p, ec))) return false;
  sfs::remove(p, ec);
  return !ec;
}

bool create_file(const std::wstring& path) {
  if (!spelled(path)) return false;
  const int fd = ::open(native(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

bool append_file(const std::wstring& path, const char* bytes, std::size_t size) {
  if (!spelled(path)) return false;
  const int fd = ::open(native(path).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool ok = true;
  while (size > 0) {
    const ssize_t n = ::write(fd, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
      break;
    }
    bytes += n;
    size -= std::size_t(n);
  }
  return ::close(fd) == 0 && ok;
}

}  // namespace platform::fs
