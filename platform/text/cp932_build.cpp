// The CP932 tables as iconv gives them, built a row of codes per iconv call, not one code per call. The build
// runs this once, through platform/text/gen, and compiles the result into the library.
#include "platform/text/cp932_build.hpp"
#include "platform/text/codepage.hpp"
#include "platform/text/iconv_decode.hpp"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <iterator>

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

// Fills the encode entries of the row's characters that have none yet. Characters coded twice (NEC and IBM rows)
// encode to the code iconv prefers.
void encode_decoded(iconv_t enc, const std::uint32_t* cps, std::size_t n, std::uint16_t* encode) {
  std::uint32_t pending[row_max];
  std::int32_t codes[row_max];
  std::size_t m = 0;
  for (std::size_t i = 0; i < n; ++i)
    if (cps[i] <= 0xFFFF && encode[cps[i]] == 0) pending[m++] = cps[i];
  encode_row(enc, pending, m, codes);
  for (std::size_t i = 0; i < m; ++i)
    if (codes[i] > 0) encode[pending[i]] = std::uint16_t(codes[i]);
}

}  // namespace

bool is_lead_byte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

bool build_cp932_tables(cp932_table_set& t) {
  std::fill(std::begin(t.single), std::end(t.single), std::uint16_t(0));
  std::fill(std::begin(t.pair), std::end(t.pair), std::uint16_t(0));
  std::fill(std::begin(t.encode), std::end(t.encode), std::uint16_t(0));
  iconv_t dec = iconv_open("UTF-32LE", "CP932");
  iconv_t enc = iconv_open("CP932", "UTF-32LE");
  if (dec == reinterpret_cast<iconv_t>(-1) || enc == reinterpret_cast<iconv_t>(-1)) {
    if (dec != reinterpret_cast<iconv_t>(-1)) iconv_close(dec);
    if (enc != reinterpret_cast<iconv_t>(-1)) iconv_close(enc);
    return false;  // no CP932 in this C library: every conversion substitutes
  }
  constexpr std::uint32_t fail = 0xFFFFFFFF;
  char bytes[row_max * 2];
  std::uint32_t cps[row_max];
  std::size_t n = 0;
  for (int b = 0; b < 256; ++b)
    if (!is_lead_byte(std::uint8_t(b))) bytes[n++] = char(b);
  decode_row(dec, bytes, 1, n, cps, fail);
  for (std::size_t i = 0; i < n; ++i) {
    if (cps[i] <= 0xFFFF) t.single[std::uint8_t(bytes[i])] = std::uint16_t(cps[i]);
  }
  encode_decoded(enc, cps, n, t.encode);

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
        t.pair[std::size_t(lead) << 8 | std::uint8_t(bytes[2 * i + 1])] = std::uint16_t(cps[i]);
      } else {
        cps[i] = fail;
      }
    }
    encode_decoded(enc, cps, n, t.encode);
  }
  iconv_close(dec);
  iconv_close(enc);
  return true;
}

}  // namespace platform::text
