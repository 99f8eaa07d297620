// The truth value, type name "bool": every logical operation and comparison
// gives one.
#pragma once

#include "plang/factor/factor.hpp"

namespace plang {

class boolean final : public factor {
 public:
  explicit boolean(bool v = false) : value(v) {}

  bool value;

  PLANG_FACTOR_OPERATIONS
};

}  // namespace plang
