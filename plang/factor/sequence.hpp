// What the two sequence classes (vector_, list_) share: the count limit,
// growing by clones, element-wise copies and equality.
#pragma once

#include <cstddef>
#include <iterator>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "plang/factor/factor.hpp"
#include "plang/factor/nesting.hpp"

namespace plang::sequence {

// A count comes from a script number, so -1 asks for 2^32 - 1 elements; the
// limit turns such a request into std::length_error before anything is
// allocated instead of exhausting memory.
inline constexpr std::size_t max_count = std::size_t(1) << 28;

template <class Container>
void reserve(Container& elements, std::size_t n) {
  if constexpr (std::is_same_v<Container, std::vector<handle>>) elements.reserve(n);
}

// Resizes to n: shrinking drops the elements from n on; growing gives each
// new position its own clone of `fill`. Clones run script code (a class's
// copy constructor), which may change this very sequence, so the new tail is
// built apart from clones of `fill` as it is, and appended only once every
// clone is made: no clone ever meets the sequence half-grown or an empty
// handle, a fill value that is the sequence itself gives clones of the
// sequence as it was, and a failing clone leaves the sequence as the clones
// left it, without any element of this call.
template <class Container>
void resize(Container& elements, std::size_t n, const handle& fill, const char* what) {
  if (n > max_count) throw std::length_error(what);
  const std::size_t count = elements.size();
  if (n <= count) {
    elements.resize(n);
    return;
  }
  Container tail;
  reserve(tail, n - count);
  {
    const copy_nesting level;
    for (std::size_t i = count; i < n; ++i) tail.push_back(fill->clone());
  }
  elements.insert(elements.end(), std::make_move_iterator(tail.begin()), std::make_move_iterator(tail.end()));
}

// A clone of a value that goes into a container, one nesting level below
// it.
inline handle stored_clone(const handle& value) {
  const copy_nesting level;
  return value->clone();
}

// Clones of every element, in order. The source's handles are copied first:
// a clone may run script code that changes the source, and every element to
// be cloned stays alive while it runs.
template <class Container>
Container clone_all(const Container& source) {
  const copy_nesting level;
  Container copy(source);
  for (handle& e : copy) e = e->clone();
  return copy;
}

// Element-wise equality: same count, and same_value at every position.
template <class Container>
bool same_elements(const Container& a, const Container& b) {
  if (a.size() != b.size()) return false;
  auto j = b.begin();
  for (auto i = a.begin(); i != a.end(); ++i, ++j)
    if (!(*i)->same_value(*j)) return false;
  return true;
}

}  // namespace plang::sequence
