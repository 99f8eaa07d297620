// The kept large blocks: a released block comes back for the next request of its size, what a thread keeps stays
// under the bound, blocks move between threads, and small and huge requests are not kept.
#include "plang/factor/block_cache.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

namespace {

namespace cache = plang::block_cache;

TEST(BlockCache, ReleasedBlocksComeBackBySize) {
  // Counted from after the first allocation, which may itself take a block
  // an earlier run of this test left kept.
  void* a = cache::allocate(5000);  // kept as an 8 KB block
  const std::size_t held = cache::kept_bytes();
  std::memset(a, 1, 8192);  // the whole power of two is usable
  cache::release(a, 5000);
  EXPECT_EQ(cache::kept_bytes(), held + 8192);
  void* b = cache::allocate(8000);  // the same size: the same block
  EXPECT_EQ(b, a);
  EXPECT_EQ(cache::kept_bytes(), held);
  void* c = cache::allocate(9000);  // the next size: another block
  EXPECT_NE(c, a);
  cache::release(b, 8000);
  cache::release(c, 9000);
  cache::release(nullptr, 4096);  // nothing to give back
}

TEST(BlockCache, SmallAndHugeBlocksAreNotKept) {
  const std::size_t before = cache::kept_bytes();
  void* small = cache::allocate(100);
  cache::release(small, 100);
  void* huge = cache::allocate((std::size_t(64) << 20) + 1);
  static_cast<char*>(huge)[std::size_t(64) << 20] = 'x';
  cache::release(huge, (std::size_t(64) << 20) + 1);
  EXPECT_EQ(cache::kept_bytes(), before);
}

TEST(BlockCache, WhatAThreadKeepsIsBounded) {
  std::vector<void*> blocks;
  const std::size_t size = std::size_t(4) << 20;
  for (std::size_t i = 0; i < cache::kept_limit / size + 3; ++i) blocks.push_back(cache::allocate(size));
  for (void* b : blocks) cache::release(b, size);
  EXPECT_LE(cache::kept_bytes(), cache::kept_limit);
  EXPECT_GE(cache::kept_bytes(), cache::kept_limit - size);
  // The kept ones are handed out again; the rest went back to the C library.
  for (void*& b : blocks) b = cache::allocate(size);
  EXPECT_LT(cache::kept_bytes(), size);
  for (void* b : blocks) cache::release(b, size);
}

TEST(BlockCache, BlocksMoveBetweenThreads) {
  // Made on one thread, released on another that keeps it, handed out there;
  // a thread's kept blocks are freed when it ends (the leak checker sees it).
  void* made = nullptr;
  std::thread([&made] { made = cache::allocate(16384); }).join();
  std::thread([made] {
    cache::release(made, 16384);
    EXPECT_EQ(cache::kept_bytes(), 16384u);
    void* again = cache::allocate(16384);
    EXPECT_EQ(again, made);
    cache::release(again, 16384);
  }).join();
}

}  // namespace
