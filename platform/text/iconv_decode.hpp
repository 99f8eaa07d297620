// One character through an open iconv decoder, for the code-page tables.
#pragma once

#include <iconv.h>

#include <cstddef>
#include <cstdint>

namespace platform::text {

// Decodes the n bytes at in with a decoder to "UTF-32LE": the code point, or
// fail when they are not exactly one character.
std::uint32_t iconv_decode_one(iconv_t decoder, const char* in, std::size_t n, std::uint32_t fail);

}  // namespace platform::text
