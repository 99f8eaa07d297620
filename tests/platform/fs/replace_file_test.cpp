// Whole-file replacement: complete new files, kept permissions and links,
// and failures that leave the old file and no temporary behind.
#include "platform/fs/filesystem.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_folder.hpp"
#include "support/unprivileged.hpp"

namespace {

namespace sfs = std::filesystem;

std::size_t entry_count(const std::string& folder) {
  return std::size_t(std::distance(sfs::directory_iterator(folder), sfs::directory_iterator()));
}

std::string bytes_at(const std::wstring& path) {
  std::string bytes;
  return platform::fs::read_file(path, bytes) ? bytes : "<missing>";
}

std::vector<std::string> entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const sfs::directory_entry& e : sfs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The id of a process that has ended (and been waited for).
pid_t ended_process() {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(0);
  ::waitpid(pid, nullptr, 0);
  return pid;
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

// A file that cannot be opened for writing is not written, even
// in a folder where the rename alone would succeed.
TEST(PlatformReplaceFile, ReadOnlyFileIsRefused) {
  support::temp_folder dir;
  dir.file("db", "old bytes");
  dir.file("open", "old");
  ::chmod(dir.at("db").c_str(), 0444);
  const std::wstring base = dir.wpath();
  const support::child_result r = support::run_unprivileged(
      [&] {
        if (platform::fs::replace_file(base + L"/db", "new")) return 1;
        if (bytes_at(base + L"/db") != "old bytes") return 2;
        if (!platform::fs::replace_file(base + L"/open", "new")) return 3;  // the folder itself is writable
        if (bytes_at(base + L"/open") != "new") return 4;
        return 0;
      },
      {dir.path()});
  if (!r.ran) GTEST_SKIP() << r.why;
  EXPECT_EQ(r.code, 0) << "1: replaced, 2: changed, 3 and 4: a writable file was not replaced";
  EXPECT_EQ(entries(dir.path()), (std::vector<std::string>{"db", "open"}));
  EXPECT_EQ(sfs::status(dir.at("db")).permissions(), sfs::perms(0444));
}

// A process killed in the middle of a save leaves the old file and nothing
// else: the temporary has no name until it is complete.
TEST(PlatformReplaceFile, AKilledSaveLeavesNoTemporary) {
  support::temp_folder dir;
  dir.file("db", "old bytes");
  const std::wstring db = dir.wpath() + L"/db";
  const std::string data(100000, 'n');
  for (std::size_t written : {std::size_t(0), std::size_t(1), std::size_t(4096), data.size() - 1}) {
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      platform::fs::kill_next_replace_after(written);
      platform::fs::replace_file(db, data);
      ::_exit(0);  // not reached
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << written;
    EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"db"}) << written;
    EXPECT_EQ(bytes_at(db), "old bytes") << written;
  }
}

// Named temporaries of processes that no longer run go at the next load;
// nothing else in the folder is touched.
TEST(PlatformReplaceFile, StaleTemporariesOfEndedProcessesAreRemoved) {
  support::temp_folder dir;
  const std::string gone = std::to_string(ended_process());
  const std::string self = std::to_string(::getpid());
  const std::vector<std::string> stale = {"db.tmp" + gone + "-0", "db.tmp" + gone + "-99"};
  const std::vector<std::string> kept = {
      "db",
      "db.tmp" + self + "-0",     // this process runs
      "db.tmp1-0",                // so does process 1
      "db.tmp" + gone + "-0x",    // not the pattern
      "db.tmp" + gone + "-100",   // beyond the attempts
      "db.tmp" + gone,            //
      "db.tmp0" + gone + "-0",    // a leading zero
      "db.tmp-" + gone + "-0",    // a sign
      "other.tmp" + gone + "-0",  // another file's
      "xdb.tmp" + gone + "-0",    //
  };
  for (const std::string& name : stale) dir.file(name, "partial");
  for (const std::string& name : kept) dir.file(name, "user data");
  dir.folder("db.tmp" + gone + "-1");  // a folder is never removed
  sfs::create_symlink("db", dir.at("db.tmp" + gone + "-2"));

  platform::fs::remove_stale_temporaries(dir.wpath() + L"/db");
  std::vector<std::string> expected = kept;
  expected.push_back("db.tmp" + gone + "-1");
  expected.push_back("db.tmp" + gone + "-2");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(entries(dir.path()), expected);
  for (const std::string& name : kept)
    EXPECT_EQ(bytes_at(dir.wpath() + L"/" + std::wstring(name.begin(), name.end())), "user data") << name;

  // Through a link, the temporaries beside the file it names; a missing
  // folder or file is no error.
  dir.file("real/db", "x");
  dir.file("real/db.tmp" + gone + "-3", "partial");
  sfs::create_symlink(dir.at("real/db"), dir.at("link"));
  platform::fs::remove_stale_temporaries(dir.wpath() + L"/link");
  EXPECT_EQ(entries(dir.at("real")), std::vector<std::string>{"db"});
  platform::fs::remove_stale_temporaries(dir.wpath() + L"/none/db");
  platform::fs::remove_stale_temporaries(L"");
}

}  // namespace
