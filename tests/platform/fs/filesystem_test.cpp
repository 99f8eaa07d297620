// The file system under wide names: UTF-8 on disk, kinds, listings, folders.
#include "platform/fs/filesystem.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "support/temp_folder.hpp"

namespace {

using platform::fs::entry_kind;

TEST(PlatformFs, WideNamesAreUtf8OnDisk) {
  support::temp_folder dir;
  const std::wstring name = dir.wpath() + L"/\u3042\u8868";
  EXPECT_TRUE(platform::fs::create_folder(name));
  EXPECT_FALSE(platform::fs::create_folder(name));
  EXPECT_TRUE(std::filesystem::is_directory(dir.at("\xE3\x81\x82\xE8\xA1\xA8")));
  EXPECT_EQ(platform::fs::entry_names(dir.wpath()), std::vector<std::wstring>{L"\u3042\u8868"});

  dir.file("\xE3\x81\x82.txt", "xyz");
  std::string bytes = "old";
  EXPECT_TRUE(platform::fs::read_file(dir.wpath() + L"/\u3042.txt", bytes));
  EXPECT_EQ(bytes, "xyz");
}

// Names that are not UTF-8 are kept byte for byte: each one listed opens
// its own entry, and none is taken for the folder really named with U+FFFD.
TEST(PlatformFs, NamesAreKeptByteForByte) {
  support::temp_folder dir;
  dir.file("caf\xE9", "e acute");
  dir.file("caf\xE8", "e grave");
  dir.file("caf\xEF\xBF\xBD", "replacement");
  dir.folder("x\\y");
  std::vector<std::wstring> names = platform::fs::entry_names(dir.wpath());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"caf\xDCE8", L"caf\xDCE9", L"caf\uFFFD", L"x\\y"}));
  for (const std::wstring& name : names) {
    const std::wstring path = dir.wpath() + L"/" + name;
    EXPECT_NE(platform::fs::status(path), entry_kind::missing) << testing::PrintToString(name);
  }
  std::string bytes;
  ASSERT_TRUE(platform::fs::read_file(dir.wpath() + L"/caf\xDCE9", bytes));
  EXPECT_EQ(bytes, "e acute");
  ASSERT_TRUE(platform::fs::read_file(dir.wpath() + L"/caf\xDCE8", bytes));
  EXPECT_EQ(bytes, "e grave");
  ASSERT_TRUE(platform::fs::read_file(dir.wpath() + L"/caf\uFFFD", bytes));
  EXPECT_EQ(bytes, "replacement");
  EXPECT_EQ(platform::fs::status(dir.wpath() + L"/x\\y"), entry_kind::folder);

  // Made by its wide name, found by its bytes.
  EXPECT_TRUE(platform::fs::create_folder(dir.wpath() + L"/d\xDCFF"));
  EXPECT_TRUE(std::filesystem::is_directory(dir.at("d\xFF")));
  EXPECT_TRUE(platform::fs::append_file(dir.wpath() + L"/d\xDCFF/f\xDC80", "z", 1));
  EXPECT_TRUE(std::filesystem::is_regular_file(dir.at("d\xFF/f\x80")));

  // A text no byte string spells names nothing at the OS, not even the entry
  // whose bytes it would be sent as.
  const std::wstring unspelled[] = {dir.wpath() + L"/caf\xDCC3\xDCA9", dir.wpath() + L"/caf\xD800"};
  for (const std::wstring& path : unspelled) {
    EXPECT_THROW(platform::fs::status(path), std::filesystem::filesystem_error);
    EXPECT_FALSE(platform::fs::read_file(path, bytes));
    EXPECT_FALSE(platform::fs::create_file(path));
    EXPECT_FALSE(platform::fs::append_file(path, "x", 1));
    EXPECT_FALSE(platform::fs::remove_file(path));
    EXPECT_FALSE(platform::fs::replace_file(path, "x"));
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 5);

  // The current folder comes back byte for byte too.
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.at("d\xFF"));
  const std::wstring current = platform::fs::current_folder();
  std::filesystem::current_path(previous);
  EXPECT_EQ(current, dir.wpath() + L"/d\xDCFF");
}

