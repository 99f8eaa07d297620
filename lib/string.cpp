// Code-page conversions over the platform's CP932 tables.
#include "lib/string.hpp"

#include <cwchar>

#include "platform/text/codepage.hpp"

namespace lib::string {

void wide_to_narrow(const wchar_t* src, std::string& target) {
  std::string out;
  platform::text::append_narrow(src, std::wcslen(src), out);
  target.swap(out);
}

void wide_to_narrow(const std::wstring& src, std::string& target) { wide_to_narrow(src.c_str(), target); }

void narrow_to_wide(const std::string& src, std::wstring& target) {
  std::wstring out;
  platform::text::append_wide(src.c_str(), std::char_traits<char>::length(src.c_str()), out);
  target.swap(out);
}

std::string to_narrow(const std::wstring& src) {
  std::string out;
  wide_to_narrow(src, out);
  return out;
}

std::string to_narrow(const wchar_t* src) {
  std::string out;
  wide_to_narrow(src, out);
  return out;
}

std::wstring to_wide(const std::string& src) {
  std::wstring out;
  narrow_to_wide(src, out);
  return out;
}

}  // namespace lib::string
