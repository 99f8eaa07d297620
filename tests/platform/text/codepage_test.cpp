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

// OS names: every byte string decodes to a text that encodes back to it.
TEST(Utf8Names, EveryByteStringRoundTrips) {
  const std::wstring text = L"a\u00E9\u3042\uFF5E" + std::wstring(1, wchar_t(0x1F600));
  EXPECT_EQ(platform::text::from_utf8(platform::text::to_utf8(text)), text);
  EXPECT_EQ(platform::text::to_utf8(L"\u3042"), "\xE3\x81\x82");
  const struct {
    const char* what;
    std::string bytes;
    std::wstring text;
  } rows[] = {
      {"a stray byte", "a\xFF" "b", L"a\xDCFF" L"b"},
      {"Latin-1 e acute", "caf\xE9", L"caf\xDCE9"},
      {"Latin-1 e grave", "caf\xE8", L"caf\xDCE8"},
      {"the replacement character itself", "caf\xEF\xBF\xBD", L"caf\uFFFD"},
      {"a sequence cut short", "\xE3\x81", L"\xDCE3\xDC81"},
      {"a sequence cut by ASCII", "\xE3\x81" "a", L"\xDCE3\xDC81" L"a"},
      {"overlong", "\xC0\xAF", L"\xDCC0\xDCAF"},
      {"overlong of three", "\xE0\x80\xAF", L"\xDCE0\xDC80\xDCAF"},
      {"an encoded surrogate", "\xED\xA0\x80", L"\xDCED\xDCA0\xDC80"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", L"\xDCF4\xDC90\xDC80\xDC80"},
      {"a lone continuation", "\x80", L"\xDC80"},
      {"valid after invalid", "\xFF\xE3\x81\x82", L"\xDCFF\u3042"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(platform::text::from_utf8(r.bytes), r.text) << r.what;
    EXPECT_EQ(platform::text::to_utf8(r.text), r.bytes) << r.what;
    std::string bytes;
    EXPECT_TRUE(platform::text::os_name(r.text, bytes)) << r.what;
    EXPECT_EQ(bytes, r.bytes) << r.what;
  }
  // Two names that differ only in such bytes stay two names.
  EXPECT_NE(platform::text::from_utf8("caf\xE9"), platform::text::from_utf8("caf\xE8"));
  EXPECT_NE(platform::text::from_utf8("caf\xE9"), platform::text::from_utf8("caf\xEF\xBF\xBD"));
  // Every single byte and every pair of bytes.
  for (int a = 0; a < 256; ++a) {
    for (int b = -1; b < 256; ++b) {
      std::string bytes(1, char(a));
      if (b >= 0) bytes += char(b);
      ASSERT_EQ(platform::text::to_utf8(platform::text::from_utf8(bytes)), bytes) << a << " " << b;
    }
  }
}

TEST(Utf8Names, TextsNoByteStringSpellsAreNoNames) {
  const struct {
    const char* what;
    std::wstring text;
  } rows[] = {
      {"a zero", std::wstring(L"a\0b", 3)},
      {"a high surrogate", L"a\xD800"},
      {"a low surrogate below the escapes", L"\xDC41"},
      {"above U+10FFFF", std::wstring(1, wchar_t(0x110000))},
      {"escapes that spell a valid sequence", L"\xDCC3\xDCA9"},  // the bytes of U+00E9
  };
  for (const auto& r : rows) {
    std::string bytes = "kept";
    EXPECT_FALSE(platform::text::os_name(r.text, bytes)) << r.what;
    EXPECT_EQ(bytes, "kept") << r.what;
  }
  // Such code points encode as U+FFFD.
  EXPECT_EQ(platform::text::to_utf8(L"a\xD800"), "a\xEF\xBF\xBD");
  EXPECT_EQ(platform::text::to_utf8(L"\xDC41"), "\xEF\xBF\xBD");
}

// Text that is not a name: always valid UTF-8 out, U+FFFD in for bad input.
TEST(Utf8Text, InvalidInputBecomesReplacementCharacters) {
  const std::wstring text = L"a\u00E9\u3042\uFF5E" + std::wstring(1, wchar_t(0x1F600));
  EXPECT_EQ(platform::text::from_utf8_text(platform::text::to_utf8_text(text)), text);
  EXPECT_EQ(platform::text::from_utf8_text("a\xFF" "b"), L"a\uFFFDb");
  EXPECT_EQ(platform::text::from_utf8_text("\xE3\x81"), L"\uFFFD");
  EXPECT_EQ(platform::text::from_utf8_text("\xE3\x81" "a"), L"\uFFFD" L"a");
  EXPECT_EQ(platform::text::from_utf8_text("\xC0\xAF"), L"\uFFFD\uFFFD");  // overlong
  EXPECT_EQ(platform::text::from_utf8_text("caf\xE9"), L"caf\uFFFD");
  EXPECT_EQ(platform::text::to_utf8_text(L"caf\xDCE9"), "caf\xEF\xBF\xBD");
  EXPECT_EQ(platform::text::to_utf8_text(L"a\xD800"), "a\xEF\xBF\xBD");
}

}  // namespace
