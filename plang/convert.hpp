// Number <-> text conversions of the script engine: classic punctuation in
// both directions, general format with six significant digits for reals.
#pragma once

#include <string>

namespace plang {

// Formatting. Instances: bool, int, unsigned int, long, long long,
// unsigned long, float, double, std::string, const wchar_t* (narrow form in
// the system code page) for the narrow form; int, unsigned int, long,
// float, double for the wide form.
template <class T> void to_string_into(const T& value, std::string& target);
template <class T> void to_wstring_into(const T& value, std::wstring& target);

template <class T> std::string to_string(const T& value) {
  std::string s;
  to_string_into<T>(value, s);
  return s;
}
template <class T> std::wstring to_wstring(const T& value) {
  std::wstring s;
  to_wstring_into<T>(value, s);
  return s;
}

// Parsing: leading white space is skipped, an optional sign taken, then the
// longest number of the base. A text with no number stores 0; a number out of
// range stores the type's nearest limit; '-' before an unsigned number gives
// its two's complement. Instances: int, unsigned int (all three bases),
// float and double (decimal).
template <class T> void from_wstring(const std::wstring& text, T& value);
template <class T> void from_wstring_hex(const std::wstring& text, T& value);
template <class T> void from_wstring_oct(const std::wstring& text, T& value);

// The instances (defined in convert.cpp).
template <> void to_string_into<bool>(const bool&, std::string&);
template <> void to_string_into<int>(const int&, std::string&);
template <> void to_string_into<unsigned int>(const unsigned int&, std::string&);
template <> void to_string_into<long>(const long&, std::string&);
template <> void to_string_into<long long>(const long long&, std::string&);
template <> void to_string_into<unsigned long>(const unsigned long&, std::string&);
template <> void to_string_into<float>(const float&, std::string&);
template <> void to_string_into<double>(const double&, std::string&);
template <> void to_string_into<std::string>(const std::string&, std::string&);
template <> void to_string_into<const wchar_t*>(const wchar_t* const&, std::string&);
template <> void to_wstring_into<int>(const int&, std::wstring&);
template <> void to_wstring_into<unsigned int>(const unsigned int&, std::wstring&);
template <> void to_wstring_into<long>(const long&, std::wstring&);
template <> void to_wstring_into<float>(const float&, std::wstring&);
template <> void to_wstring_into<double>(const double&, std::wstring&);
template <> void from_wstring<int>(const std::wstring&, int&);
template <> void from_wstring<unsigned int>(const std::wstring&, unsigned int&);
template <> void from_wstring<float>(const std::wstring&, float&);
template <> void from_wstring<double>(const std::wstring&, double&);
template <> void from_wstring_hex<int>(const std::wstring&, int&);
template <> void from_wstring_hex<unsigned int>(const std::wstring&, unsigned int&);
template <> void from_wstring_oct<int>(const std::wstring&, int&);
template <> void from_wstring_oct<unsigned int>(const std::wstring&, unsigned int&);

}  // namespace plang
