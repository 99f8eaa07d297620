// The in-memory "japanese" locale: CP932 wide file streams, letter classes,
// classic number punctuation.
#include "platform/text/locale.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string temp_path(const char* name) { return ::testing::TempDir() + name; }

TEST(JapaneseLocale, WideFileStreamWritesAndReadsCp932) {
  const std::wstring text = L"\u3042\u8868\u2460\uff5e\u2225";
  const std::string path = temp_path("locale_cp932.txt");
  {
    std::wofstream out;
    out.imbue(platform::text::japanese_locale());
    out.open(path, std::ios::binary);
    out << text;
  }
  std::ifstream raw(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(raw)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes, "\x82\xA0\x95\x5C\x87\x40\x81\x60\x81\x61");

  std::wifstream in;
  in.imbue(platform::text::japanese_locale());
  in.open(path, std::ios::binary);
  std::wstring back((std::istreambuf_iterator<wchar_t>(in)), std::istreambuf_iterator<wchar_t>());
  EXPECT_EQ(back, text);
  std::remove(path.c_str());
}

TEST(JapaneseLocale, GlobalLocaleServesWideStreams) {
  const std::locale old = std::locale::global(platform::text::japanese_locale());
  const std::string path = temp_path("locale_global.txt");
  {
    std::wofstream out(path);
    out << L"\u8868x";
  }
  std::wifstream in(path);
  std::wstring back;
  std::getline(in, back);
  std::locale::global(old);
  EXPECT_EQ(back, L"\u8868x");
  std::remove(path.c_str());
}

TEST(JapaneseLocale, KanaAndKanjiAreLetters) {
  const std::locale& loc = platform::text::japanese_locale();
  EXPECT_TRUE(std::isalpha(L'\u3042', loc));
  EXPECT_TRUE(std::isalpha(L'\u8868', loc));
  EXPECT_TRUE(std::isalpha(L'a', loc));
  EXPECT_FALSE(std::isalpha(L'1', loc));
  EXPECT_TRUE(std::isspace(L' ', loc));
}

TEST(JapaneseLocale, NumbersUseClassicPunctuation) {
  std::wostringstream w;
  w.imbue(platform::text::japanese_locale());
  w << 1500 << L' ' << 2.5;
  EXPECT_EQ(w.str(), L"1500 2.5");
}

}  // namespace
