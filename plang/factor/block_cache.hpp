// Large blocks kept for reuse: the arrays of the map's table (its entries
// and bucket heads) grow by doubling, and a script that fills and drops a
// big map does it again and again. Handing those blocks back to the C
// library lets it return the memory to the system at each release, only to
// fault it in page by page at the next growth; a thread keeps the blocks it
// releases instead, by power-of-two size, up to a bound.
#pragma once

#include <cstddef>

namespace plang::block_cache {

// The bytes a thread keeps at most; beyond them, released blocks go back to
// the C library.
inline constexpr std::size_t kept_limit = std::size_t(32) << 20;

// A block of at least `bytes`, from this thread's kept blocks when one of
// its size is there. Blocks under 4 KB and over 64 MB are not kept: they go
// to and from operator new directly.
void* allocate(std::size_t bytes);
// Gives back a block that `allocate(bytes)` gave, on any thread.
void release(void* block, std::size_t bytes) noexcept;
// The bytes this thread keeps now.
std::size_t kept_bytes() noexcept;

// The allocator of a standard container whose storage is such a block.
template <class T>
struct allocator {
  using value_type = T;
  allocator() = default;
  template <class U>
  allocator(const allocator<U>&) noexcept {}

  T* allocate(std::size_t n) { return static_cast<T*>(block_cache::allocate(n * sizeof(T))); }
  void deallocate(T* p, std::size_t n) noexcept { block_cache::release(p, n * sizeof(T)); }
  template <class U>
  bool operator==(const allocator<U>&) const noexcept {
    return true;
  }
  template <class U>
  bool operator!=(const allocator<U>&) const noexcept {
    return false;
  }
};

}  // namespace plang::block_cache
