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

// UTF-8 at the OS. Two pairs, for the two kinds of text that cross there.
//
// Names the OS gives and takes (file and folder names, paths, the current
// folder): to_utf8 and from_utf8, byte-exact. A Linux name may be any bytes,
// so from_utf8 decodes each byte that is not part of a valid UTF-8 sequence
// as the lone surrogate U+DC80 + byte, and to_utf8 encodes U+DC80..U+DCFF
// back as that byte: every listed name opens again and two names that differ
// in such bytes stay two names. Other code points UTF-8 cannot hold
// (surrogates outside that range, above U+10FFFF) encode as U+FFFD; os_name
// tells whether a text is the decoding of some byte string at all.
std::string to_utf8(const std::wstring& text);
std::wstring from_utf8(const std::string& text);
// from_utf8 of the n bytes at text, appended to out.
void append_from_utf8(const char* text, std::size_t n, std::wstring& out);
// The bytes of an OS name: false when no byte string decodes to name (a zero
// character, a code point to_utf8 cannot spell, or escaped bytes that would
// read back as a valid sequence), so such a name never reaches the OS as the
// name of something else.
bool os_name(const std::wstring& name, std::string& bytes);

// Text that is not a name (window titles, typed text, the clipboard, text
// shown to the user): to_utf8_text and from_utf8_text. Invalid UTF-8 decodes
// to U+FFFD, one per bad sequence; code points UTF-8 cannot hold, lone
// surrogates included, encode as U+FFFD, so the bytes are always valid UTF-8.
std::string to_utf8_text(const std::wstring& text);
std::wstring from_utf8_text(const std::string& text);

}  // namespace platform::text
