// The shared pseudo-random sequence.
#include "plang/random.hpp"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(Random, SeededSequenceAndRange) {
  plang::seed_random(1);
  EXPECT_EQ(plang::next_random(), 41);
  EXPECT_EQ(plang::next_random(), 18467);
  EXPECT_EQ(plang::next_random(), 6334);

  // Reseeding restarts; any seed stays in 0..32767 and follows the formula.
  for (std::uint32_t seed : {0u, 12345u, 0xFFFFFFFFu}) {
    plang::seed_random(seed);
    std::uint32_t state = seed;
    for (int i = 0; i < 5000; ++i) {
      state = state * 214013u + 2531011u;
      const int n = plang::next_random();
      ASSERT_EQ(n, static_cast<int>((state >> 16) & 0x7FFFu));
      ASSERT_GE(n, 0);
      ASSERT_LE(n, 32767);
    }
  }
}

}  // namespace
