// The process clock: a monotonic wall clock in milliseconds, and the seam
// that lets tests replace it.
#include "plang/clock.hpp"

#include <chrono>

namespace plang {
namespace {

using steady = std::chrono::steady_clock;

steady::time_point start() {
  static const steady::time_point at = steady::now();
  return at;
}

// Read during static initialisation, so the count starts with the process
// rather than with the first timer.
const steady::time_point started = start();

clock_source& current() {
  static clock_source source = wall_clock;
  return source;
}

}  // namespace

std::int32_t wall_clock() {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(steady::now() - start()).count();
  // The low 32 bits, as the signed count wraps.
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms)));
}

std::int32_t clock_now() { return current()(); }

clock_source set_clock(clock_source source) {
  const clock_source previous = current();
  current() = source ? source : wall_clock;
  return previous;
}

}  // namespace plang
