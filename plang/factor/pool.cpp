// The blocks of the small values: a free list per thread, chunks carved a
// block at a time, every chunk kept on one list for the life of the process.
#include "plang/factor/pool.hpp"

#include <atomic>
#include <cstddef>

#include "plang/factor/boolean.hpp"
#include "plang/factor/real.hpp"
#include "plang/factor/signed_.hpp"
#include "plang/factor/unsigned_.hpp"

#if defined(__SANITIZE_ADDRESS__)
#define PLANG_POOL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PLANG_POOL_ASAN 1
#endif
#endif

#ifdef PLANG_POOL_ASAN
#include <sanitizer/asan_interface.h>
#define PLANG_POOL_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define PLANG_POOL_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define PLANG_POOL_POISON(p, n) ((void)(p), (void)(n))
#define PLANG_POOL_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace plang::pool {

// Every small value class takes a block of its own with its counts.
static_assert(fits_block<signed_<int>> && fits_block<unsigned_<unsigned int>> && fits_block<boolean> &&
                  fits_block<real<float>> && fits_block<real<double>>,
              "a small value class no longer fits a pool block with its counts");

namespace {

// 64 KB a chunk. Chunks of 32 KB, interleaved with a growing container's
// buffers in the C library's heap, let it trim the heap each time a large
// container was released: a 10^5-element vector then faulted in about a
// thousand pages at every build.
constexpr std::size_t blocks_per_chunk = 65536 / block_size;

struct free_block {
  free_block* next;
};

// A chunk begins with the link to the chunk made before it; its blocks
// follow. The list keeps every chunk reachable: a block freed on another
// thread goes to that thread's free list, so no chunk is ever known to be
// unused. Its size keeps the blocks after it aligned as operator new
// aligns the chunk.
struct alignas(std::max_align_t) chunk_header {
  chunk_header* next;
};

std::atomic<chunk_header*> chunks{nullptr};

struct thread_blocks {
  free_block* free = nullptr;
  unsigned char* fresh = nullptr;  // the uncarved rest of the newest chunk
  unsigned char* fresh_end = nullptr;
};

thread_local thread_blocks blocks;

void* carve(std::size_t bytes) {
  thread_blocks& t = blocks;
  if (t.fresh == t.fresh_end) {
    auto* header = static_cast<chunk_header*>(::operator new(sizeof(chunk_header) + blocks_per_chunk * block_size));
    header->next = chunks.load(std::memory_order_relaxed);
    while (!chunks.compare_exchange_weak(header->next, header, std::memory_order_release, std::memory_order_relaxed)) {
    }
    t.fresh = reinterpret_cast<unsigned char*>(header + 1);
    t.fresh_end = t.fresh + blocks_per_chunk * block_size;
    PLANG_POOL_POISON(t.fresh, blocks_per_chunk * block_size);
  }
  void* block = t.fresh;
  t.fresh += block_size;
  PLANG_POOL_UNPOISON(block, bytes);
  return block;
}

}  // namespace

void* allocate_block(std::size_t bytes) {
  thread_blocks& t = blocks;
  free_block* b = t.free;
  if (!b) return carve(bytes);
  PLANG_POOL_UNPOISON(b, sizeof(free_block));
  t.free = b->next;
  PLANG_POOL_POISON(b, block_size);
  PLANG_POOL_UNPOISON(b, bytes);
  return b;
}

void release_block(void* block) noexcept {
  thread_blocks& t = blocks;
  auto* b = static_cast<free_block*>(block);
  PLANG_POOL_UNPOISON(b, sizeof(free_block));  // a request may have been shorter than the link
  b->next = t.free;
  t.free = b;
  PLANG_POOL_POISON(b, block_size);
}

}  // namespace plang::pool
