// The crash log: "log.txt" written and shown, standard error when it cannot be.
#include "tool/zentil/crash_log.hpp"

#include <cstdio>
#include <exception>
#include <fstream>
#include <string>
#include <vector>

#include "lib/basic_filesystem.hpp"
#include "platform/shell/shell.hpp"
#include "platform/text/codepage.hpp"

namespace tool::zentil {
namespace {

constexpr int show_normal = 1;

// The text as the terminal reads it: code page 932 to UTF-8.
void to_standard_error(const std::string& text) {
  std::wstring wide;
  platform::text::append_wide(text.data(), text.size(), wide);
  const std::string utf8 = platform::text::to_utf8_text(wide);
  std::fprintf(stderr, "%s\n", utf8.c_str());
  std::fflush(stderr);
}

// The path the listing of the current folder finds for "log.txt", or empty.
std::wstring find_log() {
  try {
    const std::vector<std::wstring> found = lib::basic_filesystem<wchar_t>::ls(
        lib::basic_filesystem<wchar_t>::current_directory(), std::wstring(L"log.txt"));
    return found.empty() ? std::wstring() : found.front();
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace

int write_crash_log(const std::string& text) {
  std::ofstream log("log.txt", std::ios::out | std::ios::trunc | std::ios::binary);
  log << text;
  // written out before the shell's program reads it; a full disk shows here
  log.flush();
  if (!log) {
    to_standard_error(text);
    return -1;
  }
  const std::wstring path = find_log();
  if (path.empty() || platform::shell::current().open(L"open", path, L"", show_normal) != 0)
    to_standard_error(text);
  log.close();
  return -1;
}

}  // namespace tool::zentil
