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
#include <type_traits>
#include <utility>

#include <boost/make_shared.hpp>
#include <boost/shared_ptr.hpp>
#include <boost/smart_ptr/detail/shared_count.hpp>
#include <boost/smart_ptr/detail/sp_counted_base.hpp>

#include "plang/factor/factor.hpp"

namespace plang::pool {

// The block size: a small value of 16 bytes behind the handle's counts
// (vptr, use and weak counts: 16 bytes). allocate_shared would need 64.
inline constexpr std::size_t block_size = 32;

// A block for `bytes` (at most block_size); a build with the address
// sanitizer leaves the rest of the block, and every free block, poisoned.
void* allocate_block(std::size_t bytes);
void release_block(void* block) noexcept;

// An allocator for allocate_shared (make's path for a class that does not
// fit a block): a request that fits a block takes one, anything else goes
// to operator new.
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

// The handle's counts and the value in one block. The counts are boost's
// own (atomic as boost is configured); a use count reaching 0 destroys the
// value, a weak count reaching 0 gives the block back, on whichever thread
// drops the last reference.
template <class T>
class counted_value final : public boost::detail::sp_counted_base {
 public:
  template <class... Args>
  explicit counted_value(Args&&... args) {
    ::new (static_cast<void*>(storage_)) T(std::forward<Args>(args)...);
  }

  T* value() noexcept { return std::launder(reinterpret_cast<T*>(storage_)); }

  void dispose() noexcept override { value()->~T(); }
  void destroy() noexcept override {
    this->~counted_value();
    release_block(this);
  }
  void* get_deleter(const boost::detail::sp_typeinfo_&) noexcept override { return nullptr; }
  void* get_local_deleter(const boost::detail::sp_typeinfo_&) noexcept override { return nullptr; }
  void* get_untyped_deleter() noexcept override { return nullptr; }

 private:
  alignas(T) unsigned char storage_[sizeof(T)];
};

namespace detail {
template <class X>
std::true_type shares_from_this(const boost::enable_shared_from_this<X>*);
std::true_type shares_from_this(const boost::enable_shared_from_raw*);
std::false_type shares_from_this(...);
}  // namespace detail

// Whether a T goes in one block with its counts. The handle is built
// without allocate_shared, so a class that needs enable_shared_from_this
// wiring takes the general path as well.
template <class T>
inline constexpr bool fits_block = sizeof(counted_value<T>) <= block_size &&
                                   alignof(counted_value<T>) <= alignof(std::max_align_t) &&
                                   !decltype(detail::shares_from_this(static_cast<T*>(nullptr)))::value;

// A new value of a small class in a block; other classes go through
// allocate_shared.
template <class T, class... Args>
handle make(Args&&... args) {
  if constexpr (fits_block<T>) {
    void* block = allocate_block(sizeof(counted_value<T>));
    counted_value<T>* counted;
    try {
      counted = ::new (block) counted_value<T>(std::forward<Args>(args)...);
    } catch (...) {
      release_block(block);
      throw;
    }
    // The counts as their base: shared_count's template constructor would
    // take a counted_value<T>* as a new object to own.
    boost::detail::sp_counted_base* counts = counted;
    return handle(boost::detail::sp_internal_constructor_tag(), counted->value(), boost::detail::shared_count(counts));
  } else {
    return boost::allocate_shared<T>(allocator<T>(), std::forward<Args>(args)...);
  }
}

}  // namespace plang::pool
