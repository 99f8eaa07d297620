// The one builder of the utility library's errors: a standard exception whose
// text is exactly the failing operation's identity, e.g. "lib/file/open".
#pragma once

namespace lib {

// std::invalid_argument(identity).
[[noreturn]] void fail(const char* identity);

}  // namespace lib
