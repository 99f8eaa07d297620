// The expression node: evaluated to one value handle, completely, inside one
// statement step; and the argument lists that calls evaluate.
#pragma once

#include <cstdint>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "plang/factor/factor.hpp"
#include "plang/runtime.hpp"
#include "plang/stack.hpp"

namespace plang {

// An int or bool result computed without a value object: the fast path of
// built-in arithmetic, comparisons and conditions.
struct scalar {
  std::uint32_t type;  // typeid_anchor::signed_int or typeid_anchor::boolean
  int i;               // the int
  bool b;              // the bool
};

// Nodes are always created into a boost::shared_ptr of their own class,
// which destroys them; hence no virtual destructor. They hold no activation
// state, so clones of statements share them.
class expression {
 public:
  // Stores the node's value in `result`; declarations leave it untouched.
  virtual void evaluate(runtime* rt, handle& result) const = 0;

  // The fast path of int and bool operands: computes the node's value into
  // `out` and answers true, or answers false having run nothing a script
  // could notice (only literals, variable look-ups and operators over them
  // take it, and only when every operand is exactly an int or a bool).
  // Errors are the ones `evaluate` raises at the same point.
  virtual bool evaluate_scalar(runtime* rt, scalar& out) const {
    (void)rt;
    (void)out;
    return false;
  }
  // Known when the tree is built: `evaluate_scalar` can succeed at all.
  virtual bool scalar_capable() const { return false; }
  // Told while the tree is built by an operator that tries the fast path
  // over this node itself: `evaluate` then goes straight to the general
  // path, so a chain is tried once from its top, not again at every level.
  virtual void leave_fast_path_to_parent() {}
  // A variable's stored handle, found as `evaluate` finds it; null for
  // every other node.
  virtual const handle* peek(runtime* rt) const {
    (void)rt;
    return nullptr;
  }
  // Evaluates for a statement that drops the value.
  virtual void execute(runtime* rt) const {
    handle dropped;
    evaluate(rt, dropped);
  }
  // A condition's truth: the value's conversion to bool. Inline for the
  // fast path; evaluate_scalar answers false at once for a node that cannot
  // take it, so asking scalar_capable first would only add a call.
  bool test(runtime* rt) const {
    scalar value;
    if (evaluate_scalar(rt, value)) return value.type == typeid_anchor::signed_int ? value.i != 0 : value.b;
    return test_value(rt);
  }

 protected:
  expression() = default;
  expression(const expression&) = default;
  expression& operator=(const expression&) = default;
  ~expression() = default;

 private:
  // `test` through the value.
  bool test_value(runtime* rt) const;
};

using expression_handle = boost::shared_ptr<expression>;
using expression_list = std::vector<expression_handle>;

// Raises the depth error of expressions (call_depth_error, so that it passes
// every call unwrapped): an operator chain compiles to a tree as deep as the
// chain, and its evaluation recurses that deep.
[[noreturn]] void raise_expression_too_deep();

// Taken by every node that evaluates other nodes.
inline void check_stack() {
  if (stack::exhausted()) raise_expression_too_deep();
}

// One slot per expression, evaluated strictly left to right; a variable
// contributes its own handle.
factor::vector evaluate_arguments(const expression_list& expressions, runtime* rt);

// Base of the assignment and two-operand nodes.
class binary : public expression {
 public:
  binary(expression_handle left, expression_handle right) : left_(std::move(left)), right_(std::move(right)) {}
  // A chain's tree is released node after node, not one inside the other.
  ~binary();

  const expression_handle& left() const { return left_; }
  const expression_handle& right() const { return right_; }

 protected:
  expression_handle left_;
  expression_handle right_;
};

}  // namespace plang
