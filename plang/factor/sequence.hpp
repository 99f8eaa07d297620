// What the two sequence classes (vector_, list_) share: the count limit,
// growing by clones, element-wise copies and the shape of their texts.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "plang/factor/factor.hpp"

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
// new position its own clone of `fill`. A fill value that is the sequence
// itself is cloned once before the sequence grows, and the new positions
// get clones of that copy, so no clone ever sees the sequence half-grown.
// If a clone fails the sequence is put back to its old count.
template <class Container>
void resize(Container& elements, std::size_t n, const handle& fill, const factor* self, const char* what) {
  if (n > max_count) throw std::length_error(what);
  const std::size_t count = elements.size();
  if (n <= count) {
    elements.resize(n);
    return;
  }
  handle snapshot;
  if (fill.get() == self) snapshot = fill->clone();
  const factor& source = snapshot ? *snapshot : *fill;
  reserve(elements, n);
  try {
    if (snapshot) elements.push_back(snapshot);
    while (elements.size() < n) elements.push_back(source.clone());
  } catch (...) {
    elements.resize(count);
    throw;
  }
}

// Clones of every element, in order.
template <class Container>
Container clone_all(const Container& source) {
  Container copy;
  reserve(copy, source.size());
  for (const handle& e : source) copy.push_back(e->clone());
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
