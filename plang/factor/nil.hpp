// The value that carries nothing, type name "nil": it behaves as false.
#pragma once

#include "plang/factor/factor.hpp"

namespace plang {

class nil final : public factor {
 public:
  PLANG_FACTOR_OPERATIONS
};

// A new nil: the result of whatever returns nothing.
handle make_nil();

}  // namespace plang
