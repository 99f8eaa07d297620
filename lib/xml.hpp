// The XML element tree, its writer and its reader (the format of the tag
// database): one element, tab-indented children, backslash escapes, no
// declaration, comments, references or empty-element tags.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace lib::xml {

struct attribute {
  std::wstring name;
  std::wstring value;
};

// An element holds text or children, not both: set_text removes the
// children, the reader clears the text when it adds a child, and the writer
// writes only the children when both are present. Copies are deep.
struct element {
  std::wstring name;
  std::wstring text;
  std::vector<element> children;
  std::vector<attribute> attributes;

  static element element_with_name(std::wstring name);

  void set_text(const std::wstring& text);

  // The element and its subtree, indented by depth tabs; children on lines of
  // their own, no line feed after the closing tag.
  std::wstring serialize(int depth) const;
};

// The first child (in document order) named exactly name; never descends
// further. Throws std::invalid_argument "lib/xml/child" when there is none.
element& child(element& parent, const std::wstring& name);
const element& child(const element& parent, const std::wstring& name);

std::wstring indent(int depth);

// A text as written between tags: '\', '<' and '>' get a backslash before
// them. escape_value does the same for attribute values with '\' and '"'.
std::wstring escape_text(const std::wstring& text);
std::wstring escape_value(const std::wstring& value);

}  // namespace lib::xml

namespace lib::detail::xml {

// Elements nested deeper than this make the read fail like any malformed
// input, so no input can exhaust the stack.
constexpr std::size_t max_depth = 1000;

// Reads one document (up to the first zero character) into root.
// Malformed input throws std::invalid_argument
// "lib/detail/xml/parse: parsing failure" and leaves root untouched; an end
// tag naming another element throws std::out_of_range
// "lib/xml/parser/eval_etag" once the whole input is known to be well formed,
// leaving root filled with what precedes that end tag.
void parse(const std::wstring& text, lib::xml::element& root);

}  // namespace lib::detail::xml
