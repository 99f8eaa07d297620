// Stepping an activation record.
#include "plang/scope.hpp"

#include "plang/signal.hpp"

namespace plang {
namespace {

// Marks the statement a scope steps for as long as its step runs.
class stepping {
 public:
  stepping(flow& f, const control* statement) : flow_(f), outer_(f.stepped) { f.stepped = statement; }
  ~stepping() { flow_.stepped = outer_; }
  stepping(const stepping&) = delete;
  stepping& operator=(const stepping&) = delete;

 private:
  flow& flow_;
  const control* outer_;
};

}  // namespace

scope::outcome scope::advance(runtime* rt) {
  if (empty()) return outcome::finished;
  if (!running_) {
    const boost::shared_ptr<control>& front = *next_;
    if (front->has_activation_state()) {
      clone_ = front->activation();
      running_ = clone_.get();
    } else {
      running_ = front.get();
    }
  }
  runtime inner{running_variables_, rt->space};
  flow& f = flow::current();
  bool more;
  {
    stepping mark(f, running_);
    more = running_->step(&inner);
  }
  if (f.returning) {
    // The scope is abandoned: its running copy goes back to its template.
    running_ = nullptr;
    if (clone_) (*next_)->recycle_returned(std::move(clone_));
    next_ = last_;
    return outcome::returned;
  }
  if (!more) {
    running_ = nullptr;
    if (clone_) (*next_)->recycle(std::move(clone_));
    ++next_;
  }
  return empty() ? outcome::finished : outcome::more;
}

bool scope::step(runtime* rt) {
  switch (advance(rt)) {
    case outcome::more:
      return true;
    case outcome::finished:
      return false;
    default:
      throw sig_return(flow::current().take_return());
  }
}

}  // namespace plang
