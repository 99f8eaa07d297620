// The thread's stack bounds, read once per thread.
#include "plang/stack.hpp"

#include <pthread.h>

#include <algorithm>
#include <cstddef>

namespace plang::stack {

__thread std::uintptr_t floor_address = UINTPTR_MAX;

std::uintptr_t margin() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  // The sanitizers' frames take several times the stack of plain ones.
  return std::uintptr_t(1) << 20;
#else
  return std::uintptr_t(256) << 10;
#endif
}

namespace {

// The lowest usable address of the calling thread's stack, or 0 when the
// bounds cannot be read.
std::uintptr_t stack_end() {
  pthread_attr_t attr;
  if (pthread_getattr_np(pthread_self(), &attr) != 0) return 0;
  void* low = nullptr;
  std::size_t size = 0;
  const int read = pthread_attr_getstack(&attr, &low, &size);
  std::size_t guard = 0;
  pthread_attr_getguardsize(&attr, &guard);
  pthread_attr_destroy(&attr);
  if (read != 0 || !low) return 0;
  return reinterpret_cast<std::uintptr_t>(low) + guard;
}

}  // namespace

bool exhausted_slow(std::uintptr_t here, std::uintptr_t reserve) {
  if (floor_address == UINTPTR_MAX) {
    std::uintptr_t end = stack_end();
    // Bounds that cannot be read, or that do not hold the caller's frame:
    // assume a small stack below the caller.
    if (end == 0 || end >= here) end = here - std::min<std::uintptr_t>(here, std::uintptr_t(1) << 20);
    // Never more than half of what is left, for threads with small stacks.
    const std::uintptr_t keep = std::min(margin(), (here - end) / 2);
    floor_address = end + keep;
  }
  return here - reserve < floor_address;
}

}  // namespace plang::stack
