// The XML element tree and its writer.
#include "lib/xml.hpp"
#include "lib/error.hpp"

#include <stdexcept>

namespace lib::xml {

namespace {

// Appends text with a backslash before each of the two or three characters
// that the reader would otherwise take as the end of the text or value, and
// before the backslash itself, so every text reads back as written.
void append_escaped(std::wstring& out, const std::wstring& text, wchar_t a, wchar_t b) {
  const wchar_t* p = text.data();
  const wchar_t* const end = p + text.size();
  const wchar_t* run = p;
  for (; p != end; ++p) {
    if (*p != L'\\' && *p != a && *p != b) continue;
    out.append(run, p);
    out += L'\\';
    run = p;
  }
  out.append(run, end);
}

std::size_t escaped_size(const std::wstring& text, wchar_t a, wchar_t b) {
  std::size_t n = text.size();
  for (wchar_t c : text) n += (c == L'\\' || c == a || c == b);
  return n;
}

// The exact length append_element writes, so the text is allocated once.
std::size_t written_size(const element& e, std::size_t tabs) {
  std::size_t n = tabs + 2 * e.name.size() + 5;  // <name> and </name>
  for (const attribute& a : e.attributes) n += a.name.size() + escaped_size(a.value, L'"', L'"') + 4;
  if (e.children.empty()) return n + escaped_size(e.text, L'<', L'>');
  n += 1 + tabs;
  for (const element& c : e.children) n += written_size(c, tabs + 1) + 1;
  return n;
}

void append_element(std::wstring& out, const element& e, int depth) {
  out.append(depth > 0 ? depth : 0, L'\t');
  out += L'<';
  out += e.name;
  for (const attribute& a : e.attributes) {
    out += L' ';
    out += a.name;
    out += L"=\"";
    append_escaped(out, a.value, L'"', L'"');
    out += L'"';
  }
  out += L'>';
  if (!e.children.empty()) {
    out += L'\n';
    for (const element& c : e.children) {
      append_element(out, c, depth + 1);
      out += L'\n';
    }
    out.append(depth > 0 ? depth : 0, L'\t');
  } else {
    append_escaped(out, e.text, L'<', L'>');
  }
  out += L"</";
  out += e.name;
  out += L'>';
}

template <class Element>
Element& find_child(Element& parent, const std::wstring& name) {
  for (Element& c : parent.children)
    if (c.name == name) return c;
  fail("lib/xml/child");
}

}  // namespace

element element::element_with_name(std::wstring name) {
  element e;
  e.name = std::move(name);
  return e;
}

void element::set_text(const std::wstring& new_text) {
  text = new_text;
  children.clear();
}

std::wstring element::serialize(int depth) const {
  std::wstring out;
  out.reserve(written_size(*this, depth > 0 ? static_cast<std::size_t>(depth) : 0));
  append_element(out, *this, depth);
  return out;
}

element& child(element& parent, const std::wstring& name) { return find_child(parent, name); }
const element& child(const element& parent, const std::wstring& name) { return find_child(parent, name); }

std::wstring indent(int depth) { return std::wstring(depth > 0 ? depth : 0, L'\t'); }

std::wstring escape_text(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size());
  append_escaped(out, text, L'<', L'>');
  return out;
}

std::wstring escape_value(const std::wstring& value) {
  std::wstring out;
  out.reserve(value.size());
  append_escaped(out, value, L'"', L'"');
  return out;
}

}  // namespace lib::xml
