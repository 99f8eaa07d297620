// String helpers over Shift-JIS: scanning skips double-byte characters and
// stops at a lone lead byte before the NUL; copies, comparisons, digits.
#include "media/core/text.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string>

namespace {

// A heap copy of exactly the string and its NUL, so that AddressSanitizer
// reports any read past the terminator.
std::unique_ptr<char[]> exact(const std::string& bytes)
{
    std::unique_ptr<char[]> p(new char[bytes.size() + 1]);
    std::memcpy(p.get(), bytes.c_str(), bytes.size() + 1);
    return p;
}

struct find_row {
    const char* what;
    std::string text;
    int byte;
    int offset;  // -1: not found
};

TEST(Text, FindCharSkipsDoubleByteCharacters)
{
    const find_row rows[] = {
        {"trail 5C of U+8868 is not a backslash", "\x95\x5C\x5C", '\\', 2},
        {"only a trail 5C", "\x83\x5C", '\\', -1},
        {"backslash first", "\x5C\x95\x5C", '\\', 0},
        {"lead range E0-FC", "\xE0\x5C\xFC\x5C\x5C", '\\', 4},
        {"half-width katakana is one byte", "\xB1\x5C", '\\', 1},
        {"FD is no lead byte", "\xFD\x5C", '\\', 1},
        {"lone lead byte before the NUL", "a\x83", '\\', -1},
        {"lone lead byte found as itself", "a\x83", 0x83, 1},
        {"a lead byte inside a pair is not found", "\x83\x83", 0x83, -1},
        {"the NUL after a lone lead byte", "a\x83", 0, 2},
        {"the NUL", "ab", 0, 2},
        {"empty", "", 'a', -1},
    };
    for (const find_row& r : rows) {
        auto s = exact(r.text);
        const char* found = StrFindChar(s.get(), r.byte);
        if (r.offset < 0)
            EXPECT_EQ(found, nullptr) << r.what;
        else
            EXPECT_EQ(found, s.get() + r.offset) << r.what;
    }
}

TEST(Text, UpperChangesOnlySingleByteLetters)
{
    const struct {
        const char* what;
        std::string text, expected;
    } rows[] = {
        {"trail byte 61 stays", "\x61\x82\x61\x62", "\x41\x82\x61\x42"},
        {"full-width letters", "\x82\x81\x82\x60z", "\x82\x81\x82\x60Z"},
        {"lone lead byte before the NUL", "z\x83", "Z\x83"},
        {"lead E0 with trail 7A", "\xE0\x7A\x7A", "\xE0\x7A\x5A"},
        {"edges of the range", "`az{@AZ[", "`AZ{@AZ["},
    };
    for (const auto& r : rows) {
        auto s = exact(r.text);
        StrUpper(s.get());
        EXPECT_EQ(std::string(s.get()), r.expected) << r.what;
    }
}

TEST(Text, CompareAnswersOnlyEqualOrDifferent)
{
    EXPECT_EQ(StrCompare("abc", "abc"), 0);
    EXPECT_EQ(StrCompare("", ""), 0);
    EXPECT_EQ(StrCompare("abc", "abd"), 1);
    EXPECT_EQ(StrCompare("abd", "abc"), 1);
    EXPECT_EQ(StrCompare("ab", "abc"), 1);
    EXPECT_EQ(StrCompare("abc", "ab"), 1);

    const struct {
        const char* a;
        const char* b;
        int count, expected;
    } rows[] = {
        {"abc", "abd", 2, 0}, {"abc", "abd", 3, 1}, {"abc", "abd", 0, 0}, {"abc", "abd", -1, 0},
        {"ab", "abc", 3, 1},  {"abc", "ab", 3, 1},  {"ab", "ab", 10, 0},  {"", "", 5, 0},
    };
    for (const auto& r : rows) {
        auto a = exact(r.a);
        auto b = exact(r.b);
        EXPECT_EQ(StrCompareN(a.get(), b.get(), r.count), r.expected) << r.a << " " << r.b << " " << r.count;
    }
}

TEST(Text, CopiesAndAppends)
{
    char dst[16];
    std::memset(dst, 'x', sizeof dst);
    StrCopyN(dst, "abcdef", 3);
    EXPECT_STREQ(dst, "abc");
    StrCopyN(dst, "ab", 5);
    EXPECT_STREQ(dst, "ab");
    StrCopyN(dst, "abc", 0);
    EXPECT_STREQ(dst, "");
    StrCopyN(dst, "abc", -4);
    EXPECT_STREQ(dst, "");

    StrCopy(dst, "\x95\x5C" "a");
    EXPECT_STREQ(dst, "\x95\x5C" "a");
    StrAppend(dst, "bc");
    EXPECT_STREQ(dst, "\x95\x5C" "abc");
    StrCopy(dst, "");
    StrAppend(dst, "z");
    EXPECT_STREQ(dst, "z");
}

TEST(Text, IntToTextWritesDigitsOfTheBase)
{
    const struct {
        int value, base;
        const char* expected;
    } rows[] = {
        {255, 16, "ff"},
        {-42, 10, "-42"},
        {0, 2, "0"},
        {0, 10, "0"},
        {35, 36, "z"},
        {INT_MAX, 10, "2147483647"},
        {INT_MIN, 10, "-2147483648"},
        {INT_MIN, 2, "-10000000000000000000000000000000"},
        {INT_MIN, 16, "-80000000"},
        {-1, 2, "-1"},
        {7, 1, ""},
        {7, 37, ""},
        {7, -10, ""},
    };
    for (const auto& r : rows) {
        char out[34];
        std::memset(out, 'x', sizeof out);
        EXPECT_EQ(IntToText(r.value, out, r.base), out);
        EXPECT_STREQ(out, r.expected) << r.value << " base " << r.base;
    }
}

}  // namespace
