// The map from values to values, type name "hash": keys are found by value
// equality (their own hash_into and same_value); it stores clones of what is
// inserted and hands out the stored values; every operator and conversion is
// refused, and its operations are built-in methods.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#include "plang/factor/factor.hpp"
#include "plang/factor/hash_table.hpp"

namespace plang {

struct method_entries;

class hash_ final : public factor {
 public:
  using map = hash_table;

  // Stored keys are clones that are never handed out, so they never change
  // and copies of the map may share them.
  map entries;

  // size(0) empty(0) clear(0) at(1) exist(1) erase(1) swap(1) insert(2), ids 0 to 7.
  static plang::method_entries method_entries();
  handle _method(const method_request<char>& request);
  handle _method(const method_request<wchar_t>& request);

  // Releases what it holds without recursion into nested values.
  ~hash_();

  PLANG_FACTOR_OPERATIONS
};

}  // namespace plang
