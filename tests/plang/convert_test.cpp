// Number <-> text conversions of the script engine.
#include "plang/convert.hpp"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(NumberToText, Table) {
  EXPECT_EQ(plang::to_wstring<double>(0.1), L"0.1");
  EXPECT_EQ(plang::to_wstring<double>(2.0), L"2");
  EXPECT_EQ(plang::to_wstring<double>(1.0 / 3), L"0.333333");
  EXPECT_EQ(plang::to_wstring<double>(123456789.0), L"1.23457e+08");
  EXPECT_EQ(plang::to_wstring<float>(3.5f), L"3.5");
  EXPECT_EQ(plang::to_wstring<int>(-42), L"-42");
  EXPECT_EQ(plang::to_wstring<int>(std::numeric_limits<int>::min()), L"-2147483648");
  EXPECT_EQ(plang::to_wstring<unsigned int>(4294967295u), L"4294967295");
  EXPECT_EQ(plang::to_string<int>(1500), "1500");
  EXPECT_EQ(plang::to_string<long>(1500), "1500");
  EXPECT_EQ(plang::to_string<bool>(true), "1");
  EXPECT_EQ(plang::to_string<bool>(false), "0");
  EXPECT_EQ(plang::to_string<double>(1234567.0), "1.23457e+06");
  EXPECT_EQ(plang::to_string<std::string>("abc"), "abc");
  EXPECT_EQ(plang::to_string<const wchar_t*>(L"\u3042\u20AC"), "\x82\xA0?");
}

template <class T>
T parse(const wchar_t* text, void (*fn)(const std::wstring&, T&)) {
  T v = T(12345);  // a stale value must never survive
  fn(text, v);
  return v;
}

TEST(TextToNumber, Integers) {
  struct row {
    const wchar_t* text;
    int dec, hex, oct;
  };
  const int max = std::numeric_limits<int>::max(), min = std::numeric_limits<int>::min();
  const row rows[] = {
      {L"  42abc", 42, 0x42abc, 042},
      {L"+7", 7, 7, 7},
      {L"-0", 0, 0, 0},
      {L"ff", 0, 255, 0},
      {L"0xFF", 0, 255, 0},
      {L"17", 17, 0x17, 15},
      {L"8", 8, 8, 0},
      {L"", 0, 0, 0},
      {L"abc", 0, 0xabc, 0},
      {L"-", 0, 0, 0},
      {L"99999999999", max, max, 0},
      {L"77777777777", max, max, max},
      {L"-99999999999", min, min, 0},
      {L"2147483647", max, max, 021474},
      {L"-2147483648", min, min, -021474},
  };
  for (const row& r : rows) {
    EXPECT_EQ(parse<int>(r.text, plang::from_wstring<int>), r.dec) << "dec " << r.text;
    EXPECT_EQ(parse<int>(r.text, plang::from_wstring_hex<int>), r.hex) << "hex " << r.text;
    EXPECT_EQ(parse<int>(r.text, plang::from_wstring_oct<int>), r.oct) << "oct " << r.text;
  }
}

TEST(TextToNumber, Unsigned) {
  EXPECT_EQ(parse<unsigned>(L"-1", plang::from_wstring<unsigned>), 4294967295u);
  EXPECT_EQ(parse<unsigned>(L"4294967295", plang::from_wstring<unsigned>), 4294967295u);
  EXPECT_EQ(parse<unsigned>(L"4294967296", plang::from_wstring<unsigned>), 4294967295u);
  EXPECT_EQ(parse<unsigned>(L"ffffffff", plang::from_wstring_hex<unsigned>), 4294967295u);
  EXPECT_EQ(parse<unsigned>(L"8", plang::from_wstring_oct<unsigned>), 0u);
  EXPECT_EQ(parse<unsigned>(L"x", plang::from_wstring<unsigned>), 0u);
}

TEST(TextToNumber, Reals) {
  struct row {
    const wchar_t* text;
    double value;
  };
  const double dmax = std::numeric_limits<double>::max();
  const row rows[] = {
      {L"1.5e3", 1500.0}, {L".5", 0.5},     {L"1.", 1.0},      {L" -2.25x", -2.25}, {L"1e", 1.0},
      {L"2e+3", 2000.0},  {L"abc", 0.0},    {L"", 0.0},        {L".", 0.0},         {L"1e400", dmax},
      {L"-1e400", -dmax}, {L"1e-400", 0.0}, {L"+.25e-1", 0.025},
  };
  for (const row& r : rows) EXPECT_EQ(parse<double>(r.text, plang::from_wstring<double>), r.value) << r.text;
  EXPECT_EQ(parse<float>(L"1e39", plang::from_wstring<float>), std::numeric_limits<float>::max());
  EXPECT_EQ(parse<float>(L"0.1", plang::from_wstring<float>), 0.1f);
}

}  // namespace
