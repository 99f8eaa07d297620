// The file system over std::filesystem, with byte-exact UTF-8 names.
#include "platform/fs/filesystem.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
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
    // "no such entry" is an answer, not an error
    const sfs::file_status s = sfs::status(sfs::path(std::move(bytes)), ec);
    if (s.type() == sfs::file_type::not_found) ec.clear();
    if (ec || !sfs::exists(s)) return entry_kind::missing;
    return sfs::is_directory(s) ? entry_kind::folder : entry_kind::other;
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

bool create_folder(const std::wstring& path) { return sfs::create_directory(native(path)); }

bool read_file(const std::wstring& path, std::string& bytes) {
  if (!spelled(path)) return false;
  const sfs::path p = native(path);
  std::error_code ec;
  // Opening a folder as a stream succeeds here, so only regular files count.
  if (!sfs::is_regular_file(p, ec)) return false;
  std::ifstream in(p, std::ios::binary);
  if (!in) return false;
  std::string data;
  // The size the file has now is read in one piece, into room made once; whatever it has grown by since is
  // read after it.
  const std::uintmax_t size = sfs::file_size(p, ec);
  if (!ec && size > 0 && size <= std::uintmax_t(1) << 31) {
    data.resize(std::size_t(size));
    in.read(data.data(), std::streamsize(size));
    data.resize(std::size_t(in.gcount()));
  }
  char chunk[1 << 16];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) data.append(chunk, std::size_t(in.gcount()));
  if (in.bad()) return false;
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
