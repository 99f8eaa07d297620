// Number formatting and parsing with fixed classic rules, independent of the
// process locale.
#include "plang/convert.hpp"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <locale.h>

#include "lib/string.hpp"
#include "platform/text/locale.hpp"

namespace plang {
namespace {

template <class T, class S>
void format_integer(T value, S& target) {
  char buf[32];
  auto res = std::to_chars(buf, buf + sizeof buf, value);
  target.assign(buf, res.ptr);
}

template <class S>
void format_real(double value, S& target) {
  // The general format with precision 6, as a default-state stream ("%g"),
  // but never through the C locale: a library that sets LC_NUMERIC to a
  // comma-decimal locale must not turn 0.5 into "0,5".
  char buf[64];
  const std::to_chars_result res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 6);
  target.assign(buf, res.ptr);
}

// White space before a number, as the "japanese" locale classifies it:
// the fixed set of platform::text::is_space (the full-width space U+3000
// among them) and the no-break space U+00A0, which that locale counts as a
// space too. Never the process's C locale.
bool is_space(wchar_t c) { return platform::text::is_space(c) || c == L'\u00A0'; }

int digit_value(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'a' && c <= L'z') return c - L'a' + 10;
  if (c >= L'A' && c <= L'Z') return c - L'A' + 10;
  return 99;
}

template <class T>
void parse_integer(const std::wstring& text, T& value, int base) {
  std::size_t i = 0, n = text.size();
  while (i < n && is_space(text[i])) ++i;
  bool negative = false;
  if (i < n && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  if (base == 16 && i + 1 < n && text[i] == L'0' && (text[i + 1] == L'x' || text[i + 1] == L'X') &&
      digit_value(i + 2 < n ? text[i + 2] : L'z') < 16)
    i += 2;
  const std::uint64_t cap = std::uint64_t(1) << 40;  // far above any 32-bit magnitude
  std::uint64_t mag = 0;
  std::size_t start = i;
  for (; i < n && digit_value(text[i]) < base; ++i)
    if (mag < cap) mag = mag * std::uint64_t(base) + std::uint64_t(digit_value(text[i]));
  if (i == start) {
    value = 0;
    return;
  }
  if constexpr (std::is_signed_v<T>) {
    const std::uint64_t max = std::uint64_t(std::numeric_limits<T>::max());
    if (negative)
      value = mag > max + 1 ? std::numeric_limits<T>::min() : T(-std::int64_t(mag));
    else
      value = mag > max ? std::numeric_limits<T>::max() : T(mag);
  } else {
    const std::uint64_t max = std::uint64_t(std::numeric_limits<T>::max());
    if (mag > max)
      value = std::numeric_limits<T>::max();
    else
      value = negative ? T(T(0) - T(mag)) : T(mag);
  }
}

locale_t c_locale() {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", locale_t(0));
  return loc;
}

template <class T>
void parse_real(const std::wstring& text, T& value) {
  std::size_t i = 0, n = text.size();
  while (i < n && is_space(text[i])) ++i;
  // Copy the longest prefix that has the shape of a decimal number.
  std::string num;
  if (i < n && (text[i] == L'+' || text[i] == L'-')) num.push_back(char(text[i++]));
  std::size_t digits = 0;
  for (; i < n && text[i] >= L'0' && text[i] <= L'9'; ++i, ++digits) num.push_back(char(text[i]));
  if (i < n && text[i] == L'.') {
    num.push_back('.');
    for (++i; i < n && text[i] >= L'0' && text[i] <= L'9'; ++i, ++digits) num.push_back(char(text[i]));
  }
  if (digits == 0) {
    value = 0;
    return;
  }
  if (i < n && (text[i] == L'e' || text[i] == L'E')) {
    std::size_t j = i + 1;
    std::string exp = "e";
    if (j < n && (text[j] == L'+' || text[j] == L'-')) exp.push_back(char(text[j++]));
    std::size_t start = j;
    for (; j < n && text[j] >= L'0' && text[j] <= L'9'; ++j) exp.push_back(char(text[j]));
    if (j > start) num += exp;
  }
  double d = strtod_l(num.c_str(), nullptr, c_locale());
  constexpr double max = double(std::numeric_limits<T>::max());
  if (std::isinf(d) || d > max || d < -max)
    value = d > 0 ? std::numeric_limits<T>::max() : -std::numeric_limits<T>::max();
  else if constexpr (std::is_same_v<T, float>)
    value = strtof_l(num.c_str(), nullptr, c_locale());  // rounded once, not twice
  else
    value = T(d);
}

}  // namespace

template <> void to_string_into<bool>(const bool& v, std::string& t) { t = v ? "1" : "0"; }
template <> void to_string_into<int>(const int& v, std::string& t) { format_integer(v, t); }
template <> void to_string_into<unsigned int>(const unsigned int& v, std::string& t) { format_integer(v, t); }
template <> void to_string_into<long>(const long& v, std::string& t) { format_integer(v, t); }
template <> void to_string_into<long long>(const long long& v, std::string& t) { format_integer(v, t); }
template <> void to_string_into<unsigned long>(const unsigned long& v, std::string& t) { format_integer(v, t); }
template <> void to_string_into<float>(const float& v, std::string& t) { format_real(v, t); }
template <> void to_string_into<double>(const double& v, std::string& t) { format_real(v, t); }
template <> void to_string_into<std::string>(const std::string& v, std::string& t) { t = v; }
template <> void to_string_into<const wchar_t*>(const wchar_t* const& v, std::string& t) {
  t = lib::string::to_narrow(v);
}

template <> void to_wstring_into<int>(const int& v, std::wstring& t) { format_integer(v, t); }
template <> void to_wstring_into<unsigned int>(const unsigned int& v, std::wstring& t) { format_integer(v, t); }
template <> void to_wstring_into<long>(const long& v, std::wstring& t) { format_integer(v, t); }
template <> void to_wstring_into<float>(const float& v, std::wstring& t) { format_real(v, t); }
template <> void to_wstring_into<double>(const double& v, std::wstring& t) { format_real(v, t); }

template <> void from_wstring<int>(const std::wstring& s, int& v) { parse_integer(s, v, 10); }
template <> void from_wstring<unsigned int>(const std::wstring& s, unsigned int& v) { parse_integer(s, v, 10); }
template <> void from_wstring<float>(const std::wstring& s, float& v) { parse_real(s, v); }
template <> void from_wstring<double>(const std::wstring& s, double& v) { parse_real(s, v); }
template <> void from_wstring_hex<int>(const std::wstring& s, int& v) { parse_integer(s, v, 16); }
template <> void from_wstring_hex<unsigned int>(const std::wstring& s, unsigned int& v) { parse_integer(s, v, 16); }
template <> void from_wstring_oct<int>(const std::wstring& s, int& v) { parse_integer(s, v, 8); }
template <> void from_wstring_oct<unsigned int>(const std::wstring& s, unsigned int& v) { parse_integer(s, v, 8); }

}  // namespace plang
