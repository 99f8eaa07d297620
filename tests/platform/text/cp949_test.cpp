// One-character CP949 decoding.
#include "platform/text/cp949.hpp"

#include <gtest/gtest.h>

#include <string>

#include "platform/text/codepage.hpp"

namespace {

TEST(Cp949, DecodesOneCharacter)
{
    struct row {
        std::string bytes;
        std::size_t used;
        wchar_t ch;
    };
    const row rows[] = {
        {"\xB0\xA1", 2, L'\uAC00'},                                  // first Hangul syllable
        {"\xC8\xFE", 2, L'\uD79D'},                                  // last of the KS X 1001 rows
        {"\x81\x41", 2, L'\uAC02'},                                  // extended (UHC) row
        {"A", 1, L'A'},
        {std::string(1, '\0'), 1, L'\0'},
        {"\xB0", 0, L'?'},                                           // lead byte without its trail
        {"\xB0\x20", 1, platform::text::wide_default_char},          // the blank is not a trail
        {"\xA1\xA1", 2, L'\u3000'},                                  // ideographic space
        {"\xC9\xA1", 2, platform::text::wide_default_char},          // user-defined area: none
        {"\xFF", 1, platform::text::wide_default_char},
    };
    for (const row& r : rows) {
        wchar_t ch = L'?';
        EXPECT_EQ(platform::text::decode_one_cp949(r.bytes.data(), r.bytes.size(), ch), r.used) << r.bytes;
        EXPECT_EQ(ch, r.ch) << r.bytes;
    }
}

}  // namespace
