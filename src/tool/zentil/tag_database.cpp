// The tag database file "system.txt": the tag store written as an XML
// document in code page 932 with CR LF line ends, and read back.
#include "tool/zentil/tag_database.hpp"

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <stdexcept>
#include <unordered_map>
#include <utility>
#include <vector>

#include <boost/make_shared.hpp>

#include "lib/error.hpp"
#include "lib/file.hpp"
#include "lib/hash.hpp"
#include "lib/xml.hpp"
#include "platform/fs/filesystem.hpp"
#include "platform/text/codepage.hpp"
#include "platform/text/locale.hpp"
#include "tool/zentil/shared.hpp"

namespace tool::zentil {
namespace {

// True when ch is written as itself: code page 932 holds it and reads it
// back as the same character, and it is neither the escape character nor the
// zero that ends a document for the reader.
bool written_plain(wchar_t ch) {
  if (ch == L'\\' || ch == 0) return false;
  const int code = platform::text::narrow_code(ch);
  if (code < 0) return false;
  const char bytes[2] = {char(code > 0xFF ? code >> 8 : code), char(code & 0xFF)};
  wchar_t back;
  return platform::text::decode_one(bytes, code > 0xFF ? 2 : 1, back) == (code > 0xFF ? 2u : 1u) && back == ch;
}

// written_plain for the Basic Multilingual Plane, found once: a save asks
// about every character of every tag and path.
const std::vector<bool>& plain_table() {
  static const std::vector<bool> plain = [] {
    std::vector<bool> table(0x10000);
    for (std::uint32_t c = 0; c < 0x10000; ++c) table[c] = written_plain(static_cast<wchar_t>(c));
    return table;
  }();
  return plain;
}

int hex_digit(wchar_t c) {
  if (c >= L'0' && c <= L'9') return c - L'0';
  if (c >= L'A' && c <= L'F') return c - L'A' + 10;
  if (c >= L'a' && c <= L'f') return c - L'a' + 10;
  return -1;
}

// Reads an escape \u{HEX} (one to eight digits) at text[i]: the character,
// with i moved past it; false (i unchanged) when no escape starts there.
bool read_escape(const std::wstring& text, std::size_t& i, wchar_t& out) {
  if (text.compare(i, 3, L"\\u{") != 0) return false;
  std::uint32_t code = 0;
  std::size_t j = i + 3;
  for (; j < text.size() && j - (i + 3) < 8 && hex_digit(text[j]) >= 0; ++j)
    code = code << 4 | std::uint32_t(hex_digit(text[j]));
  if (j == i + 3 || j >= text.size() || text[j] != L'}') return false;
  out = static_cast<wchar_t>(code);
  i = j + 1;
  return true;
}

// Escapes decoded; every other backslash becomes other_backslash.
std::wstring unescape(const std::wstring& text, std::size_t from, wchar_t other_backslash) {
  std::wstring out;
  out.reserve(text.size() - from);
  for (std::size_t i = from; i < text.size();) {
    // the run up to the next backslash stands as it is
    const std::size_t backslash = std::min(text.find(L'\\', i), text.size());
    out.append(text, i, backslash - i);
    i = backslash;
    if (i == text.size()) break;
    wchar_t ch = L'\\';
    if (read_escape(text, i, ch)) {
      out += ch;
      continue;
    }
    out += other_backslash;
    ++i;
  }
  return out;
}

// The serialised document as the bytes of the file: code page 932, each line
// feed as CR LF. The XML writer doubles every backslash; in these texts each
// one starts an escape, which the reader keeps as it stands when written
// once, so the pair is written as one and the file keeps the layout it has
// without escapes.
std::string file_bytes(const std::wstring& document) {
  std::string bytes;
  bytes.reserve(document.size() + document.size() / 8);
  const wchar_t* p = document.data();
  const wchar_t* const end = p + document.size();
  const wchar_t* run = p;
  for (; p != end; ++p) {
    if (*p != L'\n' && !(*p == L'\\' && p + 1 != end && p[1] == L'\\')) continue;
    platform::text::append_narrow(run, std::size_t(p - run), bytes);
    if (*p == L'\n') {
      bytes += "\r\n";
    } else {
      bytes += '\\';
      ++p;
    }
    run = p + 1;
  }
  platform::text::append_narrow(run, std::size_t(end - run), bytes);
  return bytes;
}

// Whether c is white space to the XML reader (platform::text::is_space),
// without a call for the characters that make up nearly all of a file.
inline bool is_space(wchar_t c) {
  if (c <= 0x20) return (c >= 0x09 && c <= 0x0D) || c == 0x20;
  return c >= 0x1680 && platform::text::is_space(c);
}

inline bool is_name_char(wchar_t c) {
  return c != L'=' && c != L'/' && c != L'<' && c != L'>' && c != L'"' && !is_space(c);
}

[[noreturn]] void parsing_failure() { lib::fail("lib/detail/xml/parse: parsing failure"); }

// The XML reader's grammar read once, front to back, keeping only what the
// tag store is made of. Every element is read and checked as the reader
// checks it (same depth limit, same refusals, an end tag naming another
// element noted and refused once the whole input is known to be well
// formed), but no element is kept: a tag's text and folders go straight
// into the records.
class records_reader {
 public:
  records_reader(const wchar_t* begin, const wchar_t* end, database_records& out)
      : p_(begin), end_(end), out_(out) {}

