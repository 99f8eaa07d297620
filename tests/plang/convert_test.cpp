// Number <-> text conversions of the script engine. Every table runs twice:
// in the classic locale, and once more with a comma-decimal locale set as
// the process's C and C++ locale (as a library that calls setlocale would),
// which must change nothing.
#include "plang/convert.hpp"

#include <gtest/gtest.h>
#include <locale.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <cstdio>
#include <limits>
#include <optional>
#include <random>
#include <vector>
#include <string>

#include "support/comma_locale.hpp"

namespace {

class in_locale : public testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (std::string(GetParam()) != "comma") return;
    std::string why;
    if (support::comma_locale::folder(&why).empty()) GTEST_SKIP() << "no comma-decimal locale could be made: " << why;
    comma_.emplace();
    if (!support::in_comma_locale::active()) GTEST_SKIP() << "the comma-decimal locale could not be set";
  }
  void TearDown() override { comma_.reset(); }

 private:
  std::optional<support::in_comma_locale> comma_;
};

class NumberToText : public in_locale {};
class TextToNumber : public in_locale {};

INSTANTIATE_TEST_SUITE_P(, NumberToText, testing::Values("classic", "comma"),
                         [](const testing::TestParamInfo<const char*>& i) { return std::string(i.param); });
INSTANTIATE_TEST_SUITE_P(, TextToNumber, testing::Values("classic", "comma"),
                         [](const testing::TestParamInfo<const char*>& i) { return std::string(i.param); });

TEST_P(NumberToText, Table) {
  EXPECT_EQ(plang::to_wstring<double>(0.1), L"0.1");
  EXPECT_EQ(plang::to_wstring<double>(0.5), L"0.5");
  EXPECT_EQ(plang::to_wstring<double>(2.0), L"2");
  EXPECT_EQ(plang::to_wstring<double>(1.0 / 3), L"0.333333");
  EXPECT_EQ(plang::to_wstring<double>(123456789.0), L"1.23457e+08");
  EXPECT_EQ(plang::to_wstring<double>(1234.5), L"1234.5");
  EXPECT_EQ(plang::to_wstring<float>(3.5f), L"3.5");
  EXPECT_EQ(plang::to_wstring<int>(-42), L"-42");
  EXPECT_EQ(plang::to_wstring<int>(1234567), L"1234567");  // no grouping
  EXPECT_EQ(plang::to_wstring<int>(std::numeric_limits<int>::min()), L"-2147483648");
  EXPECT_EQ(plang::to_wstring<unsigned int>(4294967295u), L"4294967295");
  EXPECT_EQ(plang::to_string<int>(1500), "1500");
  EXPECT_EQ(plang::to_string<long>(1500), "1500");
  EXPECT_EQ(plang::to_string<bool>(true), "1");
  EXPECT_EQ(plang::to_string<bool>(false), "0");
  EXPECT_EQ(plang::to_string<double>(1234567.0), "1.23457e+06");
  EXPECT_EQ(plang::to_string<double>(0.5), "0.5");
  EXPECT_EQ(plang::to_string<float>(-0.25f), "-0.25");
  EXPECT_EQ(plang::to_string<std::string>("abc"), "abc");
  EXPECT_EQ(plang::to_string<const wchar_t*>(L"\u3042\u20AC"), "\x82\xA0?");
}

// The same text as the general format with precision 6 ("%g" in the C
// locale) for every kind of value.
TEST_P(NumberToText, SameTextAsTheGeneralFormat) {
  locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
  ASSERT_NE(c, locale_t(0));
  auto general = [c](double v) {
    const locale_t before = uselocale(c);
    char text[64];
    std::snprintf(text, sizeof text, "%g", v);
    uselocale(before);
    return std::string(text);
  };
  std::vector<double> values = {0.0,
                                -0.0,
                                1.0,
                                -1.5,
                                0.1,
                                1e-5,
                                1e-4,
                                123456.0,
                                1234567.0,
                                999999.5,
                                9999995.0,
                                0.000123456789,
                                1e300,
                                -1e-300,
                                std::numeric_limits<double>::denorm_min(),
                                std::numeric_limits<double>::max(),
                                std::numeric_limits<double>::infinity(),
                                -std::numeric_limits<double>::infinity(),
                                std::numeric_limits<double>::quiet_NaN(),
                                -std::numeric_limits<double>::quiet_NaN(),
                                double(std::numeric_limits<float>::max())};
  std::mt19937_64 rng(26);
  for (int i = 0; i < 20000; ++i) {
    double v;
    const std::uint64_t bits = rng();
    std::memcpy(&v, &bits, sizeof v);
    values.push_back(v);
    values.push_back(std::ldexp(double(rng() % 2000000) - 1000000.0, int(rng() % 80) - 40));
  }
  for (double v : values) {
    const std::string expected = general(v);
    ASSERT_EQ(plang::to_string<double>(v), expected) << expected;
    ASSERT_EQ(plang::to_wstring<double>(v), std::wstring(expected.begin(), expected.end())) << expected;
    const float f = static_cast<float>(v);
    ASSERT_EQ(plang::to_string<float>(f), general(f)) << general(f);
  }
  freelocale(c);
}

