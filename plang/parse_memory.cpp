// Parse memory: large blocks mapped on 2 MB boundaries with the large-page hint, one kept per thread.
#include "plang/parse_memory.hpp"

#include <sys/mman.h>

#include <cstdint>
#include <new>

namespace plang::parse_memory {
namespace {

constexpr std::size_t large_page = std::size_t(2) << 20;

std::size_t mapped_size(std::size_t bytes) { return (bytes + large_page - 1) & ~(large_page - 1); }

void unmap(void* block, std::size_t size) noexcept { ::munmap(block, size); }

// Maps `size` bytes (a multiple of 2 MB) at a 2 MB boundary: one mapping 2 MB longer, its ends cut off.
void* map(std::size_t size) {
  void* const raw = ::mmap(nullptr, size + large_page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (start + large_page - 1) & ~std::uintptr_t(large_page - 1);
  if (aligned != start) unmap(raw, aligned - start);
  if (const std::size_t tail = large_page - (aligned - start)) unmap(reinterpret_cast<void*>(aligned + size), tail);
  void* const block = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
  ::madvise(block, size, MADV_HUGEPAGE);  // a hint: without large pages the block works the same
#endif
  return block;
}

// Trivially destructible, so a release during the thread's teardown, after `keeper` has run, still finds it
// (and then unmaps the block at once).
struct thread_block {
  void* block;
  std::size_t size;
  bool closed;
};
thread_local thread_block kept;

struct keeper {
  ~keeper() {
    kept.closed = true;
    if (kept.block) unmap(kept.block, kept.size);
    kept.block = nullptr;
  }
};
thread_local keeper keep;

}  // namespace

void* allocate(std::size_t bytes) {
  if (bytes < mapped_from) return ::operator new(bytes);
  const std::size_t size = mapped_size(bytes);
  thread_block& t = kept;
  if (t.block && t.size >= size) {
    // The block goes out at the request's size, so that its release knows the mapping from the request.
    void* const block = t.block;
    if (t.size > size) unmap(static_cast<char*>(block) + size, t.size - size);
    t.block = nullptr;
    return block;
  }
  return map(size);
}

void release(void* block, std::size_t bytes) noexcept {
  if (!block) return;
  if (bytes < mapped_from) {
    ::operator delete(block);
    return;
  }
  const std::size_t size = mapped_size(bytes);
  thread_block& t = kept;
  (void)&keep;  // what the thread keeps is unmapped when it ends
  if (t.closed || (t.block && t.size >= size)) {
    unmap(block, size);
    return;
  }
  if (t.block) unmap(t.block, t.size);
  t.block = block;
  t.size = size;
}

}  // namespace plang::parse_memory
