// The stack of values being walked, one per thread, and the refusal of a
// walk that meets a cycle or the depth limit.
#include "plang/factor/nesting.hpp"

#include "plang/exception.hpp"

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
}  // namespace

nesting::nesting(const factor& value) {
  walk_stack& s = walks();
  if (s.depth == limit) {
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

}  // namespace plang
