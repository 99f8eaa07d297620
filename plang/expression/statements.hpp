// Statement nodes: one step each per scheduling pass, as the scope that holds
// them decides; compound statements run their bodies in scopes of their own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <boost/make_shared.hpp>
#include <boost/shared_ptr.hpp>

#include "plang/control.hpp"
#include "plang/expression/expression.hpp"
#include "plang/node_memory.hpp"
#include "plang/scope.hpp"
#include "plang/table/except.hpp"

namespace plang {

using control_handle = boost::shared_ptr<control>;
using control_list = statement_list;
using scope_handle = boost::shared_ptr<scope>;
// A nested scope held inside the node that runs it, so that entering a body
// allocates nothing of its own.
using scope_slot = std::optional<scope>;

// The finished copies of a template, for its next activations: the nodes
// below that keep a nested scope drop it when they finish, so a copy whose
// last step finished it is as fresh as a new clone.
class recycled_copies {
 public:
  control_handle take() {
    if (spare_.empty()) return control_handle();
    control_handle copy = std::move(spare_.back());
    spare_.pop_back();
    return copy;
  }
  void keep(control_handle&& copy) {
    if (spare_.size() < limit) spare_.push_back(std::move(copy));
  }

 private:
  static constexpr std::size_t limit = 16;  // enough for recursion to find one most of the time
  std::vector<control_handle> spare_;
};

// A node that keeps its finished copies for its next activations.
class recycling_control : public control {
 public:
  control_handle activation() const override {
    control_handle copy = spare_.take();
    if (copy) return copy;
    return clone();
  }
  void recycle(control_handle&& finished) const override { spare_.keep(std::move(finished)); }
  // The copy is this node's own clone, so of this class.
  void recycle_returned(control_handle&& left) const override {
    static_cast<recycling_control&>(*left).drop_run();
    spare_.keep(std::move(left));
  }

 protected:
  // Drops the nested scopes and copies of a run that a return left, so the
  // node is as fresh as a new clone.
  virtual void drop_run() = 0;

  recycling_control() = default;
  explicit recycling_control(const expression* guard) : control(guard, guarded{}) {}
  recycling_control(const recycling_control&) = delete;
  recycling_control& operator=(const recycling_control&) = delete;
  ~recycling_control() = default;

 private:
  mutable recycled_copies spare_;
};

// "{" statements "}": the statements in a scope of their own; the first step
// is the first statement's. An empty block takes one step.
class c_compound final : public recycling_control {
 public:
  explicit c_compound(control_list statements)
      : statements_(plang::node_memory::make<const control_list>(std::move(statements))) {}
  // A clone: the list is shared, never copied.
  explicit c_compound(boost::shared_ptr<const control_list> statements) : statements_(std::move(statements)) {}
  bool step(runtime* rt) override;
  bool step_framed(runtime* rt, frame_stack& frames) override;
  bool body_finished() override;
  control_handle clone() const override;
  const control_list& statements() const { return *statements_; }
  const control_list* block_statements() const override { return statements_->empty() ? nullptr : &*statements_; }

 protected:
  void drop_run() override { active_.reset(); }

 private:
  boost::shared_ptr<const control_list> statements_;
  scope_slot active_;
};

// expression ";"
class c_single final : public control {
 public:
  explicit c_single(expression_handle e) : control(e.get()), expression_(std::move(e)) {}
  bool step(runtime* rt) override;
  control_handle clone() const override;
  bool has_activation_state() const override { return false; }

 private:
  expression_handle expression_;
};

// ";"
class c_empty final : public control {
 public:
  bool step(runtime*) override { return false; }
  control_handle clone() const override;
  bool has_activation_state() const override { return false; }
};

// "return" expression ";": throws sig_return.
class c_return final : public control {
 public:
  explicit c_return(expression_handle e) : expression_(std::move(e)) {}
  bool step(runtime* rt) override;
  control_handle clone() const override;
  bool has_activation_state() const override { return false; }

 private:
  expression_handle expression_;
};

// "throw" expression ";": throws sig_throw.
class c_throw final : public control {
 public:
  explicit c_throw(expression_handle e) : expression_(std::move(e)) {}
  bool step(runtime* rt) override;
  control_handle clone() const override;
  bool has_activation_state() const override { return false; }

 private:
  expression_handle expression_;
};

// "break" ";"
class c_break final : public control {
 public:
  bool step(runtime*) override;
  control_handle clone() const override;
  bool has_activation_state() const override { return false; }
};

// "continue" ";"
class c_continue final : public control {
 public:
  bool step(runtime*) override;
  control_handle clone() const override;
  bool has_activation_state() const override { return false; }
};

// The statements of a block body, or null for any other body. The scope an
// if, a while or a try runs its body in declares nothing of its own, so a
// block body's statements run straight in it: the same names are found,
// and a level of stepping and an empty table are saved.
const control_list* block_of(const control_handle& body);

// "if" "(" condition ")" body: the test is one step, the body runs from the
// next.
class c_if final : public recycling_control {
 public:
  c_if(expression_handle condition, control_handle body)
      : recycling_control(condition.get()),
        condition_(std::move(condition)),
        body_(std::move(body)),
        block_(block_of(body_)) {}
  bool step(runtime* rt) override;
  bool step_framed(runtime* rt, frame_stack& frames) override;
  bool step_after_guard(runtime* rt, frame_stack* frames) override;
  bool body_finished() override;
  control_handle clone() const override;

