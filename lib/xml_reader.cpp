// The XML reader: text of one document to an element tree.
//
// The grammar, with no automatic skipping of white space (space: the fixed
// set of platform::text::is_space, C.UTF-8's space class):
//   element  -> space* stag content etag space*
//   stag     -> '<' name (space attribute)* '>'
//   content  -> element+ | text
//   etag     -> '<' '/' name '>'
//   name     -> (character other than space, '=', '/', '<', '>', '"')+
//   attribute-> name '=' value
//   value    -> '"' (escape | character other than '"')* '"'
//   text     -> (escape | character other than '<', '>', '\')*
//   escape   -> '\' any character
// The document is one element and nothing after it; it ends at the first
// zero character. Alternatives are ordered and never revisited, so content is
// elements exactly when, past any white space, '<' follows without '/'.
// Once an element's '<' has been read the whole read stands or falls with
// it: neither text nor an end tag can start there, so every enclosing element
// would fail too. The reader therefore throws at the first mismatch with the
// grammar, never backtracks, and reads each character once.
#include <cwchar>
#include <stdexcept>

#include "lib/xml.hpp"
#include "lib/error.hpp"
#include "platform/text/locale.hpp"

namespace lib::detail::xml {

namespace {

using lib::xml::attribute;
using lib::xml::element;

[[noreturn]] void parsing_failure() { fail("lib/detail/xml/parse: parsing failure"); }

// A fixed set (C.UTF-8's space class), so what a file means never depends on
// the process's C locale.
bool is_space(wchar_t c) { return platform::text::is_space(c); }

bool is_name_char(wchar_t c) { return c != L'=' && c != L'/' && c != L'<' && c != L'>' && c != L'"' && !is_space(c); }

bool is_unescaped(wchar_t c) { return c == L'\\' || c == L'<' || c == L'>' || c == L'"'; }

// Appends the characters of [p, end) with escapes resolved: a backslash is
// dropped before '\', '<', '>' and '"' (which the writer escapes) and kept
// before anything else, so files that never escaped a backslash read as
// they always did. Every backslash in the range starts an escape, because
// the grammar consumed it as one.
void assign_unescaped(std::wstring& out, const wchar_t* p, const wchar_t* end) {
  const wchar_t* run = p;
  while ((p = std::wmemchr(p, L'\\', end - p)) != nullptr) {
    out.append(run, p);
    if (!is_unescaped(p[1])) out += L'\\';
    out += p[1];
    p += 2;
    run = p;
  }
  out.append(run, end);
}

class reader {
 public:
  reader(const wchar_t* begin, const wchar_t* end) : p_(begin), end_(end) {}

  // document -> element, then the end of the input
  void document(element& root) {
    element_rule(root, 1);
    if (p_ != end_) parsing_failure();
  }

  // True when an end tag named another element; the tree then holds what
  // precedes the first such end tag.
  bool mismatched() const { return mismatch_; }

 private:
  bool at(wchar_t c) const { return p_ != end_ && *p_ == c; }

  void expect(wchar_t c) {
    if (!at(c)) parsing_failure();
    ++p_;
  }

  void skip_space() {
    while (p_ != end_ && is_space(*p_)) ++p_;
  }

  // True when, past white space, an element's start tag begins.
  bool element_follows() const {
    const wchar_t* q = p_;
    while (q != end_ && is_space(*q)) ++q;
    return q != end_ && *q == L'<' && q + 1 != end_ && q[1] != L'/';
  }

  // element -> space* stag content etag space*
  void element_rule(element& out, std::size_t depth) {
    skip_space();
    if (depth > max_depth) parsing_failure();
    stag(out);
    content(out, depth);
    etag(out);
    skip_space();
  }

  // stag -> '<' name (space attribute)* '>'
  void stag(element& out) {
    expect(L'<');
    name(out.name);
    for (;;) {
      if (at(L'>')) break;
      if (p_ == end_ || !is_space(*p_)) parsing_failure();
      ++p_;
      out.attributes.emplace_back();
      attribute_rule(out.attributes.back());
    }
    ++p_;
  }

  // attribute -> name '=' value
  void attribute_rule(attribute& out) {
    name(out.name);
    expect(L'=');
    value(out.value);
  }

  // name -> (character other than space, '=', '/', '<', '>', '"')+
  void name(std::wstring& out) {
    const wchar_t* start = p_;
    while (p_ != end_ && is_name_char(*p_)) ++p_;
    if (p_ == start) parsing_failure();
    out.assign(start, p_);
  }

  // value -> '"' (escape | character other than '"')* '"'
  void value(std::wstring& out) {
    expect(L'"');
    const wchar_t* start = p_;
    bool escaped = false;
    for (;;) {
      if (p_ == end_) parsing_failure();
      if (*p_ == L'"') break;
      if (*p_ == L'\\' && p_ + 1 != end_) {
        escaped = true;
        ++p_;
      }
      ++p_;
    }
    take(out, start, escaped);
    ++p_;
  }

  // content -> element+ | text
  void content(element& out, std::size_t depth) {
    if (!element_follows()) {
      text(out.text);
      return;
    }
    // Evaluation would stop at the first mismatched end tag: children read
    // after the one that holds it are dropped.
    std::size_t keep = 0;
    do {
      const bool before = mismatch_;
      out.children.emplace_back();
      element_rule(out.children.back(), depth + 1);
      if (!before && mismatch_) keep = out.children.size();
    } while (element_follows());
    if (keep != 0) out.children.resize(keep);
  }

  // text -> (escape | character other than '<', '>', '\')*
  void text(std::wstring& out) {
    const wchar_t* start = p_;
    bool escaped = false;
    while (p_ != end_ && *p_ != L'<' && *p_ != L'>') {
      if (*p_ == L'\\') {
        if (p_ + 1 == end_) break;
        escaped = true;
        ++p_;
      }
      ++p_;
    }
    take(out, start, escaped);
  }

  // etag -> '<' '/' name '>'
  void etag(const element& open) {
    expect(L'<');
    expect(L'/');
    const wchar_t* start = p_;
    while (p_ != end_ && is_name_char(*p_)) ++p_;
    if (p_ == start) parsing_failure();
    const std::size_t n = static_cast<std::size_t>(p_ - start);
    if (open.name.size() != n || open.name.compare(0, n, start, n) != 0) mismatch_ = true;
    expect(L'>');
  }

  void take(std::wstring& out, const wchar_t* start, bool escaped) const {
    if (escaped)
      assign_unescaped(out, start, p_);
    else
      out.assign(start, p_);
  }

  const wchar_t* p_;
  const wchar_t* const end_;
  bool mismatch_ = false;
};

}  // namespace

void parse(const std::wstring& text, lib::xml::element& root) {
  const wchar_t* begin = text.c_str();
  reader r(begin, begin + std::wcslen(begin));
  element tree;
  r.document(tree);
  root = std::move(tree);
  if (r.mismatched()) throw std::out_of_range("lib/xml/parser/eval_etag");
}

}  // namespace lib::detail::xml
