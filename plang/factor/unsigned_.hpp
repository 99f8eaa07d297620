// The unsigned integer value, type name "u?int": 32 bits, wrapping
// silently; sizes, counts and process ids are of this class.
#pragma once

#include "plang/factor/factor.hpp"

namespace plang {

struct method_entries;

template <class T>
class unsigned_;

template <>
class unsigned_<unsigned int> final : public factor {
 public:
  explicit unsigned_(unsigned int v = 0) : value(v) {}

  unsigned int value;

  // A new u?int holding `v`; every arithmetic result is made here.
  static handle make_value(unsigned int v);
  // max 0, min 1, rand 2.
  static plang::method_entries method_entries();

  PLANG_FACTOR_OPERATIONS

 private:
  template <class C>
  handle _method(const method_request<C>& request);
};

}  // namespace plang
