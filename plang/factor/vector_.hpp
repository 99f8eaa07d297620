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

  // Methods that call nodes also run without a call record; the
  // dispatchers use them too. at(index): the stored element, or the range
  // error of line 282. push_back of the stored form of the value (a clone,
  // or a temporary taken over, see stored_form): the new last element.
  const handle& at(unsigned int index) const;
  const handle& push_back(handle stored);

  // Releases what it holds without recursion into nested values.
  ~vector_();

  PLANG_FACTOR_OPERATIONS
};

}  // namespace plang
