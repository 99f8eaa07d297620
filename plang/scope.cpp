// Stepping an activation record.
#include "plang/scope.hpp"

namespace plang {

bool scope::step(runtime* rt) {
  if (empty()) return false;
  if (!running_) {
    const boost::shared_ptr<control>& front = *next_;
    if (front->has_activation_state()) {
      clone_ = front->clone();
      running_ = clone_.get();
    } else {
      running_ = front.get();
    }
  }
  runtime inner{&variables_, rt->space};
  if (!running_->step(&inner)) {
    running_ = nullptr;
    clone_.reset();
    ++next_;
  }
  return !empty();
}

}  // namespace plang
