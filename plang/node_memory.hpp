// Memory for the nodes of compiled programs (statements and expressions): blocks of sixteen-byte size classes
// from free lists of the running thread, carved from chunks that are never given back. A 5,000-line script
// makes about a hundred thousand nodes; one C library allocation each, in fresh heap memory, cost a page fault
// every few dozen nodes. Once a thread has carved 256 KB its chunks are 2 MB mappings asked for as large
// pages, so a large program's nodes fault in a few pages instead of a thousand.
#pragma once

#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>

#include <boost/shared_ptr.hpp>
#include <boost/smart_ptr/detail/shared_count.hpp>
#include <boost/smart_ptr/detail/sp_counted_base.hpp>

namespace plang::node_memory {

// Requests above this go to operator new (a block node with its scope slot takes about 350 bytes).
inline constexpr std::size_t largest_block = 512;

// A block of at least `bytes`; `release` takes it back with the same size, on any thread. A build with the
// address sanitizer keeps every free block poisoned.
void* allocate(std::size_t bytes);
void release(void* block, std::size_t bytes) noexcept;

// The handle's counts (boost's own) and the node in one block: 16 bytes in front of the node, where
// make_shared puts 32.
template <class T>
class counted_node final : public boost::detail::sp_counted_base {
 public:
  template <class... Args>
  explicit counted_node(Args&&... args) {
    ::new (static_cast<void*>(storage_)) T(std::forward<Args>(args)...);
  }

  T* node() noexcept { return std::launder(reinterpret_cast<T*>(storage_)); }

  void dispose() noexcept override { node()->~T(); }
  void destroy() noexcept override {
    this->~counted_node();
    node_memory::release(this, sizeof(counted_node));
  }
  void* get_deleter(const boost::detail::sp_typeinfo_&) noexcept override { return nullptr; }
  void* get_local_deleter(const boost::detail::sp_typeinfo_&) noexcept override { return nullptr; }
  void* get_untyped_deleter() noexcept override { return nullptr; }

 private:
  alignas(T) unsigned char storage_[sizeof(T)];
};

// A new node of class T with its handle (the node classes do not share from this).
template <class T, class... Args>
boost::shared_ptr<T> make(Args&&... args) {
  static_assert(alignof(counted_node<T>) <= alignof(std::max_align_t), "a node class aligned beyond the blocks");
  void* const block = allocate(sizeof(counted_node<T>));
  counted_node<T>* counted;
  try {
    counted = ::new (block) counted_node<T>(std::forward<Args>(args)...);
  } catch (...) {
    release(block, sizeof(counted_node<T>));
    throw;
  }
  // The counts as their base: shared_count's template constructor would take a counted_node<T>* as a new
  // object to own.
  boost::detail::sp_counted_base* counts = counted;
  return boost::shared_ptr<T>(boost::detail::sp_internal_constructor_tag(), counted->node(),
                              boost::detail::shared_count(counts));
}

}  // namespace plang::node_memory
