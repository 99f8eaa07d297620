// Conversions between wide text and the system code page, and the generic
// convert templates that pick the path from the two character types.
#pragma once

#include <string>
#include <type_traits>

namespace lib::string {

// Code-page conversions; the source ends at its first zero. The target is
// replaced (these never fail: what the code page cannot hold is substituted).
void wide_to_narrow(const std::wstring& src, std::string& target);
void wide_to_narrow(const wchar_t* src, std::string& target);
void narrow_to_wide(const std::string& src, std::wstring& target);

std::string to_narrow(const std::wstring& src);
std::string to_narrow(const wchar_t* src);
std::wstring to_wide(const std::string& src);

namespace detail {

template <class T> struct char_of;
template <class C, class Tr, class A> struct char_of<std::basic_string<C, Tr, A>> { using type = C; };
template <class C> struct char_of<const C*> { using type = C; };
template <class C> struct char_of<C*> { using type = std::remove_const_t<C>; };

// Same character type: the text is copied unchanged (a string whole, a
// zero-terminated text up to its zero).
template <class C>
void copy_into(const std::basic_string<C>& src, std::basic_string<C>& target) { target = src; }
template <class C>
void copy_into(const C* src, std::basic_string<C>& target) { target = src; }

}  // namespace detail

template <class Target, class Source>
void convert_into(const Source& src, Target& target) {
  using tc = typename detail::char_of<Target>::type;
  using sc = typename detail::char_of<Source>::type;
  if constexpr (std::is_same_v<tc, sc>)
    detail::copy_into(src, target);
  else if constexpr (std::is_same_v<tc, char>)
    target = to_narrow(src);
  else
    target = to_wide(std::string(src));
}

template <class Target, class Source>
Target convert(const Source& src) {
  Target target;
  convert_into<Target, Source>(src, target);
  return target;
}

}  // namespace lib::string
