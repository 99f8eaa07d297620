// The activation record of a statement list: its own variables and the
// statements still to run, stepped front first.
#pragma once

#include <optional>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "plang/control.hpp"
#include "plang/runtime.hpp"
#include "plang/table/variable.hpp"

namespace plang {

// The statements are the templates themselves, shared with whoever built
// them; only the running statement gets a clone, made when it is reached,
// and only when it keeps activation state.
class scope {
 public:
  // One statement: the activation of a definition, or the body of an if,
  // a while or a try.
  scope(table::variable* outer, const boost::shared_ptr<control>& statement)
      : variables_(outer), single_(statement), next_(&single_), last_(&single_ + 1) {
    open_block();
  }
  // A statement or a statement list that the caller keeps alive for as long
  // as the scope: borrowed, so entering it touches no reference count.
  struct borrowed {};
  scope(table::variable* outer, const boost::shared_ptr<control>& statement, borrowed)
      : variables_(outer), next_(&statement), last_(&statement + 1) {
    open_block();
  }
  scope(table::variable* outer, const statement_list& statements, borrowed)
      : variables_(outer), next_(statements.data()), last_(next_ + statements.size()) {}
  // One statement that the caller cloned and keeps: stepped as it is.
  struct fresh_clone {};
  scope(table::variable* outer, control* statement, fresh_clone)
      : variables_(outer), next_(&single_), last_(&single_ + 1), running_(statement) {}
  // A statement list, as a block holds it, in order.
  scope(table::variable* outer, boost::shared_ptr<const statement_list> statements)
      : variables_(outer), list_(std::move(statements)), next_(list_->data()), last_(next_ + list_->size()) {}
  // Any other range of statement handles; its handles are copied, and a
  // list is allocated only for more than one.
  template <class It>
  scope(table::variable* outer, It first, It last) : variables_(outer), next_(&single_), last_(&single_) {
    if (first == last) return;
    It second = first;
    if (++second == last) {
      single_ = *first;
      last_ = &single_ + 1;
    } else {
      list_ = boost::shared_ptr<const statement_list>(new statement_list(first, last));
      next_ = list_->data();
      last_ = next_ + list_->size();
    }
  }
  scope(const scope&) = delete;
  scope& operator=(const scope&) = delete;

  // Steps the front statement once with this scope's variables and the
  // caller's namespace; a statement that finishes is dropped in the same
  // call. True while statements remain. A return reached inside is thrown
  // as sig_return.
  bool step(runtime* rt);

  // As `step`, for a caller that passes a return on itself: a return
  // reached inside is left in the flow record and answered with `returned`;
  // the scope is then abandoned, never stepped again.
  enum class outcome { finished, more, returned };
  outcome advance(runtime* rt);

  // As `advance`, stepping the front statement through `step_framed`.
  outcome advance_framed(runtime* rt, frame_stack& frames);
  // The front statement's answer for a step that the frame stack finished
  // for it (its pushed scope finished, or a loop took a break or continue):
  // what `advance` does after the statement's step.
  outcome settle(bool more);
  // The statement being stepped, or null.
  control* running() const { return running_; }
  // The running statement's `retest`, in the runtime and under the mark of
  // its own step.
  bool retest_running(runtime* rt);

  // Makes a finished scope over borrowed statements what a new one over
  // [first, last) with the outer table `outer` would be, without building
  // it again: a loop keeps its turn's scope from turn to turn. The table
  // must have been cleared when the last turn ended.
  void restart(table::variable* outer, const boost::shared_ptr<control>* first,
               const boost::shared_ptr<control>* last) {
    variables_.set_outer(outer);
    next_ = first;
    last_ = last;
    running_ = nullptr;
    if (clone_) clone_.reset();
  }

  // No statements left.
  bool empty() const { return next_ == last_; }

  table::variable& variables() { return variables_; }

 private:
  // A scope over one non-empty block (a definition's body) steps the
  // block's statements itself, in a table of the block's own inside this
  // one, as the block would: the same steps and names, one level less.
  void open_block() {
    if (const statement_list* block = (*next_)->block_statements()) {
      next_ = block->data();
      last_ = next_ + block->size();
      block_variables_.emplace(&variables_);
      running_variables_ = &*block_variables_;
    }
  }

  void reach_front();
  // Steps a front statement that only evaluates `e` (its plain expression),
  // as its own step would, without reaching it first.
  outcome step_plain(const expression* e, runtime* rt);
  outcome after_step(bool more);
  // advance and advance_framed: `step` steps the reached front statement in
  // the inner runtime it is given.
  template <class Step>
  outcome advance_with(runtime* rt, Step step, frame_stack* frames);
  // Steps a front statement with the guard `condition` (control::guard).
  outcome step_guarded(const expression* condition, runtime* rt, frame_stack* frames);

  table::variable variables_;
  std::optional<table::variable> block_variables_;  // the block's own table, when stepped here
  table::variable* running_variables_ = &variables_;  // the table the statements run with
  boost::shared_ptr<control> single_;            // the template of a one-statement scope
  boost::shared_ptr<const statement_list> list_;  // or the shared list
  const boost::shared_ptr<control>* next_;        // the front template
  const boost::shared_ptr<control>* last_;
  control* running_ = nullptr;              // the front statement once reached: its template or clone_
  boost::shared_ptr<control> clone_;        // the front's clone when it keeps activation state
};

// The running scopes of a process, outermost (the body) first: a pass steps
// the innermost one's front statement directly instead of descending to it
// through every statement that encloses it. A scope that finishes is
// popped and the statement below that pushed it settles in the same pass,
// as its own step would have after the nested scope finished. Calls and
// statements that are not compound (try, inline) still step their scopes
// themselves.
class frame_stack {
 public:
  explicit frame_stack(scope* body) : top_(body) { frames_.push_back(body); }

  // A body entered by the front statement of the innermost scope;
  // `step_now` when its first statement takes this same pass (a block).
  void push(scope& entered, bool step_now) {
    frames_.push_back(&entered);
    top_ = &entered;
    step_now_ = step_now;
  }

  // One scheduling pass of the process whose body is the first frame: true
  // while the body has statements left. A return that reaches the body is
  // thrown as sig_return; break, continue and throw that no loop takes
  // leave as they arose, with the frames as they were.
  bool pass(runtime* rt);

 private:
  // The end of a pass whose top scope finished or returned: `unwind`, then
  // the body's answer.
  bool finish(scope::outcome o);
  // Pops finished scopes, letting each statement below settle, until one
  // has more to do; the outcome for the body.
  scope::outcome unwind(scope::outcome o);
  // The loop nearest the top that takes the signal, its scopes popped;
  // false (nothing changed) when there is none.
  bool take_loop_signal(bool is_break, scope::outcome& o);

  std::vector<scope*> frames_;
  scope* top_;  // frames_.back(), read by every pass
  bool step_now_ = false;
  scope* retest_ = nullptr;  // the scope whose running loop kept its finished turn on top, for its next
};

}  // namespace plang
