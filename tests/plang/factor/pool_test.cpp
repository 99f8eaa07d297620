// The block pool of the small values: values made on one thread live on after it and are released on another,
// blocks come back for new values, and requests larger than a block go to operator new.
#include "plang/factor/pool.hpp"

#include <gtest/gtest.h>

#include <array>
#include <thread>
#include <vector>

#include "plang/factor/real.hpp"
#include "plang/factor/signed_.hpp"

namespace {

using plang::handle;

TEST(Pool, ValuesOutliveTheThreadThatMadeThem) {
  std::vector<handle> made;
  std::thread maker([&made] {
    for (int i = 0; i < 3000; ++i) made.push_back(plang::signed_<int>::make_value(i));  // several chunks
  });
  maker.join();
  for (int i = 0; i < 3000; ++i) ASSERT_EQ(made[i]->operator int(), i);
  made.clear();  // the blocks go to this thread's free list
  for (int i = 0; i < 3000; ++i) made.push_back(plang::pool::make<plang::real<double>>(i + 0.5));
  for (int i = 0; i < 3000; ++i) ASSERT_EQ(made[i]->operator double(), i + 0.5);
}

TEST(Pool, LargeRequestsGoToOperatorNew) {
  using big = std::array<char, plang::pool::block_size + 1>;
  plang::pool::allocator<big> a;
  big* p = a.allocate(1);
  (*p)[plang::pool::block_size] = 'x';  // the whole object is writable
  a.deallocate(p, 1);
  plang::pool::allocator<char> small;
  char* q = small.allocate(3);
  q[2] = 'y';
  small.deallocate(q, 3);
}

}  // namespace
