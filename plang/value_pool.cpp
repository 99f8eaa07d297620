// The per-thread spare blocks of small values.
#include "plang/value_pool.hpp"

namespace plang::value_pool {
namespace {

// Enough for the values of deep recursion to come back without a trip to
// the C library; beyond it blocks are freed.
constexpr std::size_t keep_limit = 4096;

// Spare blocks linked through their first word; freed when the thread ends.
struct spare_blocks {
  void* head = nullptr;
  std::size_t count = 0;

  ~spare_blocks() {
    while (head) {
      void* next = *static_cast<void**>(head);
      ::operator delete(head);
      head = next;
    }
    count = keep_limit;  // values released later in the thread's end free their blocks
  }
};

thread_local spare_blocks spare;

}  // namespace

// Under the address sanitizer every block goes back to the allocator, so a
// value used after its release is still caught.
#if defined(__SANITIZE_ADDRESS__)
void* take() { return ::operator new(block_size); }
void give(void* block) { ::operator delete(block); }
#else
void* take() {
  spare_blocks& s = spare;
  if (void* block = s.head) {
    s.head = *static_cast<void**>(block);
    --s.count;
    return block;
  }
  return ::operator new(block_size);
}

void give(void* block) {
  spare_blocks& s = spare;
  if (s.count >= keep_limit) {
    ::operator delete(block);
    return;
  }
  *static_cast<void**>(block) = s.head;
  s.head = block;
  ++s.count;
}
#endif

}  // namespace plang::value_pool
