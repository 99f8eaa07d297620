// The one error of lib::array.
#include "lib/array.hpp"

#include <stdexcept>

namespace lib::detail {

void array_index_failure() { throw std::invalid_argument("lib/array/assert_index"); }

}  // namespace lib::detail
