// Generic path strings, instantiated for narrow and wide paths.
#include "lib/path.hpp"

#include <vector>

#include "platform/text/codepage.hpp"

namespace lib::path {
namespace {

template <class C>
constexpr C slash = C('/');

template <class C>
bool is_separator(C c) {
  return c == C('/') || c == C('\\');
}

// Narrow paths are code-page text: the byte after a lead byte belongs to the
// same character, even when it has the value of a backslash.
bool starts_pair(char c) { return platform::text::is_lead_byte(static_cast<unsigned char>(c)); }
bool starts_pair(wchar_t) { return false; }

// Index one past the last character that is not a '/', or npos when p is
// made of separators only.
template <class C>
std::size_t end_of_name_part(const std::basic_string<C>& p) {
  std::size_t i = p.find_last_not_of(slash<C>);
  return i == std::basic_string<C>::npos ? i : i + 1;
}

}  // namespace

template <class C>
std::basic_string<C> append(std::basic_string<C> path, const std::basic_string<C>& text) {
  std::size_t from = 0;
  if (text.size() >= 3 && text[0] == C('/') && text[1] == C('/') && text[2] == C(':')) from = 3;
  if (!path.empty() && from < text.size() && !is_separator(text[from]) && path.back() != slash<C>) path += slash<C>;
  path.reserve(path.size() + text.size() - from);
  for (std::size_t i = from; i < text.size(); ++i) {
    if (starts_pair(text[i]) && i + 1 < text.size()) {
      path += text[i];
      path += text[++i];
    } else {
      path += text[i] == C('\\') ? slash<C> : text[i];
    }
  }
  return path;
}

template <class C>
std::basic_string<C> make(const std::basic_string<C>& text) {
  return append(std::basic_string<C>(), text);
}

template <class C>
bool has_root(const std::basic_string<C>& p) {
  return !p.empty() && p[0] == slash<C>;
}

template <class C>
std::basic_string<C> leaf(const std::basic_string<C>& p) {
  if (p.empty()) return p;
  std::size_t end = end_of_name_part(p);
  if (end == std::basic_string<C>::npos) return std::basic_string<C>(1, slash<C>);
  if (end != p.size()) return std::basic_string<C>(1, C('.'));
  std::size_t sep = p.rfind(slash<C>);
  return sep == std::basic_string<C>::npos ? p : p.substr(sep + 1);
}

template <class C>
std::basic_string<C> parent(const std::basic_string<C>& p) {
  std::size_t end = end_of_name_part(p);
  if (p.empty() || end == std::basic_string<C>::npos) return std::basic_string<C>();
  // Ending in '/': the leaf is '.', the parent everything before the slashes.
  if (end != p.size()) return p.substr(0, end);
  std::size_t sep = p.rfind(slash<C>);
  if (sep == std::basic_string<C>::npos) return std::basic_string<C>();
  std::size_t keep = end_of_name_part(p.substr(0, sep + 1));
  if (keep == std::basic_string<C>::npos) return std::basic_string<C>(1, slash<C>);
  return p.substr(0, keep);
}

template <class C>
std::basic_string<C> fold(const std::basic_string<C>& rooted) {
  using string = std::basic_string<C>;
  std::vector<string> kept;
  std::size_t i = 0;
  while (i <= rooted.size()) {
    std::size_t j = rooted.find(slash<C>, i);
    if (j == string::npos) j = rooted.size();
    string element = rooted.substr(i, j - i);
    if (element == string(2, C('.'))) {
      if (!kept.empty()) kept.pop_back();
    } else if (!element.empty() && element != string(1, C('.'))) {
      kept.push_back(std::move(element));
    }
    i = j + 1;
  }
  string out(1, slash<C>);
  for (std::size_t k = 0; k < kept.size(); ++k) {
    if (k) out += slash<C>;
    out += kept[k];
  }
  if (!kept.empty() && !rooted.empty() && rooted.back() == slash<C>) out += slash<C>;
  return out;
}

#define LIB_PATH_INSTANTIATE(C)                                                            \
  template std::basic_string<C> append(std::basic_string<C>, const std::basic_string<C>&); \
  template std::basic_string<C> make(const std::basic_string<C>&);                         \
  template bool has_root(const std::basic_string<C>&);                                     \
  template std::basic_string<C> leaf(const std::basic_string<C>&);                         \
  template std::basic_string<C> parent(const std::basic_string<C>&);                       \
  template std::basic_string<C> fold(const std::basic_string<C>&);

LIB_PATH_INSTANTIATE(char)
LIB_PATH_INSTANTIATE(wchar_t)

}  // namespace lib::path
