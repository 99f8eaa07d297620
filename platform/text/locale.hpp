// The "japanese" locale: classic number punctuation, wide character classes
// that take kana and kanji as letters, and CP932 file conversion for wide
// streams. Built in memory, so nothing needs a generated system locale.
#pragma once

#include <cwchar>
#include <locale>

namespace platform::text {

// White space as a fixed set that never depends on the process's C locale
// (which libraries such as SDL or an input method may set): the space class
// of C.UTF-8, U+0009..U+000D, U+0020, U+1680, U+2000..U+2006,
// U+2008..U+200A, U+2028, U+2029, U+205F and U+3000 (not the no-break
// spaces U+00A0, U+2007, U+202F).
bool is_space(wchar_t c);

// Wide <-> CP932 conversion facet for wide file streams. A file that ends in
// a lead byte with no trail gives U+30FB for it, as append_wide does (the
// stream's conversion state remembers that the previous conversion stopped at
// a lone lead byte; met again with nothing after it, the input has ended).
class cp932_codecvt : public std::codecvt<wchar_t, char, std::mbstate_t> {
 public:
  explicit cp932_codecvt(std::size_t refs = 0) : std::codecvt<wchar_t, char, std::mbstate_t>(refs) {}

 protected:
  result do_out(state_type&, const wchar_t* from, const wchar_t* from_end, const wchar_t*& from_next, char* to,
                char* to_end, char*& to_next) const override;
  result do_in(state_type&, const char* from, const char* from_end, const char*& from_next, wchar_t* to,
               wchar_t* to_end, wchar_t*& to_next) const override;
  result do_unshift(state_type&, char* to, char*, char*& to_next) const override;
  int do_encoding() const noexcept override { return 0; }
  bool do_always_noconv() const noexcept override { return false; }
  int do_length(state_type&, const char* from, const char* end, std::size_t max) const override;
  int do_max_length() const noexcept override { return 2; }
};

// The locale itself, built once.
const std::locale& japanese_locale();

}  // namespace platform::text
