// The reference value, type name "ref": a box that shares another value
// rather than copying it; the method get hands out the shared value.
#pragma once

#include <utility>

#include "plang/factor/factor.hpp"

namespace plang {

class ref final : public factor {
 public:
  ref();  // holds a new nil
  explicit ref(handle value) : held(std::move(value)) {}

  // Never empty. Copies of this ref (clone, what get returns) hold the same
  // value; nothing here ever copies the held value itself.
  handle held;

  // Releases what it holds without recursion into nested values.
  ~ref();

  PLANG_FACTOR_OPERATIONS
};

}  // namespace plang
