// CP949 decode table built once from iconv.
#include "platform/text/cp949.hpp"

#include <iconv.h>

#include <array>
#include <cstdint>
#include <vector>

#include "platform/text/codepage.hpp"
#include "platform/text/iconv_decode.hpp"

namespace platform::text {
namespace {

// Trail bytes of a CP949 pair: A-Z, a-z and 0x81 to 0xFE.
bool is_trail_byte(unsigned char b)
{
    return (b >= 0x41 && b <= 0x5A) || (b >= 0x61 && b <= 0x7A) || (b >= 0x81 && b <= 0xFE);
}

struct cp949_table {
    std::array<std::uint16_t, 128> high_single{};  // bytes 0x80 to 0xFF alone, 0 = invalid
    std::vector<std::uint16_t> pair;               // [lead][trail], 0 = invalid

    cp949_table() : pair(256 * 256, 0)
    {
        iconv_t dec = iconv_open("UTF-32LE", "CP949");
        if (dec == reinterpret_cast<iconv_t>(-1)) return;  // no CP949 here: every pair substitutes
        auto decode = [&](const char* in, std::size_t n) { return iconv_decode_one(dec, in, n, 0); };
        for (int b = 0x80; b <= 0xFF; ++b) {
            if (is_cp949_lead_byte(std::uint8_t(b))) continue;
            const char c = char(b);
            const std::uint32_t cp = decode(&c, 1);
            if (cp <= 0xFFFF) high_single[b - 0x80] = std::uint16_t(cp);
        }
        for (int lead = 0x81; lead <= 0xFE; ++lead)
            for (int trail = 0x41; trail <= 0xFE; ++trail) {
                if (!is_trail_byte(std::uint8_t(trail))) continue;
                const char in[2] = {char(lead), char(trail)};
                const std::uint32_t cp = decode(in, 2);
                if (cp <= 0xFFFF) pair[lead << 8 | trail] = std::uint16_t(cp);
            }
        iconv_close(dec);
    }
};

const cp949_table& table()
{
    static const cp949_table t;
    return t;
}

}  // namespace

bool is_cp949_lead_byte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

std::size_t decode_one_cp949(const char* src, std::size_t n, wchar_t& out)
{
    const auto b = static_cast<std::uint8_t>(src[0]);
    if (b < 0x80) {
        out = wchar_t(b);
        return 1;
    }
    const cp949_table& t = table();
    if (!is_cp949_lead_byte(b)) {
        const std::uint16_t cp = t.high_single[b - 0x80];
        out = cp ? wchar_t(cp) : wide_default_char;
        return 1;
    }
    if (n < 2) return 0;
    const auto trail = static_cast<std::uint8_t>(src[1]);
    const std::uint16_t cp = t.pair[b << 8 | trail];
    if (cp != 0) {
        out = wchar_t(cp);
        return 2;
    }
    // An invalid pair: a byte that cannot be a trail is left for the next step.
    out = wide_default_char;
    return is_trail_byte(trail) ? 2 : 1;
}

}  // namespace platform::text
