// 32-bit hash combining, text hashes and the in-house hash map.
#include "lib/hash.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <iterator>
#include <random>
#include <string>
#include <utility>
#include <vector>

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
  EXPECT_EQ(map.bucket_count(), 11u);
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

// The layout written out apart from the library: buckets as lists, a new key
// at the front of its bucket, growth to the first size of the list that
// holds the count, moving bucket by bucket, each from its front, to the front
// of the new bucket.
class reference_table {
 public:
  std::size_t bucket_count() const { return buckets_.size(); }
  void insert(std::uint32_t k) {
    if (std::find(keys_.begin(), keys_.end(), k) != keys_.end()) return;
    if (keys_.size() + 1 > buckets_.size()) grow();
    buckets_[k % buckets_.size()].push_front(k);
    keys_.push_back(k);
  }
  void erase(std::uint32_t k) {
    auto& b = buckets_[k % buckets_.size()];
    b.erase(std::remove(b.begin(), b.end(), k), b.end());
    keys_.erase(std::remove(keys_.begin(), keys_.end(), k), keys_.end());
  }
  void clear() {
    for (auto& b : buckets_) b.clear();
    keys_.clear();
  }
  std::vector<std::uint32_t> walk() const {
    std::vector<std::uint32_t> out;
    for (const auto& b : buckets_) out.insert(out.end(), b.begin(), b.end());
    return out;
  }

 private:
  void grow() {
    static const std::size_t sizes[] = {11, 17, 29, 37, 53, 67, 79, 97, 131, 193, 257, 389, 521, 769, 1031, 1543, 2053};
    const std::size_t* next =
        std::find_if(std::begin(sizes), std::end(sizes), [this](std::size_t n) { return n >= keys_.size() + 1; });
    std::vector<std::deque<std::uint32_t>> old(*next);
    old.swap(buckets_);
    for (const auto& b : old)
      for (std::uint32_t k : b) buckets_[k % buckets_.size()].push_front(k);
  }
  std::vector<std::deque<std::uint32_t>> buckets_ = std::vector<std::deque<std::uint32_t>>(11);
  std::vector<std::uint32_t> keys_;
};

template <class Map>
std::vector<std::uint32_t> keys_of(const Map& map) {
  std::vector<std::uint32_t> out;
  for (const auto& entry : map) out.push_back(entry.first);
  return out;
}

