// The status that never throws, and the listing fault switch.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <vector>
#include <string>
#include <system_error>

#include "platform/fs/filesystem.hpp"
#include "support/temp_folder.hpp"

namespace {

using platform::fs::entry_kind;

TEST(PlatformFsQuietStatus, AnswersEveryPathWithoutThrowing) {
  support::temp_folder dir;
  dir.folder("folder");
  dir.file("file", "x");
  ASSERT_EQ(::symlink("loop-b", dir.at("loop-a").c_str()), 0);
  ASSERT_EQ(::symlink("loop-a", dir.at("loop-b").c_str()), 0);
  ASSERT_EQ(::symlink("nowhere", dir.at("broken").c_str()), 0);
  ASSERT_EQ(::symlink("folder", dir.at("to-folder").c_str()), 0);
  struct status_case {
    std::wstring path;
    entry_kind kind;
    bool error;  // the path could not be asked about
  };
  const std::wstring base = dir.wpath() + L"/";
  const status_case cases[] = {
      {base + L"folder", entry_kind::folder, false},
      {base + L"to-folder", entry_kind::folder, false},
      {base + L"file", entry_kind::other, false},
      {base + L"missing", entry_kind::missing, false},
      {base + L"broken", entry_kind::missing, false},
      {base + L"file/below", entry_kind::missing, false},  // not a folder on the way
      {base + L"loop-a", entry_kind::missing, true},
      {base + std::wstring(5000, L'n'), entry_kind::missing, true},
      {base + std::wstring(L"zero\0char", 9), entry_kind::missing, true},
  };
  for (const status_case& c : cases) {
    std::error_code ec = std::make_error_code(std::errc::io_error);
    EXPECT_EQ(platform::fs::status(c.path, ec), c.kind) << c.path.size();
    EXPECT_EQ(static_cast<bool>(ec), c.error) << c.path.size();
  }
  // the throwing form still throws for the looping link
  EXPECT_THROW(platform::fs::status(base + L"loop-a"), std::filesystem::filesystem_error);
}

// The kinds a listing gives are the ones status gives for each entry's path,
// for entries of every kind: the read's own type where it has one, a status
// request for a link.
TEST(PlatformFsListing, KindsAreTheStatusOfEachEntry) {
  support::temp_folder dir;
  dir.folder("folder");
  dir.file("file", "x");
  dir.file("odd\xE9", "x");  // a name that is not UTF-8
  dir.folder("odd\xE9" "dir");
  ASSERT_EQ(::symlink("folder", dir.at("to-folder").c_str()), 0);
  ASSERT_EQ(::symlink("file", dir.at("to-file").c_str()), 0);
  ASSERT_EQ(::symlink("nowhere", dir.at("dangling").c_str()), 0);
  ASSERT_EQ(::symlink("loop", dir.at("loop").c_str()), 0);
  ASSERT_EQ(::symlink("to-folder", dir.at("to-link").c_str()), 0);
  ASSERT_EQ(::mkfifo(dir.at("pipe").c_str(), 0600), 0);
  const std::map<std::wstring, entry_kind> expected = {
      {L"folder", entry_kind::folder},   {L"file", entry_kind::other},     {L"odd\xDCE9", entry_kind::other},
      {L"odd\xDCE9" L"dir", entry_kind::folder}, {L"to-folder", entry_kind::folder}, {L"to-file", entry_kind::other},
      {L"dangling", entry_kind::missing}, {L"loop", entry_kind::missing},   {L"to-link", entry_kind::folder},
      {L"pipe", entry_kind::other},
  };
  std::map<std::wstring, entry_kind> listed;
  for (const platform::fs::listed_entry& e : platform::fs::list_entries(dir.wpath())) {
    EXPECT_TRUE(listed.emplace(e.name, e.kind).second) << "listed twice";
    std::error_code ec;
    EXPECT_EQ(e.kind, platform::fs::status(dir.wpath() + L"/" + e.name, ec)) << e.name.size();
  }
  EXPECT_EQ(listed, expected);
  // the same names as entry_names, in the same order
  std::vector<std::wstring> names;
  for (const platform::fs::listed_entry& e : platform::fs::list_entries(dir.wpath())) names.push_back(e.name);
  EXPECT_EQ(names, platform::fs::entry_names(dir.wpath()));
}

TEST(PlatformFsListing, FailuresAreTheEntryNamesOnes) {
  support::temp_folder dir;
  dir.file("file", "x");
  for (const std::wstring& bad : {dir.wpath() + L"/missing", dir.wpath() + L"/file"})
    EXPECT_THROW(platform::fs::list_entries(bad), std::filesystem::filesystem_error);
  platform::fs::fail_next_listing();
  EXPECT_THROW(platform::fs::list_entries(dir.wpath()), std::filesystem::filesystem_error);
  EXPECT_EQ(platform::fs::list_entries(dir.wpath()).size(), 1u);
}

TEST(PlatformFsListingFault, TheNextListingFailsAsAFolderThatMayNotBeRead) {
  support::temp_folder dir;
  dir.file("a");
  platform::fs::fail_next_listing();
  try {
    platform::fs::entry_names(dir.wpath());
    ADD_FAILURE() << "no error";
  } catch (const std::filesystem::filesystem_error& e) {
    EXPECT_EQ(e.code(), std::make_error_code(std::errc::permission_denied));
    EXPECT_NE(std::string(e.what()).find("directory iterator cannot open directory: Permission denied"),
              std::string::npos)
        << e.what();
  }
  // one listing only
  EXPECT_EQ(platform::fs::entry_names(dir.wpath()), std::vector<std::wstring>{L"a"});
}

}  // namespace