 protected:
  void drop_run() override { active_.reset(); }

 private:
  expression_handle condition_;
  control_handle body_;
  const control_list* block_;
  scope_slot active_;
};

// "if" "(" condition ")" then "else" otherwise
class c_if_else final : public recycling_control {
 public:
  c_if_else(expression_handle condition, control_handle then, control_handle otherwise)
      : condition_(std::move(condition)),
        then_(std::move(then)),
        else_(std::move(otherwise)),
        then_block_(block_of(then_)),
        else_block_(block_of(else_)) {}
  bool step(runtime* rt) override;
  bool step_framed(runtime* rt, frame_stack& frames) override;
  bool body_finished() override;
  control_handle clone() const override;

 protected:
  void drop_run() override { active_.reset(); }

 private:
  expression_handle condition_;
  control_handle then_;
  control_handle else_;
  const control_list* then_block_;
  const control_list* else_block_;
  scope_slot active_;
};

// "while" "(" condition ")" body: each true test starts the body in a
// fresh scope; break ends the loop, continue drops the body's scope. A
// block body's statements run straight in that scope. A turn that
// finishes clears its scope's table and leaves the scope for the next
// turn, which restarts it instead of building a new one.
class c_while final : public recycling_control {
 public:
  c_while(expression_handle condition, control_handle body);
  bool step(runtime* rt) override;
  bool step_framed(runtime* rt, frame_stack& frames) override;
  bool body_finished() override;
  bool finish_turn_in_place() override;
  bool retest(runtime* rt) override;
  bool takes_loop_signal(bool is_break, bool& more) override;
  control_handle clone() const override;

 protected:
  void drop_run() override { drop_turn(); }

 private:
  void begin_turn(runtime* rt);
  // A turn whose statements all finished: its variables go, its scope stays.
  void end_turn() {
    active_->variables().clear();
    in_turn_ = false;
  }
  // A turn left by break, continue or a return: the scope goes with
  // whatever its running statement still holds.
  void drop_turn() {
    active_.reset();
    in_turn_ = false;
  }

  expression_handle condition_;
  control_handle body_;
  const control_list* block_;
  const control_handle* turn_first_;  // the statements a turn runs: the block's, or the body
  const control_handle* turn_last_;
  scope_slot active_;     // the turn's scope; kept, finished, between turns
  bool in_turn_ = false;  // `active_` is running a turn
};

// "try" block "catch" ...: a script throw from the try body selects the
// handler of its value's exact typeid, else the catch-all, else goes on
// outwards. Handlers run outside the protection of their own try.
class c_except final : public recycling_control {
 public:
  c_except(control_handle body, table::except handlers)
      : body_(std::move(body)), block_(block_of(body_)), handlers_(std::move(handlers)) {}
  bool step(runtime* rt) override;
  control_handle clone() const override;

 protected:
  void drop_run() override {
    try_.reset();
    handler_.reset();
  }

 private:
  control_handle body_;
  const control_list* block_;
  scope_slot try_;
  scope_handle handler_;
  table::except handlers_;
};

// "inline" name arguments: the namespace's inline body, expanded in place
// with its parameters. An inline body may expand an inline statement itself,
// each expansion one scope inside the last: at most `max_depth` expansions
// nest, as script calls do.
class c_inline final : public recycling_control {
 public:
  static constexpr unsigned max_depth = 1000;

  c_inline(std::wstring name, expression_list arguments) : name_(std::move(name)), arguments_(std::move(arguments)) {}
  bool step(runtime* rt) override;
  control_handle clone() const override;

 protected:
  void drop_run() override { active_.reset(); }

 private:
  std::wstring name_;
  expression_list arguments_;
  scope_handle active_;
};

// "process" "::" name variable arguments: starts the process and declares
// its handle.
class c_start_p final : public control {
 public:
  c_start_p(std::uint32_t pid, std::wstring variable, expression_list arguments)
      : pid_(pid), variable_(std::move(variable)), arguments_(std::move(arguments)) {}
  bool step(runtime* rt) override;
  control_handle clone() const override;
  bool has_activation_state() const override { return false; }

 private:
  std::uint32_t pid_;
  std::wstring variable_;
  expression_list arguments_;
};

// A class constructor's body: the initialisers, then the whole body, in one
// step.
class c_constructor final : public control {
 public:
  c_constructor(expression_list initialisers, control_handle body)
      : initialisers_(std::move(initialisers)), body_(std::move(body)) {}
  bool step(runtime* rt) override;
  control_handle clone() const override;

 private:
  expression_list initialisers_;
  control_handle body_;  // a private clone
};

}  // namespace plang