TEST(PlatformFs, KindsAndFailures) {
  support::temp_folder dir;
  dir.file("f", "");
  dir.folder("d");
  std::filesystem::create_symlink(dir.at("d"), dir.at("link"));
  std::filesystem::create_symlink(dir.at("gone"), dir.at("dangling"));
  EXPECT_EQ(platform::fs::status(dir.wpath() + L"/f"), entry_kind::other);
  EXPECT_EQ(platform::fs::status(dir.wpath() + L"/d"), entry_kind::folder);
  EXPECT_EQ(platform::fs::status(dir.wpath() + L"/link"), entry_kind::folder);
  EXPECT_EQ(platform::fs::status(dir.wpath() + L"/dangling"), entry_kind::missing);
  EXPECT_EQ(platform::fs::status(dir.wpath() + L"/f/x"), entry_kind::missing);
  EXPECT_EQ(platform::fs::status(L""), entry_kind::missing);

  // A zero inside a name would cut it short at the OS: refused instead.
  EXPECT_THROW(platform::fs::status(dir.wpath() + std::wstring(L"/d\0x", 4)), std::filesystem::filesystem_error);
  EXPECT_THROW(platform::fs::entry_names(dir.wpath() + L"/f"), std::filesystem::filesystem_error);
  EXPECT_THROW(platform::fs::create_folder(dir.wpath() + L"/f"), std::filesystem::filesystem_error);
  EXPECT_THROW(platform::fs::create_folder(dir.wpath() + L"/no/new"), std::filesystem::filesystem_error);

  std::string bytes = "kept";
  EXPECT_FALSE(platform::fs::read_file(dir.wpath() + L"/d", bytes));
  EXPECT_FALSE(platform::fs::read_file(dir.wpath() + L"/none", bytes));
  EXPECT_FALSE(platform::fs::read_file(dir.wpath() + std::wstring(L"/f\0", 3), bytes));
  EXPECT_EQ(bytes, "kept");
  EXPECT_TRUE(platform::fs::read_file(dir.wpath() + L"/f", bytes));
  EXPECT_EQ(bytes, "");

  std::vector<std::wstring> names = platform::fs::entry_names(dir.wpath());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"d", L"dangling", L"f", L"link"}));
  EXPECT_EQ(platform::fs::current_folder(), std::filesystem::current_path().wstring());
}

TEST(PlatformFs, SmallWrites) {
  support::temp_folder dir;
  const std::wstring f = dir.wpath() + L"/\u3042.txt";
  EXPECT_TRUE(platform::fs::append_file(f, "ab", 2));  // made when missing
  EXPECT_TRUE(platform::fs::append_file(f, "c\0d", 3));
  std::string bytes;
  ASSERT_TRUE(platform::fs::read_file(f, bytes));
  EXPECT_EQ(bytes, std::string("abc\0d", 5));
  EXPECT_FALSE(platform::fs::create_file(f));  // exists
  EXPECT_TRUE(platform::fs::remove_file(f));
  EXPECT_TRUE(platform::fs::remove_file(f));  // already gone
  EXPECT_TRUE(platform::fs::create_file(f));
  ASSERT_TRUE(platform::fs::read_file(f, bytes));
  EXPECT_EQ(bytes, "");

  dir.folder("d");
  EXPECT_FALSE(platform::fs::remove_file(dir.wpath() + L"/d"));
  EXPECT_EQ(platform::fs::status(dir.wpath() + L"/d"), entry_kind::folder);
  EXPECT_FALSE(platform::fs::append_file(dir.wpath() + L"/d", "x", 1));
  EXPECT_FALSE(platform::fs::create_file(dir.wpath() + L"/none/x"));
  EXPECT_FALSE(platform::fs::append_file(dir.wpath() + std::wstring(L"/g\0", 3), "x", 1));
  EXPECT_FALSE(platform::fs::create_file(dir.wpath() + std::wstring(L"/g\0", 3)));
  EXPECT_FALSE(platform::fs::remove_file(dir.wpath() + std::wstring(L"/g\0", 3)));
  EXPECT_EQ(platform::fs::status(dir.wpath() + L"/g"), entry_kind::missing);
}

}  // namespace