template <class T>
T parse(const wchar_t* text, void (*fn)(const std::wstring&, T&)) {
  T v = T(12345);  // a stale value must never survive
  fn(text, v);
  return v;
}

TEST_P(TextToNumber, Integers) {
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
      // white space as the "japanese" locale has it, not ASCII only
      {L"\u3000"
       L"42",
       42, 0x42, 042},
      {L"\u00A0"
       L"42",
       42, 0x42, 042},
      {L"\u3000\u00A0 \t\u2003-42", -42, -0x42, -042},
      {L"\u3000", 0, 0, 0},
      {L"1,5", 1, 1, 1},
  };
  for (const row& r : rows) {
    EXPECT_EQ(parse<int>(r.text, plang::from_wstring<int>), r.dec) << "dec " << testing::PrintToString(r.text);
    EXPECT_EQ(parse<int>(r.text, plang::from_wstring_hex<int>), r.hex) << "hex " << testing::PrintToString(r.text);
    EXPECT_EQ(parse<int>(r.text, plang::from_wstring_oct<int>), r.oct) << "oct " << testing::PrintToString(r.text);
  }
}

TEST_P(TextToNumber, Unsigned) {
  EXPECT_EQ(parse<unsigned>(L"-1", plang::from_wstring<unsigned>), 4294967295u);
  EXPECT_EQ(parse<unsigned>(L"4294967295", plang::from_wstring<unsigned>), 4294967295u);
  EXPECT_EQ(parse<unsigned>(L"4294967296", plang::from_wstring<unsigned>), 4294967295u);
  EXPECT_EQ(parse<unsigned>(L"ffffffff", plang::from_wstring_hex<unsigned>), 4294967295u);
  EXPECT_EQ(parse<unsigned>(L"8", plang::from_wstring_oct<unsigned>), 0u);
  EXPECT_EQ(parse<unsigned>(L"x", plang::from_wstring<unsigned>), 0u);
  EXPECT_EQ(parse<unsigned>(L"\u3000"
                            L"7",
                            plang::from_wstring<unsigned>),
            7u);
}

TEST_P(TextToNumber, Reals) {
  struct row {
    const wchar_t* text;
    double value;
  };
  const double dmax = std::numeric_limits<double>::max();
  const row rows[] = {
      {L"1.5e3", 1500.0},
      {L".5", 0.5},
      {L"1.", 1.0},
      {L" -2.25x", -2.25},
      {L"1e", 1.0},
      {L"2e+3", 2000.0},
      {L"abc", 0.0},
      {L"", 0.0},
      {L".", 0.0},
      {L"1e400", dmax},
      {L"-1e400", -dmax},
      {L"1e-400", 0.0},
      {L"+.25e-1", 0.025},
      {L"0.5", 0.5},
      {L"0,5", 0.0},
      {L"\u3000"
       L"0.5",
       0.5},
      {L"\u00A0-2.5", -2.5},
      {L"\u3000\u3000"
       L"1e2",
       100.0},
  };
  for (const row& r : rows)
    EXPECT_EQ(parse<double>(r.text, plang::from_wstring<double>), r.value) << testing::PrintToString(r.text);
  EXPECT_EQ(parse<float>(L"1e39", plang::from_wstring<float>), std::numeric_limits<float>::max());
  EXPECT_EQ(parse<float>(L"0.1", plang::from_wstring<float>), 0.1f);
  EXPECT_EQ(parse<float>(L"\u3000"
                         L"0.5",
                         plang::from_wstring<float>),
            0.5f);
}

// Whatever a number is written as, it reads back as the same text.
TEST_P(TextToNumber, WrittenNumbersReadBack) {
  for (double v : {0.5, -0.125, 1234.5, 1e-7, 3.25e12}) {
    double back = 0;
    plang::from_wstring<double>(plang::to_wstring<double>(v), back);
    EXPECT_EQ(plang::to_wstring<double>(back), plang::to_wstring<double>(v));
  }
}

}  // namespace
