// The activation record of a statement list: its own variables and the
// statements still to run, stepped front first.
#pragma once

#include <optional>

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

}  // namespace plang
