// The integer value, type name "int": 32-bit two's complement, wrapping
// silently; every result is a new int.
#pragma once

#include "plang/factor/factor.hpp"

namespace plang {

struct method_entries;

template <class T>
class signed_;

template <>
class signed_<int> final : public factor {
 public:
  explicit signed_(int v = 0) : value(v) {}

  int value;

  // A new int holding `v`; every arithmetic result is made here.
  static handle make_value(int v);
  // The arithmetic of the operators on plain ints, shared with the
  // expression nodes' fast path: 32 bits that wrap; a zero divisor raises
  // the range error of `divide` and `mod`.
  static int sum(int a, int b) { return static_cast<int>(static_cast<unsigned>(a) + static_cast<unsigned>(b)); }
  static int difference(int a, int b) {
    return static_cast<int>(static_cast<unsigned>(a) - static_cast<unsigned>(b));
  }
  static int product(int a, int b) { return static_cast<int>(static_cast<unsigned>(a) * static_cast<unsigned>(b)); }
  static int quotient(int a, int b);
  static int remainder(int a, int b);
  // abs 0, max 1, min 2, rand 3.
  static plang::method_entries method_entries();

  PLANG_FACTOR_OPERATIONS

 private:
  template <class C>
  handle _method(const method_request<C>& request);
};

}  // namespace plang
