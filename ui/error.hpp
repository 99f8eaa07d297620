// The one builder of the toolkit's errors: a standard exception whose text is
// exactly the given one ("exceed size of list").
#pragma once

namespace ui {

[[noreturn]] void fail_out_of_range(const char* text);
[[noreturn]] void fail_invalid_argument(const char* text);

}  // namespace ui
