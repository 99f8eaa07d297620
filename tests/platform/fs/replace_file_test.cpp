// Whole-file replacement: complete new files, kept permissions and links,
// and failures that leave the old file and no temporary behind.
#include "platform/fs/filesystem.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "support/temp_folder.hpp"

namespace {

namespace sfs = std::filesystem;

std::size_t entry_count(const std::string& folder) {
  return std::size_t(std::distance(sfs::directory_iterator(folder), sfs::directory_iterator()));
}

std::string bytes_at(const std::wstring& path) {
  std::string bytes;
  return platform::fs::read_file(path, bytes) ? bytes : "<missing>";
}

TEST(PlatformReplaceFile, WritesNewAndReplacesOldKeepingModeAndLinks) {
  support::temp_folder dir;
  const std::wstring file = dir.wpath() + L"/\u8868.txt";
  EXPECT_TRUE(platform::fs::replace_file(file, std::string("a\0b", 3)));
  EXPECT_EQ(bytes_at(file), std::string("a\0b", 3));

  ::chmod(dir.at("\xE8\xA1\xA8.txt").c_str(), 0640);
  EXPECT_TRUE(platform::fs::replace_file(file, "new"));
  EXPECT_EQ(bytes_at(file), "new");
  EXPECT_EQ(sfs::status(dir.at("\xE8\xA1\xA8.txt")).permissions(), sfs::perms(0640));

  // Through a link the file it names is replaced and the link stays.
  dir.folder("real");
  dir.file("real/f", "old");
  sfs::create_symlink(dir.at("real/f"), dir.at("link"));
  EXPECT_TRUE(platform::fs::replace_file(dir.wpath() + L"/link", ""));
  EXPECT_TRUE(sfs::is_symlink(dir.at("link")));
  EXPECT_EQ(bytes_at(dir.wpath() + L"/real/f"), "");
  EXPECT_EQ(entry_count(dir.path()), 3u);
  EXPECT_EQ(entry_count(dir.at("real")), 1u);
}

TEST(PlatformReplaceFile, FailuresLeaveOldFileAndNoTemporary) {
  support::temp_folder dir;
  dir.file("busy/inside", "x");
  dir.file("old", "old bytes");
  const std::wstring base = dir.wpath();
  EXPECT_FALSE(platform::fs::replace_file(base + L"/busy", "new"));
  EXPECT_FALSE(platform::fs::replace_file(base + L"/none/f", "new"));
  EXPECT_FALSE(platform::fs::replace_file(L"", "new"));
  EXPECT_FALSE(platform::fs::replace_file(base + std::wstring(L"/old\0x", 6), "new"));

  platform::fs::fail_next_replace_after(4);
  EXPECT_FALSE(platform::fs::replace_file(base + L"/old", "new bytes"));
  EXPECT_EQ(bytes_at(base + L"/old"), "old bytes");
  // A limit beyond the data lets the whole write through.
  platform::fs::fail_next_replace_after(100);
  EXPECT_TRUE(platform::fs::replace_file(base + L"/old", "new bytes"));
  EXPECT_EQ(bytes_at(base + L"/old"), "new bytes");
  EXPECT_EQ(entry_count(dir.path()), 2u);
  EXPECT_EQ(bytes_at(base + L"/busy/inside"), "x");
}

}  // namespace
