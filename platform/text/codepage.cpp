// CP932 coding through the compiled-in tables, and UTF-8 coding.
#include "platform/text/codepage.hpp"
#include "platform/text/cp932_build.hpp"

#include <algorithm>
#include <cstdint>

namespace platform::text {

int narrow_code(wchar_t ch) {
  if (ch == 0) return 0;
  if (ch < 0 || static_cast<std::uint32_t>(ch) > 0xFFFF) return -1;
  const std::uint16_t code = cp932_compiled.encode[static_cast<std::uint32_t>(ch)];
  return code ? code : -1;
}

std::size_t decode_one(const char* src, std::size_t n, wchar_t& out) {
  const cp932_table_set& t = cp932_compiled;
  auto b = static_cast<std::uint8_t>(src[0]);
  if (!is_lead_byte(b)) {
    out = (b == 0 || t.single[b] != 0) ? wchar_t(t.single[b]) : wide_default_char;
    return 1;
  }
  if (n < 2) return 0;
  auto trail = static_cast<std::uint8_t>(src[1]);
  std::uint16_t cp = t.pair[b << 8 | trail];
  if (cp != 0) {
    out = wchar_t(cp);
    return 2;
  }
  // An invalid pair: a trail byte that could start a character of its own is
  // left for the next step.
  out = wide_default_char;
  return (trail < 0x40 || trail == 0x7F) ? 1 : 2;
}

void append_narrow(const wchar_t* src, std::size_t n, std::string& out) {
  // narrow_code's rule with the table looked up once and the bytes written
  // into room made for the longest result, two bytes a character
  const std::uint16_t* encode = cp932_compiled.encode;
  const std::size_t start = out.size();
  out.resize(start + 2 * n);
  char* o = out.data() + start;
  for (std::size_t i = 0; i < n; ++i) {
    const auto ch = static_cast<std::uint32_t>(src[i]);
    const std::uint16_t code = ch <= 0xFFFF ? encode[ch] : 0;
    if (code > 0xFF) {
      *o++ = char(code >> 8);
      *o++ = char(code & 0xFF);
    } else if (code != 0 || ch == 0) {
      *o++ = char(code);
    } else {
      *o++ = narrow_default_char;
    }
  }
  out.resize(std::size_t(o - out.data()));
}

void append_wide(const char* src, std::size_t n, std::wstring& out) {
  out.reserve(out.size() + n);
  std::size_t i = 0;
  while (i < n) {
    wchar_t ch;
    std::size_t used = decode_one(src + i, n - i, ch);
    if (used == 0) {  // a lead byte at the very end
      out.push_back(wide_default_char);
      break;
    }
    out.push_back(ch);
    i += used;
  }
}

namespace {

// The lone surrogates that stand for bytes no valid sequence holds.
constexpr std::uint32_t escaped_byte_first = 0xDC80, escaped_byte_last = 0xDCFF;

// Writes cp's bytes at out and returns the end of them.
char* put_utf8(std::uint32_t cp, char* out) {
  if (cp < 0x80) {
    *out++ = char(cp);
  } else if (cp < 0x800) {
    *out++ = char(0xC0 | cp >> 6);
    *out++ = char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    *out++ = char(0xE0 | cp >> 12);
    *out++ = char(0x80 | (cp >> 6 & 0x3F));
    *out++ = char(0x80 | (cp & 0x3F));
  } else {
    *out++ = char(0xF0 | cp >> 18);
    *out++ = char(0x80 | (cp >> 12 & 0x3F));
    *out++ = char(0x80 | (cp >> 6 & 0x3F));
    *out++ = char(0x80 | (cp & 0x3F));
  }
  return out;
}

// Encodes text; with keep_bytes, U+DC80..U+DCFF become their byte. The
// bytes are written into room for the longest result, then cut to size.
std::string encode_utf8(const std::wstring& text, bool keep_bytes) {
  std::string out(text.size() * 4, '\0');
  char* o = out.data();
  for (wchar_t wc : text) {
    auto cp = static_cast<std::uint32_t>(wc);
    if (cp < 0x80) {
      *o++ = char(cp);
      continue;
    }
    if (keep_bytes && cp >= escaped_byte_first && cp <= escaped_byte_last) {
      *o++ = char(cp - 0xDC00);
      continue;
    }
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    o = put_utf8(cp, o);
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  return out;
}

// Length of the valid UTF-8 sequence at s[i, n) and its code point; 0 when
// no valid sequence starts there.
std::size_t valid_sequence(const unsigned char* s, std::size_t i, std::size_t n, std::uint32_t& cp) {
  const unsigned char b = s[i];
  std::size_t len;
  if (b < 0x80) {
    cp = b;
    return 1;
  }
  if (b >= 0xC2 && b <= 0xDF) {
    cp = b & 0x1F;
    len = 2;
  } else if (b >= 0xE0 && b <= 0xEF) {
    cp = b & 0x0F;
    len = 3;
  } else if (b >= 0xF0 && b <= 0xF4) {
    cp = b & 0x07;
    len = 4;
  } else {
    return 0;
  }
  if (n - i < len) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    if ((s[i + k] & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (s[i + k] & 0x3F);
  }
  if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
    return 0;
  return len;
}

// Whether from_utf8(text) == name, without making it.
bool decodes_to(const std::string& text, const std::wstring& name) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  std::size_t j = 0;
  for (std::size_t i = 0; i < n; ++j) {
    if (j == name.size()) return false;
    std::uint32_t cp = s[i];
    std::size_t len = 1;
    if (cp >= 0x80) {
      len = valid_sequence(s, i, n, cp);
      if (len == 0) {
        cp = 0xDC00 + s[i];
        len = 1;
      }
    }
    if (static_cast<std::uint32_t>(name[j]) != cp) return false;
    i += len;
  }
  return j == name.size();
}

}  // namespace

std::string to_utf8(const std::wstring& text) { return encode_utf8(text, true); }

std::string to_utf8_text(const std::wstring& text) { return encode_utf8(text, false); }

void append_from_utf8(const char* text, std::size_t n, std::wstring& out) {
  // one character at most for each byte: written into room for that many
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  const std::size_t start = out.size();
  out.resize(start + n);
  wchar_t* o = out.data() + start;
  for (std::size_t i = 0; i < n;) {
    if (s[i] < 0x80) {
      *o++ = wchar_t(s[i++]);
      continue;
    }
    std::uint32_t cp;
    const std::size_t len = valid_sequence(s, i, n, cp);
    if (len == 0) {
      // one byte of no valid sequence, kept as itself
      *o++ = wchar_t(0xDC00 + s[i]);
      ++i;
      continue;
    }
    *o++ = wchar_t(cp);
    i += len;
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
}

std::wstring from_utf8(const std::string& text) {
  std::wstring out;
  append_from_utf8(text.data(), text.size(), out);
  return out;
}

std::wstring from_utf8_text(const std::string& text) {
  std::wstring out;
  out.reserve(text.size());
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n;) {
    std::uint32_t cp;
    const std::size_t len = valid_sequence(s, i, n, cp);
    if (len != 0) {
      out.push_back(wchar_t(cp));
      i += len;
      continue;
    }
    // One U+FFFD for a lead byte with the continuation bytes that follow it
    // (as far as its sequence would reach), or for a byte that starts none.
    const unsigned char b = s[i];
    const std::size_t reach = (b >= 0xC2 && b <= 0xDF) ? 2 : (b >= 0xE0 && b <= 0xEF) ? 3 : (b >= 0xF0 && b <= 0xF4) ? 4 : 1;
    std::size_t k = 1;
    while (k < reach && i + k < n && (s[i + k] & 0xC0) == 0x80) ++k;
    out.push_back(L'\uFFFD');
    i += k;
  }
  return out;
}

bool os_name(const std::wstring& name, std::string& bytes) {
  if (name.find(L'\0') != std::wstring::npos) return false;
  std::string encoded = to_utf8(name);
  if (!decodes_to(encoded, name)) return false;
  bytes.swap(encoded);
  return true;
}

}  // namespace platform::text
