// Path captions shortened to a width, over a measure that counts characters.
#include <gtest/gtest.h>

#include <string>

#include "tool/zentil/path_caption.hpp"

namespace {

// Ten pixels a character.
int width_of(const std::wstring& s) { return static_cast<int>(s.size()) * 10; }

TEST(PathCaption, Table) {
  struct caption_case {
    const wchar_t* prefix;
    const wchar_t* path;
    int limit;
    const wchar_t* text;
    bool cut;
  };
  const caption_case cases[] = {
      // fits: unchanged (10 characters, 100 < 120)
      {L"d > ", L"/ab/cd", 120, L"d > /ab/cd", false},
      // at the limit is too wide; the root's empty component goes first
      {L"d > ", L"/ab/cd", 100, L"d > .../cd", true},
      {L"d > ", L"/ab/cd/ef", 120, L"d > .../ef", false},
      // the last component alone too wide: marked cut, prefix kept
      {L"d > ", L"/ab/verylongname", 120, L"d > .../verylongname", true},
      {L"", L"single-but-long", 50, L".../single-but-long", true},
      {L"", L"/a/b", 50, L"/a/b", false},
      {L"", L"/aaaa/bb", 70, L".../bb", false},
      // a backslash belongs to its name
      {L"", L"/aaaa/x\\y", 80, L".../x\\y", false},
      // an empty path that is too wide still ends
      {L"long prefix", L"", 10, L"long prefix.../", true},
  };
  for (const caption_case& c : cases) {
    const tool::zentil::path_caption got = tool::zentil::shorten_path(c.prefix, c.path, c.limit, width_of);
    EXPECT_EQ(got.text, c.text) << std::wstring(c.path).size();
    EXPECT_EQ(got.cut, c.cut) << std::wstring(c.path).size();
  }
}

}  // namespace
