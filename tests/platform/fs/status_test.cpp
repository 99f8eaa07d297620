// The status that never throws, and the listing fault switch.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
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
