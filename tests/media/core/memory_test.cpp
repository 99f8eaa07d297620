// Memory helpers: overlapping moves in both directions, comparisons, fills.
#include "media/core/memory.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Memory, MoveOverlappingBuffersWithoutSmearing)
{
    char right[] = "abcdefgh";
    EXPECT_EQ(MemMove(right + 1, right, 6), right + 1);
    EXPECT_EQ(std::string(right), "aabcdefh");

    char left[] = "abcdefgh";
    MemMove(left, left + 2, 6);
    EXPECT_EQ(std::string(left), "cdefghgh");

    char same[] = "abc";
    MemMove(same, same, 3);
    EXPECT_EQ(std::string(same), "abc");
}

TEST(Memory, CopyFillAndCompare)
{
    char a[8] = "abcdefg";
    char b[8];
    MemCopy(b, a, 8);
    EXPECT_EQ(MemCompare(a, b, 8), 0);
    b[7] = 'x';
    EXPECT_EQ(MemCompare(a, b, 8), 1);
    EXPECT_EQ(MemCompare(a, b, 7), 0);
    EXPECT_EQ(MemCompare("\xFF", "\x01", 1), 1);  // no ordering, either way 1
    EXPECT_EQ(MemCompare("\x01", "\xFF", 1), 1);

    MemFill(a, 0x7A, 3);
    EXPECT_EQ(std::string(a), "zzzdefg");
    MemFill(a, 'q', 0);
    MemFill(a, 'q', -5);
    MemCopy(a, "qqq", -1);
    EXPECT_EQ(std::string(a), "zzzdefg");
    EXPECT_EQ(MemMove(a, "qqq", -1), a);
    EXPECT_EQ(std::string(a), "zzzdefg");
}

}  // namespace
