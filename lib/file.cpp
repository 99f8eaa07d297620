// Whole-file reading: the bytes at once, line ends as text mode reads them,
// then a strict code-page decode.
#include "lib/file.hpp"
#include "lib/error.hpp"

#include <cstdint>
#include <cstring>
#include <stdexcept>

#include "platform/fs/filesystem.hpp"
#include "platform/text/codepage.hpp"

namespace lib::file {
namespace {

// decode_one gives wide_default_char for a sequence that is not code-page
// text; that character also has a code of its own, which tells the two apart.
bool decoded_cleanly(const char* src, std::size_t used, wchar_t ch) {
  if (used == 0) return false;  // a lead byte with no trail before the end
  if (ch != platform::text::wide_default_char) return true;
  const int code = platform::text::narrow_code(ch);
  return used == 2 && code == (static_cast<unsigned char>(src[0]) << 8 | static_cast<unsigned char>(src[1]));
}

// What decoding gives for each byte below 0x80, found once: those bytes are
// never lead bytes, and most of any file is made of them.
// plain: the character, or -1 for a byte that is not decoded alone (a CR,
// which may start CR LF, or one that is no code-page text).
// as_itself: every such byte but CR decodes to the character of its own
// value, so runs of them can be widened eight at a time.
struct single_bytes {
  wchar_t plain[0x80];
  bool as_itself = true;
  single_bytes() {
    for (int b = 0; b < 0x80; ++b) {
      const char byte = static_cast<char>(b);
      wchar_t ch;
      const std::size_t used = platform::text::decode_one(&byte, 1, ch);
      plain[b] = used == 1 && b != '\r' && decoded_cleanly(&byte, used, ch) ? ch : wchar_t(-1);
      if (b != '\r' && plain[b] != b) as_itself = false;
    }
  }
};

// Whether none of the eight bytes of w is 0x80 or above, or a CR.
inline bool plain_word(std::uint64_t w) {
  constexpr std::uint64_t ones = 0x0101010101010101u, highs = 0x8080808080808080u;
  const std::uint64_t cr = w ^ (ones * '\r');
  return ((w | ((cr - ones) & ~cr)) & highs) == 0;
}

}  // namespace

std::wstring open(const std::wstring& name) {
  std::string bytes;
  if (!platform::fs::read_file(name, bytes)) fail("lib/file/open");
  // one character at most for each byte: written into room for that many
  std::wstring text(bytes.size(), L'\0');
  wchar_t* out = text.data();
  static const single_bytes single;
  const char* p = bytes.data();
  const char* end = p + bytes.size();
  while (p != end) {
    if (single.as_itself) {
      for (std::uint64_t w; end - p >= 8 && (std::memcpy(&w, p, 8), plain_word(w)); p += 8, out += 8)
        for (int i = 0; i < 8; ++i) out[i] = static_cast<wchar_t>(static_cast<unsigned char>(p[i]));
      if (p == end) break;
    }
    const auto b = static_cast<unsigned char>(*p);
    if (b < 0x80 && single.plain[b] != wchar_t(-1)) {
      *out++ = single.plain[b];
      ++p;
      continue;
    }
    // CR LF is one LF; a CR byte is never the trail of a pair, so the bytes
    // can be looked at before decoding.
    if (*p == '\r' && end - p >= 2 && p[1] == '\n') {
      *out++ = L'\n';
      p += 2;
      continue;
    }
    wchar_t ch;
    std::size_t used = platform::text::decode_one(p, std::size_t(end - p), ch);
    if (!decoded_cleanly(p, used, ch)) fail("lib/file/open");
    *out++ = ch;
    p += used;
  }
  text.resize(static_cast<std::size_t>(out - text.data()));
  return text;
}

}  // namespace lib::file
