// CP932 tables built once from iconv, and UTF-8 coding.
#include "platform/text/codepage.hpp"
#include "platform/text/iconv_decode.hpp"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>

namespace platform::text {

std::uint32_t iconv_decode_one(iconv_t decoder, const char* in, std::size_t n, std::uint32_t fail) {
  char* ip = const_cast<char*>(in);
  char buf[8];
  char* op = buf;
  std::size_t il = n, ol = sizeof buf;
  iconv(decoder, nullptr, nullptr, nullptr, nullptr);
  if (iconv(decoder, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1) || il != 0 || op - buf != 4) return fail;
  return std::uint32_t(std::uint8_t(buf[0])) | std::uint32_t(std::uint8_t(buf[1])) << 8 |
         std::uint32_t(std::uint8_t(buf[2])) << 16 | std::uint32_t(std::uint8_t(buf[3])) << 24;
}

namespace {

// Rows of codes go through iconv together: all single bytes, then the pairs of one lead byte.
constexpr std::size_t row_max = 256;

// Decodes count units of width bytes each, laid end to end at in, with one iconv call per run of units the
// decoder takes: out[i] is unit i's code point, or fail where the unit is not exactly one character, the
// answer iconv_decode_one gives for the unit alone. A run whose output cannot be matched to its units one to
// one is decoded again unit by unit.
void decode_row(iconv_t decoder, const char* in, std::size_t width, std::size_t count, std::uint32_t* out,
                std::uint32_t fail) {
  char buffer[row_max * 8];
  std::size_t pos = 0;
  while (pos < count) {
    const char* run = in + pos * width;
    char* ip = const_cast<char*>(run);
    std::size_t il = (count - pos) * width;
    char* op = buffer;
    std::size_t ol = sizeof buffer;
    iconv(decoder, nullptr, nullptr, nullptr, nullptr);
    const bool stopped = iconv(decoder, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1);
    const auto consumed = std::size_t(ip - run), made = std::size_t(op - buffer);
    const std::size_t whole = consumed / width;
    if (consumed % width != 0 || made != 4 * whole || (stopped && errno == E2BIG)) {
      const std::size_t end = std::min(count, pos + whole + 1);
      for (; pos < end; ++pos) out[pos] = iconv_decode_one(decoder, in + pos * width, width, fail);
      continue;
    }
    for (std::size_t i = 0; i < whole; ++i) {
      const auto* b = reinterpret_cast<const unsigned char*>(buffer + 4 * i);
      out[pos + i] = std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
                     std::uint32_t(b[3]) << 24;
    }
    pos += whole;
    if (stopped && pos < count) out[pos++] = fail;  // the unit the decoder refused
  }
}

// One code point to CP932: one byte, or lead << 8 | trail; -1 when there is none.
std::int32_t encode_one(iconv_t encoder, const char* cp) {
  char* ip = const_cast<char*>(cp);
  char bytes[4];
  char* op = bytes;
  std::size_t il = 4, ol = sizeof bytes;
  iconv(encoder, nullptr, nullptr, nullptr, nullptr);
  if (iconv(encoder, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1)) return -1;
  if (op - bytes == 1) return std::uint8_t(bytes[0]);
  if (op - bytes == 2) return std::uint8_t(bytes[0]) << 8 | std::uint8_t(bytes[1]);
  return -1;
}

// Encodes count code points with one iconv call per run the encoder takes: out[i] is what encode_one gives
// for cps[i]. An output byte that is a lead byte starts a two-byte code; a run whose output does not split
// into one code per code point is encoded again one by one.
void encode_row(iconv_t encoder, const std::uint32_t* cps, std::size_t count, std::int32_t* out) {
  char in[row_max * 4], buffer[row_max * 4];
  for (std::size_t i = 0; i < count; ++i) {
    for (std::size_t k = 0; k < 4; ++k) in[4 * i + k] = char(cps[i] >> (8 * k) & 0xFF);
  }
  std::size_t pos = 0;
  while (pos < count) {
    const char* run = in + 4 * pos;
    char* ip = const_cast<char*>(run);
    std::size_t il = (count - pos) * 4;
    char* op = buffer;
    std::size_t ol = sizeof buffer;
    iconv(encoder, nullptr, nullptr, nullptr, nullptr);
    const bool stopped = iconv(encoder, &ip, &il, &op, &ol) == static_cast<std::size_t>(-1);
    const std::size_t whole = std::size_t(ip - run) / 4;
    std::size_t codes = 0;
    for (const char* b = buffer; b < op; ++codes) {
      const auto lead = std::uint8_t(b[0]);
      if (is_lead_byte(lead) && op - b >= 2) {
        if (codes < whole) out[pos + codes] = lead << 8 | std::uint8_t(b[1]);
        b += 2;
      } else {
        if (codes < whole) out[pos + codes] = lead;
        b += 1;
      }
    }
    if (codes != whole || (stopped && errno == E2BIG)) {
      const std::size_t end = std::min(count, pos + whole + 1);
      for (; pos < end; ++pos) out[pos] = encode_one(encoder, in + 4 * pos);
      continue;
    }
    pos += whole;
    if (stopped && pos < count) out[pos++] = -1;  // the code point the encoder refused
  }
}

// Decode table for every single byte and every lead/trail pair, and encode
// table for the whole Basic Multilingual Plane (CP932 holds nothing above).
// Built a row of codes per iconv call, not one code per call.
struct cp932_tables {
  // Zeroed by calloc: memory fresh from the system is zero already, so only the pages written are touched.
  struct table_free {
    void operator()(std::uint16_t* p) const { std::free(p); }
  };
  using table = std::unique_ptr<std::uint16_t[], table_free>;
  static table zeroed_table() {
    auto* p = static_cast<std::uint16_t*>(std::calloc(0x10000, sizeof(std::uint16_t)));
    if (!p) throw std::bad_alloc();
    return table(p);
  }

