// The tag database file "system.txt": the tag store written as an XML
// document in code page 932 with CR LF line ends, and read back.
#include "tool/zentil/tag_database.hpp"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "lib/error.hpp"
#include "lib/file.hpp"
#include "lib/hash.hpp"
#include "lib/xml.hpp"
#include "platform/fs/filesystem.hpp"
#include "platform/text/codepage.hpp"
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

}  // namespace

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
  lib::xml::element root;
  lib::detail::xml::parse(lib::file::open(name), root);

  // The whole document is checked before anything is linked, so a file that
  // fails leaves the store as it was.
  std::vector<std::pair<std::wstring, std::vector<std::wstring>>> tags;
  tags.reserve(root.children.size());
  for (const lib::xml::element& e : root.children) {
    std::wstring tag_text = unescape_tag_text(lib::xml::child(e, L"value").text);
    const lib::xml::element& paths = lib::xml::child(e, L"path");
    std::vector<std::wstring> folders;
    folders.reserve(paths.children.size());
    for (const lib::xml::element& v : paths.children) folders.push_back(unescape_path_text(v.text));
    tags.emplace_back(std::move(tag_text), std::move(folders));
  }
  // The links link_tag would make, with each folder asked about once and each
  // tag text tested once, however many links name them.
  lib::hash<std::wstring, bool> exists;
  for (const auto& [tag_text, folders] : tags) {
    if (!is_tag_word(tag_text)) continue;
    for (const std::wstring& folder : folders) {
      auto known = exists.find(folder);
      if (known == exists.end()) known = exists.emplace(folder, path_exists(folder)).first;
      if (known->second) link_checked(folder, tag_text);
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
