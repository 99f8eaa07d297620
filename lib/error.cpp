// Utility library errors.
#include "lib/error.hpp"

#include <stdexcept>

namespace lib {

void fail(const char* identity) { throw std::invalid_argument(identity); }

}  // namespace lib
