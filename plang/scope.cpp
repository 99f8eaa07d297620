// Stepping an activation record.
#include "plang/scope.hpp"

#include "plang/expression/expression.hpp"
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

void scope::reach_front() {
  if (running_) return;
  const boost::shared_ptr<control>& front = *next_;
  if (front->has_activation_state()) {
    clone_ = front->activation();
    running_ = clone_.get();
  } else {
    running_ = front.get();
  }
}

scope::outcome scope::after_step(bool more) {
  if (flow::current().returning) {
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

// Inlined into the advance: most passes step a plain expression.
__attribute__((always_inline)) inline scope::outcome scope::step_plain(const expression* e, runtime* rt) {
  runtime inner{running_variables_, rt->space};
  flow& f = flow::current();
  {
    stepping mark(f, next_->get());
    e->execute(&inner);
  }
  if (__builtin_expect(f.returning, 0)) return after_step(false);
  // What `after_step` does for a finished statement that nothing cloned.
  ++next_;
  return empty() ? outcome::finished : outcome::more;
}

scope::outcome scope::step_guarded(const expression* condition, runtime* rt, frame_stack* frames) {
  runtime inner{running_variables_, rt->space};
  flow& f = flow::current();
  bool passed;
  {
    stepping mark(f, next_->get());
    passed = condition->test(&inner);
  }
  if (passed) {
    // The statement goes on: its copy takes the step after the test.
    reach_front();
    bool more;
    {
      stepping mark(f, running_);
      more = running_->step_after_guard(&inner, frames);
    }
    return after_step(more);
  }
  if (__builtin_expect(f.returning, 0)) return after_step(false);
  // A false test finishes the statement, nothing cloned.
  ++next_;
  return empty() ? outcome::finished : outcome::more;
}

template <class Step>
scope::outcome scope::advance_with(runtime* rt, Step step, frame_stack* frames) {
  if (empty()) return outcome::finished;
  if (!running_) {
    const control& front = **next_;
    if (const expression* e = front.plain_expression()) return step_plain(e, rt);
    if (const expression* condition = front.guard()) return step_guarded(condition, rt, frames);
  }
  reach_front();
  runtime inner{running_variables_, rt->space};
  bool more;
  {
    stepping mark(flow::current(), running_);
    more = step(&inner);
  }
  return after_step(more);
}

scope::outcome scope::advance(runtime* rt) {
  return advance_with(rt, [this](runtime* inner) { return running_->step(inner); }, nullptr);
}

scope::outcome scope::advance_framed(runtime* rt, frame_stack& frames) {
  return advance_with(
      rt, [this, &frames](runtime* inner) { return running_->step_framed(inner, frames); }, &frames);
}

scope::outcome scope::settle(bool more) { return after_step(more); }

__attribute__((always_inline)) inline bool scope::retest_running(runtime* rt) {
  runtime inner{running_variables_, rt->space};
  stepping mark(flow::current(), running_);
  return running_->retest(&inner);
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

bool frame_stack::pass(runtime* rt) {
  scope::outcome o;
  if (scope* loop = retest_) {
    // The pass after a loop's turn finished in place. The frames are as the
    // loop's own step would find them, its finished turn popped, and the
    // turn is pushed again when the test starts the next one.
    retest_ = nullptr;
    scope* turn = top_;
    frames_.pop_back();
    top_ = loop;
    try {
      const bool more = loop->retest_running(rt);
      if (__builtin_expect(more && !flow::current().returning, 1)) {
        frames_.push_back(turn);
        top_ = turn;
        return true;
      }
      o = loop->settle(more);
    } catch (const sig_break&) {
      if (!take_loop_signal(true, o)) throw;
    } catch (const sig_continue&) {
      if (!take_loop_signal(false, o)) throw;
    }
  } else {
    for (;;) {
      try {
        o = top_->advance_framed(rt, *this);
      } catch (const sig_break&) {
        if (!take_loop_signal(true, o)) throw;
      } catch (const sig_continue&) {
        if (!take_loop_signal(false, o)) throw;
      }
      if (!step_now_) break;
      step_now_ = false;
    }
  }
  if (o == scope::outcome::more) return true;
  // Most often a loop's turn, checked before `unwind` sets up its loop.
  if (o == scope::outcome::finished && frames_.size() > 1) {
    scope* loop = frames_[frames_.size() - 2];
    if (loop->running()->finish_turn_in_place()) {
      retest_ = loop;
      return true;
    }
  }
  return finish(o);
}

__attribute__((noinline)) bool frame_stack::finish(scope::outcome o) {
  o = unwind(o);
  if (o == scope::outcome::returned) throw sig_return(flow::current().take_return());
  return o == scope::outcome::more;
}

scope::outcome frame_stack::unwind(scope::outcome o) {
  while (o != scope::outcome::more && frames_.size() > 1) {
    scope* loop = frames_[frames_.size() - 2];
    if (o == scope::outcome::finished && loop->running()->finish_turn_in_place()) {
      // A loop's turn: its scope stays for the next turn, and the pass ends
      // as the loop's settling would end it.
      retest_ = loop;
      return scope::outcome::more;
    }
    frames_.pop_back();
    top_ = frames_.back();
    scope& below = *top_;
    // After a return the statement's answer is not read (the scope sees the
    // return in the flow record), as after its own step.
    const bool more = o == scope::outcome::finished && below.running()->body_finished();
    o = below.settle(more);
  }
  return o;
}

bool frame_stack::take_loop_signal(bool is_break, scope::outcome& o) {
  for (std::size_t k = frames_.size() - 1; k > 0; --k) {
    control* owner = frames_[k - 1]->running();
    bool more = false;
    if (owner && owner->takes_loop_signal(is_break, more)) {
      // The loop has dropped its body's scope and every scope inside it.
      frames_.resize(k);
      top_ = frames_.back();
      step_now_ = false;
      o = top_->settle(more);
      return true;
    }
  }
  return false;
}

}  // namespace plang
