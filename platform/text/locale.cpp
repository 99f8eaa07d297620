// The in-memory "japanese" locale and its CP932 stream conversion.
#include "platform/text/locale.hpp"

#include <cstring>
#include <stdexcept>

#include "platform/text/codepage.hpp"

namespace platform::text {

cp932_codecvt::result cp932_codecvt::do_out(state_type&, const wchar_t* from, const wchar_t* from_end,
                                            const wchar_t*& from_next, char* to, char* to_end,
                                            char*& to_next) const {
  for (; from != from_end; ++from) {
    int code = narrow_code(*from);
    if (code < 0) code = static_cast<unsigned char>(narrow_default_char);
    if (code > 0xFF) {
      if (to_end - to < 2) break;
      *to++ = char(code >> 8);
      *to++ = char(code & 0xFF);
    } else {
      if (to == to_end) break;
      *to++ = char(code);
    }
  }
  from_next = from;
  to_next = to;
  return from == from_end ? ok : partial;
}

namespace {

// The conversion state's one flag: the last do_in stopped at a lead byte that
// had nothing after it in its input.
static_assert(sizeof(std::mbstate_t) >= sizeof(int), "room for the flag");

bool stopped_at_lone_lead(const std::mbstate_t& state) {
  int flag;
  std::memcpy(&flag, &state, sizeof flag);
  return flag == 1;
}

void set_stopped_at_lone_lead(std::mbstate_t& state, bool on) {
  const int flag = on ? 1 : 0;
  std::memcpy(&state, &flag, sizeof flag);
}

}  // namespace

cp932_codecvt::result cp932_codecvt::do_in(state_type& state, const char* from, const char* from_end,
                                           const char*& from_next, wchar_t* to, wchar_t* to_end,
                                           wchar_t*& to_next) const {
  const bool waited = stopped_at_lone_lead(state);
  set_stopped_at_lone_lead(state, false);
  const char* const start = from;
  while (from != from_end && to != to_end) {
    std::size_t used = decode_one(from, std::size_t(from_end - from), *to);
    if (used == 0) {
      // A lead byte whose trail is not in this input. A file stream hands
      // it back with the bytes read next; when the same lone byte comes back
      // with nothing after it, no more bytes came: the file ends there.
      if (waited && from == start && from_end - from == 1) {
        *to++ = wide_default_char;
        ++from;
        break;
      }
      set_stopped_at_lone_lead(state, true);
      break;
    }
    from += used;
    ++to;
  }
  from_next = from;
  to_next = to;
  return from == from_end ? ok : partial;
}

cp932_codecvt::result cp932_codecvt::do_unshift(state_type&, char* to, char*, char*& to_next) const {
  to_next = to;
  return noconv;
}

int cp932_codecvt::do_length(state_type&, const char* from, const char* end, std::size_t max) const {
  const char* p = from;
  wchar_t ch;
  for (std::size_t n = 0; n < max && p != end; ++n) {
    std::size_t used = decode_one(p, std::size_t(end - p), ch);
    // a lone lead byte at the end of converted input was one U+30FB
    p += used == 0 ? 1 : used;
  }
  return int(p - from);
}

bool is_space(wchar_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A && c != 0x2007) ||
         c == 0x2028 || c == 0x2029 || c == 0x205F || c == 0x3000;
}

namespace {

std::locale build_japanese() {
  std::locale loc = std::locale::classic();
  try {
    // Character classes of C.UTF-8: kana and kanji are letters.
    loc = std::locale(loc, std::locale("C.UTF-8"), std::locale::ctype);
  } catch (const std::runtime_error&) {
    // No C.UTF-8: the classic classes still work for ASCII.
  }
  return std::locale(loc, new cp932_codecvt);
}

}  // namespace

const std::locale& japanese_locale() {
  static const std::locale loc = build_japanese();
  return loc;
}

}  // namespace platform::text
