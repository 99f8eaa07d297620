// One-character decoding of code page 949 (Korean), for fonts of the Hangul
// character set.
#pragma once

#include <cstddef>

namespace platform::text {

// True for the first byte of a two-byte CP949 character (0x81 to 0xFE).
bool is_cp949_lead_byte(unsigned char byte);

// Decodes one CP949 character at src[0, n) with decode_one's contract:
// returns bytes consumed (1 or 2), or 0 when src holds only a lead byte whose
// trail is missing. Invalid sequences give wide_default_char.
std::size_t decode_one_cp949(const char* src, std::size_t n, wchar_t& out);

}  // namespace platform::text
