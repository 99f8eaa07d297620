// The toolkit's exceptions.
#include "ui/error.hpp"

#include <stdexcept>

namespace ui {

void fail_out_of_range(const char* text) { throw std::out_of_range(text); }
void fail_invalid_argument(const char* text) { throw std::invalid_argument(text); }

}  // namespace ui
