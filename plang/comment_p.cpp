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
bool after_include_keyword(const std::wstring& out) {
  static const std::wstring keyword = L"#include";
  const auto& ctype = std::use_facet<std::ctype<wchar_t>>(platform::text::japanese_locale());
  std::size_t end = out.size();
  while (end > 0 && ctype.is(std::ctype_base::space, out[end - 1])) --end;
  return end >= keyword.size() && out.compare(end - keyword.size(), keyword.size(), keyword) == 0;
}

}  // namespace

template <>
comment_p<wchar_t>::comment_p(const std::wstring& src) {
  const std::size_t n = src.size();
  out_.reserve(n);  // the output is never longer than the source
  try {
    std::size_t i = 0;
    while (i < n) {
      const wchar_t c = src[i];
      if (c == L'"') {
        // string_literal -> dquote (backslash any / any - dquote)* dquote
        // include_path   -> dquote (any - dquote)+ dquote
        const bool escapes = !after_include_keyword(out_);
        std::size_t j = i + 1;
        while (j < n && src[j] != L'"') j += escapes && src[j] == L'\\' ? 2 : 1;
        if (j >= n) throw past_end();
        out_.append(src, i, j + 1 - i);
        i = j + 1;
      } else if (c == L'/') {
        if (i + 1 >= n) throw past_end();
        if (src[i + 1] == L'*') {
          // The scan starts at the opening slash, so '/*/' closes itself.
          const std::size_t close = src.find(L"*/", i);
          if (close == std::wstring::npos) throw past_end();
          i = close + 2;
        } else if (src[i + 1] == L'/') {
          // The line feed ends the comment and stays; the end of the text does not end it.
          const std::size_t lf = src.find(L'\n', i);
          if (lf == std::wstring::npos) throw past_end();
          i = lf;
        } else {
          out_ += c;
          ++i;
        }
      } else {
        // Everything up to the next quote or slash is copied as it is.
        std::size_t j = i + 1;
        while (j < n && src[j] != L'"' && src[j] != L'/') ++j;
        out_.append(src, i, j - i);
        i = j;
      }
    }
  } catch (const past_end&) {
    throw_exception("plang/comment_p", "comment parser failrue", "plang::comment_p<wchar_t>::comment_p", 23);
  }
}

}  // namespace plang
