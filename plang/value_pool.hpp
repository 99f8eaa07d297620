// Small blocks for the values the interpreter makes by the million (ints of
// arithmetic, arguments and results): a thread keeps the blocks its values
// gave back and hands them out again, without the C library's allocator.
#pragma once

#include <cstddef>
#include <new>

namespace plang {
namespace value_pool {

// Every block has this size; a larger request goes to operator new.
constexpr std::size_t block_size = 64;

// A block of `block_size` bytes, from this thread's spare blocks or new.
void* take();
// Keeps the block for this thread's next `take`, or frees it when enough
// are kept. Any thread may give back a block another one took.
void give(void* block);

}  // namespace value_pool

// The allocator for boost::allocate_shared of small values: one object (the
// value with its count) per block.
template <class T>
struct pooled {
  using value_type = T;

  pooled() = default;
  template <class U>
  pooled(const pooled<U>&) {}

  static constexpr bool fits = sizeof(T) <= value_pool::block_size && alignof(T) <= alignof(std::max_align_t);

  T* allocate(std::size_t n) {
    if (fits && n == 1) return static_cast<T*>(value_pool::take());
    return static_cast<T*>(::operator new(n * sizeof(T)));
  }
  void deallocate(T* p, std::size_t n) {
    if (fits && n == 1) {
      value_pool::give(p);
    } else {
      ::operator delete(p);
    }
  }

  template <class U>
  bool operator==(const pooled<U>&) const {
    return true;
  }
  template <class U>
  bool operator!=(const pooled<U>&) const {
    return false;
  }
};

}  // namespace plang
