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

// A file that ends in a lead byte with no trail reads that byte as U+30FB,
// as the code page conversions of the foundation do; neither badbit nor an
// exception. Pairs split between the stream's reads still decode whole.
TEST(JapaneseLocale, ALoneLeadByteAtTheEndReadsAsMiddleDot) {
  const std::string path = temp_path("locale_lone_lead.txt");
  const std::string long_run(8190, 'a');  // the pair straddles the first read
  const struct {
    const char* what;
    std::string bytes;
    std::wstring text;
  } rows[] = {
      {"after ASCII", "abc\x81", L"abc\u30FB"},
      {"alone", "\x81", L"\u30FB"},
      {"after a pair", "\x82\xA0\xE0", L"\u3042\u30FB"},
      {"a pair across reads",
       long_run + "\x82\xA0"
                  "b",
       std::wstring(long_run.begin(), long_run.end()) + L"\u3042b"},
      {"a lone lead at the end of a long file", long_run + "\x82\xA0\x82",
       std::wstring(long_run.begin(), long_run.end()) + L"\u3042\u30FB"},
      {"a lone lead that ends the first read and the file", long_run + "\x95",
       std::wstring(long_run.begin(), long_run.end()) + L"\u30FB"},
      {"a lone lead after the first read", long_run + "x\x95",
       std::wstring(long_run.begin(), long_run.end()) + L"x\u30FB"},
      {"nothing", "", L""},
  };
  for (const auto& r : rows) {
    {
      std::ofstream out(path, std::ios::binary);
      out << r.bytes;
    }
    for (bool buffered : {true, false}) {
      std::wifstream in;
      in.imbue(platform::text::japanese_locale());
      if (!buffered) in.rdbuf()->pubsetbuf(nullptr, 0);
      in.exceptions(std::ios::badbit);
      std::wstring back;
      try {
        in.open(path, std::ios::binary);
        back.assign(std::istreambuf_iterator<wchar_t>(in), std::istreambuf_iterator<wchar_t>());
        EXPECT_FALSE(in.bad()) << r.what;
      } catch (const std::exception& e) {
        ADD_FAILURE() << r.what << (buffered ? "" : " (unbuffered)") << ": " << e.what();
      }
      EXPECT_EQ(back, r.text) << r.what << (buffered ? "" : " (unbuffered)");
    }
  }
  // Read with getline as well, the way a text file is read line by line.
  {
    std::ofstream out(path, std::ios::binary);
    out << "one\ntwo\x81";
  }
  std::wifstream in;
  in.imbue(platform::text::japanese_locale());
  in.open(path, std::ios::binary);
  std::wstring line1, line2;
  EXPECT_TRUE(std::getline(in, line1));
  EXPECT_TRUE(std::getline(in, line2));
  EXPECT_EQ(line1, L"one");
  EXPECT_EQ(line2, L"two\u30FB");
  EXPECT_FALSE(in.bad());
  std::remove(path.c_str());
}

}  // namespace
