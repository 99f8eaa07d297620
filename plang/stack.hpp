// How much of the thread's stack is left: the engine's recursion (calls,
// inline expansion, expression evaluation, copies, the compiler) asks before
// it goes deeper, and stops with an error while a safe margin remains.
#pragma once

#include <cstdint>

namespace plang::stack {

// The lowest address this thread's recursion may reach: the stack's end
// plus the margin. The highest address until the first check reads the
// thread's bounds. __thread, not thread_local: it has no dynamic
// initialisation, so the check reads it directly.
extern __thread std::uintptr_t floor_address;

// Reads the thread's stack bounds on the first call; later, only compares.
bool exhausted_slow(std::uintptr_t here, std::uintptr_t reserve);

// True when the caller's frame is within the margin (and `reserve` bytes
// more) at the end of the stack. One compare on the way that goes on.
inline bool exhausted(std::uintptr_t reserve = 0) {
  const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
  if (__builtin_expect(here - reserve >= floor_address, 1)) return false;
  return exhausted_slow(here, reserve);
}

// Script calls, constructors and conversions stop this much earlier than
// expressions and inline expansions, so that recursion through calls, whose
// bodies hold the expressions, ends with the error that names the call.
inline constexpr std::uintptr_t call_reserve = std::uintptr_t(128) << 10;

// The margin kept free below the deepest check: room for the unchecked
// stretches between checks, for raising the error and for host functions.
std::uintptr_t margin();

}  // namespace plang::stack
