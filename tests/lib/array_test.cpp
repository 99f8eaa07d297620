// Checked arrays: every access goes through the index test.
#include "lib/array.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>

namespace {

template <class F>
void expect_index_error(F f) {
  try {
    f();
    ADD_FAILURE() << "no error";
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "lib/array/assert_index");
  }
}

TEST(Array, AssertIndexAcceptsBelowSize) {
  using keys = lib::array<unsigned char, 256>;
  EXPECT_EQ(keys::assert_index(0), 0u);
  EXPECT_EQ(keys::assert_index(255), 255u);
  expect_index_error([] { keys::assert_index(256); });
  expect_index_error([] { keys::assert_index(static_cast<std::size_t>(-1)); });

  using corners = lib::array<std::pair<int, int>, 4>;
  EXPECT_EQ(corners::assert_index(3), 3u);
  expect_index_error([] { corners::assert_index(4); });
  expect_index_error([] { corners::index_failure(); });
}

TEST(Array, AccessIsCheckedAndLeavesArrayUnchanged) {
  lib::array<unsigned char, 256> keys{};
  keys[255] = 7;
  expect_index_error([&] { keys[256] = 9; });
  int sum = 0;
  for (unsigned char k : keys) sum += k;
  EXPECT_EQ(sum, 7);

  const lib::array<std::pair<int, int>, 4> corners{{{0, 0}, {4, 0}, {4, 3}, {0, 3}}};
  EXPECT_EQ(corners[2], std::make_pair(4, 3));
  expect_index_error([&] { (void)corners[4]; });
}

}  // namespace
