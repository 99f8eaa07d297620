// 32-bit hash combining, text hashes and the in-house hash map.
#include "lib/hash.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

// Reference values computed apart from the library, in 32-bit arithmetic.
TEST(Hash, CombineAndTextAgainstReference) {
  std::uint32_t seed = 0;
  lib::hash_combine(seed, 5);
  EXPECT_EQ(seed, 0x9E3779BEu);
  seed = 0x12345678u;
  lib::hash_combine(seed, 0xDEADBEEFu);
  EXPECT_EQ(seed, 0x1CB3BA3Eu);  // the shifts of a large seed stay in 32 bits

  EXPECT_EQ(lib::hash_text(L""), 0u);
  EXPECT_EQ(lib::hash_text(std::wstring(L"size")), 0x49A42DA0u);
  EXPECT_EQ(lib::hash_text(std::string("size")), 0x49A42DA0u);
  // A character above U+FFFF counts as its surrogate pair.
  EXPECT_EQ(lib::hash_text(std::wstring(1, wchar_t(0x1F600))), 0xCDE2B840u);
  EXPECT_EQ(lib::hash_text(std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}), 0xCDE2B840u);
  // A narrow byte above 0x7F counts as a negative char.
  EXPECT_EQ(lib::hash_text(std::string("\x82"
                                       "A")),
            0xCD94DE33u);
}

TEST(HashMap, MissingKeyIsOutOfRange) {
  lib::hash<std::wstring, int> map;
  EXPECT_GE(map.bucket_count(), 11u);
  EXPECT_FLOAT_EQ(map.max_load_factor(), 1.0f);
  for (int pass = 0; pass < 2; ++pass) {
    try {
      map.at(L"absent");
      FAIL() << "no exception";
    } catch (const std::out_of_range& e) {
      EXPECT_STREQ(e.what(), "Unable to find key in unordered_map.");
    }
    map[L"present"] = 7;  // second pass: a non-empty map misses the same way
  }
  EXPECT_EQ(map.at(L"present"), 7);
  const auto& cmap = map;
  EXPECT_THROW(cmap.at(L"other"), std::out_of_range);
}

TEST(HashMap, CustomHashAndEquality) {
  // Keys equal by length only: the map uses the functors given.
  struct by_length_hash {
    std::size_t operator()(const std::string& s) const { return s.size(); }
  };
  struct by_length_eq {
    bool operator()(const std::string& a, const std::string& b) const { return a.size() == b.size(); }
  };
  lib::hash<std::string, int, by_length_hash, by_length_eq> map;
  map.emplace("abc", 1);
  EXPECT_EQ(map.at("xyz"), 1);
  EXPECT_FALSE(map.emplace("def", 2).second);
}

}  // namespace
