// CP932 and UTF-8 coding: the tables against iconv, round trips, doubly coded rows, substitutes.
#include "platform/text/codepage.hpp"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdint>
#include <string>
#include <vector>

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

// The tables against iconv asked about one code at a time, the plainest way to build them: every single
// byte and every lead/trail pair decodes, and every code point of the plane encodes, as iconv says.
class OneCodeAtATime {
 public:
  OneCodeAtATime() : dec_(iconv_open("UTF-32LE", "CP932")), enc_(iconv_open("CP932", "UTF-32LE")) {}
  ~OneCodeAtATime() {
    if (ok()) {
      iconv_close(dec_);
      iconv_close(enc_);
    }
  }
  bool ok() const { return dec_ != reinterpret_cast<iconv_t>(-1) && enc_ != reinterpret_cast<iconv_t>(-1); }

  // The code point of the bytes when they are exactly one character in the plane, else -1.
  long decode(const char* in, std::size_t n) {
    char* ip = const_cast<char*>(in);
    char room[8];
    char* op = room;
    std::size_t il = n, ol = sizeof room;
    iconv(dec_, nullptr, nullptr, nullptr, nullptr);
    if (iconv(dec_, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1) || il != 0 || op - room != 4) return -1;
    const std::uint32_t cp = std::uint32_t(std::uint8_t(room[0])) | std::uint32_t(std::uint8_t(room[1])) << 8 |
         std::uint32_t(std::uint8_t(room[2])) << 16 | std::uint32_t(std::uint8_t(room[3])) << 24;
    return cp <= 0xFFFF ? long(cp) : -1;
  }
  // The one- or two-byte code of the code point, else -1.
  int encode(std::uint32_t cp) {
    char in[4] = {char(cp & 0xFF), char(cp >> 8 & 0xFF), char(cp >> 16 & 0xFF), char(cp >> 24)};
    char out[4];
    char* ip = in;
    char* op = out;
    std::size_t il = 4, ol = sizeof out;
    iconv(enc_, nullptr, nullptr, nullptr, nullptr);
    if (iconv(enc_, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1)) return -1;
    if (op - out == 1) return std::uint8_t(out[0]);
    if (op - out == 2) return std::uint8_t(out[0]) << 8 | std::uint8_t(out[1]);
    return -1;
  }

 private:
  iconv_t dec_, enc_;
};

TEST(Cp932, TablesAgreeWithIconvOnEveryCode) {
  OneCodeAtATime iconv_alone;
  ASSERT_TRUE(iconv_alone.ok());
  std::vector<bool> decoded(0x10000);
  std::size_t singles = 0, pairs = 0;
  for (int b = 0; b < 256; ++b) {
    if (platform::text::is_lead_byte(std::uint8_t(b))) continue;
    const char c = char(b);
    const long cp = iconv_alone.decode(&c, 1);
    wchar_t got = 0;
    ASSERT_EQ(platform::text::decode_one(&c, 1, got), 1u);
    EXPECT_EQ(got, cp >= 0 ? wchar_t(cp) : platform::text::wide_default_char) << "byte " << b;
    if (cp >= 0) {
      decoded[std::size_t(cp)] = true;
      ++singles;
    }
  }
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!platform::text::is_lead_byte(std::uint8_t(lead))) continue;
    for (int trail = 0; trail < 256; ++trail) {
      const char in[2] = {char(lead), char(trail)};
      // Only trail bytes 40 to FC make characters; an invalid pair keeps a trail byte that could start one.
      const long cp = trail >= 0x40 && trail <= 0xFC ? iconv_alone.decode(in, 2) : -1;
      wchar_t got = 0;
      const std::size_t used = platform::text::decode_one(in, 2, got);
      if (cp > 0) {
        decoded[std::size_t(cp)] = true;
        ++pairs;
        EXPECT_EQ(used, 2u) << "pair " << lead << " " << trail;
        EXPECT_EQ(got, wchar_t(cp)) << "pair " << lead << " " << trail;
      } else {
        EXPECT_EQ(used, trail < 0x40 || trail == 0x7F ? 1u : 2u) << "pair " << lead << " " << trail;
        EXPECT_EQ(got, platform::text::wide_default_char) << "pair " << lead << " " << trail;
      }
    }
  }
  EXPECT_GT(singles, 190u);  // ASCII and the half-width katakana
  EXPECT_GT(pairs, 7000u);
  // A character encodes as iconv encodes it when some code decodes to it; nothing else encodes.
  for (std::uint32_t cp = 1; cp < 0x10000; ++cp) {
    const int expected = decoded[cp] ? iconv_alone.encode(cp) : -1;
    EXPECT_EQ(platform::text::narrow_code(wchar_t(cp)), expected) << "code point " << cp;
  }
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
