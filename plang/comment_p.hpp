// Comment removal: the text filter that runs over a script before it is parsed.
#pragma once

#include <string>
#include <utility>

namespace plang {

// One left-to-right pass over a script text. A block comment vanishes without trace ('a/* c */b' gives 'ab'),
// a line comment up to its line feed, which stays. String literals and quoted include paths are copied as they
// stand; inside a string literal a backslash and the character after it are copied as a pair, as the grammar
// reads them, so an escaped double quote does not end the literal. An unclosed comment, literal or include path,
// a line comment without its line feed and a '/' at the very end raise "comment parser failrue".
template <class C>
class comment_p {
 public:
  using string_type = std::basic_string<C>;

  explicit comment_p(const string_type& src);
  // The same pass, made over the text's own buffer.
  explicit comment_p(string_type&& src);

  const string_type& str() const& { return out_; }
  string_type str() && { return std::move(out_); }

 private:
  string_type out_;
};

// The one instance, over wide text.
template <>
comment_p<wchar_t>::comment_p(const std::wstring& src);
template <>
comment_p<wchar_t>::comment_p(std::wstring&& src);

}  // namespace plang
