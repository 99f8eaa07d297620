// Formatting into a fixed buffer: never past its size, cut at a character
// boundary.
#include "media/core/format.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(Format, FormatsLikePrintf)
{
    char buffer[64];
    EXPECT_EQ(FormatString(buffer, sizeof buffer, "%d:%s %.3f %08x", -5, "ab", 1.5, 0xABCu), 0);
    EXPECT_STREQ(buffer, "-5:ab 1.500 00000abc");
}

int format_v(char* buffer, int size, const char* format, ...) __attribute__((format(printf, 3, 4)));
int format_v(char* buffer, int size, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    const int n = FormatStringV(buffer, size, format, arguments);
    va_end(arguments);
    return n;
}

TEST(Format, CutsAtTheLastWholeCharacterThatFits)
{
    const struct {
        const char* what;
        const char* text;
        int size;
        const char* expected;
    } rows[] = {
        {"fits", "abc", 4, "abc"},
        {"single bytes cut", "abcdef", 4, "abc"},
        {"a pair would be split", "ab\x82\xA0", 4, "ab"},
        {"a pair fits whole", "a\x82\xA0z", 4, "a\x82\xA0"},
        {"trail 5C then a pair split", "\x95\x5C\x95\x5C", 4, "\x95\x5C"},
        {"a trail that looks like a lead", "\x81\x81\x81\x81", 4, "\x81\x81"},
        {"half-width katakana are single", "\xB1\xB2\xB3\xB4", 4, "\xB1\xB2\xB3"},
        {"room for the NUL only", "abc", 1, ""},
    };
    for (const auto& r : rows) {
        // one byte more than the size, to see that it stays untouched
        char buffer[16];
        std::memset(buffer, 'x', sizeof buffer);
        const int n = format_v(buffer, r.size, "%s", r.text);
        EXPECT_EQ(std::string(buffer), r.expected) << r.what;
        EXPECT_EQ(n, static_cast<int>(std::strlen(r.expected))) << r.what;
        EXPECT_EQ(buffer[r.size], 'x') << r.what;
    }
}

TEST(Format, LongTextNeverOverflows)
{
    const std::string long_text(5000, 'q');
    char buffer[1024 + 1];
    buffer[1024] = 'x';
    EXPECT_EQ(format_v(buffer, 1024, "%s!", long_text.c_str()), 1023);
    EXPECT_EQ(std::string(buffer), std::string(1023, 'q'));
    EXPECT_EQ(buffer[1024], 'x');
}

TEST(Format, NoRoomIsRefused)
{
    char buffer[2] = {'x', 'x'};
    EXPECT_EQ(format_v(buffer, 0, "%s", "abc"), -1);
    EXPECT_EQ(FormatString(buffer, -1, "%s", "abc"), -1);
    EXPECT_EQ(buffer[0], 'x');
}

}  // namespace
