// The statement node: stepped once per scheduling pass by the scope that
// holds it; the compiled nodes are templates that only ever get cloned.
#pragma once

#include <vector>

#include <boost/shared_ptr.hpp>

#include "plang/runtime.hpp"

namespace plang {

class control;
class expression;
class frame_stack;

// A statement list as blocks and scopes share it; never changed once built.
using statement_list = std::vector<boost::shared_ptr<control>>;

// Nodes are always created into a boost::shared_ptr of their own class,
// which destroys them; hence no virtual destructor.
class control {
 public:
  // True when the statement has more to do and must be stepped again.
  virtual bool step(runtime* rt) = 0;
  // A copy of the node without activation state.
  virtual boost::shared_ptr<control> clone() const = 0;
  // False for a node that keeps nothing between steps (it finishes in the
  // step it starts): scopes then step the template itself instead of a clone.
  virtual bool has_activation_state() const { return true; }
  // The copy a scope steps when it reaches this template: a clone, or one
  // handed back earlier through `recycle`.
  virtual boost::shared_ptr<control> activation() const { return clone(); }
  // Takes back a copy from `activation` whose last step finished it
  // normally; a node that is as fresh as a new clone then may keep it.
  virtual void recycle(boost::shared_ptr<control>&& finished) const { (void)finished; }
  // Takes back a copy from `activation` that a return left half-run: a node
  // that can drop what it holds of that run may make it fresh and keep it.
  virtual void recycle_returned(boost::shared_ptr<control>&& left) const { (void)left; }
  // The statements of a non-empty block, which a scope made for the block
  // alone may step itself in a table of the block's own; null for others.
  virtual const statement_list* block_statements() const { return nullptr; }

  // As `step`, for a statement that a process's frame stack steps: a
  // statement that enters a body in a scope of its own pushes that scope
  // onto `frames` instead of stepping it, and the process steps it from
  // then on. Every other statement steps as `step` does.
  virtual bool step_framed(runtime* rt, frame_stack& frames) {
    (void)frames;
    return step(rt);
  }
  // The scope pushed by `step_framed` has finished: the answer `step` would
  // give in the step that finished it.
  virtual bool body_finished() { return false; }
  // The scope pushed by `step_framed` has finished a loop's turn: a loop
  // ends the turn as `body_finished` does and answers true, keeping the
  // scope pushed for its next turn; the next pass then calls `retest`
  // instead of stepping the statement. False for every other statement.
  virtual bool finish_turn_in_place() { return false; }
  // The step after a turn that `finish_turn_in_place` ended, as `step_framed`
  // would take it: the loop's test, and on true its next turn in the kept
  // scope. False when the loop is done (the kept scope is then popped).
  virtual bool retest(runtime* rt) {
    (void)rt;
    return false;
  }
  // A break (`is_break`) or a continue left the pushed scope: true for a
  // loop, which takes it as `step` would and sets `more` to its answer.
  virtual bool takes_loop_signal(bool is_break, bool& more) {
    (void)is_break;
    (void)more;
    return false;
  }

  // The expression of a statement that only evaluates it and drops the
  // value, keeping nothing between steps; null for every other statement.
  // A scope evaluates it directly, without the statement's own step.
  const expression* plain_expression() const { return plain_; }

  // The condition of a statement whose first step only tests it and
  // finishes when it is false (an if without else); null for every other
  // statement. A scope tests it on the template itself, so a false test
  // makes no copy; a true one makes the copy and steps it through
  // `step_after_guard`.
  const expression* guard() const { return guard_; }
  // The first step of a copy whose guard the scope found true: what `step`
  // (`frames` null) or `step_framed` does after a true test.
  virtual bool step_after_guard(runtime* rt, frame_stack* frames) {
    (void)rt;
    (void)frames;
    return false;
  }

 protected:
  control() = default;
  explicit control(const expression* plain) : plain_(plain) {}
  // For a statement with a guard (see `guard`).
  struct guarded {};
  control(const expression* guard, guarded) : guard_(guard) {}
  control(const control&) = default;
  control& operator=(const control&) = default;
  ~control() = default;

 private:
  const expression* plain_ = nullptr;
  const expression* guard_ = nullptr;
};

}  // namespace plang
