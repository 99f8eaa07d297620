// The real values, type names "double" and "float": IEEE arithmetic without
// checks, and maths methods that test their domain and overflow.
#pragma once

#include "plang/factor/factor.hpp"

namespace plang {

struct method_entries;

// Instances: real<double> and real<float>. Every result is rounded to T;
// float arithmetic is computed in double and rounded once.
template <class T>
class real final : public factor {
 public:
  explicit real(T v = 0) : value(v) {}

  T value;

  // A new real of this class holding `v`.
  static handle make_value(T v);
  // cos 0 .. is_infinity 23, in the order of the maths methods.
  static plang::method_entries method_entries();

  PLANG_FACTOR_OPERATIONS

 private:
  template <class C>
  handle _method(const method_request<C>& request);
};

extern template class real<float>;
extern template class real<double>;

}  // namespace plang
