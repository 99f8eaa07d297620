// The CP932 tables: every single byte and every lead/trail pair decoded, and
// the whole Basic Multilingual Plane (CP932 holds nothing above) encoded.
// They are built once, when the program is built, from the C library's
// iconv, and compiled in: no process spends its start building them.
#pragma once

#include <cstdint>

namespace platform::text {

struct cp932_table_set {
  std::uint16_t single[256];      // 0 = not a character
  std::uint16_t pair[0x10000];    // [lead << 8 | trail], 0 = invalid
  std::uint16_t encode[0x10000];  // per BMP code point: one byte, or lead << 8 | trail; 0 = none
};

// Builds the tables from iconv; false (every entry 0, so every conversion
// substitutes) when the C library has no CP932.
bool build_cp932_tables(cp932_table_set& tables);

// The tables compiled into the library.
extern const cp932_table_set cp932_compiled;

}  // namespace platform::text
