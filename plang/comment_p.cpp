// Comment removal before parsing: block and line comments out, literals copied unchanged.
#include "plang/comment_p.hpp"

#include <locale>

#include "plang/exception.hpp"
#include "platform/text/locale.hpp"

namespace plang {
namespace {

// The pass ran off the end of the text inside something that needed a closing part.
struct past_end {};

// Whether the output so far ends with the include keyword and optional whitespace: a double quote there opens
// an include path, which has no escapes (a backslash right before its closing quote is part of the path).
bool after_include_keyword(const wchar_t* out, std::size_t end) {
  static const std::wstring keyword = L"#include";
  const auto& ctype = std::use_facet<std::ctype<wchar_t>>(platform::text::japanese_locale());
  while (end > 0 && ctype.is(std::ctype_base::space, out[end - 1])) --end;
  return end >= keyword.size() && keyword.compare(0, keyword.size(), out + end - keyword.size(), keyword.size()) == 0;
}

// The pass over src[0, n) into out, which is at least n long and may be src itself: every character is
// written at or before the place it was read from, so writing never overtakes reading. Returns the output's
// length.
std::size_t strip(const wchar_t* src, std::size_t n, wchar_t* out) {
  using traits = std::char_traits<wchar_t>;
  std::size_t w = 0;
  const auto copy = [&](std::size_t from, std::size_t count) {
    traits::move(out + w, src + from, count);
    w += count;
  };
  try {
    std::size_t i = 0;
    while (i < n) {
      const wchar_t c = src[i];
      if (c == L'"') {
        // string_literal -> dquote (backslash any / any - dquote)* dquote
        // include_path   -> dquote (any - dquote)+ dquote
        const bool escapes = !after_include_keyword(out, w);
        std::size_t j = i + 1;
        while (j < n && src[j] != L'"') j += escapes && src[j] == L'\\' ? 2 : 1;
        if (j >= n) throw past_end();
        copy(i, j + 1 - i);
        i = j + 1;
      } else if (c == L'/') {
        if (i + 1 >= n) throw past_end();
        if (src[i + 1] == L'*') {
          // The scan starts at the opening slash, so '/*/' closes itself.
          std::size_t close = i + 1;
          while (close + 1 < n && !(src[close] == L'*' && src[close + 1] == L'/')) ++close;
          if (close + 1 >= n) throw past_end();
          i = close + 2;
        } else if (src[i + 1] == L'/') {
          // The line feed ends the comment and stays; the end of the text does not end it.
          std::size_t lf = i + 2;
          while (lf < n && src[lf] != L'\n') ++lf;
          if (lf >= n) throw past_end();
          i = lf;
        } else {
          out[w++] = c;
          ++i;
        }
      } else {
        // Everything up to the next quote or slash is copied as it is.
        std::size_t j = i + 1;
        while (j < n && src[j] != L'"' && src[j] != L'/') ++j;
        copy(i, j - i);
        i = j;
      }
    }
  } catch (const past_end&) {
    throw_exception("plang/comment_p", "comment parser failrue", "plang::comment_p<wchar_t>::comment_p", 23);
  }
  return w;
}

}  // namespace

template <>
comment_p<wchar_t>::comment_p(const std::wstring& src) {
  out_.resize(src.size());  // the output is never longer than the source
  out_.resize(strip(src.data(), src.size(), out_.data()));
}

template <>
comment_p<wchar_t>::comment_p(std::wstring&& src) : out_(std::move(src)) {
  out_.resize(strip(out_.data(), out_.size(), out_.data()));
}

}  // namespace plang
