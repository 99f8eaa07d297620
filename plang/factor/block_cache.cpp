// Kept blocks: one list per power-of-two size per thread, the blocks
// linked through their first bytes; freed at the thread's end.
#include "plang/factor/block_cache.hpp"

#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define PLANG_BLOCKS_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PLANG_BLOCKS_ASAN 1
#endif
#endif

#ifdef PLANG_BLOCKS_ASAN
#include <sanitizer/asan_interface.h>
#define PLANG_BLOCKS_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define PLANG_BLOCKS_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define PLANG_BLOCKS_POISON(p, n) ((void)(p), (void)(n))
#define PLANG_BLOCKS_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace plang::block_cache {
namespace {

constexpr unsigned smallest_shift = 12;  // 4 KB
constexpr unsigned largest_shift = 26;   // 64 MB
constexpr unsigned size_count = largest_shift - smallest_shift + 1;

struct kept_block {
  kept_block* next;
};

// Trivially destructible, so a release during the thread's teardown, after
// `keeper` has run, still finds it (and then frees the block at once).
struct thread_blocks {
  kept_block* lists[size_count];
  std::size_t bytes;
  bool closed;  // the thread is ending: nothing more is kept
};
thread_local thread_blocks blocks;

struct keeper {
  ~keeper() {
    thread_blocks& t = blocks;
    t.closed = true;
    for (kept_block*& head : t.lists) {
      while (head) {
        PLANG_BLOCKS_UNPOISON(head, sizeof(kept_block));
        kept_block* next = head->next;
        ::operator delete(head);
        head = next;
      }
    }
    t.bytes = 0;
  }
};
thread_local keeper keep;

// The size index of a request, or size_count when it is not kept.
unsigned size_index(std::size_t bytes) {
  if (bytes > (std::size_t(1) << largest_shift)) return size_count;
  unsigned shift = smallest_shift;
  while ((std::size_t(1) << shift) < bytes) ++shift;
  return shift - smallest_shift;
}

}  // namespace

void* allocate(std::size_t bytes) {
  if (bytes < (std::size_t(1) << smallest_shift)) return ::operator new(bytes);
  const unsigned i = size_index(bytes);
  if (i == size_count) return ::operator new(bytes);
  thread_blocks& t = blocks;
  if (kept_block* b = t.lists[i]) {
    PLANG_BLOCKS_UNPOISON(b, std::size_t(1) << (i + smallest_shift));
    t.lists[i] = b->next;
    t.bytes -= std::size_t(1) << (i + smallest_shift);
    return b;
  }
  return ::operator new(std::size_t(1) << (i + smallest_shift));
}

void release(void* block, std::size_t bytes) noexcept {
  if (!block) return;
  const unsigned i = bytes < (std::size_t(1) << smallest_shift) ? size_count : size_index(bytes);
  const std::size_t size = std::size_t(1) << (i + smallest_shift);
  thread_blocks& t = blocks;
  if (i == size_count || t.closed || t.bytes + size > kept_limit) {
    ::operator delete(block);
    return;
  }
  (void)&keep;  // what the thread keeps is freed when it ends
  auto* b = static_cast<kept_block*>(block);
  b->next = t.lists[i];
  t.lists[i] = b;
  t.bytes += size;
  PLANG_BLOCKS_POISON(static_cast<char*>(block) + sizeof(kept_block), size - sizeof(kept_block));
}

std::size_t kept_bytes() noexcept { return blocks.bytes; }

}  // namespace plang::block_cache