  std::array<std::uint16_t, 256> single{};  // 0 = not a character
  table pair = zeroed_table();              // [lead][trail], 0 = invalid
  table encode = zeroed_table();            // per BMP code point, 0 = none (U+0000 is 0 by itself)

  cp932_tables() {
    iconv_t dec = iconv_open("UTF-32LE", "CP932");
    iconv_t enc = iconv_open("CP932", "UTF-32LE");
    if (dec == reinterpret_cast<iconv_t>(-1) || enc == reinterpret_cast<iconv_t>(-1))
      return;  // no CP932 in this C library: every conversion substitutes
    constexpr std::uint32_t fail = 0xFFFFFFFF;
    char bytes[row_max * 2];
    std::uint32_t cps[row_max];
    std::size_t n = 0;
    for (int b = 0; b < 256; ++b)
      if (!is_lead_byte(std::uint8_t(b))) bytes[n++] = char(b);
    decode_row(dec, bytes, 1, n, cps, fail);
    for (std::size_t i = 0; i < n; ++i) {
      if (cps[i] <= 0xFFFF) single[std::uint8_t(bytes[i])] = std::uint16_t(cps[i]);
    }
    encode_decoded(enc, cps, n);

    for (int lead = 0x81; lead <= 0xFC; ++lead) {
      if (!is_lead_byte(std::uint8_t(lead))) continue;
      n = 0;
      for (int trail = 0x40; trail <= 0xFC; ++trail, ++n) {
        bytes[2 * n] = char(lead);
        bytes[2 * n + 1] = char(trail);
      }
      decode_row(dec, bytes, 2, n, cps, fail);
      for (std::size_t i = 0; i < n; ++i) {
        if (cps[i] > 0 && cps[i] <= 0xFFFF) {
          pair[std::size_t(lead) << 8 | std::uint8_t(bytes[2 * i + 1])] = std::uint16_t(cps[i]);
        } else {
          cps[i] = fail;
        }
      }
      encode_decoded(enc, cps, n);
    }
    iconv_close(dec);
    iconv_close(enc);
  }

  // Fills the encode entries of the row's characters that have none yet. Characters coded twice (NEC and IBM
  // rows) encode to the code iconv prefers.
  void encode_decoded(iconv_t enc, const std::uint32_t* cps, std::size_t n) {
    std::uint32_t pending[row_max];
    std::int32_t codes[row_max];
    std::size_t m = 0;
    for (std::size_t i = 0; i < n; ++i)
      if (cps[i] <= 0xFFFF && encode[cps[i]] == 0) pending[m++] = cps[i];
    encode_row(enc, pending, m, codes);
    for (std::size_t i = 0; i < m; ++i)
      if (codes[i] > 0) encode[pending[i]] = std::uint16_t(codes[i]);
  }
};

const cp932_tables& tables() {
  static const cp932_tables t;
  return t;
}

}  // namespace

bool is_lead_byte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

int narrow_code(wchar_t ch) {
  if (ch == 0) return 0;
  if (ch < 0 || static_cast<std::uint32_t>(ch) > 0xFFFF) return -1;
  const std::uint16_t code = tables().encode[static_cast<std::uint32_t>(ch)];
  return code ? code : -1;
}

std::size_t decode_one(const char* src, std::size_t n, wchar_t& out) {
  const cp932_tables& t = tables();
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
  const std::uint16_t* encode = tables().encode.get();
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

void put_utf8(std::uint32_t cp, std::string& out) {
  if (cp < 0x80) {
    out.push_back(char(cp));
  } else if (cp < 0x800) {
    out.push_back(char(0xC0 | cp >> 6));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(char(0xE0 | cp >> 12));
    out.push_back(char(0x80 | (cp >> 6 & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(char(0xF0 | cp >> 18));
    out.push_back(char(0x80 | (cp >> 12 & 0x3F)));
    out.push_back(char(0x80 | (cp >> 6 & 0x3F)));
    out.push_back(char(0x80 | (cp & 0x3F)));
  }
}

// Encodes text; with keep_bytes, U+DC80..U+DCFF become their byte.
std::string encode_utf8(const std::wstring& text, bool keep_bytes) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t wc : text) {
    auto cp = static_cast<std::uint32_t>(wc);
    if (keep_bytes && cp >= escaped_byte_first && cp <= escaped_byte_last) {
      out.push_back(char(cp - 0xDC00));
      continue;
    }
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    put_utf8(cp, out);
  }
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

}  // namespace

std::string to_utf8(const std::wstring& text) { return encode_utf8(text, true); }

std::string to_utf8_text(const std::wstring& text) { return encode_utf8(text, false); }

std::wstring from_utf8(const std::string& text) {
  std::wstring out;
  out.reserve(text.size());
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n;) {
    std::uint32_t cp;
    const std::size_t len = valid_sequence(s, i, n, cp);
    if (len == 0) {
      // one byte of no valid sequence, kept as itself
      out.push_back(wchar_t(0xDC00 + s[i]));
      ++i;
      continue;
    }
    out.push_back(wchar_t(cp));
    i += len;
  }
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
  if (from_utf8(encoded) != name) return false;
  bytes.swap(encoded);
  return true;
}

}  // namespace platform::text
