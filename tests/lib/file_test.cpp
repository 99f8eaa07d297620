// Whole-file reading: line ends, code-page text, and the one error.
#include "lib/file.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "support/temp_folder.hpp"

namespace {

void expect_open_fails(const std::wstring& name) {
  try {
    lib::file::open(name);
    ADD_FAILURE() << "no error";
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "lib/file/open");
  }
}

TEST(FileOpen, ReadsCodePageTextWithTextModeLineEnds) {
  struct row {
    std::string bytes;
    std::wstring text;
  };
  const row rows[] = {
      {"", L""},
      {std::string("a\r\nb"), L"a\nb"},
      {std::string("\x82\xA0"), L"\u3042"},
      // A lone CR stays; CR CR LF keeps the first CR.
      {std::string("a\rb\r\r\nc\r"), L"a\rb\r\nc\r"},
      // Half-width katakana, a pair whose trail is '\\', the real U+30FB.
      {std::string("\xB1\x95\x5C\x81\x45"), L"\uFF71\u8868\u30FB"},
      {std::string("x\0y", 3), std::wstring(L"x\0y", 3)},
  };
  support::temp_folder dir;
  for (const row& r : rows) {
    dir.file("t.txt", r.bytes);
    EXPECT_EQ(lib::file::open(dir.wpath() + L"/t.txt"), r.text) << testing::PrintToString(r.bytes);
  }
}

TEST(FileOpen, MissingFileOrFolderThrows) {
  support::temp_folder dir;
  dir.folder("sub");
  expect_open_fails(dir.wpath() + L"/none.txt");
  expect_open_fails(dir.wpath() + L"/sub");
  expect_open_fails(L"");
  expect_open_fails(dir.wpath() + std::wstring(L"/sub\0x", 6));
}

// A byte sequence that is not code-page text is an error, not a silent end of
// the text (a script would otherwise compile half-read).
TEST(FileOpen, InvalidCodePageBytesThrow) {
  const std::string bad[] = {
      std::string("ab\x81"),  // lead byte at the end
      std::string("a\x81\x20"
                  "b"),  // trail outside the pair range
      std::string("a\xFF"
                  "b"),         // byte that is no character
      std::string("\x85\x40"),  // unassigned pair
  };
  support::temp_folder dir;
  for (const std::string& bytes : bad) {
    dir.file("bad.txt", bytes);
    SCOPED_TRACE(testing::PrintToString(bytes));
    expect_open_fails(dir.wpath() + L"/bad.txt");
  }
}

}  // namespace
