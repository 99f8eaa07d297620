// Memory for the small values (int, u?int, bool, float, double): fixed-size
// blocks taken from and given back to a free list of the running thread,
// carved from chunks that are never given back. Script loops make and drop
// such values by the hundred thousand, and a container of numbers holds one
// per element; the C library's allocator costs several times more per
// block, and gives the memory of a released container back to the system
// only to fault it in again at the next. Each value is still a new object
// with its own handle.
#pragma once

#include <cstddef>
#include <new>
#include <utility>

#include <boost/make_shared.hpp>

#include "plang/factor/factor.hpp"

namespace plang::pool {

// The block size: a small value with its handle's counts, as
// allocate_shared lays them out.
inline constexpr std::size_t block_size = 64;

// A block for `bytes` (at most block_size); a build with the address
// sanitizer leaves the rest of the block, and every free block, poisoned.
void* allocate_block(std::size_t bytes);
void release_block(void* block) noexcept;

// The allocator of allocate_shared: a request that fits a block takes one,
// anything else goes to operator new.
template <class T>
struct allocator {
  using value_type = T;
  allocator() = default;
  template <class U>
  allocator(const allocator<U>&) noexcept {}

  T* allocate(std::size_t n) {
    if (n * sizeof(T) <= block_size && alignof(T) <= alignof(std::max_align_t))
      return static_cast<T*>(allocate_block(n * sizeof(T)));
    return static_cast<T*>(::operator new(n * sizeof(T)));
  }
  void deallocate(T* p, std::size_t n) noexcept {
    if (n * sizeof(T) <= block_size && alignof(T) <= alignof(std::max_align_t)) {
      release_block(p);
    } else {
      ::operator delete(p);
    }
  }
  template <class U>
  bool operator==(const allocator<U>&) const noexcept {
    return true;
  }
  template <class U>
  bool operator!=(const allocator<U>&) const noexcept {
    return false;
  }
};

// A new value of a small class in a block.
template <class T, class... Args>
handle make(Args&&... args) {
  return boost::allocate_shared<T>(allocator<T>(), std::forward<Args>(args)...);
}

}  // namespace plang::pool
