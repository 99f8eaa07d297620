// Stepping an activation record.
#include "plang/scope.hpp"

namespace plang {

bool scope::step(runtime* rt) {
  if (empty()) return false;
  runtime inner{&variables_, rt->space};
  if (!controls_[front_]->step(&inner)) {
    controls_[front_].reset();
    ++front_;
  }
  return !empty();
}

}  // namespace plang