TEST(HashMap, WalkOrderOfSmallTables) {
  // Integer keys hash to themselves: bucket = key % 11.
  struct row {
    std::vector<std::uint32_t> inserted;
    std::vector<std::uint32_t> walked;
  } rows[] = {
      {{5, 1, 9, 3, 7, 2}, {1, 2, 3, 5, 7, 9}},
      {{1, 12, 23}, {23, 12, 1}},                       // one bucket: the latest first
      {{10, 0, 21, 11}, {11, 0, 21, 10}},               // buckets 0 and 10
      {{22, 4, 33, 15, 44}, {44, 33, 22, 15, 4}},       // 4 and 15 share bucket 4
      {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
      {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},  // 17 buckets
      {{11, 28, 45, 62}, {11, 45, 28, 62}},
      {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 17}, {17, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},  // grown, then 17 joins 0
  };
  for (const row& r : rows) {
    lib::hash<std::uint32_t, int> map;
    for (std::uint32_t k : r.inserted) EXPECT_TRUE(map.emplace(k, 0).second);
    EXPECT_EQ(keys_of(map), r.walked);
  }
}

TEST(HashMap, LayoutFollowsTheReferenceThroughGrowthEraseAndClear) {
  std::mt19937 random(71);
  lib::hash<std::uint32_t, std::uint32_t> map;
  reference_table expected;
  for (int step = 0; step < 6000; ++step) {
    const std::uint32_t k = random() % 1500;
    switch (random() % 8) {
      case 0:
      case 1:
        map.erase(k);
        expected.erase(k);
        break;
      default:
        map.emplace(k, k * 3);
        expected.insert(k);
        break;
    }
    if (step % 97 == 0) {
      ASSERT_EQ(map.bucket_count(), expected.bucket_count()) << step;
      ASSERT_EQ(keys_of(map), expected.walk()) << step;
      for (const auto& entry : map) ASSERT_EQ(entry.second, entry.first * 3);
    }
    if (step == 3000) {
      const std::size_t buckets = map.bucket_count();
      map.clear();
      expected.clear();
      EXPECT_EQ(map.bucket_count(), buckets);
      EXPECT_TRUE(map.empty());
      EXPECT_EQ(map.begin(), map.end());
    }
  }
  EXPECT_EQ(keys_of(map), expected.walk());
  EXPECT_EQ(map.size(), expected.walk().size());
}

TEST(HashMap, CopiesKeepTheOrderAndEntriesStayInPlace) {
  lib::hash<std::uint32_t, std::wstring> map;
  map[1] = L"one";
  std::wstring& one = map.at(1);
  const std::wstring* address = &one;
  for (std::uint32_t k = 2; k < 500; ++k) map[k * 11] = std::to_wstring(k);  // grows many times
  EXPECT_EQ(&map.at(1), address);  // growth moves no entry
  EXPECT_EQ(*address, L"one");

  const lib::hash<std::uint32_t, std::wstring> copy = map;
  EXPECT_EQ(copy.bucket_count(), map.bucket_count());
  EXPECT_EQ(keys_of(copy), keys_of(map));
  lib::hash<std::uint32_t, std::wstring> assigned;
  assigned[7] = L"seven";
  assigned = copy;
  EXPECT_EQ(keys_of(assigned), keys_of(map));
  EXPECT_FALSE(assigned.contains(7));

  lib::hash<std::uint32_t, std::wstring> moved = std::move(assigned);
  EXPECT_EQ(keys_of(moved), keys_of(map));
  EXPECT_TRUE(assigned.empty());  // NOLINT: a moved-from map is empty and usable
  assigned[3] = L"three";
  EXPECT_EQ(assigned.at(3), L"three");
}

TEST(HashMap, EraseDuringAWalkAndReuseOfSlots) {
  lib::hash<std::uint32_t, int> map;
  for (std::uint32_t k = 0; k < 40; ++k) map.emplace(k, static_cast<int>(k));
  std::vector<std::uint32_t> kept;
  for (auto it = map.begin(); it != map.end();) {
    if (it->first % 3 == 0) {
      it = map.erase(it);
    } else {
      kept.push_back(it->first);
      ++it;
    }
  }
  EXPECT_EQ(keys_of(map), kept);
  EXPECT_EQ(map.size(), 26u);
  EXPECT_EQ(map.erase(3u), 0u);
  EXPECT_EQ(map.erase(4u), 1u);
  for (std::uint32_t k = 100; k < 114; ++k) map[k] = 1;  // into the freed slots
  EXPECT_EQ(map.size(), 39u);
  EXPECT_EQ(map.count(104), 1u);
  EXPECT_EQ(map.count(4), 0u);
}

TEST(HashMap, KeysOfAnotherTypeAndTheirOwnHash) {
  lib::hash<std::wstring, int> map;
  map.emplace(L"alpha", 1);
  map.emplace(L"beta", 2);
  struct known {
    std::uint32_t value;
    std::size_t operator()(const std::wstring&) const { return value; }
  };
  const auto found = map.find(std::wstring(L"beta"), known{lib::hash_text(L"beta", 4)}, std::equal_to<std::wstring>());
  ASSERT_NE(found, map.end());
  EXPECT_EQ(found->second, 2);
  EXPECT_EQ(map.find(std::wstring(L"beta"), known{0}, std::equal_to<std::wstring>()), map.end());
}

TEST(HashMap, AFailedInsertionLeavesTheMapAsItWas) {
  struct fragile {
    explicit fragile(bool fail) {
      if (fail) throw std::runtime_error("refused");
    }
  };
  lib::hash<std::uint32_t, fragile> map;
  map.emplace(std::piecewise_construct, std::forward_as_tuple(1u), std::forward_as_tuple(false));
  EXPECT_THROW(map.emplace(std::piecewise_construct, std::forward_as_tuple(2u), std::forward_as_tuple(true)),
               std::runtime_error);
  EXPECT_THROW(map.try_emplace(3u, true), std::runtime_error);
  EXPECT_EQ(map.size(), 1u);
  EXPECT_EQ(keys_of(map), std::vector<std::uint32_t>{1});
  map.try_emplace(4u, false);
  EXPECT_EQ(keys_of(map), (std::vector<std::uint32_t>{1, 4}));
}

}  // namespace
