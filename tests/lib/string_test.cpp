// Code-page conversions and the convert templates.
#include "lib/string.hpp"

#include <gtest/gtest.h>

namespace {

using namespace lib::string;

TEST(StringConvert, CodePageBothWays) {
  EXPECT_EQ(to_wide("\x82\xA0"), L"\u3042");
  EXPECT_EQ(to_narrow(L"\u3042"), "\x82\xA0");
  EXPECT_EQ(to_wide("\x5C"), L"\\");
  EXPECT_EQ(to_narrow(L"\uFF5E"), "\x81\x60");
  EXPECT_EQ(to_wide("\x81\x60"), L"\uFF5E");
  EXPECT_EQ(to_narrow(L"\u2460"), "\x87\x40");
  EXPECT_EQ(to_wide("\x87\x40"), L"\u2460");
  EXPECT_EQ(to_narrow(L"\u20AC"), "?");
  EXPECT_EQ(to_narrow(L""), "");
  EXPECT_EQ(to_wide(""), L"");
}

TEST(StringConvert, SourceEndsAtFirstZero) {
  const std::wstring w(L"ab\0cd", 5);
  EXPECT_EQ(to_narrow(w), "ab");
  EXPECT_EQ(to_wide(std::string("ab\0cd", 5)), L"ab");
  EXPECT_EQ((convert<std::string, std::wstring>(w)), "ab");
  // Same character type: copied whole, zeros included.
  EXPECT_EQ((convert<std::wstring, std::wstring>(w)), w);
  EXPECT_EQ((convert<std::wstring, const wchar_t*>(L"x\u3042")), L"x\u3042");
  EXPECT_EQ((convert<std::string, const char*>("lit")), "lit");
}

TEST(StringConvert, ConvertIntoReplacesTarget) {
  std::string n = "old";
  convert_into<std::string, std::wstring>(L"\u8868", n);
  EXPECT_EQ(n, "\x95\x5C");
  std::wstring w = L"old";
  convert_into<std::wstring, std::string>(std::string("\x95\x5C"), w);
  EXPECT_EQ(w, L"\u8868");
  std::string z;
  const wchar_t* src = L"a\u3042";
  convert_into<std::string, const wchar_t*>(src, z);
  EXPECT_EQ(z, "a\x82\xA0");
}

}  // namespace
