// The indexable sequence, type name "vector": it stores clones of what is
// put in and hands out the stored handles; every operator and conversion is
// refused, and its operations are built-in methods.
#pragma once

#include <vector>

#include "plang/factor/factor.hpp"

namespace plang {

struct method_entries;

class vector_ final : public factor {
 public:
  std::vector<handle> elements;  // never an empty handle between operations

  // size(0) empty(0) pop_back(0) clear(0) back(0) front(0) at(1) push_back(1)
  // swap(1) resize(1) replace(2) resize(2), ids 0 to 11.
  static plang::method_entries method_entries();
  handle _method(const method_request<char>& request);
  handle _method(const method_request<wchar_t>& request);

  // Releases what it holds without recursion into nested values.
  ~vector_();

  PLANG_FACTOR_OPERATIONS
};

}  // namespace plang
