// CP932 and UTF-8 coding: table round trips, doubly coded rows, substitutes.
#include "platform/text/codepage.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

using platform::text::append_narrow;
using platform::text::append_wide;

std::string narrow(const std::wstring& w) {
  std::string out;
  append_narrow(w.data(), w.size(), out);
  return out;
}

std::wstring wide(const std::string& s) {
  std::wstring out;
  append_wide(s.data(), s.size(), out);
  return out;
}

struct row {
  const char* what;
  std::wstring text;
  std::string bytes;
};

TEST(Cp932, WideToNarrowToWide) {
  const row rows[] = {
      {"hiragana", L"\u3042", "\x82\xA0"},
      {"kanji with 5C trail", L"\u8868", "\x95\x5C"},
      {"yen sign byte is backslash", L"\\", "\x5C"},
      {"tilde byte is tilde", L"~", "\x7E"},
      {"fullwidth tilde", L"\uFF5E", "\x81\x60"},
      {"parallel to", L"\u2225", "\x81\x61"},
      {"NEC row circled one", L"\u2460", "\x87\x40"},
      {"NEC row roman one", L"\u2160", "\x87\x54"},
      {"IBM row kanji", L"\u7E8A", "\xFA\x5C"},
      {"half-width katakana", L"\uFF71\uFF9F", "\xB1\xDF"},
      {"ascii", L"abc 123", "abc 123"},
  };
  for (const row& r : rows) {
    EXPECT_EQ(narrow(r.text), r.bytes) << r.what;
    EXPECT_EQ(wide(r.bytes), r.text) << r.what;
  }
}

TEST(Cp932, DoublyCodedRowsDecodeToOneCharacter) {
  // FA 4A (IBM) and 87 54 (NEC) both mean U+2160; encoding picks the NEC row.
  EXPECT_EQ(wide("\xFA\x4A"), L"\u2160");
  EXPECT_EQ(wide("\x87\x54"), L"\u2160");
  EXPECT_EQ(narrow(L"\u2160"), "\x87\x54");
}

TEST(Cp932, Substitutes) {
  EXPECT_EQ(narrow(L"a\u20ACb"), "a?b");
  EXPECT_EQ(narrow(std::wstring(1, wchar_t(0x1F600))), "?");
  EXPECT_EQ(wide("\x80"), L"\u30FB");
  EXPECT_EQ(wide("a\x82"), L"a\u30FB");          // lead byte cut off at the end
  EXPECT_EQ(wide("\x82\x31x"), L"\u30FB1x");     // invalid trail is kept as a character
}

TEST(Utf8, RoundTripAndInvalidInput) {
  const std::wstring text = L"a\u00E9\u3042\uFF5E" + std::wstring(1, wchar_t(0x1F600));
  EXPECT_EQ(platform::text::from_utf8(platform::text::to_utf8(text)), text);
  EXPECT_EQ(platform::text::to_utf8(L"\u3042"), "\xE3\x81\x82");
  EXPECT_EQ(platform::text::from_utf8("a\xFF" "b"), L"a\uFFFDb");
  EXPECT_EQ(platform::text::from_utf8("\xE3\x81"), L"\uFFFD");
  EXPECT_EQ(platform::text::from_utf8("\xC0\xAF"), L"\uFFFD\uFFFD");  // overlong
}

}  // namespace