  void document() {
    element(role::root, 1);
    if (p_ != end_) parsing_failure();
    if (mismatch_) throw std::out_of_range("lib/xml/parser/eval_etag");
    if (incomplete_) lib::fail("lib/xml/child");
  }

 private:
  // What an element is to the store, from its place and name.
  enum class role { root, tag, tag_value, tag_path, folder, other };

  bool at(wchar_t c) const { return p_ != end_ && *p_ == c; }

  void expect(wchar_t c) {
    if (!at(c)) parsing_failure();
    ++p_;
  }

  void skip_space() {
    while (p_ != end_ && is_space(*p_)) ++p_;
  }

  bool element_follows() const {
    const wchar_t* q = p_;
    while (q != end_ && is_space(*q)) ++q;
    return q != end_ && *q == L'<' && q + 1 != end_ && q[1] != L'/';
  }

  std::wstring_view name() {
    const wchar_t* start = p_;
    while (p_ != end_ && is_name_char(*p_)) ++p_;
    if (p_ == start) parsing_failure();
    return {start, static_cast<std::size_t>(p_ - start)};
  }

  // The role of a child named n of an element of role parent.
  role child_role(role parent, std::wstring_view n) {
    switch (parent) {
      case role::root:
        return role::tag;
      case role::tag: {
        if (!has_value_ && n == L"value") {
          has_value_ = true;
          return role::tag_value;
        }
        if (!has_path_ && n == L"path") {
          has_path_ = true;
          out_.tags.back().first_folder = out_.folders.size();
          return role::tag_path;
        }
        return role::other;
      }
      case role::tag_path:
        return role::folder;
      default:
        return role::other;
    }
  }

  // element -> space* stag content etag space*
  void element(role parent, std::size_t depth) {
    skip_space();
    if (depth > lib::detail::xml::max_depth) parsing_failure();
    expect(L'<');
    const std::wstring_view n = name();
    const role r = depth == 1 ? role::root : child_role(parent, n);
    if (r == role::tag) {
      out_.tags.emplace_back();
      has_value_ = has_path_ = false;
    }
    // (space attribute)* '>': attributes are read and dropped
    for (;;) {
      if (at(L'>')) break;
      if (p_ == end_ || !is_space(*p_)) parsing_failure();
      ++p_;
      name();
      expect(L'=');
      value();
    }
    ++p_;
    // the slot of a folder comes first: its own children add nothing
    if (r == role::folder) out_.folders.emplace_back();
    if (!element_follows()) {
      const wchar_t* start = p_;
      const bool escaped = text();
      if (r == role::tag_value)
        out_.tags.back().text = tag_text(start, escaped);
      else if (r == role::folder)
        out_.folders.back() = path_text(start, escaped);
    } else {
      do element(r, depth + 1);
      while (element_follows());
    }
    if (r == role::tag_path) out_.tags.back().folder_count = out_.folders.size() - out_.tags.back().first_folder;
    if (r == role::tag && !(has_value_ && has_path_)) incomplete_ = true;
    // etag -> '<' '/' name '>'
    expect(L'<');
    expect(L'/');
    const wchar_t* start = p_;
    while (p_ != end_ && is_name_char(*p_)) ++p_;
    if (p_ == start) parsing_failure();
    if (std::wstring_view(start, static_cast<std::size_t>(p_ - start)) != n) mismatch_ = true;
    expect(L'>');
    skip_space();
  }

