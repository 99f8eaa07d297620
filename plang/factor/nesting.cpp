// The stack of values being walked, one per thread, and the refusal of a
// walk that meets a cycle or the depth limit.
#include "plang/factor/nesting.hpp"

#include "plang/exception.hpp"
#include "plang/nspace.hpp"
#include "plang/stack.hpp"

namespace plang {
namespace {
constexpr char source[] = "plang/factor/nesting";

// The values whose walk is under way, outermost first.
struct walk_stack {
  const factor* values[nesting::limit];
  std::size_t depth = 0;
};

walk_stack& walks() {
  thread_local walk_stack stack;
  return stack;
}

// Levels of the copies under way on this thread.
thread_local std::size_t copy_depth = 0;
}  // namespace

nesting::nesting(const factor& value) {
  walk_stack& s = walks();
  if (s.depth == limit || stack::exhausted()) {
    state_ = too_deep_state;
    return;
  }
  for (std::size_t i = 0; i < s.depth; ++i) {
    if (s.values[i] == &value) {
      state_ = cycle_state;
      return;
    }
  }
  s.values[s.depth++] = &value;
  state_ = entered_state;
}

nesting::~nesting() {
  if (state_ == entered_state) --walks().depth;
}

void nesting::require() const {
  if (state_ == cycle_state) throw_exception(source, "value contains itself", "plang::nesting::require", 44);
  if (state_ == too_deep_state) {
    throw exception(source, "values nest too deeply, limit=", "plang::nesting::require", 46)
        .append_detail(static_cast<unsigned int>(limit));
  }
}

copy_nesting::copy_nesting() {
  const bool too_deep = copy_depth == nesting::limit;
  if (too_deep || stack::exhausted()) {
    const exception e = exception(source, "values nest too deeply, limit=", "plang::copy_nesting::copy_nesting", 59)
                            .append_detail(static_cast<unsigned int>(nesting::limit));
    // Out of stack (copy constructors run script code between the levels):
    // the error passes every call unwrapped, as the call depth error does.
    if (too_deep) throw e;
    throw call_depth_error(e);
  }
  ++copy_depth;
}

copy_nesting::~copy_nesting() { --copy_depth; }

}  // namespace plang
