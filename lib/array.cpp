// The one error of lib::array.
#include "lib/array.hpp"

#include "lib/error.hpp"

namespace lib::detail {

void array_index_failure() { fail("lib/array/assert_index"); }

}  // namespace lib::detail