  // value -> '"' (escape | character other than '"')* '"'
  void value() {
    expect(L'"');
    for (;;) {
      if (p_ == end_) parsing_failure();
      if (*p_ == L'"') break;
      if (*p_ == L'\\' && p_ + 1 != end_) ++p_;
      ++p_;
    }
    ++p_;
  }

  // text -> (escape | character other than '<', '>', '\')*; true when it
  // holds an escape.
  bool text() {
    bool escaped = false;
    while (p_ != end_ && *p_ != L'<' && *p_ != L'>') {
      if (*p_ == L'\\') {
        if (p_ + 1 == end_) break;
        escaped = true;
        ++p_;
      }
      ++p_;
    }
    return escaped;
  }

  // The text between start and here with the reader's escapes resolved (a
  // backslash dropped before '\', '<', '>' and '"', kept before anything
  // else), then the database's own.
  std::wstring reader_text(const wchar_t* start) const {
    std::wstring out;
    const wchar_t* run = start;
    for (const wchar_t* q = start; (q = std::wmemchr(q, L'\\', static_cast<std::size_t>(p_ - q))) != nullptr;) {
      out.append(run, q);
      if (q[1] != L'\\' && q[1] != L'<' && q[1] != L'>' && q[1] != L'"') out += L'\\';
      out += q[1];
      q += 2;
      run = q;
    }
    out.append(run, p_);
    return out;
  }

  std::wstring_view tag_text(const wchar_t* start, bool escaped) {
    if (!escaped) return {start, static_cast<std::size_t>(p_ - start)};
    return out_.owned.emplace_back(unescape_tag_text(reader_text(start)));
  }

  std::wstring_view path_text(const wchar_t* start, bool escaped) {
    if (escaped) return out_.owned.emplace_back(unescape_path_text(reader_text(start)));
    std::wstring_view plain(start, static_cast<std::size_t>(p_ - start));
    // as unescape_path_text: a leading "//:" goes
    if (plain.compare(0, 3, L"//:") == 0) plain.remove_prefix(3);
    return plain;
  }

  const wchar_t* p_;
  const wchar_t* const end_;
  database_records& out_;
  bool mismatch_ = false;
  bool incomplete_ = false;  // a tag element lacks its "value" or "path"
  bool has_value_ = false, has_path_ = false;  // of the tag being read
};

// A folder path's hash from its length and its last characters: the folders
// of one database mostly share their beginning (the root folder) and differ
// at the end, and a collision costs only a comparison more.
struct path_tail_hash {
  std::size_t operator()(std::wstring_view path) const {
    constexpr std::size_t tail = 24;
    const std::wstring_view end = path.size() > tail ? path.substr(path.size() - tail) : path;
    std::size_t h = path.size() * 0x9E3779B97F4A7C15u;
    for (const wchar_t c : end) h = (h ^ static_cast<std::uint32_t>(c)) * 0x100000001B3u;
    return h;
  }
};

}  // namespace

void read_database_records(const std::wstring& document, database_records& out) {
  const wchar_t* begin = document.c_str();
  records_reader(begin, begin + std::wcslen(begin), out).document();
}

std::wstring escape_database_text(const std::wstring& text) {
  static const wchar_t digits[] = L"0123456789ABCDEF";
  std::wstring out;
  out.reserve(text.size());
  const std::vector<bool>& plain = plain_table();
  std::size_t plain_from = 0;  // the run of plain characters not yet copied
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t ch = text[i];
    const auto code = static_cast<std::uint32_t>(ch);
    if (code < 0x10000 ? plain[code] : written_plain(ch)) continue;
    out.append(text, plain_from, i - plain_from);
    plain_from = i + 1;
    out += L"\\u{";
    int shift = 28;
    while (shift > 0 && (code >> shift) == 0) shift -= 4;
    for (; shift >= 0; shift -= 4) out += digits[code >> shift & 0xF];
    out += L'}';
  }
  out.append(text, plain_from, std::wstring::npos);
  return out;
}

