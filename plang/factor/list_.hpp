// The sequence that grows and shrinks at both ends, type name "list": it
// stores clones of what is put in and hands out the stored handles; every
// operator and conversion is refused, and its operations are built-in methods.
#pragma once

#include <list>

#include "plang/factor/factor.hpp"

namespace plang {

struct method_entries;

class list_ final : public factor {
 public:
  std::list<handle> elements;  // never an empty handle between operations

  // empty(0) size(0) front(0) back(0) pop_front(0) pop_back(0) clear(0)
  // resize(1) push_front(1) push_back(1) swap(1) resize(2), ids 0 to 11.
  static plang::method_entries method_entries();
  handle _method(const method_request<char>& request);
  handle _method(const method_request<wchar_t>& request);

  // push_front and push_back of the stored form of a value (see
  // stored_form), also run by call nodes without a call record: the new
  // first or last element.
  const handle& push_front(handle stored);
  const handle& push_back(handle stored);

  // Releases what it holds without recursion into nested values.
  ~list_();

  PLANG_FACTOR_OPERATIONS
};

}  // namespace plang
