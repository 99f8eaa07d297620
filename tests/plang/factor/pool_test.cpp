// The block pool of the small values: values made on one thread live on after it and are released on another,
// blocks come back for new values, and requests larger than a block go to operator new. A value shares its block
// with its handle's counts: the value goes at the last handle, the block at the last weak handle.
#include "plang/factor/pool.hpp"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

#include <boost/weak_ptr.hpp>

#include "plang/factor/boolean.hpp"
#include "plang/factor/real.hpp"
#include "plang/factor/signed_.hpp"
#include "plang/factor/string_.hpp"
#include "tests/plang/factor/probe.hpp"

namespace {

using plang::handle;

// A probe that counts the live ones and can fail to be made.
class watched final : public plang::test::probe {
 public:
  static inline int alive = 0;
  explicit watched(int v, bool fail = false) : probe(v) {
    if (fail) throw std::runtime_error("watched: refused");
    ++alive;
  }
  watched(const watched&) = delete;
  ~watched() { --alive; }
};
static_assert(plang::pool::fits_block<watched>);

const void* address(const handle& h) { return h.get(); }

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

TEST(Pool, WeakHandlesOutliveTheValue) {
  struct row {
    const char* name;
    int handles;  // copies of the handle
    int weaks;    // weak handles taken from it
  };
  const row rows[] = {{"one handle, one weak", 1, 1}, {"three handles, one weak", 3, 1}, {"one handle, four weaks", 1, 4}};
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    ASSERT_EQ(watched::alive, 0);
    std::vector<handle> handles{plang::pool::make<watched>(7)};
    for (int i = 1; i < r.handles; ++i) handles.push_back(handles.front());
    std::vector<boost::weak_ptr<plang::factor>> weaks(r.weaks, handles.front());
    EXPECT_EQ(boost::get_deleter<void (*)(void*)>(handles.front()), nullptr);
    EXPECT_EQ(watched::alive, 1);
    EXPECT_EQ(weaks.front().use_count(), r.handles);
    EXPECT_EQ(weaks.front().lock()->operator int(), 7);
    handles.pop_back();
    if (!handles.empty()) {
      EXPECT_EQ(watched::alive, 1);
      handles.clear();
    }
    EXPECT_EQ(watched::alive, 0);  // destroyed at the last handle, while weak handles remain
    // The block stays with the weak handles: new values must not take it.
    std::vector<handle> others;
    for (int i = 0; i < 100; ++i) others.push_back(plang::signed_<int>::make_value(-1));
    for (const auto& w : weaks) {
      EXPECT_TRUE(w.expired());
      EXPECT_EQ(w.lock(), nullptr);
    }
  }
}

TEST(Pool, CountsAreSharedAcrossThreads) {
  const handle value = plang::pool::make<watched>(5);
  const boost::weak_ptr<plang::factor> weak = value;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&value, &weak] {
      for (int i = 0; i < 20000; ++i) {
        handle copy = value;
        boost::weak_ptr<plang::factor> w = copy;
        handle locked = weak.lock();
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(value.use_count(), 1);
  EXPECT_EQ(watched::alive, 1);
  EXPECT_EQ(value->operator int(), 5);
}

TEST(Pool, LastReferenceDroppedOnAnotherThread) {
  // Which reference goes last, and on which thread; the block goes to the free list of the thread that drops it.
  for (bool weak_last : {false, true}) {
    SCOPED_TRACE(weak_last ? "the weak handle goes last" : "the handle goes last");
    handle value = plang::pool::make<watched>(3);
    boost::weak_ptr<plang::factor> weak = value;
    std::thread dropper([&] {
      if (weak_last) {
        value.reset();
        EXPECT_EQ(watched::alive, 0);
        weak.reset();
      } else {
        weak.reset();
        value.reset();
      }
      for (int i = 0; i < 100; ++i) plang::pool::make<plang::boolean>(i % 2 == 0);  // the block is reused there
    });
    dropper.join();
    EXPECT_EQ(watched::alive, 0);
    EXPECT_EQ(plang::pool::make<plang::real<float>>(1.5f)->operator float(), 1.5f);
  }
}

TEST(Pool, ReleasedBlocksAreReused) {
  std::vector<handle> made;
  for (int i = 0; i < 5000; ++i) made.push_back(plang::pool::make<plang::real<double>>(i));
  std::set<const void*> first;
  for (const handle& h : made) first.insert(address(h));
  ASSERT_EQ(first.size(), made.size());
  for (int round = 0; round < 10; ++round) {
    made.clear();
    for (int i = 0; i < 5000; ++i) made.push_back(plang::signed_<int>::make_value(round * 5000 + i));
    for (int i = 0; i < 5000; ++i) {
      ASSERT_EQ(first.count(address(made[i])), 1u) << "round " << round << " value " << i;
      ASSERT_EQ(made[i]->operator int(), round * 5000 + i);
    }
  }
}

TEST(Pool, AClassLargerThanABlockTakesTheGeneralPath) {
  static_assert(!plang::pool::fits_block<plang::string_<wchar_t>>);
  handle text = plang::pool::make<plang::string_<wchar_t>>(std::wstring(40, L'x'));
  const boost::weak_ptr<plang::factor> weak = text;
  EXPECT_EQ(text->operator std::wstring(), std::wstring(40, L'x'));
  text.reset();
  EXPECT_TRUE(weak.expired());
}

TEST(Pool, AConstructorThatThrowsGivesTheBlockBack) {
  const void* block = address(plang::pool::make<watched>(1));  // released at once: the next block handed out
  EXPECT_THROW(plang::pool::make<watched>(2, true), std::runtime_error);
  EXPECT_EQ(watched::alive, 0);
  const handle next = plang::pool::make<watched>(3);
  EXPECT_EQ(address(next), block);
  EXPECT_EQ(next->operator int(), 3);
  EXPECT_EQ(next.use_count(), 1);
}

}  // namespace
