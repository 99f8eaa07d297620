// A fixed-size array whose every element access checks the index.
#pragma once

#include <cstddef>

namespace lib {

namespace detail {
[[noreturn]] void array_index_failure();
}

template <class T, std::size_t N>
struct array {
  static_assert(N > 0, "an array holds at least one element");

  using value_type = T;
  using size_type = std::size_t;

  // The index itself when it is below N; otherwise throws
  // std::invalid_argument "lib/array/assert_index".
  static size_type assert_index(const size_type& index) {
    if (index >= N) index_failure();
    return index;
  }
  // The out-of-range branch of a check made at the place of access.
  [[noreturn]] static void index_failure() { detail::array_index_failure(); }

  T& operator[](size_type index) { return elements[assert_index(index)]; }
  const T& operator[](size_type index) const { return elements[assert_index(index)]; }

  static constexpr size_type size() { return N; }
  T* begin() { return elements; }
  T* end() { return elements + N; }
  const T* begin() const { return elements; }
  const T* end() const { return elements + N; }

  // Public only so that the array is an aggregate ({} clears it, {a, b, c, d}
  // fills it); elements are reached through operator[].
  T elements[N];
};

}  // namespace lib
