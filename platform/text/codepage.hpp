// Conversions between wide text (one wchar_t per code point) and the system
// code page (CP932), and between wide text and UTF-8 (file system, SDL).
#pragma once

#include <cstddef>
#include <string>

namespace platform::text {

// Substitutes used where a conversion meets something it cannot hold.
constexpr char narrow_default_char = '?';
constexpr wchar_t wide_default_char = L'\u30FB';

// True for the first byte of a two-byte CP932 character.
bool is_lead_byte(unsigned char byte);

// Both convert src[0, n) and append to out. Characters CP932 cannot hold
// become narrow_default_char; byte sequences that are not CP932 become
// wide_default_char. Neither stops at a zero: callers cut their sources.
void append_narrow(const wchar_t* src, std::size_t n, std::string& out);
void append_wide(const char* src, std::size_t n, std::wstring& out);

// The CP932 code of one character: one byte (<= 0xFF) or a lead/trail pair
// (lead << 8 | trail); -1 when CP932 has no such character.
int narrow_code(wchar_t ch);
// Decodes one character at src[0, n): returns bytes consumed (1 or 2), or 0
// when src holds only a lead byte whose trail is missing. Invalid sequences
// give wide_default_char.
std::size_t decode_one(const char* src, std::size_t n, wchar_t& out);

// UTF-8, for the OS-facing parts of the platform layer. Invalid UTF-8 bytes
// decode to U+FFFD; code points above U+10FFFF or surrogates encode as U+FFFD.
std::string to_utf8(const std::wstring& text);
std::wstring from_utf8(const std::string& text);

}  // namespace platform::text
