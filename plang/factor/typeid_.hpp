// The type-identity value, type name "typeid": the typeid of some value, so
// that typeid(x) == typeid(y) tells whether x and y are of one type.
#pragma once

#include <cstdint>

#include "plang/factor/factor.hpp"

namespace plang {

class typeid_ final : public factor {
 public:
  explicit typeid_(std::uint32_t id = 0) : value(id) {}

  std::uint32_t value;

  PLANG_FACTOR_OPERATIONS
};

}  // namespace plang
