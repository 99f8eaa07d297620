// The timer value, type name "timer": one reading of the process clock and
// the methods start, restart and elapsed; every other operation is refused.
#pragma once

#include <cstdint>

#include "plang/factor/factor.hpp"

namespace plang {

struct method_entries;

class timer final : public factor {
 public:
  timer();  // reads the clock
  explicit timer(std::int32_t reading) : clock_value(reading) {}

  // Milliseconds of the process clock (plang/clock.hpp).
  std::int32_t clock_value;

  // start 0, restart 1, elapsed 2, all without arguments.
  static plang::method_entries method_entries();

  PLANG_FACTOR_OPERATIONS

 private:
  template <class C>
  handle _method(const method_request<C>& request);
};

}  // namespace plang
