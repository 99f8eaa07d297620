// One step of each statement node, and their clones.
#include "plang/expression/statements.hpp"

#include <boost/make_shared.hpp>

#include "plang/method.hpp"
#include "plang/node_memory.hpp"
#include "plang/nspace.hpp"
#include "plang/scope.hpp"
#include "plang/signal.hpp"

namespace plang {
namespace {

// Steps the nested scope of a node; the scope is dropped once it has nothing
// left. A return reached inside is passed on when the node itself is stepped
// by a scope (`passes`), else thrown.
template <class Scope>
bool step_nested(Scope& active, runtime* rt, bool passes) {
  switch (active->advance(rt)) {
    case scope::outcome::more:
      return true;
    case scope::outcome::finished:
      active.reset();
      return false;
    default:
      if (!passes) throw sig_return(flow::current().take_return());
      return false;
  }
}

// Enters a body in `slot`: a block body's statements, else the body itself.
// Both are borrowed from the node, which outlives the scope it holds.
void enter(scope_slot& slot, runtime* rt, const control_handle& body, const control_list* block) {
  if (block) {
    slot.emplace(rt->variables, *block, scope::borrowed());
  } else {
    slot.emplace(rt->variables, body, scope::borrowed());
  }
}

}  // namespace

const control_list* block_of(const control_handle& body) {
  const auto* block = dynamic_cast<const c_compound*>(body.get());
  return block ? &block->statements() : nullptr;
}

bool c_compound::step(runtime* rt) {
  const bool passes = flow::passes_return(this);
  // The clone holds the list for as long as its scope runs.
  if (!active_) active_.emplace(rt->variables, *statements_, scope::borrowed());
  return step_nested(active_, rt, passes);
}
// Framed: the block's scope is pushed and its first statement steps in this
// same pass; an active scope is one this copy steps itself.
bool c_compound::step_framed(runtime* rt, frame_stack& frames) {
  if (active_) return step(rt);
  active_.emplace(rt->variables, *statements_, scope::borrowed());
  frames.push(*active_, true);
  return true;
}
bool c_compound::body_finished() {
  active_.reset();
  return false;
}
control_handle c_compound::clone() const { return plang::node_memory::make<c_compound>(statements_); }

bool c_single::step(runtime* rt) {
  expression_->execute(rt);
  return false;
}
control_handle c_single::clone() const { return plang::node_memory::make<c_single>(expression_); }

control_handle c_empty::clone() const { return plang::node_memory::make<c_empty>(); }

bool c_return::step(runtime* rt) {
  const bool passes = flow::passes_return(this);
  handle result;
  expression_->evaluate(rt, result);
  if (!passes) throw sig_return(std::move(result));
  flow::current().set_return(std::move(result));
  return false;
}
control_handle c_return::clone() const { return plang::node_memory::make<c_return>(expression_); }

bool c_throw::step(runtime* rt) {
  handle result;
  expression_->evaluate(rt, result);
  throw sig_throw(std::move(result));
}
control_handle c_throw::clone() const { return plang::node_memory::make<c_throw>(expression_); }

bool c_break::step(runtime*) { throw sig_break(); }
control_handle c_break::clone() const { return plang::node_memory::make<c_break>(); }

bool c_continue::step(runtime*) { throw sig_continue(); }
control_handle c_continue::clone() const { return plang::node_memory::make<c_continue>(); }

bool c_if::step(runtime* rt) {
  if (active_) return step_nested(active_, rt, flow::passes_return(this));
  if (!condition_->test(rt)) return false;
  enter(active_, rt, body_, block_);
  return true;
}
bool c_if::step_framed(runtime* rt, frame_stack& frames) {
  if (active_) return step(rt);
  if (!condition_->test(rt)) return false;
  enter(active_, rt, body_, block_);
  frames.push(*active_, false);
  return true;
}
bool c_if::step_after_guard(runtime* rt, frame_stack* frames) {
  enter(active_, rt, body_, block_);
  if (frames) frames->push(*active_, false);
  return true;
}
bool c_if::body_finished() {
  active_.reset();
  return false;
}
control_handle c_if::clone() const { return plang::node_memory::make<c_if>(condition_, body_); }

bool c_if_else::step(runtime* rt) {
  if (active_) return step_nested(active_, rt, flow::passes_return(this));
  if (condition_->test(rt)) {
    enter(active_, rt, then_, then_block_);
  } else {
    enter(active_, rt, else_, else_block_);
  }
  return true;
}
bool c_if_else::step_framed(runtime* rt, frame_stack& frames) {
  if (active_) return step(rt);
  if (condition_->test(rt)) {
    enter(active_, rt, then_, then_block_);
  } else {
    enter(active_, rt, else_, else_block_);
  }
  frames.push(*active_, false);
  return true;
}
bool c_if_else::body_finished() {
  active_.reset();
  return false;
}
control_handle c_if_else::clone() const { return plang::node_memory::make<c_if_else>(condition_, then_, else_); }

c_while::c_while(expression_handle condition, control_handle body)
    : condition_(std::move(condition)),
      body_(std::move(body)),
      block_(block_of(body_)),
      turn_first_(block_ ? block_->data() : &body_),
      turn_last_(block_ ? block_->data() + block_->size() : &body_ + 1) {}

void c_while::begin_turn(runtime* rt) {
  if (active_) {
    active_->restart(rt->variables, turn_first_, turn_last_);
  } else {
    enter(active_, rt, body_, block_);
  }
  in_turn_ = true;
}

bool c_while::step(runtime* rt) {
  if (in_turn_) {
    const bool passes = flow::passes_return(this);
    try {
      switch (active_->advance(rt)) {
        case scope::outcome::more:
          break;
        case scope::outcome::finished:
          end_turn();
          break;
        default:
          // After a return passed on, the answer is not read.
          if (!passes) throw sig_return(flow::current().take_return());
          break;
      }
    } catch (const sig_break&) {
      drop_turn();
      return false;
    } catch (const sig_continue&) {
      drop_turn();
    }
    return true;
  }
  if (!condition_->test(rt)) return false;
  begin_turn(rt);
  return true;
}
bool c_while::step_framed(runtime* rt, frame_stack& frames) {
  if (in_turn_) return step(rt);
  if (!condition_->test(rt)) return false;
  begin_turn(rt);
  frames.push(*active_, false);
  return true;
}
// A finished turn gives up the pass; the next pass tests again.
bool c_while::body_finished() {
  end_turn();
  return true;
}
bool c_while::finish_turn_in_place() {
  end_turn();
  return true;
}
bool c_while::retest(runtime* rt) {
  if (!condition_->test(rt)) return false;
  begin_turn(rt);
  return true;
}
bool c_while::takes_loop_signal(bool is_break, bool& more) {
  drop_turn();
  more = !is_break;
  return true;
}
control_handle c_while::clone() const { return plang::node_memory::make<c_while>(condition_, body_); }

bool c_except::step(runtime* rt) {
  const bool passes = flow::passes_return(this);
  if (handler_) return step_nested(handler_, rt, passes);
  try {
    if (!try_) enter(try_, rt, body_, block_);
    return step_nested(try_, rt, passes);
  } catch (const sig_throw& thrown) {
    try_.reset();
    factor::vector args{thrown.value};
    const table::definition* handler = handlers_.find(signature_of(args));
    if (!handler) {
      handler = handlers_.find(signature());
      if (!handler) throw sig_throw(thrown.value);
      args.clear();
    }
    handler_ = table::activate(*handler, args, rt);
    return true;
  }
}
control_handle c_except::clone() const { return plang::node_memory::make<c_except>(body_, handlers_); }

namespace {

// Inline statements whose expansion is being stepped on this thread: the
// expansions that enclose the one being made.
thread_local unsigned inline_depth = 0;

class inline_level {
 public:
  inline_level() { ++inline_depth; }
  ~inline_level() { --inline_depth; }
  inline_level(const inline_level&) = delete;
  inline_level& operator=(const inline_level&) = delete;
};

}  // namespace

bool c_inline::step(runtime* rt) {
  if (active_) {
    const inline_level level;
    return step_nested(active_, rt, flow::passes_return(this));
  }
  factor::vector args = evaluate_arguments(arguments_, rt);
  if (inline_depth >= max_depth || stack::exhausted()) {
    throw call_depth_error(exception("plang/expression/statements", "exceed max. depth of inline expansion, ",
                                     "plang::c_inline::step", 172)
                               .append_detail(describe_call(method_request<wchar_t>(args, name_))));
  }
  active_ = rt->space->expand_inline(name_, args);
  return true;
}
control_handle c_inline::clone() const { return plang::node_memory::make<c_inline>(name_, arguments_); }

bool c_start_p::step(runtime* rt) {
  rt->variables->declare(variable_, rt->space->start_process(pid_, evaluate_arguments(arguments_, rt)));
  return false;
}
control_handle c_start_p::clone() const { return plang::node_memory::make<c_start_p>(pid_, variable_, arguments_); }

bool c_constructor::step(runtime* rt) {
  handle result;
  for (const expression_handle& e : initialisers_) e->evaluate(rt, result);
  while (body_->step(rt)) {
  }
  return false;
}
control_handle c_constructor::clone() const {
  return plang::node_memory::make<c_constructor>(initialisers_, body_->clone());
}

}  // namespace plang
