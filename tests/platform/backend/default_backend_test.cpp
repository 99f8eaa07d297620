// The program's own default, as a source compiled without the test hooks
// sees it.
#undef ZENTIL_TEST_HOOKS
#include "platform/platform.hpp"

#include <string>

static_assert(std::char_traits<char>::compare(platform::default_backend_name(), "sdl", 4) == 0,
              "the program opens a real window unless told otherwise");
