// The crash log: the exact text in "log.txt", opened with the shell by its
// full path; when it cannot be written, no shell call and the text on
// standard error.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "support/recording_shell.hpp"
#include "support/temp_folder.hpp"
#include "support/unprivileged.hpp"
#include "tool/zentil/crash_log.hpp"
#include "tool/zentil/store_fixture.hpp"

namespace {

std::string bytes_of(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

TEST(CrashLog, HoldsExactlyTheTextAndIsOpenedByItsFullPath) {
  support::temp_folder dir;
  zentil_test::current_folder here(dir.path());
  dir.file("log.txt", "an older, longer crash text\r\n");
  support::recording_shell shell;
  // narrow text is code page 932 bytes, as the program holds it
  const std::string text = "lib/file/open \x83\x5e\x83\x4f";
  testing::internal::CaptureStderr();
  EXPECT_EQ(tool::zentil::write_crash_log(text), -1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(bytes_of(dir.at("log.txt")), text);
  ASSERT_EQ(shell.opens.size(), 1u);
  EXPECT_EQ(shell.opens[0].verb, L"open");
  EXPECT_EQ(shell.opens[0].file, dir.wpath() + L"/log.txt");
  EXPECT_EQ(shell.opens[0].parameters, L"");
}

TEST(CrashLog, ALogThatCannotBeWrittenGoesToStandardErrorWithoutTheShell) {
  struct row {
    const char* what;
    std::function<void(const support::temp_folder&)> prepare;
  } rows[] = {
      {"a folder in the way", [](const support::temp_folder& d) { d.folder("log.txt/inside"); }},
      {"a full disk",
       [](const support::temp_folder& d) { std::filesystem::create_symlink("/dev/full", d.at("log.txt")); }},
  };
  for (const row& r : rows) {
    support::temp_folder dir;
    r.prepare(dir);
    zentil_test::current_folder here(dir.path());
    support::recording_shell shell;
    testing::internal::CaptureStderr();
    EXPECT_EQ(tool::zentil::write_crash_log("lib/xml/child \x83\x5e\x83\x4f"), -1) << r.what;
    // the text reaches the terminal as UTF-8
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "lib/xml/child \xe3\x82\xbf\xe3\x82\xb0\n") << r.what;
    EXPECT_TRUE(shell.opens.empty()) << r.what;
  }
}

TEST(CrashLog, AReadOnlyFolderLeavesNoLogAndCallsNoShell) {
  support::temp_folder dir;
  dir.folder("work");
  ::chmod(dir.at("work").c_str(), 0555);
  const std::string work = dir.at("work");
  const support::child_result r = support::run_unprivileged(
      [&]() {
        if (::chdir(work.c_str()) != 0) return 1;
        support::recording_shell shell;
        if (tool::zentil::write_crash_log("plang failure") != -1) return 2;
        if (!shell.opens.empty()) return 3;
        if (std::filesystem::exists(work + "/log.txt")) return 4;
        return 0;
      },
      {dir.path()});
  if (!r.ran) GTEST_SKIP() << r.why;
  EXPECT_EQ(r.code, 0);
}

}  // namespace
