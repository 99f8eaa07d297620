// Node memory: a free list per size class and thread, chunks carved a block at a time and kept for the life of
// the process (a block freed on another thread joins that thread's lists, so no chunk is ever known unused).
#include "plang/node_memory.hpp"

#include <sys/mman.h>

#include <atomic>
#include <cstdint>

#if defined(__SANITIZE_ADDRESS__)
#define PLANG_NODE_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PLANG_NODE_ASAN 1
#endif
#endif

// Under the address sanitizer every free block, and the uncarved rest of a chunk, is poisoned, and a block
// handed out is open for the bytes asked for only.
#ifdef PLANG_NODE_ASAN
#include <sanitizer/asan_interface.h>
#include <sanitizer/lsan_interface.h>
#define PLANG_NODE_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define PLANG_NODE_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define PLANG_NODE_POISON(p, n) ((void)(p), (void)(n))
#define PLANG_NODE_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace plang::node_memory {
namespace {

constexpr std::size_t granule = 16;
constexpr std::size_t classes = largest_block / granule;
// Small chunks first, so that a small program touches little memory; from 256 KB carved on, 2 MB chunks
// on large pages.
constexpr std::size_t small_chunk = std::size_t(64) << 10;
constexpr std::size_t large_chunk = std::size_t(2) << 20;
constexpr std::size_t large_from = std::size_t(256) << 10;

struct free_block {
  free_block* next;
};

// A chunk begins with the link to the chunk made before it, so that every chunk stays reachable.
struct alignas(std::max_align_t) chunk_header {
  chunk_header* next;
};

std::atomic<chunk_header*> chunks{nullptr};

struct thread_blocks {
  free_block* free[classes] = {};
  unsigned char* fresh = nullptr;  // the uncarved rest of the newest chunk
  unsigned char* fresh_end = nullptr;
  std::size_t carved = 0;
  unsigned char* reserved = nullptr;  // the unused rest of the thread's reservation for 2 MB chunks
  unsigned char* reserved_end = nullptr;
};

thread_local thread_blocks blocks;

std::size_t class_of(std::size_t bytes) { return (bytes + granule - 1) / granule - 1; }

// A thread's 2 MB chunks are cut from a reservation of address space of its own, aligned to 2 MB and
// asked for as large pages once: a chunk costs no system call, and only the pages written are ever backed.
constexpr std::size_t reservation = 16 * large_chunk;

// The next 2 MB chunk on a 2 MB boundary; null when the system refuses address space.
void* map_large(thread_blocks& t) {
  if (t.reserved == t.reserved_end) {
    void* const raw = ::mmap(nullptr, reservation + large_chunk, PROT_READ | PROT_WRITE,
                             MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + large_chunk - 1) & ~std::uintptr_t(large_chunk - 1);
    t.reserved = reinterpret_cast<unsigned char*>(aligned);
    t.reserved_end = t.reserved + reservation;
#ifdef MADV_HUGEPAGE
    ::madvise(t.reserved, reservation, MADV_HUGEPAGE);  // a hint: without large pages the chunks work the same
#endif
#ifdef PLANG_NODE_ASAN
    // The leak checker looks through the chunks' nodes and links as it looks through the heap.
    __lsan_register_root_region(t.reserved, reservation);
#endif
  }
  void* const chunk = t.reserved;
  t.reserved += large_chunk;
  return chunk;
}

[[gnu::noinline]] void* carve(std::size_t size) {
  thread_blocks& t = blocks;
  if (std::size_t(t.fresh_end - t.fresh) < size) {
    // The rest of the old chunk goes to the free lists, largest blocks first.
    for (std::size_t left = std::size_t(t.fresh_end - t.fresh); left >= granule;) {
      const std::size_t piece = left < largest_block ? left / granule * granule : largest_block;
      auto* b = reinterpret_cast<free_block*>(t.fresh);
      PLANG_NODE_UNPOISON(b, sizeof(free_block));
      b->next = t.free[class_of(piece)];
      t.free[class_of(piece)] = b;
      PLANG_NODE_POISON(b, piece);
      t.fresh += piece;
      left -= piece;
    }
    std::size_t bytes = small_chunk;
    void* memory = nullptr;
    if (t.carved >= large_from && (memory = map_large(t))) bytes = large_chunk;
    if (!memory) memory = ::operator new(bytes);
    auto* header = static_cast<chunk_header*>(memory);
    header->next = chunks.load(std::memory_order_relaxed);
    while (!chunks.compare_exchange_weak(header->next, header, std::memory_order_release, std::memory_order_relaxed)) {
    }
    t.fresh = reinterpret_cast<unsigned char*>(header + 1);
    t.fresh_end = static_cast<unsigned char*>(memory) + bytes;
    PLANG_NODE_POISON(t.fresh, std::size_t(t.fresh_end - t.fresh));
  }
  void* const block = t.fresh;
  t.fresh += size;
  t.carved += size;
  return block;
}

}  // namespace

void* allocate(std::size_t bytes) {
  if (bytes > largest_block) return ::operator new(bytes);
  thread_blocks& t = blocks;
  const std::size_t c = class_of(bytes);
  void* block;
  if (free_block* const b = t.free[c]) {
    PLANG_NODE_UNPOISON(b, sizeof(free_block));
    t.free[c] = b->next;
    block = b;
  } else {
    block = carve((c + 1) * granule);
  }
  PLANG_NODE_POISON(block, (c + 1) * granule);
  PLANG_NODE_UNPOISON(block, bytes);
  return block;
}

void release(void* block, std::size_t bytes) noexcept {
  if (bytes > largest_block) {
    ::operator delete(block);
    return;
  }
  thread_blocks& t = blocks;
  const std::size_t c = class_of(bytes);
  auto* const b = static_cast<free_block*>(block);
  PLANG_NODE_UNPOISON(b, sizeof(free_block));  // a request may have been shorter than the link
  b->next = t.free[c];
  t.free[c] = b;
  PLANG_NODE_POISON(b, (c + 1) * granule);
}

}  // namespace plang::node_memory
