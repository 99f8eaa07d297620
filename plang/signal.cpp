// The value of a return on its way, per thread.
#include "plang/signal.hpp"

namespace plang {
namespace {
thread_local boost::shared_ptr<factor> returned_value;
}  // namespace

void flow::set_return(boost::shared_ptr<factor> v) {
  returned_value = std::move(v);
  returning = true;
}

boost::shared_ptr<factor> flow::take_return() {
  returning = false;
  return std::move(returned_value);
}

}  // namespace plang