std::wstring unescape_tag_text(const std::wstring& text) { return unescape(text, 0, L'\\'); }

std::wstring unescape_path_text(const std::wstring& text) {
  // Appending to the empty path drops a leading "//:", as lib::path::make does.
  const std::size_t from = text.compare(0, 3, L"//:") == 0 ? 3 : 0;
  return unescape(text, from, L'/');
}

bool shared::load_tag_database(const std::wstring& name) {
  // Complete copies of the user's data that saves cut short before their
  // rename left beside the file; nothing else in the folder is touched.
  platform::fs::remove_stale_temporaries(name);
  // The whole document is read and checked before anything is linked, so a
  // file that fails leaves the store as it was.
  const std::wstring document = lib::file::open(name);
  database_records records;
  read_database_records(document, records);

  // The links link_tag would make, in the same order: each folder asked
  // about once and looked up in the store once, each tag text tested once
  // per element, however many links name them.
  std::unordered_map<std::wstring_view, tag::directory*, path_tail_hash> folders;  // null: gone
  folders.reserve(records.folders.size());
  std::wstring key;
  for (const database_records::tag_entry& entry : records.tags) {
    key.assign(entry.text);
    if (!is_tag_word(key)) continue;
    tag* record = nullptr;
    for (std::size_t i = 0; i < entry.folder_count; ++i) {
      const std::wstring_view path = records.folders[entry.first_folder + i];
      auto known = folders.find(path);
      if (known == folders.end()) {
        tag::directory* folder = nullptr;
        key.assign(path);
        if (path_exists(key)) {
          auto stored = directory_map.find(key);
          if (stored == directory_map.end()) stored = directory_map.emplace(key, boost::make_shared<tag::directory>(key)).first;
          folder = stored->second.get();
        }
        known = folders.emplace(path, folder).first;
      }
      tag::directory* folder = known->second;
      if (!folder) continue;
      if (!record) {
        key.assign(entry.text);
        auto stored = tag_map.find(key);
        if (stored == tag_map.end()) stored = tag_map.emplace(key, boost::make_shared<tag>(key)).first;
        record = stored->second.get();
      }
      tag::add_link(folder->links, record);
      tag::add_link(record->links, folder);
    }
  }
  return true;
}

void shared::write_tag_element(lib::xml::element& element, const tag& record) {
  element = lib::xml::element::element_with_name(L"tag");
  element.children.resize(2);
  lib::xml::element& value = element.children[0];
  value = lib::xml::element::element_with_name(L"value");
  value.text = escape_database_text(record.name);
  lib::xml::element& paths = element.children[1];
  paths = lib::xml::element::element_with_name(L"path");
  paths.children.resize(record.links.size());
  std::size_t i = 0;
  for (const tag::directory* folder : record.links) {
    lib::xml::element& v = paths.children[i++];
    v = lib::xml::element::element_with_name(L"value");
    v.text = escape_database_text(folder->name);
  }
}

void shared::save_tag_database(const std::wstring& name) const {
  lib::xml::element root = lib::xml::element::element_with_name(L"root");
  root.children.resize(tag_map.size());
  std::size_t i = 0;
  for (const auto& entry : tag_map) write_tag_element(root.children[i++], *entry.second);
  if (!platform::fs::replace_file(name, file_bytes(root.serialize(0))))
    lib::fail("tool/zentil/shared/save_tag_database");
}

}  // namespace tool::zentil
